#include "Settings.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "platform/Registry.h"

namespace pixmarl {
namespace {

constexpr int kMinThumbSize = 1;
constexpr int kMaxThumbSize = 5;
constexpr int kBarCount = 3;
// The formats beyond the first six, stored in "ImageFormats.More".
constexpr std::uint32_t kMoreFormatBits = TImageFormats::kValidBits & ~TImageFormats::kByteBits;

QString BarValueName(int position)
{
    return QStringLiteral("Bar") + QString::number(position);
}

// Each reader leaves target alone when the value is missing or of the wrong type.
class TGuardedReader {
public:
    explicit TGuardedReader(const TRegistry& store) : store_(store) {}

    void Int(const char* name, int& target) const
    {
        if (auto value = store_.ReadInteger(QLatin1String(name)))
            target = *value;
    }
    void Bool(const char* name, bool& target) const
    {
        if (auto value = store_.ReadInteger(QLatin1String(name)))
            target = *value != 0;
    }
    void LowByte(const char* name, std::uint8_t& target) const
    {
        if (auto value = store_.ReadInteger(QLatin1String(name)))
            target = static_cast<std::uint8_t>(*value & 0xFF);
    }
    void Word(const char* name, std::uint32_t& target) const
    {
        if (auto value = store_.ReadInteger(QLatin1String(name)))
            target = static_cast<std::uint32_t>(*value);
    }
    void String(const char* name, QString& target) const
    {
        if (auto value = store_.ReadString(QLatin1String(name)))
            target = *value;
    }
    // Both corners or neither.
    void Corners(QPoint& topLeft, QPoint& bottomRight) const
    {
        const auto first = store_.ReadInteger(QStringLiteral("TopLeft"));
        const auto second = store_.ReadInteger(QStringLiteral("BottomRight"));
        if (first && second) {
            topLeft = UnpackPoint(*first);
            bottomRight = UnpackPoint(*second);
        }
    }
    // All three band layouts or none.
    void Bars(std::array<std::int32_t, 3>& bars) const
    {
        std::array<std::int32_t, 3> read{};
        for (int i = 0; i < kBarCount; ++i) {
            const auto value = store_.ReadInteger(BarValueName(i));
            if (!value)
                return;
            read[size_t(i)] = *value;
        }
        bars = read;
    }

private:
    const TRegistry& store_;
};

void ReadMainValues(const TRegistry& store, TSettings& s)
{
    const TGuardedReader read(store);
    read.Int("Thumb.Size", s.ThumbSize);
    read.Bool("ShowFileNames", s.ShowFileNames);
    read.Bool("ShowPreview", s.ShowPreview);
    read.Int("ViewMode", s.ViewMode);
    read.Int("DirViewWidth", s.DirViewWidth);
    read.Bool("Maximized", s.Maximized);
    read.Corners(s.TopLeft, s.BottomRight);
    read.Word("SaveDir", s.SaveDir);
    if (s.SaveStartDir())
        read.String("StartDir", s.StartDir);
    read.Bool("View.StayOnTop", s.ViewStayOnTop);
    read.Int("View.DelayTime", s.ViewDelayTime);
    std::uint8_t formats = s.ImageFormats.Byte();
    read.LowByte("ImageFormats", formats);
    std::uint32_t more = s.ImageFormats.Bits() & kMoreFormatBits;
    read.Word("ImageFormats.More", more);
    s.ImageFormats = TImageFormats::FromBits(formats | (more & kMoreFormatBits));
    read.LowByte("View.Bars", s.ViewBars);
    read.LowByte("View.MaxForms", s.ViewMaxForms);
    read.Bool("RepeatShow", s.RepeatShow);
    read.LowByte("Thumb.Options", s.ThumbOptions);
    read.Int("Thumb.Count", s.ThumbCount);
    read.Bool("Thumb.Share", s.ThumbShare);
    read.Bars(s.Bars);
    read.Bool("SaveFavorites", s.SaveFavorites);
}

// Stops quietly at the first value that cannot be read; what was read before stays.
QStringList ReadFavorites(TRegistry& store)
{
    QStringList favorites;
    if (!store.OpenKey(kFavoritesKey, false))
        return favorites;
    const std::int32_t count = store.ReadInteger(QStringLiteral("Count")).value_or(0);
    for (std::int32_t i = 1; i <= count; ++i) {
        const auto path = store.ReadString(QString::number(i));
        if (!path)
            break;
        favorites.append(*path);
    }
    store.CloseKey();
    return favorites;
}

void WriteMainValues(const TSettings& s, TRegistry& store)
{
    const auto writeInt = [&store](const char* name, std::int32_t value) {
        store.WriteInteger(QLatin1String(name), value);
    };
    writeInt("Thumb.Size", s.ThumbSize);
    writeInt("ShowFileNames", s.ShowFileNames);
    writeInt("ShowPreview", s.ShowPreview);
    writeInt("ViewMode", s.ViewMode);
    writeInt("DirViewWidth", s.DirViewWidth);
    writeInt("Maximized", s.Maximized);
    writeInt("TopLeft", PackPoint(s.TopLeft));
    writeInt("BottomRight", PackPoint(s.BottomRight));
    writeInt("SaveDir", static_cast<std::int32_t>(s.SaveDir));
    if (s.SaveStartDir())
        store.WriteString(QStringLiteral("StartDir"), s.StartDir);
    else
        store.DeleteValue(QStringLiteral("StartDir"));
    writeInt("View.StayOnTop", s.ViewStayOnTop);
    writeInt("View.DelayTime", s.ViewDelayTime);
    writeInt("RepeatShow", s.RepeatShow);
    writeInt("ImageFormats", s.ImageFormats.Byte());
    writeInt("ImageFormats.More", s.ImageFormats.Bits() & kMoreFormatBits);
    writeInt("View.Bars", s.ViewBars);
    writeInt("View.MaxForms", s.ViewMaxForms);
    writeInt("Thumb.Options", s.ThumbOptions);
    writeInt("Thumb.Count", s.ThumbCount);
    writeInt("Thumb.Share", s.ThumbShare);
    for (int i = 0; i < kBarCount; ++i)
        store.WriteInteger(BarValueName(i), s.Bars[size_t(i)]);
    writeInt("SaveFavorites", s.SaveFavorites);
}

// Numbered values above the new count stay in the store; "Count" makes readers ignore them.
void WriteFavorites(const QStringList& favorites, TRegistry& store)
{
    if (!store.OpenKey(kFavoritesKey, true))
        return;
    store.WriteInteger(QStringLiteral("Count"), std::int32_t(favorites.size()));
    for (qsizetype i = 0; i < favorites.size(); ++i)
        store.WriteString(QString::number(i + 1), favorites[i]);
    store.CloseKey();
}

std::int16_t ClampToInt16(int value)
{
    return static_cast<std::int16_t>(std::clamp<int>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

void TSettings::UpdateThumbGray(bool highColor)
{
    ThumbGray = (ThumbOptions & toGrayScale) != 0 || !highColor;
}

void TSettings::SetSaveDirByte(int byte, bool on)
{
    const std::uint32_t mask = 0xFFu << (8 * byte);
    SaveDir = (SaveDir & ~mask) | (on ? 1u << (8 * byte) : 0u);
}

std::int32_t PackPoint(QPoint point)
{
    const auto x = static_cast<std::uint16_t>(ClampToInt16(point.x()));
    const auto y = static_cast<std::uint16_t>(ClampToInt16(point.y()));
    return static_cast<std::int32_t>(std::uint32_t(x) | (std::uint32_t(y) << 16));
}

QPoint UnpackPoint(std::int32_t packed)
{
    const auto bits = static_cast<std::uint32_t>(packed);
    return {static_cast<std::int16_t>(bits & 0xFFFF), static_cast<std::int16_t>(bits >> 16)};
}

TSettings LoadSettings(TRegistry& store, bool highColor)
{
    TSettings settings;
    if (store.OpenKey(kSettingsKey, true)) {
        ReadMainValues(store, settings);
        store.CloseKey();
    }
    settings.ThumbSize = std::clamp(settings.ThumbSize, kMinThumbSize, kMaxThumbSize);
    settings.UpdateThumbGray(highColor);
    if (settings.SaveFavorites)
        settings.Favorites = ReadFavorites(store);
    return settings;
}

bool SaveSettings(const TSettings& settings, TRegistry& store)
{
    if (store.OpenKey(kSettingsKey, true)) {
        WriteMainValues(settings, store);
        store.CloseKey();
    }
    if (settings.SaveFavorites)
        WriteFavorites(settings.Favorites, store);
    else
        store.DeleteKey(kFavoritesKey);
    if (store.Save())
        return true;
    std::fprintf(stderr,
                 "pixmarl: the settings could not be saved to %s (%s); the previous "
                 "settings file is kept\n",
                 qPrintable(store.FileName()), qPrintable(store.ErrorString()));
    return false;
}

}  // namespace pixmarl
