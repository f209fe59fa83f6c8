#pragma once

// TSlideCtrl, the slideshow's control panel: four flat buttons (halt, previous, next, close) on a
// small panel in the tooltip colours that appears over the viewer under the mouse pointer when
// the image is clicked during a show. It floats over the viewer's image as a child of the viewer,
// so it is placed the same way on every desktop. GUI thread only.

#include <QWidget>

namespace pixmarl {

class TBtn;

class TViewForm;

class TSlideCtrl : public QWidget {
    Q_OBJECT
public:
    explicit TSlideCtrl(TViewForm* viewer);

    enum TButton { sbNone = -1, sbHalt, sbPrevious, sbNext, sbClose };

    // Shows the panel so that the button used last (the next button at first) lies under the
    // pointer at pos, in the viewer's coordinates.
    void ShowAtMouse(const QPoint& pos);
    // Hides the panel and lets the slideshow's timer go on.
    void HidePanel();
    TBtn* Button(TButton button) const { return buttons_[button]; }
    TButton LastBtn() const { return lastBtn_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Clicked(TButton button);

    TViewForm* viewer_;
    TBtn* buttons_[4] = {};
    TButton lastBtn_ = sbNone;
};

}  // namespace pixmarl
