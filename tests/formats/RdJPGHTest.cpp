#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/xattr.h>
#include <unistd.h>

#include "formats/HeaderSource.h"
#include "formats/RdJPGH.h"
#include "support/JpegBuilder.h"
#include "support/JpegSegments.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::BigEndian16;
using test::JpegSegments;

constexpr char kPremature[] = "Premature EOF in JPEG file";
constexpr char kBadLength[] = "Erroneous JPEG marker length";

JpegSegments Baseline()
{
    return JpegSegments().Soi().App0();
}

struct HeaderCase {
    const char* name;
    QByteArray bytes;
    std::uint8_t flags;
    bool ok;
    const char* error;
    int width;
    int components;
    const char* process;
    QByteArray comment;
};

std::vector<HeaderCase> HeaderCases()
{
    const QByteArray garbage("\x00\x12\x34", 3);
    return {
        { "only start of image", QByteArray("\xFF\xD8", 2), 3, false, kPremature, 0, 0, "", {} },
        { "end of image first", QByteArray("\xFF\xD8\xFF\xD9xx", 6), 3, true, "", 0, 0, "", {} },
        { "end of image as the last byte", QByteArray("\xFF\xD8\xFF\xD9", 4), 3, false, kPremature,
            0, 0, "", {} },
        { "not a jpeg", QByteArray("\xFF\xD9\xFF\xD8\x00\x00", 6), 3, false, "Not a JPEG file", 0,
            0, "", {} },
        { "baseline with comment",
            Baseline().Comment("hello").Frame(0xC0, 640, 480, 3).Scan().Eoi(), 3, true, "", 640, 3,
            "Baseline", "hello" },
        { "frame only skips comment", Baseline().Comment("hello").Frame(0xC0, 640, 480, 3).Scan(),
            2, true, "", 640, 3, "Baseline", {} },
        { "comment only skips frame", Baseline().Frame(0xC0, 640, 480, 3).Comment("late").Scan(), 1,
            true, "", 0, 0, "", "late" },
        { "garbage between segments",
            Baseline().Raw(garbage).Frame(0xC2, 32, 16, 1).Raw(garbage).Scan(), 3, true, "", 32, 1,
            "Progressive", {} },
        { "fill bytes before marker", Baseline().Raw("\xFF\xFF\xFF").Frame(0xC1, 7, 5, 3).Scan(), 3,
            true, "", 7, 3, "Extended sequential", {} },
        { "frame length exactly 8 + 3n", Baseline().Frame(0xC0, 9, 9, 3, 17).Scan(), 3, true, "", 9,
            3, "Baseline", {} },
        { "frame length one too long", Baseline().Frame(0xC0, 9, 9, 3, 18).Scan(), 3, false,
            "Bogus SOF marker length", 9, 3, "Baseline", {} },
        { "segment length below two", Baseline().Segment(0xE1, "", 1).Frame(0xC0, 9, 9, 3).Scan(),
            3, false, kBadLength, 0, 0, "", {} },
        { "comment length zero parses on",
            Baseline()
                .Segment(0xFE, "", 0)
                .Raw(QByteArray("\xFF\xDB\x00\x02", 4))
                .Frame(0xC0, 9, 9, 3)
                .Scan(),
            3, false, kBadLength, 9, 3, "Baseline", {} },
        { "ends before the scan", Baseline().Frame(0xC0, 9, 9, 3), 3, false, kPremature, 9, 3,
            "Baseline", {} },
        { "segment longer than the file", Baseline().Segment(0xE1, "abc", 4000), 3, false,
            kPremature, 0, 0, "", {} },
        { "later frame wins", Baseline().Frame(0xC0, 9, 9, 3).Frame(0xCA, 20, 10, 4).Scan(), 3,
            true, "", 20, 4, "Progressive, arithmetic coding", {} },
        { "later comment wins with both", Baseline().Comment("one").Comment("two").Scan(), 3, true,
            "", 0, 0, "", "two" },
        { "first comment ends comment read", Baseline().Comment("one").Comment("two").Scan(), 1,
            true, "", 0, 0, "", "one" },
        { "restart marker stands alone", Baseline().Raw("\xFF\xD3").Frame(0xC0, 3, 4, 1).Scan(), 3,
            true, "", 3, 1, "Baseline", {} },
        { "huffman table is not a frame",
            Baseline().Segment(0xC4, QByteArray(5, 0)).Frame(0xC0, 3, 4, 1).Scan(), 3, true, "", 3,
            1, "Baseline", {} },
    };
}

