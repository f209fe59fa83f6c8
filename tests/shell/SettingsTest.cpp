#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <QDir>
#include <QTemporaryDir>

#include "platform/Registry.h"
#include "shell/Settings.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

// Every stored value different from its default.
TSettings NonDefaultSettings()
{
    TSettings s;
    s.ThumbSize = 4;
    s.ShowFileNames = false;
    s.ShowPreview = false;
    s.ViewMode = 1;
    s.DirViewWidth = 230;
    s.Maximized = true;
    s.TopLeft = {-8, -30};
    s.BottomRight = {1900, 1060};
    s.SaveDir = 0xAB000001;  // save the start folder, a fixed one; bytes 2 and 3 arbitrary
    s.StartDir = QStringLiteral("/home/ann/Bilder");
    s.ViewStayOnTop = false;
    s.ViewDelayTime = 9;
    s.ImageFormats = TImageFormats{ifJPEG, ifTIFF};
    s.ViewBars = vbToolArea | vbDescriptionBars;
    s.ViewMaxForms = 7;
    s.RepeatShow = false;
    s.ThumbOptions = toSpeedy | toGrayScale;
    s.ThumbCount = 300;
    s.ThumbShare = false;
    s.Bars = {0x01000120, 0x02010200, 0x03000040};
    s.SaveFavorites = true;
    s.Favorites = {QStringLiteral("/home/ann"), QStringLiteral("/media/usb/Fotos")};
    s.ThumbGray = true;
    return s;
}

class SettingsTest : public testing::Test {
protected:
    QString StorePath() const { return dir_.filePath(QStringLiteral("pixmarl.reg")); }

    TSettings Load(bool highColor = true) const
    {
        TRegistry store(StorePath());
        return LoadSettings(store, highColor);
    }
    void Save(const TSettings& s) const
    {
        TRegistry store(StorePath());
        ASSERT_TRUE(SaveSettings(s, store));
    }
    // Changes the stored settings key directly, as another program or an older version might.
    void Edit(const std::function<void(TRegistry&)>& change, const QString& key = kSettingsKey)
    {
        TRegistry store(StorePath());
        ASSERT_TRUE(store.OpenKey(key, true));
        change(store);
        ASSERT_TRUE(store.Save());
    }

    QTemporaryDir dir_;
};

TEST_F(SettingsTest, FreshUserGetsTheDefaultsWrittenInTheSaveOrder)
{
    Save(Load());
    EXPECT_EQ(test::ReadWholeFile(StorePath()),
              QByteArray("REGEDIT4\n\n"
                         "[HKEY_CURRENT_USER\\Software]\n\n"
                         "[HKEY_CURRENT_USER\\Software\\Pixmarl]\n"
                         "\"Thumb.Size\"=dword:00000002\n"
                         "\"ShowFileNames\"=dword:00000001\n"
                         "\"ShowPreview\"=dword:00000001\n"
                         "\"ViewMode\"=dword:00000002\n"
                         "\"DirViewWidth\"=dword:00000000\n"
                         "\"Maximized\"=dword:00000000\n"
                         "\"TopLeft\"=dword:00100010\n"
                         "\"BottomRight\"=dword:01b30280\n"
                         "\"SaveDir\"=dword:00000100\n"
                         "\"View.StayOnTop\"=dword:00000001\n"
                         "\"View.DelayTime\"=dword:00000005\n"
                         "\"RepeatShow\"=dword:00000001\n"
                         "\"ImageFormats\"=dword:0000007e\n"
                         "\"ImageFormats.More\"=dword:00000180\n"
                         "\"View.Bars\"=dword:00000005\n"
                         "\"View.MaxForms\"=dword:00000002\n"
                         "\"Thumb.Options\"=dword:00000002\n"
                         "\"Thumb.Count\"=dword:0000004b\n"
                         "\"Thumb.Share\"=dword:00000001\n"
                         "\"Bar0\"=dword:00000000\n"
                         "\"Bar1\"=dword:00000000\n"
                         "\"Bar2\"=dword:00000000\n"
                         "\"SaveFavorites\"=dword:00000000\n"));
}

TEST_F(SettingsTest, ThumbSizeIsClampedToOneToFive)
{
    const struct {
        std::int32_t stored;
        int loaded;
    } cases[] = {{9, 5}, {5, 5}, {3, 3}, {1, 1}, {0, 1}, {-4, 1}, {INT32_MIN, 1}};
    for (const auto& c : cases) {
        Edit([&](TRegistry& r) { r.WriteInteger(QStringLiteral("Thumb.Size"), c.stored); });
        EXPECT_EQ(Load().ThumbSize, c.loaded) << c.stored;
    }
}

