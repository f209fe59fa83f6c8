#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "formats/Images.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

TEST(Images, ExtensionDecidesTheFormat)
{
    const struct { const char* name; TImageFormat format; } cases[] = {
        {"photo.jpeg", ifJPEG}, {"PHOTO.JPE", ifJPEG}, {"x.Jpg", ifJPEG},  {"x.dib", ifBMP},
        {"x.BMP", ifBMP},       {"x.tiff", ifTIFF},    {"x.TIF", ifTIFF},  {"x.gif", ifGIF},
        {"x.ico", ifICO},       {"x.avi", ifAVI},      {"x.jfif", ifUnknown}, {"x.png", ifPNG},
        {"X.WebP", ifWebP},     {"x.webp", ifWebP},    {"x.web", ifUnknown},  {"x.pngx", ifUnknown},
        {"x", ifUnknown},       {"x.", ifUnknown},     {"x.JPEG2", ifUnknown}, {"x.TIFX", ifUnknown},
        {"x.jp", ifUnknown},    {"x.aviator", ifUnknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileNameToFormat(c.name), c.format) << c.name;
        EXPECT_EQ(NativeNameToFormat(c.name), c.format) << c.name;
    }
    EXPECT_EQ(ExtToFormat(QString()), ifUnknown);
    EXPECT_EQ(FileNameToFormat(QString::fromUtf8("b\u00e4r.J\u00d6G")), ifUnknown);
    EXPECT_EQ(NativeNameToFormat("dir.jpg/file"), ifUnknown);
}

TEST(Images, FormatSetIsOneByteWithBitPerOrdinal)
{
    EXPECT_EQ((TImageFormats{ifJPEG, ifGIF, ifBMP}).Byte(), 14);
    EXPECT_EQ(kAllImageFormats.Byte(), 126);
    const TImageFormats onlyJpeg = TImageFormats::FromByte(2);
    EXPECT_TRUE(onlyJpeg.Contains(ifJPEG));
    EXPECT_FALSE(onlyJpeg.Contains(ifGIF));
    // Whatever the byte holds, unknown files are never part of the set.
    const TImageFormats everything = TImageFormats::FromByte(0xFF);
    EXPECT_FALSE(everything.Contains(ifUnknown));
    EXPECT_EQ(everything.Byte(), 126);
    // The byte holds only the first six; the later formats live above it.
    EXPECT_FALSE(everything.Contains(ifPNG));
    EXPECT_TRUE(kAllImageFormats.Contains(ifPNG) && kAllImageFormats.Contains(ifWebP));
    EXPECT_EQ((TImageFormats{ifPNG, ifWebP, ifJPEG}).Bits(), 0x182);
    EXPECT_EQ(TImageFormats::FromBits(0xFFFF), kAllImageFormats);
}

TEST(Images, FormatTableTexts)
{
    EXPECT_EQ(FormatFilter(ifJPEG), "JPEG/JFIF Image File|*.jpg;*.jpe;*.jpeg");
    EXPECT_EQ(FormatFilter(ifUnknown), "Unbekannt|*.*");
    EXPECT_EQ(FormatFilter(ifTIFF), "Tagged Image File|*.tif;*.tiff");
    EXPECT_EQ(FormatFilter(ifWebP), "WebP Image File|*.webp");
}

TEST(Images, TypeTextJoinsDepthAndSubTypeNames)
{
    const struct { TImageFormat format; int depth; int subType; const char* text; } cases[] = {
        {ifJPEG, 11, 1, "RGB (Baseline)"},
        {ifJPEG, 12, 1, "32-Bit colors (Baseline)"},
        {ifJPEG, 9, 3, "Gray (Progressive)"},
        {ifJPEG, -1, 12, "Unknown (Lossless, arithm. coding)"},
        {ifJPEG, 11, 15, "RGB (Diff. progressive, arithm. coding)"},
        {ifGIF, 8, 2, "256 colors (89a)"},
        {ifGIF, 1, 1, "Monochrom (87a)"},
        {ifBMP, 4, 2, "16 colors (RLE)"},
        {ifBMP, 10, 1, "HiColor "},
        {ifTIFF, 13, 2, "CMYK (LZW)"},
        {ifAVI, 0, 0, " "},
        {ifJPEG, 0, 0, " "},
        {ifJPEG, 11, 255, "RGB "},
        {ifBMP, 14, 0, "B/W "},
        {ifTIFF, 1, 8, "Monochrom (CCITT G4)"},
        {ifTIFF, 9, 10, "Gray "},
        {ifPNG, 15, 2, "RGBA (PNG, interlaced)"},
        {ifPNG, 16, 1, "Gray+Alpha (PNG)"},
        {ifWebP, 15, 3, "RGBA (WebP, animated)"},
        {ifWebP, 15, 4, "RGBA "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TypeText(c.format, c.depth, c.subType), QString(c.text)) << c.text;
    EXPECT_EQ(ColorDepthName(17), "");
    EXPECT_EQ(ColorDepthName(-2), "");
}

TEST(Images, FormatsWithoutReaderLeaveTheRecordCleared)
{
    QTemporaryDir dir;
    const QString icon = test::WriteFile(dir.path(), "x.ico", QByteArray("\0\0\1\0\1\0", 6));
    TUniInfoRec info;
    EXPECT_FALSE(GetUniInfo(icon, ifICO, info));
    EXPECT_FALSE(GetUniInfo(icon, ifUnknown, info));
    EXPECT_FALSE(info.Valid);
    EXPECT_EQ(info.SubType, 0);
    EXPECT_EQ(DetectFormat(icon, info), ifUnknown);
}

}  // namespace
}  // namespace pixmarl