void ExpectCase(const HeaderCase& c, const TInfoRec& info, bool result, const std::string& how)
{
    SCOPED_TRACE(std::string(c.name) + " via " + how);
    EXPECT_EQ(result, c.ok);
    EXPECT_EQ(info.OK, c.ok);
    EXPECT_EQ(info.ErrorMsg, QLatin1String(c.error));
    EXPECT_EQ(info.Width, c.width);
    EXPECT_EQ(info.Components, c.components);
    EXPECT_EQ(info.Process, QLatin1String(c.process));
    EXPECT_EQ(info.Comment, c.comment);
    EXPECT_EQ(info.ReadFlags, c.flags);
}

TEST(JpegHeader, ReadsMarkersFromMemoryAndFileAlike)
{
    QTemporaryDir dir;
    for (const HeaderCase& c : HeaderCases()) {
        TInfoRec info;
        THeaderSource memory(c.bytes);
        ExpectCase(c, info, ReadJPEGHeader(memory, c.flags, info), "memory");
        const QString path = test::WriteFile(dir.path(), "case.jpg", c.bytes);
        // Tiny chunks make every read cross a chunk boundary.
        for (int chunk : { 1, 3, THeaderSource::kChunkSize }) {
            THeaderSource file(path, chunk);
            ExpectCase(
                c, info, ReadJPEGHeader(file, c.flags, info), "chunks of " + std::to_string(chunk));
        }
    }
}

TEST(JpegHeader, SkipsLongSegmentsBeyondTheFirstChunk)
{
    QTemporaryDir dir;
    for (int exifSize : { 4000, 4094, 4095, 4096, 30000, 65533 }) {
        const QByteArray bytes = Baseline()
                                     .Segment(0xE1, QByteArray(exifSize, '\xFF'))
                                     .Comment("after exif")
                                     .Frame(0xC0, 4000, 3000, 3)
                                     .Scan();
        TInfoRec info;
        EXPECT_TRUE(ReadJPEGHeader(test::WriteFile(dir.path(), "big.jpg", bytes), 3, info))
            << exifSize;
        EXPECT_EQ(info.Width, 4000);
        EXPECT_EQ(info.Height, 3000);
        EXPECT_EQ(info.Comment, "after exif");
    }
}

TEST(JpegHeader, CommentPositionPointsAtTheLengthField)
{
    const QByteArray bytes = Baseline().Comment("first").Comment("second").Scan();
    TInfoRec info;
    THeaderSource source(bytes);
    ASSERT_TRUE(ReadJPEGHeader(source, 3, info));
    const qint64 expected = bytes.indexOf("second") - 2;
    EXPECT_EQ(info.CommentPos, expected);
    EXPECT_EQ(bytes.mid(expected, 2), BigEndian16(8));
}

TEST(JpegHeader, FailedReadsClearOrKeepTheFields)
{
    TInfoRec header;
    header.Width = 5;
    EXPECT_FALSE(ReadJPEGHeader("/nonexistent/x.jpg", 3, header));
    EXPECT_EQ(header.Width, 0);
    EXPECT_TRUE(header.ErrorMsg.isEmpty());
    QTemporaryDir dir;
    TUniInfoRec info;
    info.Width = 77;
    EXPECT_FALSE(JPEGUniInfo(test::WriteFile(dir.path(), "bad.jpg", "GIF89a"), info));
    EXPECT_FALSE(info.Valid);
    EXPECT_EQ(info.SubType, 255);
    EXPECT_EQ(info.Width, 77);
}

