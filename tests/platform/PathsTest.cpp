#include <gtest/gtest.h>

#include "platform/Paths.h"

namespace pixmarl {
namespace {

TEST(Paths, JoinSplitAndCleanPaths)
{
    const struct {
        QString got;
        const char* expected;
    } cases[] = {
        {JoinPath("/home/ann/Bilder", "a.jpg"), "/home/ann/Bilder/a.jpg"},
        {JoinPath("/", "a.jpg"), "/a.jpg"},
        {JoinPath("/media/usb/", "a.jpg"), "/media/usb/a.jpg"},
        {JoinPath("", "a.jpg"), "a.jpg"},
        {ExtractFileExt("photo.jpeg"), ".jpeg"},
        {ExtractFileExt("archive.tar.gz"), ".gz"},
        {ExtractFileExt("x."), "."},
        {ExtractFileExt("x"), ""},
        {ExtractFileExt("folder.d/file"), ""},
        {ExtractFileExt(".hidden"), ".hidden"},
        {ExtractFileExt("a.b:c"), ""},
        {ExtractFileExt("/home/a.b/c.GIF"), ".GIF"},
        {ExtractFileName("/home/ann/a.jpg"), "a.jpg"},
        {ExtractFileDir("/home/ann/a.jpg"), "/home/ann"},
        {ExtractFileDir("/a.jpg"), "/"},
        {ExtractFileDir("a.jpg"), ""},
        {CleanAbsolutePath("/home/ann/../bob/./pics/"), "/home/bob/pics"},
        {CleanAbsolutePath("/"), "/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, QString(c.expected)) << c.expected;
}

}  // namespace
}  // namespace pixmarl