TEST_F(SettingsTest, CornersBeyondSixteenBitsAreClampedNotWrapped)
{
    EXPECT_EQ(UnpackPoint(PackPoint({40000, -40000})), QPoint(32767, -32768));
    EXPECT_EQ(std::uint32_t(PackPoint({-1, 2})), 0x0002FFFFu);
}

// Sets the given fields back to their defaults.
template <class... Members>
std::function<void(TSettings&)> Reset(Members... members)
{
    return [=](TSettings& s) {
        const TSettings defaults;
        ((s.*members = defaults.*members), ...);
    };
}

TEST_F(SettingsTest, ValueOfTheWrongTypeTakesItsDefaultAndLeavesTheOthers)
{
    using S = TSettings;
    const struct {
        const char* name;
        std::function<void(TSettings&)> reset;
    } cases[] = {
        {"Thumb.Size", Reset(&S::ThumbSize)},
        {"ShowFileNames", Reset(&S::ShowFileNames)},
        {"ShowPreview", Reset(&S::ShowPreview)},
        {"ViewMode", Reset(&S::ViewMode)},
        {"DirViewWidth", Reset(&S::DirViewWidth)},
        {"Maximized", Reset(&S::Maximized)},
        {"TopLeft", Reset(&S::TopLeft, &S::BottomRight)},
        {"BottomRight", Reset(&S::TopLeft, &S::BottomRight)},
        {"SaveDir", Reset(&S::SaveDir, &S::StartDir)},
        {"StartDir", Reset(&S::StartDir)},
        {"View.StayOnTop", Reset(&S::ViewStayOnTop)},
        {"View.DelayTime", Reset(&S::ViewDelayTime)},
        {"ImageFormats",
         [](TSettings& s) {
             s.ImageFormats = TImageFormats::FromBits(s.ImageFormats.Bits() | 0x7E);
         }},
        {"ImageFormats.More",
         [](TSettings& s) {
             s.ImageFormats = TImageFormats::FromBits(s.ImageFormats.Bits() | 0x180);
         }},
        {"View.Bars", Reset(&S::ViewBars)},
        {"View.MaxForms", Reset(&S::ViewMaxForms)},
        {"RepeatShow", Reset(&S::RepeatShow)},
        {"Thumb.Options", Reset(&S::ThumbOptions, &S::ThumbGray)},
        {"Thumb.Count", Reset(&S::ThumbCount)},
        {"Bar0", Reset(&S::Bars)},
        {"Bar2", Reset(&S::Bars)},
        {"SaveFavorites", Reset(&S::SaveFavorites, &S::Favorites)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Save(NonDefaultSettings());
        Edit([&](TRegistry& r) {
            if (QLatin1String(c.name) == QLatin1String("StartDir"))
                r.WriteInteger(QLatin1String(c.name), 1);
            else
                r.WriteString(QLatin1String(c.name), QStringLiteral("1"));
        });
        TSettings expected = NonDefaultSettings();
        c.reset(expected);
        EXPECT_EQ(Load(), expected);
    }
}

TEST_F(SettingsTest, ByteValuesUseTheLowByteAndSaveDirKeepsItsHighBytes)
{
    Edit([](TRegistry& r) {
        r.WriteInteger(QStringLiteral("ImageFormats"), 0x1FF);
        r.WriteInteger(QStringLiteral("View.Bars"), 0x302);
        r.WriteInteger(QStringLiteral("View.MaxForms"), 0x4005);
        r.WriteInteger(QStringLiteral("Thumb.Options"), 0x0F);
        r.WriteInteger(QStringLiteral("SaveDir"), std::int32_t(0x12340000));
        r.WriteString(QStringLiteral("StartDir"), QStringLiteral("/ignored"));
    });
    TSettings s = Load(true);
    EXPECT_EQ(s.ImageFormats.Byte(), 0x7E);
    EXPECT_EQ(s.ViewBars, 0x02);
    EXPECT_EQ(s.ViewMaxForms, 5);
    EXPECT_EQ(s.ThumbOptions, 0x0F);
    EXPECT_TRUE(s.ThumbGray);
    EXPECT_FALSE(s.SaveStartDir());
    EXPECT_FALSE(s.StartWithLastDir());
    EXPECT_EQ(s.StartDir, QString()) << "read only when the start folder is saved";

    s.SetSaveStartDir(true);
    s.SetStartWithLastDir(true);
    EXPECT_EQ(s.SaveDir, 0x12340101u);
}

// A store written before PNG and WebP existed lists them; once stored, their choice stays.
TEST_F(SettingsTest, LaterFormatsAreOnForOldStoresAndKeptApartFromTheFormatByte)
{
    Edit([](TRegistry& r) { r.WriteInteger(QStringLiteral("ImageFormats"), 2); });
    EXPECT_EQ(Load().ImageFormats, (TImageFormats{ifJPEG, ifPNG, ifWebP}));
    TSettings s;
    s.ImageFormats = TImageFormats{ifGIF, ifWebP};
    Save(s);
    TRegistry store(StorePath());
    ASSERT_TRUE(store.OpenKey(kSettingsKey, false));
    EXPECT_EQ(store.ReadInteger(QStringLiteral("ImageFormats")), 4);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("ImageFormats.More")), 0x100);
    EXPECT_EQ(Load().ImageFormats, s.ImageFormats);
}