TEST(JpegHeader, UniversalRecordFromFrame)
{
    QTemporaryDir dir;
    const struct { int marker; int components; int subType; int depth; } cases[] = {
        { 0xC0, 3, 1, 11 },
        { 0xC0, 4, 1, 12 },
        { 0xC2, 1, 3, 9 },
        { 0xC1, 2, 2, -1 },
        { 0xCF, 3, 16, 11 },
        { 0, 0, 0, -1 },  // no frame
    };
    for (const auto& c : cases) {
        JpegSegments s = Baseline().Comment("caf\xC3\xA9");
        if (c.marker)
            s.Frame(c.marker, 300, 200, c.components);
        const QString path = test::WriteFile(dir.path(), "u.jpg", s.Scan());
        TUniInfoRec info;
        ASSERT_TRUE(JPEGUniInfo(path, info)) << c.marker;
        EXPECT_EQ(info.SubType, c.subType);
        EXPECT_EQ(info.ColorDepth, c.depth);
        EXPECT_EQ(QSize(info.Width, info.Height), c.marker ? QSize(300, 200) : QSize(0, 0));
        EXPECT_EQ(info.Comment, QString::fromUtf8("caf\xC3\xA9"));
        EXPECT_TRUE(info.Valid);
    }
}

// The comment writer.

QByteArray WithComment(const QByteArray& comment)
{
    JpegSegments s = Baseline();
    if (!comment.isNull())
        s.Comment(comment);
    return s.Frame(0xC0, 8, 8, 3).Scan().Eoi();
}

QByteArray CommentOf(const QString& path)
{
    TInfoRec info;
    EXPECT_TRUE(ReadJPEGHeader(path, 3, info)) << info.ErrorMsg.toStdString();
    return info.Comment;
}

TEST(JpegCommentWriter, RewritesTheComment)
{
    const qint64 app0End = Baseline().Bytes().size();
    const struct {
        const char* name;
        QByteArray before;  // null: no comment segment
        QByteArray text;
        qint64 sizeChange;
    } cases[] = {
        { "shortens", "twelve chars", "five!", -7 },
        { "grows", "five!", "twenty characters!!!", 15 },
        { "inserts after the JFIF header", QByteArray(), "nine!", 9 },
        { "empties to a bare segment", "twelve chars", "", -12 },
        { "takes the longest comment", "x", QByteArray(kMaxJpegComment, 'c'), kMaxJpegComment - 1 },
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray before = WithComment(c.before);
        const QString path = test::WriteFile(dir.path(), "c.jpg", before);
        ASSERT_TRUE(WriteJPEGComment(path, c.text));
        const QByteArray after = test::ReadWholeFile(path);
        EXPECT_EQ(after.size() - before.size(), c.sizeChange);
        EXPECT_EQ(CommentOf(path), c.text);
        EXPECT_EQ(after.left(app0End), before.left(app0End));
        EXPECT_EQ(after.mid(app0End, 4), "\xFF\xFE" + BigEndian16(int(c.text.size()) + 2));
        EXPECT_TRUE(after.endsWith(before.right(before.size() - before.indexOf("\xFF\xC0"))));
    }
}

TEST(JpegCommentWriter, InsertsAfterTheFirstSegmentWhateverItIs)
{
    QTemporaryDir dir;
    const QByteArray table = JpegSegments().Segment(0xDB, QByteArray(65, 1));
    const QByteArray before = JpegSegments().Soi().Raw(table).Frame(0xC0, 8, 8, 1).Scan();
    const QString path = test::WriteFile(dir.path(), "noapp0.jpg", before);
    ASSERT_TRUE(WriteJPEGComment(path, "hi"));
    EXPECT_EQ(test::ReadWholeFile(path),
        before.left(2 + table.size()) + QByteArray("\xFF\xFE\x00\x04hi", 6)
            + before.mid(2 + table.size()));
}

