#pragma once

// What the image control and the preview pane load, as plain functions that run on a worker: the
// picture through the one image loader (LoadImageFile), and for the viewer the objects an
// animation plays from (a GIF with more than one frame, any AVI file), loaded completely before
// they are handed to the GUI thread. Also the geometry of a shown image. Any thread; nothing
// throws.

#include <memory>

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "formats/ImageLoads.h"

namespace pixmarl {

class TAVIImage;
class TGIFImage;

struct TShowRequest {
    QString FileName;
    // The room the picture will be fitted into: a JPEG is decoded at the reduced scale that still
    // covers it. Empty: the whole image at full size (shown 1:1).
    QSize Box;
    // Load the objects an animation plays from; false for a sharper picture of the same file.
    bool Animation = true;
};

struct TShownImage {
    TImageResult Still;  // the picture to draw (Format_RGB32 or premultiplied ARGB), upright
    // Set for a GIF of two or more frames and for an AVI file; shared only to travel between
    // threads: the GUI thread keeps the one reference that stays.
    std::shared_ptr<TGIFImage> Gif;
    std::shared_ptr<TAVIImage> Avi;

    // The size the image is shown and fitted by: upright, of the GIF's logical screen, of the
    // video's frame; 0 x 0 when nothing could be loaded.
    QSize ImageSize() const { return Still.Ok() ? Still.ShownSize() : QSize(0, 0); }
};

// Loads a file for the viewer. An AVI file that cannot be opened for playing gives nothing; a GIF
// whose later frames are damaged shows its first frame still.
TShownImage LoadShownImage(const TShowRequest& request);

// The preview of a file in a box of the pane (128 x 128): the picture fitted into the box (an
// icon is always 32 x 32) and the image's own size (the icon's 32 x 32, a TIFF thumbnail's size
// when one was used). A null Preview when the format is unknown or the file cannot be read.
struct TPreview {
    QImage Preview;
    QSize ImageSize;
    int ScaleDenom = 1;  // a JPEG was decoded at 1/ScaleDenom of its size
};
TPreview MakePreview(const QString& fileName, QSize box);

// Where an image of imageSize is drawn in a client area: fitted (Stretch) or at its own size,
// centred or at the top left; offsets truncate towards zero and are negative for an image larger
// than the client. Empty for an empty image.
QRect ImageDestRect(QSize imageSize, QSize client, bool stretch, bool center);

}  // namespace pixmarl
