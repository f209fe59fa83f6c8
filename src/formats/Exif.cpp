#include "formats/Exif.h"

#include <memory>

#include <QTransform>

#include <libexif/exif-data.h>

namespace pixmarl {

namespace {

struct TExifDataFree {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

}  // namespace

int ExifOrientation(QByteArrayView app1Payload)
{
    static constexpr char kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1Payload.size() <= qsizetype(sizeof kExifHeader) ||
        !app1Payload.startsWith(QByteArrayView(kExifHeader, sizeof kExifHeader)))
        return 1;
    // The segment payload is at most 65,533 bytes, so the size fits libexif's unsigned int.
    const std::unique_ptr<ExifData, TExifDataFree> data(exif_data_new_from_data(
        reinterpret_cast<const unsigned char*>(app1Payload.data()),
        static_cast<unsigned int>(app1Payload.size())));
    if (!data)
        return 1;
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 || !entry->data ||
        entry->size < 2)
        return 1;
    const int value = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    return value >= 1 && value <= 8 ? value : 1;
}

bool OrientationTransposes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

QSize OrientedSize(QSize stored, int orientation)
{
    return OrientationTransposes(orientation) ? stored.transposed() : stored;
}

QImage OrientImage(const QImage& image, int orientation)
{
    if (image.isNull())
        return image;
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        return image.mirrored(true, true);
    case 4:
        return image.mirrored(false, true);
    case 5:
        return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return image.transformed(QTransform().rotate(90));
    case 7:
        return image.transformed(QTransform().rotate(-90)).mirrored(true, false);
    case 8:
        return image.transformed(QTransform().rotate(-90));
    default:
        return image;
    }
}

}  // namespace pixmarl