TEST(JpegCommentWriter, RefusalsLeaveTheFileIdenticalAndReadOnlyFilesAreRefused)
{
    const struct { const char* name; QByteArray bytes; QByteArray text; } cases[] = {
        { "empty text, no comment", WithComment(QByteArray()), "" },
        { "comment too long", WithComment("old"), QByteArray(kMaxJpegComment + 1, 'x') },
        { "truncated inside the comment", WithComment("old").left(25), "new" },
        { "not a jpeg", "BM not a jpeg at all", "new" },
        { "bogus comment length", Baseline().Segment(0xFE, "", 1).Frame(0xC0, 8, 8, 3).Scan(),
            "new" },
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = test::WriteFile(dir.path(), "r.jpg", c.bytes);
        test::SetFileTime(path, 1000000000);
        const bool expected = QByteArray(c.name).startsWith("empty");
        EXPECT_EQ(WriteJPEGComment(path, c.text), expected);
        EXPECT_EQ(test::ReadWholeFile(path), c.bytes);
        EXPECT_EQ(QFileInfo(path).lastModified().toSecsSinceEpoch(), 1000000000);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
            << "no temporary left";
    }
    const QString path = test::WriteFile(dir.path(), "r.jpg", WithComment("old"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    if (!QFileInfo(path).isWritable()) {  // the superuser may write any file
        EXPECT_FALSE(WriteJPEGComment(path, "new")) << "read-only file";
        EXPECT_EQ(test::ReadWholeFile(path), WithComment("old"));
    }
}

// An access control list as the kernel stores it: owner rw, user 1234 r, group r, mask r, others -.
const QByteArray kAcl = QByteArray::fromHex(
    "0200000001000600ffffffff02000400d204000004000400ffffffff10000400ffffffff20000000ffffffff");

// An encoder's file, edited through a symbolic link: the target changes, keeps its permissions,
// owner, group, extended attributes and access list, takes the current time and still decodes.
TEST(JpegCommentWriter, EditsTheTargetOfASymbolicLink)
{
    QTemporaryDir dir;
    test::JpegParams params;
    params.comment = "from the encoder";
    const QString target = test::WriteFile(dir.path(), "target.jpg", test::BuildJpeg(params));
    const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QFile::setPermissions(target, permissions);
    const QByteArray native = QFile::encodeName(target);
    const bool xattrs = setxattr(native.constData(), "user.origin", "camera", 6, 0) == 0
        && setxattr(native.constData(), "system.posix_acl_access", kAcl.constData(), 44, 0) == 0;
    const bool chowned = geteuid() == 0 && chown(native.constData(), 1234, 5678) == 0;
    test::SetFileTime(target, 1000000000);
    const QString link = dir.filePath("link.jpg");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(WriteJPEGComment(link, "edited"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(CommentOf(target), "edited");
    EXPECT_EQ(QFile::permissions(target) & 0x7077, permissions);
    char kept[50];
    EXPECT_TRUE(!xattrs || (getxattr(native.constData(), "user.origin", kept, 6) == 6
        && getxattr(native.constData(), "system.posix_acl_access", kept + 6, 44) == 44
        && QByteArray(kept, 50) == "camera" + kAcl));
    EXPECT_TRUE(!chowned || (QFileInfo(target).ownerId() == 1234u && QFileInfo(target).groupId() == 5678u));
    EXPECT_GT(QFileInfo(target).lastModified().toSecsSinceEpoch(), 1000000000 + 3600);
    TInfoRec info;
    ASSERT_TRUE(ReadJPEGHeader(target, 2, info));
    EXPECT_EQ(info.Width, 16);
}

}  // namespace
}  // namespace pixmarl
