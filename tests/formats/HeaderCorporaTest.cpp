#include <gtest/gtest.h>

#include <QDirIterator>
#include <QElapsedTimer>
#include <QRegularExpression>

#include "formats/Images.h"
#include "formats/JPEGCodec.h"
#include "formats/RdJPGH.h"
#include "formats/ReadBmpH.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

QStringList FilesIn(const QString& sub, const QStringList& patterns)
{
    const QString root = test::CorporaDir();
    if (root.isEmpty())
        return {};
    QStringList files;
    QDirIterator it(root + "/" + sub, patterns, QDir::Files);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

// Every file's header agrees with the library, and every file decodes at every scale.
TEST(JpegCorpus, HeaderAgreesWithTheLibraryAndEveryScaleDecodes)
{
    const QStringList files =
        FilesIn("photos", {"*.jpg"}) + FilesIn("libjpeg-turbo-testimages", {"*.jpg"});
    if (files.isEmpty())
        GTEST_SKIP() << "corpora missing";
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        TUniInfoRec info;
        ASSERT_TRUE(JPEGUniInfo(file, info));
        TInfoRec header;
        ASSERT_TRUE(ReadJPEGHeader(file, kReadJpegFrame, header));
        const TJpegDecodeResult frame = ReadJpegFrame(test::ReadWholeFile(file));
        // The library is built for 8-bit samples and says so.
        const bool eightBit = header.DataPrecision == 8;
        if (eightBit) {
            EXPECT_EQ(QSize(info.Width, info.Height), frame.FullSize);
            EXPECT_EQ(header.Components, frame.Components);
        } else {
            EXPECT_FALSE(frame.Error.isEmpty());
        }
        for (int denom : { 1, 2, 4, 8 }) {
            TJpegDecodeOptions options;
            options.ScaleDenom = denom;
            options.DctMethod = dmIfast;
            const TJpegDecodeResult r = DecodeJpegFile(file, options);
            ASSERT_EQ(r.Ok(), eightBit) << denom << " " << r.Error.toStdString();
            EXPECT_TRUE(!eightBit || r.Image.size() == JpegScaledSize(r.FullSize, denom)) << denom;
        }
    }
}

// bmpsuite names promise the bit count, run-length encoding and row order.
TEST(BmpCorpus, HeadersGiveWhatTheNamesPromise)
{
    const QStringList files
        = FilesIn("bmpsuite-2.8/g", { "*.bmp" }) + FilesIn("bmpsuite-2.8/q", { "*.bmp" });
    if (files.isEmpty())
        GTEST_SKIP() << "corpora missing";
    const QRegularExpression bits("^(?:pal|rgba?)(\\d+)");
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        SCOPED_TRACE(name.toStdString());
        BITMAPINFOHEADER header;
        ASSERT_TRUE(ReadBmpHeader(file, header));
        if (header.biSize == 12)
            continue;  // the old 12-byte header is read as if it were the 40-byte one
        TUniInfoRec info;
        ASSERT_TRUE(BmpUniInfo(file, info));
        const QRegularExpressionMatch match = bits.match(name);
        ASSERT_TRUE(match.hasMatch());
        if (!name.contains("jpeg") && !name.contains("png")) {
            EXPECT_EQ(header.biBitCount, match.captured(1).toInt());
        }
        EXPECT_EQ(info.SubType == 2, name.startsWith("pal") && name.contains("rle"));
        EXPECT_EQ(header.biHeight < 0, name.contains("topdown"));
        EXPECT_GT(info.Height, 0);
        EXPECT_GE(info.Width, 124);
    }
}

TEST(BmpCorpus, BadFilesNeverCrashOrHang)
{
    const QStringList files = FilesIn("bmpsuite-2.8/b", { "*" });
    if (files.isEmpty())
        GTEST_SKIP() << "corpora missing";
    QElapsedTimer timer;
    timer.start();
    int valid = 0;
    for (const QString& file : files) {
        TUniInfoRec info;
        valid += BmpUniInfo(file, info) ? 1 : 0;
        EXPECT_EQ(info.Valid, info.SubType != 255) << file.toStdString();
    }
    EXPECT_GT(valid, 0);
    EXPECT_LT(timer.elapsed(), 2000);
}

}  // namespace
}  // namespace pixmarl
