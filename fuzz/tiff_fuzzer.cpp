// The TIFF reader on arbitrary bytes: the directory reader, the full decode (strips, LZW, row
// conversions) into an image and a BMP file, and the walk over a Photoshop resource block.

#include <cstdint>

#include <QBuffer>
#include <QByteArray>

#include "formats/Adobe.h"
#include "formats/TIFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    pixmarl::TTifInfo info;
    pixmarl::ReadTiffInfo(buffer, info);
    const QByteArray bmp = pixmarl::TiffDeviceToBmp(buffer, false);
    if (!bmp.isEmpty() && !bmp.startsWith("BM"))
        __builtin_trap();
    // The image path with the embedded thumbnail: the BMP above is the same image.
    const QImage preview = pixmarl::TiffDeviceToImage(buffer, true);
    if (!preview.isNull() && bmp.isEmpty() && info.PhotoshopOffset == 0)
        __builtin_trap();
    pixmarl::FindPhotoshopThumbnail(bytes);
    return 0;
}
