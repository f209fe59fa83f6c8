#pragma once

// The viewer window's size grip: a small square in the lower right corner of its parent that
// starts the window manager's resize from that corner when pressed. Hidden at creation; a
// transparent grip (the default) paints only the grip lines and hides again when the pointer
// leaves it. The viewer calls SetTransparent(false), SetGripSize(19) and ShowGrip. GUI thread
// only.

#include <QWidget>

namespace pixmarl {

class TSizeGrip : public QWidget {
    Q_OBJECT
public:
    explicit TSizeGrip(QWidget* parent);

    // Width and height in device-independent pixels.
    int GripSize() const { return width(); }
    void SetGripSize(int size);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    // Pixels between the grip and the parent's lower right corner.
    int Distance() const { return distance_; }
    void SetDistance(int value);
    bool MouseIn() const { return mouseIn_; }

    // Places the grip in the corner and shows it.
    void ShowGrip();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceInCorner();
    void AfterSystemResize();

    int distance_ = 0;
    bool transparent_ = true;
    bool mouseIn_ = false;
};

}  // namespace pixmarl
