#pragma once

// Keeps the desktop's screen saver from starting while a slideshow runs, through the
// org.freedesktop.ScreenSaver D-Bus service (Inhibit / UnInhibit). Calls are asynchronous and any
// failure (no session bus, no such service) is ignored. GUI thread only.

#include <QObject>

namespace pixmarl {

class TScreenSaverInhibitor : public QObject {
public:
    explicit TScreenSaverInhibitor(QObject* parent = nullptr);
    ~TScreenSaverInhibitor() override;

    void SetInhibited(bool inhibited);
    bool Inhibited() const { return wanted_; }

private:
    void Inhibit();
    void UnInhibit();

    bool wanted_ = false;
    bool asking_ = false;  // an Inhibit call awaits its cookie
    quint32 cookie_ = 0;
    bool haveCookie_ = false;
};

}  // namespace pixmarl
