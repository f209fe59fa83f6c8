#include "support/WebPBuilder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

namespace pixmarl::test {

namespace {

QByteArray Le(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char(value >> (8 * i)));
    return out;
}

// The chunks after the RIFF header and a VP8X chunk, if there is one.
QByteArray ImageChunks(const QByteArray& still)
{
    QByteArray chunks = still.mid(12);
    if (chunks.startsWith("VP8X"))
        chunks.remove(0, 8 + 10);
    return chunks;
}

}  // namespace

QByteArray WriteWebP(const QImage& image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "webp");
    writer.setQuality(quality);
    return writer.write(image) ? bytes : QByteArray();
}

QByteArray RiffChunk(const char* id, const QByteArray& data)
{
    QByteArray chunk = QByteArray(id, 4) + Le(quint32(data.size()), 4) + data;
    if (data.size() % 2 != 0)
        chunk.append('\0');
    return chunk;
}

QByteArray RiffWebP(const QByteArray& chunks)
{
    return "RIFF" + Le(quint32(4 + chunks.size()), 4) + "WEBP" + chunks;
}

QByteArray BuildAnimatedWebP(const std::vector<QByteArray>& stillFrames, int width, int height,
                             bool alpha)
{
    const char flags = char(0x02 | (alpha ? 0x10 : 0));
    QByteArray chunks = RiffChunk("VP8X", flags + Le(0, 3) + Le(quint32(width - 1), 3) +
                                              Le(quint32(height - 1), 3));
    chunks += RiffChunk("ANIM", Le(0xFFFFFFFF, 4) + Le(0, 2));
    for (const QByteArray& still : stillFrames) {
        const QByteArray frame = Le(0, 3) + Le(0, 3) + Le(quint32(width - 1), 3) +
                                 Le(quint32(height - 1), 3) + Le(100, 3) + '\0';
        chunks += RiffChunk("ANMF", frame + ImageChunks(still));
    }
    return RiffWebP(chunks);
}

}  // namespace pixmarl::test
