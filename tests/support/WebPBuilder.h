#pragma once

// WebP files for tests. Still images come from Qt's WebP writer (the image-format plugin);
// animations are put together here from still files: RIFF, VP8X with the animation flag, ANIM,
// then one ANMF chunk per frame at (0, 0) holding the image chunks (ALPH, VP8 or VP8L) of the
// still file, 100 ms each.

#include <vector>

#include <QByteArray>
#include <QImage>

namespace pixmarl::test {

// The image written by Qt's WebP writer; quality 100 writes a lossless file. Empty when the
// plugin is missing.
QByteArray WriteWebP(const QImage& image, int quality);

QByteArray BuildAnimatedWebP(const std::vector<QByteArray>& stillFrames, int width, int height,
                             bool alpha);

// A RIFF chunk: id, little-endian size, data padded to an even length.
QByteArray RiffChunk(const char* id, const QByteArray& data);

// A RIFF WEBP file around the given chunks.
QByteArray RiffWebP(const QByteArray& chunks);

}  // namespace pixmarl::test
