#include "ViewRules.h"

#include <algorithm>
#include <cmath>

#include "formats/ImageLoads.h"

namespace pixmarl {

TViewerChoice ChooseViewer(int maxForms, bool firstVisible, int extraCount, int nextReuse)
{
    if (maxForms <= 1 || !firstVisible)
        return TViewerChoice{};
    if (maxForms > extraCount)
        return TViewerChoice{extraCount, true, -1};
    if (nextReuse < -1 || nextReuse >= std::min(maxForms, extraCount))
        nextReuse = -1;
    return TViewerChoice{nextReuse, false, nextReuse + 1};
}

int DraggedEdge(const QRect& before, const QRect& after)
{
    const bool left = before.left() != after.left();
    const bool right = before.right() != after.right();
    const bool top = before.top() != after.top();
    const bool bottom = before.bottom() != after.bottom();
    if ((left && right) || (top && bottom))
        return 0;
    if (top)
        return left ? seTopLeft : right ? seTopRight : seTop;
    if (bottom)
        return left ? seBottomLeft : right ? seBottomRight : seBottom;
    return left ? seLeft : right ? seRight : 0;
}

QRect AspectSizing(const QRect& proposed, int edge, QSize frame, QSize image)
{
    if (image.width() <= 0 || image.height() <= 0 || edge < seLeft || edge > seBottomRight)
        return proposed;
    const int cw = std::max(1, proposed.width() - frame.width());
    const int ch = std::max(1, proposed.height() - frame.height());
    const float ratio = float(image.width()) / float(image.height());
    // Rounded to nearest, ties to even; the area of the proposed client area is kept.
    const int h = std::max(1, int(std::nearbyint(std::sqrt(double(cw) * ch / ratio))));
    const int w = std::max(1, int(std::nearbyint(double(h) * ratio)));
    int left = proposed.left();
    int top = proposed.top();
    int right = proposed.left() + proposed.width();
    int bottom = proposed.top() + proposed.height();
    if (edge == seTop || edge == seTopLeft || edge == seTopRight)
        top = bottom - h - frame.height();
    else
        bottom = top + h + frame.height();
    if (edge == seLeft || edge == seTopLeft || edge == seBottomLeft || edge == seTop)
        left = right - w - frame.width();
    else
        right = left + w + frame.width();
    return QRect(left, top, right - left, bottom - top);
}

QSize FitClientToImage(QSize image, QSize room)
{
    if (image.width() <= 0 || image.height() <= 0)
        return QSize(0, 0);
    if (room.isEmpty() || (image.width() <= room.width() && image.height() <= room.height()))
        return image;
    return FitSize(image, room);
}

}  // namespace pixmarl
