#include "MainStates.h"

#include "platform/Paths.h"

namespace pixmarl {

namespace {

int OverlapArea(const QRect& a, const QRect& b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : common.width() * common.height();
}

}  // namespace

QRect PlaceStoredWindow(const QRect& stored, const std::vector<QRect>& screens)
{
    if (screens.empty())
        return stored;
    const QRect* screen = nullptr;
    int best = 0;
    for (const QRect& candidate : screens) {
        const int area = OverlapArea(stored, candidate);
        if (area > best) {
            best = area;
            screen = &candidate;
        }
    }
    QRect placed = stored;
    if (screen == nullptr) {
        screen = &screens.front();
        placed.moveTopLeft(screen->topLeft());
    }
    if (placed.width() > screen->width() || placed.height() > screen->height())
        placed = *screen;
    return placed;
}

std::optional<TBandLayout> DecodeBars(const std::array<std::int32_t, 3>& bars)
{
    TBandLayout layout;
    int seen = 0;
    for (size_t i = 0; i < bars.size(); ++i) {
        const auto value = std::uint32_t(bars[i]);
        const int number = int(value >> 24);
        if (number < bnLocation || number > bnLogo || (seen & (1 << number)) != 0)
            return std::nullopt;
        seen |= 1 << number;
        layout[i] = {TBandNumber(number), ((value >> 16) & 0xFF) != 0, int(value & 0xFFFF)};
    }
    return layout;
}

std::array<std::int32_t, 3> EncodeBars(const TBandLayout& layout)
{
    std::array<std::int32_t, 3> bars{};
    for (size_t i = 0; i < layout.size(); ++i) {
        const TBand& band = layout[i];
        bars[i] = std::int32_t((std::uint32_t(band.number) << 24) |
                               (std::uint32_t(band.startsRow ? 1 : 0) << 16) |
                               (std::uint32_t(band.width) & 0xFFFF));
    }
    return bars;
}

QString FolderTitleName(const QString& folder, bool volumeRoot)
{
    return volumeRoot ? folder : ExtractFileName(folder);
}

}  // namespace pixmarl
