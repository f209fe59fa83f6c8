#include <gtest/gtest.h>

#include "formats/Images.h"

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

TEST(Images, TypeTextJoinsDepthAndSubTypeNames)
{
    const struct { TImageFormat format; int depth; int subType; const char* text;
    } cases[] = {
        {ifJPEG, 11, 1, "RGB (Baseline)"},
        {ifJPEG, 12, 1, "32-Bit colors (Baseline)"},
        {ifJPEG, 9, 3, "Gray (Progressive)"},
        {ifJPEG, -1, 12, "Unknown (Lossless, arithm. coding)"},
        {ifJPEG, 11, 15, "RGB (Diff. progressive, arithm. coding)"},
        {ifTIFF, 13, 2, "CMYK (LZW)"},
        {ifAVI, 0, 0, " "},
        {ifJPEG, 0, 0, " "},
        {ifJPEG, 11, 255, "RGB "},
        {ifBMP, 14, 0, "B/W "},
        {ifTIFF, 9, 10, "Gray "},
        {ifPNG, 15, 2, "RGBA (PNG, interlaced)"},
        {ifWebP, 15, 4, "RGBA "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TypeText(c.format, c.depth, c.subType), QString(c.text)) << c.text;
    EXPECT_EQ(ColorDepthName(17), "");
    EXPECT_EQ(ColorDepthName(-2), "");
}

}  // namespace
}  // namespace pixmarl
