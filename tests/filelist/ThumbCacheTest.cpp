#include <gtest/gtest.h>

#include <QBuffer>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>
#include <QUrl>

#include "filelist/DJPEG.h"
#include "filelist/ThumbCache.h"
#include "support/EventWait.h"
#include "support/JpegBuilder.h"
#include "support/JpegSegments.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

constexpr qint64 kTime = 1700000000;

// A photo whose left half is red and right half blue, so a thumbnail shows how it stands.
QByteArray Photo(int orientation = 1)
{
    QImage image(1600, 1200, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter(&image).fillRect(800, 0, 800, 1200, Qt::blue);
    QByteArray jpeg = test::EncodeJpeg(image);
    if (orientation != 1) {
        // The Exif segment goes right after SOI, where readers look for it.
        const QByteArray payload = test::ExifOrientationPayload(orientation);
        jpeg.insert(2, "\xFF\xE1" + test::BigEndian16(int(payload.size()) + 2) + payload);
    }
    return jpeg;
}

// What a program that follows the desktop's thumbnail rules looks for: the MD5 of the file's URI.
QString EntryPath(const QString& root, const char* sizeFolder, const QString& file)
{
    const QByteArray uri = QUrl::fromLocalFile(file).toEncoded();
    return root + '/' + sizeFolder + '/' +
           QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex() + ".png";
}

// An entry as another program writes it: all green.
QByteArray EntryPng(QSize size, const QString& uri, qint64 mtime)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::green);
    image.setText("Thumb::URI", uri);
    image.setText("Thumb::MTime", QString::number(mtime));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return png;
}

