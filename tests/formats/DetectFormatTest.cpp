#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "formats/Images.h"
#include "support/BmpBuilder.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

TEST(DetectFormat, ContentDecidesWhateverTheName)
{
    const QByteArray gif("GIF89a\x10\x00\x08\x00\xF7\x00\x00", 13);
    const struct { const char* name; QByteArray bytes; TImageFormat detected; } cases[] = {
        { "photo.gif", test::BuildJpeg({}), ifJPEG },
        { "anim.bmp", gif, ifGIF },
        { "bitmap.jpg", test::BuildBmp({}), ifBMP },
        { "icon.ico",
            QByteArray("\x00\x00\x01\x00\x01\x00\x10\x10\x00\x00\x01\x00\x20\x00", 14)
                + QByteArray(60, '\0'),
            ifUnknown },
        { "clip.avi",
            "RIFF\x10\x00\x00\x00"
            "AVI LIST"
                + QByteArray(60, '\0'),
            ifUnknown },
        // Only bytes 3 to 5 decide a GIF, so a text that holds them there passes.
        { "note.txt", "abc87a and more text", ifGIF },
        { "empty.jpg", "", ifUnknown },
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = test::WriteFile(dir.path(), c.name, c.bytes);
        TUniInfoRec info;
        EXPECT_EQ(DetectFormat(path, info), c.detected) << c.name;
        EXPECT_EQ(info.Valid, c.detected != ifUnknown) << c.name;
    }
}

TEST(DetectFormat, ProbeFillsTheRecordOfTheWinningReader)
{
    QTemporaryDir dir;
    test::JpegParams params;
    params.width = 33;
    params.height = 17;
    params.comment = "probe";
    const QString path = test::WriteFile(dir.path(), "x.gif", test::BuildJpeg(params));
    TUniInfoRec info;
    ASSERT_EQ(DetectFormat(path, info), ifJPEG);
    EXPECT_EQ(info.Width, 33);
    EXPECT_EQ(info.Comment, "probe");
    EXPECT_EQ(TypeText(ifJPEG, info.ColorDepth, info.SubType), "RGB (Baseline)");
    // GetUniInfo uses the reader of the format it is given, whatever the content.
    for (TImageFormat format : { ifJPEG, ifGIF, ifBMP, ifICO, ifUnknown }) {
        TUniInfoRec given;
        EXPECT_EQ(GetUniInfo(path, format, given), format == ifJPEG) << int(format);
    }
}

}  // namespace
}  // namespace pixmarl
