#pragma once

// Photoshop image resources: the JPEG thumbnail (resource 1036) that Photoshop keeps in the
// resource block of the files it writes, used for quick previews of large TIFF files.
// Plain functions: any thread.

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

namespace pixmarl {

inline constexpr int kPhotoshopThumbnailId = 1036;

// The JFIF bytes of the thumbnail resource in block, or empty when the block has none or is
// damaged before it (a resource without its "8BIM" signature, one that runs past the block).
QByteArray FindPhotoshopThumbnail(QByteArrayView block);

// The thumbnail decoded; a null image when the bytes are not a JPEG that decodes.
QImage DecodePhotoshopThumbnail(const QByteArray& jfif);

}  // namespace pixmarl