TEST_F(SettingsTest, ThumbGrayFollowsTheOptionAndTheScreenDepth)
{
    const struct {
        std::uint8_t options;
        bool highColor;
        bool gray;
    } cases[] = {
        {toNoSizeSmall, true, false},
        {toGrayScale, true, true},
        {toNoSizeSmall, false, true},
        {toSpeedy | toGrayScale, false, true},
    };
    for (const auto& c : cases) {
        Edit([&](TRegistry& r) { r.WriteInteger(QStringLiteral("Thumb.Options"), c.options); });
        EXPECT_EQ(Load(c.highColor).ThumbGray, c.gray) << int(c.options) << " " << c.highColor;
    }
}

TEST_F(SettingsTest, ClearedFlagsDropTheStartFolderAndTheFavorites)
{
    Save(NonDefaultSettings());
    Edit([](TRegistry& r) { r.WriteInteger(QStringLiteral("SaveFavorites"), 0); });
    EXPECT_TRUE(Load().Favorites.isEmpty());

    TSettings s = NonDefaultSettings();
    s.SetSaveStartDir(false);
    s.SaveFavorites = false;
    Save(s);
    TRegistry store(StorePath());
    EXPECT_FALSE(store.KeyExists(kFavoritesKey));
    ASSERT_TRUE(store.OpenKey(kSettingsKey, false));
    EXPECT_FALSE(store.ValueExists(QStringLiteral("StartDir")));
}

TEST_F(SettingsTest, ShorterListLeavesOldEntriesInTheFileButIgnoresThem)
{
    TSettings s = NonDefaultSettings();
    s.Favorites = {QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/c")};
    Save(s);
    s.Favorites = {QStringLiteral("/z")};
    Save(s);
    EXPECT_EQ(Load().Favorites, QStringList{QStringLiteral("/z")});
    TRegistry store(StorePath());
    ASSERT_TRUE(store.OpenKey(kFavoritesKey, false));
    EXPECT_EQ(store.ReadString(QStringLiteral("3")), QStringLiteral("/c"));
}

TEST_F(SettingsTest, FavoritesStopQuietlyAtTheFirstUnreadableEntry)
{
    const struct {
        std::function<void(TRegistry&)> change;
        QStringList expected;
    } cases[] = {
        {[](TRegistry& r) { r.WriteInteger(QStringLiteral("Count"), 4); },
         {QStringLiteral("/home/ann"), QStringLiteral("/media/usb/Fotos")}},
        {[](TRegistry& r) { r.WriteInteger(QStringLiteral("2"), 5); },
         {QStringLiteral("/home/ann")}},
        {[](TRegistry& r) { r.DeleteValue(QStringLiteral("1")); }, {}},
        {[](TRegistry& r) { r.WriteString(QStringLiteral("Count"), QStringLiteral("2")); }, {}},
        {[](TRegistry& r) { r.WriteInteger(QStringLiteral("Count"), -1); }, {}},
    };
    for (const auto& c : cases) {
        Save(NonDefaultSettings());
        Edit(c.change, kFavoritesKey);
        EXPECT_EQ(Load().Favorites, c.expected);
    }
}

TEST_F(SettingsTest, UnwritableStoreIsReportedOnceAndLeftAlone)
{
    // The store's file name names a folder with something in it, so it cannot be replaced.
    test::WriteFile(StorePath(), QStringLiteral("inside"), "x");
    TRegistry store(StorePath());

    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveSettings(NonDefaultSettings(), store));
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << report;
    EXPECT_NE(report.find("pixmarl.reg"), std::string::npos) << report;

    EXPECT_EQ(test::ReadWholeFile(StorePath() + QStringLiteral("/inside")), QByteArray("x"));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList()) << "no temporary file";
}

}  // namespace
}  // namespace pixmarl