QStringList PngFilesUnder(const QString& folder)
{
    QStringList found;
    for (QDirIterator it(folder, {"*.png"}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        found << it.next();
    return found;
}

struct TCacheSetup {
    QTemporaryDir dir;
    QString root = dir.path() + "/cache/thumbnails";
    std::vector<TVolume> volumes;

    QString AddPhoto(const QString& folder, const QString& name, const QByteArray& data)
    {
        const QString path = test::WriteFile(folder, name, data);
        test::SetFileTime(path, kTime);
        return path;
    }
    TThumbResult Make(const QString& path, int box, TThumbCache* cache)
    {
        return MakeThumbnail(TThumbRequest{path, 1}, box, TThumbOptions{}, cache);
    }
    TThumbCache Cache(QString at = {})
    {
        return TThumbCache(at.isEmpty() ? root : at,
                           {[this] { return volumes; }, [] { return false; }});
    }
};

// A pixel on the photo's red side.
QColor Left(const QImage& image)
{
    return image.pixelColor(4, image.height() / 2);
}

bool Near(QColor a, QColor b)
{
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 60;
}

// The corners of two pictures of one size match: the same part of the photo, standing the same way.
void ExpectSameCorners(const QImage& a, const QImage& b, int box)
{
    ASSERT_EQ(a.size(), b.size()) << box;
    for (const QPoint at : {QPoint(2, 2), QPoint(a.width() - 3, a.height() - 3)})
        EXPECT_TRUE(Near(a.pixelColor(at), b.pixelColor(at))) << box;
}

TEST(ThumbCache, WritesEntriesOtherProgramsFindAndReadsThemBack)
{
    const struct {
        int box;
        const char* folder;
        QSize entry;
        int orientation;
    } cases[] = {{96, "normal", {128, 96}, 1},
                 {200, "large", {256, 192}, 1},
                 {288, "x-large", {384, 512}, 6}};
    for (const auto& c : cases) {
        TCacheSetup setup;
        TThumbCache cache = setup.Cache();
        const QString photo =
            setup.AddPhoto(setup.dir.path() + "/a é", "b c.jpg", Photo(c.orientation));
        const TThumbResult plain = setup.Make(photo, c.box, nullptr);
        ExpectSameCorners(setup.Make(photo, c.box, &cache).thumbnail, plain.thumbnail, c.box);

        const QString entry = EntryPath(setup.root, c.folder, photo);
        QImage read(entry, "png");
        ExpectSameCorners(read.scaled(plain.thumbSize), plain.thumbnail, c.box);
        EXPECT_EQ(read.size(), c.entry) << c.box;
        EXPECT_EQ(read.text("Thumb::URI"), QUrl::fromLocalFile(photo).toEncoded()) << c.box;
        EXPECT_EQ(read.text("Thumb::MTime"), QString::number(kTime)) << c.box;
        EXPECT_EQ(QFileInfo(entry).permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser);
        EXPECT_EQ(QFileInfo(setup.root).permissions() & 0x0777,
                  QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        EXPECT_EQ(PngFilesUnder(setup.root), QStringList{entry}) << "no temporary file is left";

        read.fill(Qt::green);  // the keys stay
        ASSERT_TRUE(read.save(entry, "png"));
        const TThumbResult second = setup.Make(photo, c.box, &cache);
        EXPECT_EQ(second.thumbSize, plain.thumbSize) << c.box;
        EXPECT_TRUE(Near(Left(second.thumbnail), Qt::green)) << c.box;
    }
}

TEST(ThumbCache, UsesOnlyEntriesOfTheFileAsItIsNow)
{
    TCacheSetup setup;
    const QString photo = setup.AddPhoto(setup.dir.path(), "p.jpg", Photo());
    const QString uri = QUrl::fromLocalFile(photo).toString(QUrl::FullyEncoded);
    const QByteArray valid = EntryPng({128, 96}, uri, kTime);
    // The first is valid; the others (stale, of another file, garbage, cut short, too small for
    // the box) are replaced by an entry of the file as it is.
    const QByteArray entries[] = {valid,
                                  EntryPng({128, 96}, uri, kTime - 1),
                                  EntryPng({128, 96}, uri + "x", kTime),
                                  QByteArray("\x89PNG\r\n\x1A\nnot a picture"),
                                  valid.left(valid.size() / 2),
                                  EntryPng({64, 48}, uri, kTime)};
    const QString entry = EntryPath(setup.root, "normal", photo);
    for (const QByteArray& data : entries) {
        const bool used = &data == &entries[0];
        TThumbCache cache = setup.Cache();
        test::WriteFile(QFileInfo(entry).path(), QFileInfo(entry).fileName(), data);
        const TThumbResult made = setup.Make(photo, 96, &cache);
        EXPECT_EQ(made.thumbSize, QSize(96, 72)) << used;
        EXPECT_TRUE(Near(Left(made.thumbnail), used ? Qt::green : Qt::red)) << data.size();
        const QImage read(entry, "png");
        EXPECT_EQ(read.text("Thumb::MTime"), QString::number(kTime)) << data.size();
        EXPECT_TRUE(Near(Left(read), used ? Qt::green : Qt::red)) << data.size();
    }
}

TEST(ThumbCache, WritesNothingWhereItMustNot)
{
    enum { kRemovable, kNetwork, kInsideCache, kRootUnderFile, kSizeFolderIsFile };
    for (const int where :
         {kRemovable, kNetwork, kInsideCache, kRootUnderFile, kSizeFolderIsFile}) {
        TCacheSetup setup;
        const QString photos = setup.dir.path() + "/photos";
        QString root = setup.root;
        if (where == kRemovable || where == kNetwork)
            setup.volumes.push_back(TVolume{
                photos, "vfat", "/dev/sdz1", where == kRemovable ? dtRemovable : dtRemote, {}});
        if (where == kRootUnderFile)
            root = test::WriteFile(setup.dir.path(), "plain") + "/thumbnails";
        if (where == kSizeFolderIsFile)
            test::WriteFile(root, "normal");
        TThumbCache cache = setup.Cache(root);
        const QString photo =
            setup.AddPhoto(where == kInsideCache ? root + "/large" : photos, "p.jpg", Photo());
        const TThumbResult made = setup.Make(photo, 96, &cache);
        EXPECT_FALSE(made.failed) << where;
        EXPECT_EQ(made.thumbSize, QSize(96, 72)) << where;
        EXPECT_TRUE(PngFilesUnder(setup.dir.path()).isEmpty()) << where;
    }
}

TEST(ThumbCache, FailureEntryStopsRetriesUntilTheFileChanges)
{
    TCacheSetup setup;
    TThumbCache cache = setup.Cache();
    const QByteArray good = Photo();
    const QString photo = setup.AddPhoto(setup.dir.path(), "p.jpg", QByteArray(good.size(), 'x'));
    EXPECT_TRUE(setup.Make(photo, 96, &cache).failed);
    const QStringList failures = PngFilesUnder(setup.root + "/fail");
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains("/fail/pixmarl-")) << failures[0].toStdString();

    setup.AddPhoto(setup.dir.path(), "p.jpg", good);  // same size and time: not seen as changed
    EXPECT_TRUE(setup.Make(photo, 96, &cache).failed);
    test::SetFileTime(photo, kTime + 60);
    EXPECT_FALSE(setup.Make(photo, 96, &cache).failed);
}

TEST(ThumbCache, TheWorkerSharesOnlyWhenTheOptionSaysSo)
{
    TCacheSetup setup;
    int done = 0;
    TDJPEGThread worker([&done](const TThumbResult&, quint64) { ++done; });
    const QString photo = setup.AddPhoto(setup.dir.path(), "p.jpg", Photo());
    const QString entry = EntryPath(DefaultThumbnailRoot(), "normal", photo);
    for (const bool share : {false, true}) {
        TThumbOptions options;
        options.share = share;
        worker.Request(TThumbRequest{photo, 1}, 96, options, 1);
        ASSERT_TRUE(test::RunEventsUntil([&] { return done == 1 + int(share); }));
        EXPECT_EQ(QFile::exists(entry), share);
    }
    QFile::remove(entry);
}

}  // namespace
}  // namespace pixmarl
