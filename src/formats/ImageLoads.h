#pragma once

// One way to load an image file, for every part of the program that shows or converts images:
// thumbnails, the viewer, the preview pane, the slideshow, conversion and the clipboard. A request
// names the file and what the caller will do with the picture; the result holds the picture ready
// to show, turned upright, with the image's own size. The loader is chosen by format (from the
// file name's extension unless the request names one) from one table of plain functions, one per
// format, beside the header readers' table in Images.
//
// Any thread; each call opens the file itself (regular files only). Nothing throws: a file that
// cannot be loaded gives a null image and, where the decoder says why, an error text.

#include <QImage>
#include <QSize>
#include <QString>

#include "formats/Exif.h"
#include "formats/Images.h"

namespace pixmarl {

struct TImageRequest {
    QString FileName;
    TImageFormat Format = ifUnknown;  // ifUnknown: by the file name's extension
    // The box the picture will be fitted into; empty for the whole image at full size. For a box,
    // JPEG files are decoded at the reduced scale that still covers the fitted size (with Quick,
    // the one that comes closest to it), and TIFF files give their embedded thumbnail when they
    // hold one.
    QSize Box;
    bool Quick = false;
    bool FastDct = false;    // JPEG: the faster, slightly less accurate transform
    bool Grayscale = false;  // JPEG: an 8-bit grey palette image
    bool Upright = true;     // turn photos upright by their Exif or TIFF orientation
    // The picture as Format_RGB32 (Format_ARGB32_Premultiplied when it has transparency), the
    // formats a window draws without converting; JPEG files are decoded straight into it.
    bool Rgb32 = false;
};

struct TImageResult {
    QImage Image;     // null when nothing could be loaded
    QSize ImageSize;  // the image's own size as stored (of the TIFF thumbnail when one was used)
    TImageFormat Format = ifUnknown;
    int Orientation = 1;      // the orientation applied to Image (1 = as stored)
    int ScaleDenom = 1;       // a JPEG was decoded at 1/ScaleDenom of its size
    bool Damaged = false;     // the decoder met damage; Image holds what it could decode
    bool MoreFollow = false;  // GIF: more than the trailer follows the first frame
    QString Error;

    bool Ok() const { return !Image.isNull(); }
    // The image's own size standing upright: what a fitted picture is sized by.
    QSize ShownSize() const { return OrientedSize(ImageSize, Orientation); }
};

TImageResult LoadImageFile(const TImageRequest& request);

// A loader fills result.Image, ImageSize and what else it knows; the caller has set Format.
using TImageLoader = void (*)(const TImageRequest& request, TImageResult& result);
// The loader of a format; null for formats that cannot be shown.
TImageLoader ImageLoaderFor(TImageFormat format);

// The JPEG scale denominator (1, 2, 4 or 8) for a reduction ratio: the normal rule decodes at
// least the fitted size, the quick rule at most.
int JPEGScaleDenom(float ratio, bool quick);

// The fitting rule of the image control and the preview: size scaled up or down to fill box in
// one direction, keeping its aspect ratio (the ratios in single precision, the other side
// truncated). A tie fills the height. A size or box with a side of 0 or less gives 0 x 0; a side
// that truncates to nothing gets one pixel.
QSize FitSize(QSize size, QSize box);

// How much an image of size must shrink to fit into box (the larger of the two side ratios; below
// 1 when it would grow). 0 for an empty size or box.
float FitRatio(QSize size, QSize box);

}  // namespace pixmarl
