#pragma once

// The screenshot program's scenes. Each scene file registers itself with PIXMARL_SHOT; a scene
// builds windows on sample files, lets them settle and saves pictures of them through the
// context. The program runs under Xvfb (scripts/screenshots.sh) or any other display.

#include <functional>

#include <QString>

class QWidget;

namespace pixmarl::shots {

class TShotContext {
public:
    explicit TShotContext(QString outDir, QString samplesDir);

    // The folder the build's sample generator wrote, and a fresh scratch folder for the scene.
    const QString& SamplesDir() const { return samplesDir_; }
    QString ScratchDir(const QString& name) const;

    // Runs the event loop for ms so that windows are mapped, laid out and painted.
    static void Settle(int ms = 300);
    // Saves the window's picture as <out>/<name>.png, after letting it settle. Under X11 the
    // picture is taken from the screen (what a user sees, popups included when they overlap the
    // window's rectangle); elsewhere the widget renders itself.
    bool Grab(QWidget* window, const QString& name) const;

private:
    QString outDir_;
    QString samplesDir_;
};

using TShotScene = std::function<void(TShotContext&)>;

// Registers a scene under a name; returns true so it can initialise a static.
bool RegisterShot(const char* name, TShotScene scene);

}  // namespace pixmarl::shots

#define PIXMARL_SHOT_CAT2(a, b) a##b
#define PIXMARL_SHOT_CAT(a, b) PIXMARL_SHOT_CAT2(a, b)
#define PIXMARL_SHOT(name, fn)                                                  \
    static const bool PIXMARL_SHOT_CAT(pixmarlShotRegistered_, __LINE__) = \
        ::pixmarl::shots::RegisterShot(name, fn)
