#pragma once

// The program's persistent settings: one value object, read from the settings store once before
// any window exists and written back once when the main window closes. Every value is read on
// its own; a value that is missing or of the wrong type takes its default without affecting the
// others. Saving never throws: a store that cannot be written is reported once on standard error
// and the old file is kept. GUI thread only.

#include <array>
#include <cstdint>

#include <QPoint>
#include <QString>
#include <QStringList>

#include "formats/Images.h"

namespace pixmarl {

class TRegistry;

inline const QString kSettingsKey = QStringLiteral("Software\\Pixmarl");
inline const QString kFavoritesKey = QStringLiteral("Software\\Pixmarl\\Favorites");

// Bits of "View.Bars".
enum TViewBar : std::uint8_t { vbToolArea = 0x01, vbDescriptionBars = 0x02, vbStatusBar = 0x04 };

// Bits of "Thumb.Options".
enum TThumbOption : std::uint8_t { toSpeedy = 0x01, toNoSizeSmall = 0x02, toGrayScale = 0x04 };

struct TSettings {
    int ThumbSize = 2;  // 1..5
    bool ShowFileNames = true;
    bool ShowPreview = true;
    int ViewMode = 2;  // 0 list, 1 report, 2 thumbnails
    int DirViewWidth = 0;
    bool Maximized = false;
    QPoint TopLeft{16, 16};
    QPoint BottomRight{640, 435};
    // Byte 0: save the start folder; byte 1: start with the last folder (else the fixed one);
    // bytes 2 and 3 are kept as read.
    std::uint32_t SaveDir = 0x0100;
    QString StartDir;
    bool ViewStayOnTop = true;
    int ViewDelayTime = 5;  // seconds
    // "ImageFormats" keeps bits 1 to 6 (JPEG .. TIFF) as it always did; "ImageFormats.More" holds
    // the formats added later at their own bit numbers (bit 7 PNG, bit 8 WebP). A store without
    // "ImageFormats.More" (one written before those formats existed) lists them.
    TImageFormats ImageFormats = kAllImageFormats;
    std::uint8_t ViewBars = vbToolArea | vbStatusBar;
    // 1: one viewer window only; n >= 2: up to n more beside the first.
    std::uint8_t ViewMaxForms = 2;
    bool RepeatShow = true;
    std::uint8_t ThumbOptions = toNoSizeSmall;
    int ThumbCount = 75;
    // "Thumb.Share": thumbnails come from and go to the cache shared with other programs.
    bool ThumbShare = true;
    // Tool area band layout per position: low 16 bits width, byte 2 break, byte 3 band number.
    std::array<std::int32_t, 3> Bars{};
    bool SaveFavorites = false;
    QStringList Favorites;

    // Not stored: decode JPEG thumbnails in grey (see UpdateThumbGray).
    bool ThumbGray = false;

    bool SaveStartDir() const { return (SaveDir & 0xFF) != 0; }
    bool StartWithLastDir() const { return ((SaveDir >> 8) & 0xFF) != 0; }
    void SetSaveStartDir(bool on) { SetSaveDirByte(0, on); }
    void SetStartWithLastDir(bool on) { SetSaveDirByte(1, on); }

    // Grey thumbnails when the user asked for them or the screen has fewer than 15 bits.
    void UpdateThumbGray(bool highColor);

    bool operator==(const TSettings&) const = default;

private:
    void SetSaveDirByte(int byte, bool on);
};

// Reads every setting from the store (creating the settings key when missing) and the
// favourites when "SaveFavorites" is set.
TSettings LoadSettings(TRegistry& store, bool highColor);

// Writes every setting and the favourites into the store and saves it. Returns false when the
// store could not be written; that is reported on standard error and the old file stays.
bool SaveSettings(const TSettings& settings, TRegistry& store);

// The "TopLeft"/"BottomRight" packing: x in the low, y in the high 16 bits, both signed.
// Coordinates beyond the 16-bit range are clamped rather than wrapped.
std::int32_t PackPoint(QPoint point);
QPoint UnpackPoint(std::int32_t packed);

}  // namespace pixmarl
