#pragma once

// The busy indicator: a 32 x 23 window over a film strip, moved by one pixel every 100 ms while
// thumbnails are being made. The main window calls Start when the thumbnail worker starts and
// Stop when it has no more work. GUI thread only.

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace pixmarl {

class TLogo : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 32;
    static constexpr int kHeight = 23;
    static constexpr int kStartOffset = 20;
    static constexpr int kPeriod = 48;  // the strip repeats after this many pixels

    explicit TLogo(QWidget* parent = nullptr);

    void Start();
    void Stop();
    bool Animated() const { return timer_.isActive(); }
    // Where the window stands on the strip.
    int Offset() const { return offset_; }
    // One step of the animation (the timer's tick).
    void Tick();

    QSize sizeHint() const override { return {kWidth, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
    QImage strip_;  // rendered for the screen's device pixel ratio
    int offset_ = kStartOffset;
};

}  // namespace pixmarl
