#include "GiflibDecode.h"

#include <algorithm>
#include <cstring>

#include <gif_lib.h>

namespace pixmarl::test {

namespace {

struct MemorySource {
    const QByteArray* data;
    qsizetype pos = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* buffer, int size)
{
    auto* source = static_cast<MemorySource*>(gif->UserData);
    const qsizetype n = std::min<qsizetype>(size, source->data->size() - source->pos);
    std::memcpy(buffer, source->data->constData() + source->pos, std::size_t(n));
    source->pos += n;
    return int(n);
}

std::vector<QRgb> Colors(const ColorMapObject* map)
{
    std::vector<QRgb> colors;
    if (map != nullptr)
        for (int i = 0; i < map->ColorCount; ++i)
            colors.push_back(qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
    return colors;
}

}  // namespace

std::optional<std::vector<ReferenceFrame>> GiflibDecode(const QByteArray& data)
{
    MemorySource source { &data };
    int error = 0;
    GifFileType* gif = DGifOpen(&source, ReadMemory, &error);
    if (gif == nullptr)
        return std::nullopt;
    std::optional<std::vector<ReferenceFrame>> frames;
    if (DGifSlurp(gif) == GIF_OK) {
        frames.emplace();
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            const GifImageDesc& d = image.ImageDesc;
            ReferenceFrame frame { d.Left, d.Top, d.Width, d.Height,
                Colors(d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap), {} };
            frame.pixels.assign(
                image.RasterBits, image.RasterBits + std::size_t(d.Width) * std::size_t(d.Height));
            frames->push_back(std::move(frame));
        }
    }
    DGifCloseFile(gif, &error);
    return frames;
}

}  // namespace pixmarl::test
