#include <gtest/gtest.h>

#include "platform/Paths.h"

namespace pixmarl {
namespace {

TEST(Paths, JoinPathAddsOneSeparator)
{
    const struct {
        const char* folder;
        const char* name;
        const char* expected;
    } cases[] = {
        {"/home/ann/Bilder", "a.jpg", "/home/ann/Bilder/a.jpg"},
        {"/", "a.jpg", "/a.jpg"},
        {"/media/usb/", "a.jpg", "/media/usb/a.jpg"},
        {"", "a.jpg", "a.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoinPath(c.folder, c.name), QString(c.expected)) << c.folder << " + " << c.name;
}

TEST(Paths, ExtensionIsTextFromLastDotBeforeAnySeparator)
{
    const struct {
        const char* name;
        const char* ext;
    } cases[] = {
        {"photo.jpeg", ".jpeg"},
        {"archive.tar.gz", ".gz"},
        {"x.", "."},
        {"x", ""},
        {"folder.d/file", ""},
        {".hidden", ".hidden"},
        {"a.b:c", ""},
        {"/home/a.b/c.GIF", ".GIF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractFileExt(c.name), QString(c.ext)) << c.name;
}

TEST(Paths, FileNameAndFolderOfAPath)
{
    EXPECT_EQ(ExtractFileName("/home/ann/a.jpg"), "a.jpg");
    EXPECT_EQ(ExtractFileDir("/home/ann/a.jpg"), "/home/ann");
    EXPECT_EQ(ExtractFileDir("/a.jpg"), "/");
    EXPECT_EQ(ExtractFileDir("a.jpg"), "");
}

TEST(Paths, CleanAbsolutePathResolvesDotsWithoutTrailingSlash)
{
    EXPECT_EQ(CleanAbsolutePath("/home/ann/../bob/./pics/"), "/home/bob/pics");
    EXPECT_EQ(CleanAbsolutePath("/"), "/");
}

}  // namespace
}  // namespace pixmarl
