#include <gtest/gtest.h>

#include <QStringList>

#include "shell/FldLocPaths.h"
#include "shell/MainStates.h"

namespace pixmarl {
namespace {

TEST(PlaceStoredWindow, StaysOnTheScreenItMostlyCovers)
{
    const std::vector<QRect> screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const struct {
        QRect stored, expected;
    } cases[] = {
        {{16, 16, 624, 419}, {16, 16, 624, 419}},
        {{2000, 100, 800, 600}, {2000, 100, 800, 600}},    // on the second screen
        {{1800, 100, 1400, 1100}, {1920, 0, 1280, 1024}},  // too large for the one it covers most
        {{-4000, 9000, 624, 419}, {0, 0, 624, 419}},       // on no screen: the primary's corner
        {{10, 10, 2500, 900}, {0, 0, 1920, 1080}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceStoredWindow(c.stored, screens), c.expected) << c.stored.x();
}

TEST(Bars, LayoutRoundTripsAndDamagedValuesAreIgnored)
{
    const TBandLayout layout = {
        {{bnToolbar, false, 400}, {bnLogo, false, 38}, {bnLocation, true, 152}}};
    const auto bars = EncodeBars(layout);
    EXPECT_EQ(bars[0], 0x02000190);
    EXPECT_EQ(bars[2], 0x01010098);
    EXPECT_EQ(DecodeBars(bars), layout);
    EXPECT_FALSE(DecodeBars({0, 0, 0}));                             // nothing stored
    EXPECT_FALSE(DecodeBars({0x01000010, 0x01000010, 0x03000010}));  // a band twice
    EXPECT_FALSE(DecodeBars({0x01000010, 0x02000010, 0x07000010}));  // no such band
}

TEST(LocationItems, PathComponentsFollowTheVolumeThatHoldsTheFolder)
{
    const std::vector<TLocVolume> volumes = {{"/", "File System (/)", 3}, {"/media/usb", "USB", 2}};
    const struct {
        QString folder;
        QStringList texts;
        int pathStart, current;
    } cases[] = {
        {"/home/ann", {"File System (/)", "home", "ann", "USB"}, 1, 2},
        {"/media/usb/p", {"File System (/)", "USB", "p"}, 2, 2},
        {"/media/usb", {"File System (/)", "USB"}, -1, 1},
        {"/media/usbx", {"File System (/)", "media", "usbx", "USB"}, 1, 2},
    };
    for (const auto& c : cases) {
        const TLocItems items = BuildLocationItems(volumes, c.folder);
        QStringList texts;
        for (const TLocItem& item : items.items)
            texts << item.text;
        EXPECT_EQ(texts, c.texts) << c.folder.toStdString();
        EXPECT_EQ(items.pathStart, c.pathStart);
        EXPECT_EQ(items.current, c.current);
        EXPECT_EQ(items.items[size_t(items.current)].path, c.folder);
    }
}

TEST(LocationItems, TypedTextNamesAFullPath)
{
    const struct {
        const char* typed;
        const char* target;
    } cases[] = {
        {"/x/../y/", "/y"}, {"../b", "/r/b"},       {"sub/./s", "/r/a/sub/s"},
        {"~", "/home/ann"}, {"~/p", "/home/ann/p"}, {"~p", "/r/a/~p"},
        {"  ", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TypedPathTarget(c.typed, "/r/a", "/home/ann"), c.target) << c.typed;
}

}  // namespace
}  // namespace pixmarl
