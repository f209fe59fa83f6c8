#pragma once

// The viewer windows' rules that need no window: which window a file opens in, how a window is
// fitted to an image, and how a dragged border keeps the image's aspect ratio. Plain functions.

#include <QRect>
#include <QSize>

namespace pixmarl {

// Where ShowImage loads a file: into the first viewer (Extra -1), a new additional window
// (Create), or the additional window at index Extra; NextReuse is the counter's new value.
struct TViewerChoice {
    int Extra = -1;
    bool Create = false;
    int NextReuse = -1;
};

// maxForms: "View.MaxForms" (1 one window, n >= 2 up to n additional windows). Once every window
// exists, files go to the first viewer and then the additional ones in creation order, round
// again; the round ends at the smaller of maxForms and the windows open, so lowering the setting
// while more windows are open never reaches past them.
TViewerChoice ChooseViewer(int maxForms, bool firstVisible, int extraCount, int nextReuse);

// The border or corner the user drags, as the sizing message names it.
enum TSizeEdge {
    seLeft = 1,
    seRight,
    seTop,
    seTopLeft,
    seTopRight,
    seBottom,
    seBottomLeft,
    seBottomRight
};

// The edge a drag moved, told by the window's frame before and after; 0 when it was moved or not
// changed.
int DraggedEdge(const QRect& before, const QRect& after);

// The window rectangle for a proposed one while edge is dragged: the client area keeps the
// proposed area with the image's aspect ratio, growing or shrinking away from the fixed edges.
// frame: window size less client size. A proposal smaller than the frame counts as 1 x 1.
QRect AspectSizing(const QRect& proposed, int edge, QSize frame, QSize image);

// The client size that fits a window to an image: the image's size, or when it does not fit in
// room (the screen's area for a client), the image fitted into room.
QSize FitClientToImage(QSize image, QSize room);

}  // namespace pixmarl
