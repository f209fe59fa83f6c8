#pragma once

// The thumbnail grid: the file list's items as framed thumbnails in five sizes, optionally with
// the file name under each. It owns no images and no names; it asks its owner for them by index
// through the injected queries below, and reports scrolling (OnTopLeftChanged) so the thumbnail
// control can move its window. Selection, keys and mouse come from TCustomYGrid.
//
// The main window sets the queries, calls SetSize (after stopping the thumbnail worker and
// dropping the thumbnails) and SetShowFileNames, and otherwise uses TCustomYGrid's interface.
// A thumbnail is drawn at its size in device-independent pixels (QImage::deviceIndependentSize),
// so thumbnails made at twice the size with a device pixel ratio of 2 stay sharp on such screens.
//
// GUI thread only.

#include <functional>

#include <QImage>

#include "filelist/YGrids.h"

namespace pixmarl {

// What the owner knows of an item's thumbnail: the image (none while it is not made; it must
// stay valid until the next query) and whether making it failed.
struct TCellBitmap {
    const QImage* bitmap = nullptr;
    bool error = false;
};

class TImgGrid : public TCustomYGrid {
    Q_OBJECT
public:
    explicit TImgGrid(QWidget* parent = nullptr);

    TThumbSize Size() const { return Cells().Size(); }
    // Ignored for tsUser and the current size.
    void SetSize(TThumbSize size);
    bool ShowFileNames() const { return showFileNames_; }
    void SetShowFileNames(bool value);

    std::function<TCellBitmap(int index)> OnNeedBmp;
    std::function<QString(int index)> OnNeedFileName;
    // A one-line text for the hint under the name: the main window gives "w x h".
    std::function<QString(int index)> OnNeedFileInfo;

protected:
    void DrawCell(QPainter& painter, int index, const QRect& rect, bool selected) override;
    QString HintText(int index) const override;
    void changeEvent(QEvent* event) override;

private:
    void MeasureNameStrip();
    void DrawThumbnail(QPainter& painter, const QImage& bitmap, const QRect& r);
    void DrawNotAvailable(QPainter& painter, const QRect& r);
    void DrawName(QPainter& painter, int index, const QRect& r);

    bool showFileNames_ = false;
};

}  // namespace pixmarl
