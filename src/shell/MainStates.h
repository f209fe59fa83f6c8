#pragma once

// The main window's stored state in the settings, read and written without a screen: where the
// stored window rectangle opens on the screens there are now, and the tool area's layout kept in
// the three values Bar0..Bar2. Plain functions; any thread.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <QRect>
#include <QString>

namespace pixmarl {

// Where a window with the stored rectangle opens, given the screens' available areas (the
// primary screen's first). A rectangle that meets no screen goes to the primary screen's top
// left, keeping its size; one wider or taller than the screen it lies on (the one it overlaps
// most) fills that screen.
QRect PlaceStoredWindow(const QRect& stored, const std::vector<QRect>& screens);

// The bands of the tool area.
enum TBandNumber : std::uint8_t { bnLocation = 1, bnToolbar = 2, bnLogo = 3 };

struct TBand {
    TBandNumber number = bnLocation;
    bool startsRow = false;  // a break before the band: it begins a new row
    int width = 0;
    bool operator==(const TBand&) const = default;
};

using TBandLayout = std::array<TBand, 3>;

// The layout of the three values, one per position: top byte the band number, byte 2 the break
// flag, low 16 bits the width. Nothing when no layout is stored (top byte of Bar0 is 0) or the
// numbers are not each band once.
std::optional<TBandLayout> DecodeBars(const std::array<std::int32_t, 3>& bars);
std::array<std::int32_t, 3> EncodeBars(const TBandLayout& layout);

// The folder's name in the file pane's title: its last path component, or the whole path for a
// volume root.
QString FolderTitleName(const QString& folder, bool volumeRoot);

}  // namespace pixmarl
