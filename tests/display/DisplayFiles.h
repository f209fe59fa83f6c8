#pragma once

// Files the display tests show: a one-colour bitmap, a GIF whose frame i is all colour i + 1 of the
// builder's default colours (black, red, green, blue), and a JPEG of the builder's pattern.

#include <QImage>
#include <QString>

#include "support/GifBuilder.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl::test {

inline QString SolidBmp(const QString& dir, const QString& name, QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    const QString path = dir + QLatin1Char('/') + name;
    image.save(path, "BMP");
    return path;
}

// delay in hundredths; truncateTo cuts the file after that many bytes (a damaged GIF).
inline QString FramesGif(const QString& dir, const QString& name, int frames, int delay = 2,
                         int truncateTo = -1)
{
    GifParams params;
    params.frames.assign(frames, GifFrameParams());
    for (int i = 0; i < frames; ++i) {
        params.frames[i].pixels.assign(16, std::uint8_t((i + 1) % 4));
        params.frames[i].control = GifControl{1, false, 0, delay};
    }
    params.truncateTo = truncateTo;
    return WriteFile(dir, name, BuildGif(params));
}

inline QString PatternJpeg(const QString& dir, const QString& name, QSize size)
{
    JpegParams params;
    params.width = size.width();
    params.height = size.height();
    return WriteFile(dir, name, BuildJpeg(params));
}

}  // namespace pixmarl::test
