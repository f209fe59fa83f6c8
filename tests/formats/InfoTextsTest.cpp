#include <gtest/gtest.h>

#include <QDirIterator>
#include <QTemporaryDir>

#include "formats/InfoReads.h"
#include "formats/RdJPGH.h"
#include "platform/FileAttributes.h"
#include "platform/Paths.h"
#include "support/AviBuilder.h"
#include "support/BmpBuilder.h"
#include "support/GifBuilder.h"
#include "support/JpegBuilder.h"
#include "support/TestFiles.h"
#include "support/TiffBuilder.h"

namespace pixmarl {
namespace {

QByteArray Gif256()
{
    test::GifParams spec;
    spec.globalColors.resize(256);
    return test::BuildGif(spec);
}

TEST(InfoTexts, CompressionRatiosAndSizesInTheLocalesDigits)
{
    TInfoRec info;
    info.Width = 640;
    info.Height = 480;
    info.Components = 3;
    info.DataPrecision = 8;
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(JpegCompressionText(46080, info, true, us), "5.00% of the original size");
    EXPECT_EQ(JpegCompressionText(46080, info, false, us), "15.00% of the original size");
    info.DataPrecision = 12;
    EXPECT_EQ(JpegCompressionText(46080, info, true, us), "3.33% of the original size");
    info.DataPrecision = 0;  // no precision: the colour data alone
    EXPECT_EQ(JpegCompressionText(4608000, info, true, QLocale(QLocale::German)),
              "500,00% of the original size");
    info.Width = 0;
    EXPECT_EQ(JpegCompressionText(46080, info, true, us), "---");

    EXPECT_EQ(FileSizeText(12345, us), "12,345  (12.1 KB)");
    EXPECT_EQ(FileSizeText(12345, QLocale(QLocale::German)), "12.345  (12,1 KB)");
    EXPECT_EQ(FileTypeText("", ".Tiff"), "Tagged Image File");
    EXPECT_EQ(FileTypeText("", ".xyz"), ".xyz");
}

// Each format's report on a built file: its row count and the rows whose values the builder fixes.
TEST(InfoReads, HeaderReportOfEachFormat)
{
    test::JpegParams jpeg;
    jpeg.components = 1;
    test::BmpParams bmp;
    bmp.height = 480;
    bmp.topDown = true;
    bmp.bitCount = 4;
    test::TiffParams tiff;
    tiff.lzw = true;
    tiff.predictor = 2;
    tiff.bigEndian = true;
    tiff.documentName = "page";
    tiff.iccProfile = true;
    const struct {
        const char* name;
        QByteArray bytes;
        size_t rows;
        std::vector<TPropRow> expected;
    } cases[] = {
        {"a.jpg",
         test::BuildJpeg(jpeg),
         8,
         {{"Color Components", "1 (Grayscale)"}, {"Process", "Baseline"}, {"Error", "---"}}},
        {"a.gif", Gif256(), 5, {{"Bits per Pixel", "8"}, {"Version", "89a"}}},
        {"a.bmp",
         test::BuildBmp(bmp),
         6,
         {{"Image Height", "-480"}, {"Compression", "none"}, {"Colors", "16 colors or grayscale"}}},
        {"a.avi",
         test::BuildAvi(test::MakeAviParams(test::AviCodec::Rgb24, 320, 240, 3)),
         8,
         {{"Image Width", "320"}, {"Samples per sec.", "15"}, {"Duration", "0.2 sec."}}},
        {"a.tif",
         test::BuildTiff(tiff),
         9,
         {{"Compression", "LZW (differenced)"},
          {"Type", "RGB True Color"},
          {"System", "Motorola/Macintosh"},
          {"ICC-Profil", "yes"},
          {"Document Name", "page"},
          {"Planar Configuration", "chunky format (1)"},
          {"", ""}}},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = test::WriteFile(dir.path(), c.name, c.bytes);
        const THeaderReport report = ReadHeaderReport(path, FileNameToFormat(path), c.bytes.size());
        EXPECT_TRUE(report.HasPage && report.Ok);
        ASSERT_EQ(report.Rows.size(), c.rows);
        for (const TPropRow& row : c.expected)
            EXPECT_NE(std::find(report.Rows.begin(), report.Rows.end(), row), report.Rows.end())
                << row.Property.toStdString() << " = " << row.Value.toStdString();
        EXPECT_EQ(report.HasComment, c.name == std::string("a.jpg"));
    }
    const QString damaged = test::WriteFile(dir.path(), "d.jpg", test::BuildJpeg({}).left(30));
    EXPECT_FALSE(ReadHeaderReport(damaged, ifJPEG, 30).Ok);
    EXPECT_FALSE(ReadHeaderReport(damaged, ifICO, 30).HasPage);
}

TEST(InfoReads, CheckTypeReportsWhatTheContentIs)
{
    const struct {
        const char* name;
        QByteArray bytes;
        QStringList lines;
        QString type;
    } cases[] = {
        {"PICTURE.JPG",
         Gif256(),
         {"The file header says that this file is a", "Compuserve GIF File", "",
          "The file should be renamed to:", "PICTURE.GIF"},
         "256 colors (89a)"},
        {"noext",
         test::BuildBmp({}),
         {"The file header says that this file is a", "Windows Bitmap File", "",
          "The file should be renamed to:", "noext.BMP"},
         "RGB "},
        {"page.jpg", QByteArray(150, ' ') + "<html><body>", {"page.jpg is a HTML file."}, {}},
        {"short.jpg",
         QByteArray(150, 'x'),
         {"The file has less than 200 Bytes and", "and is probably not complete."},
         {}},
        {"long.jpg",
         QByteArray(200, 'x') + "<HTML>",
         {"Die Datei hat ein unbekanntes Format", "oder ist beschädigt."},
         {}},
        {"empty.jpg", "", {"Die Datei ist leer."}, {}},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TCheckTypeReport report = CheckFileType(test::WriteFile(dir.path(), c.name, c.bytes));
        EXPECT_EQ(report.Lines, c.lines);
        EXPECT_EQ(report.Props.empty() ? QString() : report.Props.back().Value, c.type);
    }
    EXPECT_EQ(CheckFileType(dir.filePath("gone.jpg")).Lines,
              QStringList{"Die Datei existiert nicht."});
    EXPECT_EQ(ProposedFileName(".jpg", ifGIF), ".jpg.GIF");
}

TEST(InfoTexts, CommentsKeepTheirEncodingWhenTheTextFitsIt)
{
    const struct {
        QByteArray stored;
        QString memo;
        bool latin1;
        QString edited;
        QByteArray written;
    } cases[] = {
        {QByteArrayLiteral("caf\xE9\r\nbar\0tail"), "caf\xC3\xA9\nbar", true, "caf\xC3\xA9\nbaz",
         "caf\xE9\r\nbaz"},
        {"caf\xE9", "caf\xC3\xA9", true, "\xE2\x82\xAC", "\xE2\x82\xAC"},  // the euro needs UTF-8
        {"caf\xC3\xA9\rx", "caf\xC3\xA9\nx", false, "\xC3\xA9", "\xC3\xA9"},
        {"", "", false, "a\n\nb", "a\r\n\r\nb"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        EXPECT_EQ(CommentMemoText(c.stored), c.memo);
        EXPECT_EQ(CommentIsLatin1(c.stored), c.latin1);
        EXPECT_EQ(CommentBytes(c.edited, c.latin1), c.written);
    }
}

// Writers that refuse a comment while the file is read-only, as a file system does for a user.
TEST(InfoReads, ReadOnlyIsClearedBeforeAndSetAfterTheComment)
{
    const struct {
        const char* name;
        int before;
        std::optional<int> attributes;
        QByteArray comment;
        bool commentOk;
        QStringList calls;
    } cases[] = {
        {"clear read-only and edit", faReadOnly, 0, "new", true, {"attributes 0", "comment"}},
        {"edit and set read-only", 0, faReadOnly, "new", true, {"comment", "attributes 1"}},
        {"edit a read-only file", faReadOnly, std::nullopt, "new", false, {"comment refused"}},
        {"failed comment leaves read-only unset",
         0,
         faReadOnly | faArchive,
         "x",
         false,
         {"comment refused"}},
        {"too long a comment is not tried",
         0,
         0,
         QByteArray(kMaxJpegComment + 1, 'x'),
         false,
         {"attributes 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int attributes = c.before;
        QStringList calls;
        const bool failComment = QByteArray(c.name).startsWith("failed");
        const TFileWriters writers{[&](const QString&, int a) {
                                       calls << QStringLiteral("attributes %1").arg(a);
                                       attributes = a;
                                       return true;
                                   },
                                   [&](const QString&, const QByteArray&) {
                                       const bool ok =
                                           (attributes & faReadOnly) == 0 && !failComment;
                                       calls << (ok ? "comment" : "comment refused");
                                       return ok;
                                   }};
        const TApplyOutcome outcome =
            ApplyFileChanges({"/x/a.jpg", c.attributes, c.comment}, writers);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(outcome.CommentWritten, c.commentOk);
        EXPECT_EQ(outcome.Message.isEmpty(), c.commentOk);
    }
}

// Check Type over real files: no crash, and a new name for each one recognised; a link with an
// unknown extension makes every file of a known format a mislabelled one. The content probe
// finds the format the name says in the folders of well-formed files.
TEST(InfoCorpus, CheckTypeProposesANameForEveryMislabelledFile)
{
    const QString root = test::CorporaDir();
    if (root.isEmpty())
        GTEST_SKIP() << "corpora missing";
    QTemporaryDir links;
    int files = 0;
    int mislabelled = 0;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString file = it.next();
        SCOPED_TRACE(file.toStdString());
        EXPECT_FALSE(CheckFileType(file).Lines.isEmpty());
        const QString link = links.filePath(QStringLiteral("%1.dat").arg(++files));
        ASSERT_TRUE(QFile::link(file, link));
        TUniInfoRec info;
        const TImageFormat detected = DetectFormat(file, info);
        const TImageFormat byName = FileNameToFormat(file);
        const bool wellFormed = file.contains("/photos/") || file.contains("/bmpsuite-2.8/g/") ||
                                file.contains("/giflib-pics/original/pic/");
        EXPECT_TRUE(!wellFormed || byName == ifUnknown || detected == byName);
        const TCheckTypeReport report = CheckFileType(link);
        EXPECT_EQ(report.Lines.value(4), detected == ifUnknown
                                             ? QString()
                                             : ProposedFileName(ExtractFileName(link), detected));
        mislabelled += detected != ifUnknown;
    }
    EXPECT_GT(mislabelled, 100);
}

}  // namespace
}  // namespace pixmarl
