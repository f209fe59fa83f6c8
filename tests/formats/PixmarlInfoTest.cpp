// pixmarl-info over every file of the shared corpora: it ends on its own, prints one line per
// file that agrees with the header readers, and makes a thumbnail of every PNG and of every TIFF
// that libtiff decodes.

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include "filelist/DJPEG.h"
#include "formats/Images.h"
#include "support/LibTiffFiles.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

QString FormatName(TImageFormat format)
{
    const QString name = QLatin1String(FormatInfo(format).ShortName);
    return name.isEmpty() ? QStringLiteral("-") : name;
}

void ExpectLineAgrees(const QStringList& fields, const QString& file, const QDir& thumbnails)
{
    ASSERT_EQ(fields.size(), 6);
    EXPECT_EQ(fields[0], file);
    const TImageFormat byName = FileNameToFormat(file);
    EXPECT_EQ(fields[1], FormatName(byName));
    TUniInfoRec detected;
    EXPECT_EQ(fields[2], FormatName(DetectFormat(file, detected)));
    TUniInfoRec info;
    if (GetUniInfo(file, byName, info)) {
        const QString type = TypeText(byName, info.ColorDepth, info.SubType).trimmed();
        EXPECT_EQ(fields[3], type.isEmpty() ? QStringLiteral("-") : type);
        EXPECT_EQ(fields[4], QStringLiteral("%1 x %2").arg(info.Width).arg(info.Height));
    }
    // The grid must show every PNG and WebP file and every TIFF file libtiff decodes.
    if (byName == ifPNG || byName == ifWebP || (byName == ifTIFF && test::LibTiffDecodes(file))) {
        ASSERT_NE(fields[5], "failed");
        const TThumbFit fit = FitIntoBox(info.Width, info.Height, 96, true);
        EXPECT_EQ(QImageReader(thumbnails.filePath(fields[5]), "png").size(),
                  QSize(fit.width, fit.height));
    }
}

TEST(PixmarlInfo, EveryCorpusFileGetsALineThatAgreesWithTheHeaderReaders)
{
    const QString root = test::CorporaDir();
    if (root.isEmpty())
        GTEST_SKIP() << "corpora missing";
    QStringList files;
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files << it.next();
    files.sort();
    QTemporaryDir thumbnails;
    QProcess program;
    program.start(QStringLiteral(PIXMARL_INFO_PROGRAM),
                  QStringList{QStringLiteral("--thumbnail"), thumbnails.path(),
                              QStringLiteral("--size"), QStringLiteral("96")} +
                      files);
    ASSERT_TRUE(program.waitForFinished(240000)) << "no end after 4 minutes";
    ASSERT_EQ(program.exitStatus(), QProcess::NormalExit);
    // Text files and damaged images are in the corpora: not every file can be read.
    EXPECT_EQ(program.exitCode(), 1);
    const QStringList lines =
        QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(lines[i].toStdString());
        ExpectLineAgrees(lines[i].split(u'\t'), files[i], QDir(thumbnails.path()));
    }
}

}  // namespace
}  // namespace pixmarl
