#include <gtest/gtest.h>

#include <cerrno>
#include <optional>

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include "fileops/ScriptedPrompts.h"
#include "platform/FileOperation.h"
#include "platform/Paths.h"
#include "support/ScratchMounts.h"
#include "support/TestFiles.h"

namespace pixmarl {
namespace {

using test::MakeFolder;
using test::ReadWholeFile;
using test::TScriptedPrompts;
using test::WriteFile;
using test::WriteFileOfSize;

constexpr qint64 kLarge = 40 << 20;  // made durable on its own, copied in more than one step
constexpr qint64 kMiddle = -1;  // a fault offset: any step after the first
constexpr qint64 kOldTime = 1000000000;

// Temporary names the engine left behind anywhere below folder.
QStringList LeftOvers(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, { ".pixmarl-*" }, QDir::AllEntries | QDir::Hidden | QDir::System,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

TFileOpResult RunOp(TFileOpRequest request, TScriptedPrompts& prompts, TFileOpFaults faults = {})
{
    TFileOperation op(std::move(request), prompts);
    op.SetFaults(std::move(faults));
    return op.Run();
}

TFileOpRequest Into(TFileOpFunc func, const QStringList& from, const QString& folder)
{
    return { func, from, { folder }, FOF_NOCONFIRMATION | FOF_ALLOWUNDO };
}

TFileOpFaults FailAt(TFaultPoint at, int code, qint64 atOffset = 0)
{
    return { [=](TFaultPoint point, const QString&, qint64 offset) {
        const bool here = atOffset == kMiddle ? offset > 0 : offset == atOffset;
        return point == at && here ? code : 0;
    } };
}

// rename(2) of the source answers EXDEV, so a move takes the copy-then-remove road.
TFileOpFaults CrossDevice(TFaultPoint failPoint = fpOpenSource, int failCode = 0)
{
    return { [=](TFaultPoint point, const QString& path, qint64 offset) {
        if (point == fpRename && path.contains("/src/"))
            return EXDEV;
        return point == failPoint && offset == 0 ? failCode : 0;
    } };
}

class FileOperationTest : public testing::Test {
protected:
    QTemporaryDir dir_;
    QString src_ = MakeFolder(dir_.path(), "src");
    QString dst_ = MakeFolder(dir_.path(), "dst");
    TScriptedPrompts prompts_;
};

TEST_F(FileOperationTest, CopyKeepsContentTimePermissionsAndLinks)
{
    const QFile::Permissions rw = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
        | QFile::WriteUser | QFile::ReadGroup;
    const struct {
        const char* name;
        qint64 size;
        QFile::Permissions permissions;
    } cases[] = {
        { "empty.jpg", 0, rw },
        { "small.jpg", 100 * 1024 + 3, rw | QFile::ReadOther },
        { "script", 70, rw | QFile::ExeOwner | QFile::ExeUser },
        { "large.avi", kLarge + 5, rw },
    };
    QStringList from;
    for (const auto& c : cases) {
        from << WriteFileOfSize(src_, c.name, c.size);
        QFile::setPermissions(from.last(), c.permissions);
        test::SetFileTime(from.last(), kOldTime + c.size);
    }
    ASSERT_TRUE(QFile::link("small.jpg", JoinPath(src_, "link.jpg")));
    const QString album = MakeFolder(src_, "album");
    ASSERT_TRUE(QFile::link("../small.jpg", JoinPath(album, "cover.jpg")));
    ASSERT_EQ(RunOp(Into(foCopy, from << JoinPath(src_, "link.jpg") << album, dst_), prompts_),
        frSuccess);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = JoinPath(src_, c.name);
        const QString target = JoinPath(dst_, c.name);
        EXPECT_EQ(ReadWholeFile(target), ReadWholeFile(source));
        EXPECT_EQ(QFileInfo(target).lastModified(), QFileInfo(source).lastModified());
        EXPECT_EQ(QFile::permissions(target), c.permissions);
    }
    // A link given by itself is copied as the file it shows; links inside a folder stay links.
    EXPECT_TRUE(!QFileInfo(JoinPath(dst_, "link.jpg")).isSymLink()
        && QFileInfo(JoinPath(dst_, "album/cover.jpg")).symLinkTarget() == JoinPath(dst_, "small.jpg"));
    EXPECT_EQ(ReadWholeFile(JoinPath(dst_, "link.jpg")), ReadWholeFile(JoinPath(src_, "small.jpg")));
    EXPECT_TRUE(LeftOvers(dir_.path()).isEmpty());
    EXPECT_TRUE(prompts_.errors.empty());
}

// Whatever goes wrong, a copy that replaces an existing file leaves that file as it was, the
// source intact and no partial file.
TEST_F(FileOperationTest, FailedReplaceLeavesTargetSourceAndNoPartialFile)
{
    const struct {
        const char* name;
        TFaultPoint point;
        int code;
        qint64 atOffset;
        TFileOpErrorAnswer answer;
        TFileOpResult result;
    } cases[] = {
        { "disk full in the middle", fpWrite, ENOSPC, kMiddle, eaSkip, frFailed },
        { "write error at start", fpWrite, EIO, 0, eaCancel, frAborted },
        { "no permission to create", fpCreateTarget, EACCES, 0, eaSkip, frFailed },
        { "sync fails", fpSync, EIO, 0, eaSkip, frFailed },
        { "rename into place fails", fpRename, EACCES, 0, eaCancel, frAborted },
        { "source unreadable", fpOpenSource, EACCES, 0, eaSkip, frFailed },
    };
    for (const auto& c : cases) {
        for (const qint64 size : { qint64(4096), kLarge }) {
            SCOPED_TRACE(std::string(c.name) + " size " + std::to_string(size));
            QTemporaryDir dir;
            const QString source = WriteFileOfSize(dir.path() + "/a", "p.jpg", size);
            const QString target = WriteFile(dir.path() + "/b", "p.jpg", "old content");
            TScriptedPrompts prompts;
            prompts.errorAnswers = { c.answer };
            EXPECT_EQ(RunOp(Into(foCopy, { source }, dir.path() + "/b"), prompts,
                          FailAt(c.point, c.code, c.atOffset)),
                c.result);
            ASSERT_EQ(prompts.errors.size(), 1u);
            EXPECT_EQ(prompts.errors[0].Code, c.code);
            EXPECT_EQ(prompts.errors[0].Source, source);
            EXPECT_EQ(ReadWholeFile(target), QByteArray("old content"));
            EXPECT_EQ(QFileInfo(source).size(), size);
            EXPECT_TRUE(LeftOvers(dir.path()).isEmpty());
        }
    }
}

// Retry writes the copy again and Skip names each file it leaves out: a sync that failed is never
// trusted, the kernel may have dropped what it could not write.
TEST_F(FileOperationTest, RetryWritesAgainAndSkipNamesEveryFile)
{
    // failures: how often the fault strikes; the first failed sync also damages its copy
    const struct { int files; TFaultPoint point; int failures; TFileOpErrorAnswer answer; int errors; }
        cases[] = { { 1, fpWrite, 1, eaRetry, 1 }, { 3, fpSync, 1, eaRetry, 0 }, { 3, fpSync, 100, eaSkip, 3 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failures);
        QTemporaryDir dir;
        QStringList sources;
        for (int i = 0; i < c.files; ++i)
            sources << WriteFileOfSize(dir.path() + "/a", QString::number(i), c.files > 1 ? 5000 : kLarge);
        int left = c.failures;
        TFileOpFaults faults { [&](TFaultPoint point, const QString& path, qint64 offset) {
            if (point != c.point || (point == fpWrite && offset == 0) || left-- <= 0)
                return 0;
            if (point == fpSync && left + 1 == c.failures)
                WriteFile(ExtractFileDir(path), ExtractFileName(path), "lost by the kernel");
            return point == fpWrite ? ENOSPC : EIO;
        } };
        TScriptedPrompts prompts;
        prompts.errorAnswers = std::deque<TFileOpErrorAnswer>(3, c.answer);
        const TFileOpResult result = RunOp(Into(foCopy, sources, MakeFolder(dir.path(), "b")), prompts, faults);
        EXPECT_EQ(result, c.answer == eaSkip ? frFailed : frSuccess);
        ASSERT_EQ(prompts.errors.size(), size_t(c.errors));
        for (int i = 0; i < c.files; ++i)
            EXPECT_EQ(result == frSuccess ? ReadWholeFile(dir.path() + "/b/" + QString::number(i)) : prompts.errors[size_t(i)].Source,
                result == frSuccess ? ReadWholeFile(sources[i]) : sources[i]);
        EXPECT_TRUE(LeftOvers(dir.path()).isEmpty());
    }
}

TEST_F(FileOperationTest, CopyWithoutPermissionToReplaceAsksAndKeepsTheFile)
{
    const QString source = WriteFile(src_, "c.jpg", "new");
    const QString target = WriteFile(dst_, "c.jpg", "old");
    prompts_.replace = false;
    EXPECT_EQ(RunOp({ foCopy, { source }, { dst_ }, FOF_ALLOWUNDO }, prompts_), frSuccess);
    EXPECT_EQ(prompts_.replaceAsked, std::vector<QString> { target });
    EXPECT_EQ(ReadWholeFile(target), QByteArray("old"));
}

TEST_F(FileOperationTest, ImpossibleTargetsAreAskedAbout)
{
    const struct {
        const char* name;
        TFileOpFunc func;
        bool sourceIsFolder, targetIsFolder, targetInsideSource, throughAlias;
        int code;
    } cases[] = {
        { "missing source", foCopy, false, false, false, false, ENOENT },
        { "file onto a folder", foCopy, false, true, false, false, EISDIR },
        { "folder onto a file", foMove, true, false, false, false, ENOTDIR },
        { "folder into itself", foCopy, true, false, true, false, kTargetInsideSource },
        { "folder moved into itself", foMove, true, false, true, false, kTargetInsideSource },
        { "folder into a link to itself", foCopy, true, false, true, true, kTargetInsideSource },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString source = JoinPath(dir.path(), "s");
        if (c.sourceIsFolder)
            WriteFile(source, "inner.jpg", "i");
        else if (c.code != ENOENT)
            WriteFile(dir.path(), "s", "file");
        QString targetFolder = c.targetInsideSource ? source : MakeFolder(dir.path(), "t");
        if (c.throughAlias && QFile::link(source, JoinPath(dir.path(), "alias")))
            targetFolder = JoinPath(dir.path(), "alias");
        if (c.targetIsFolder)
            MakeFolder(targetFolder, "s");
        else if (c.sourceIsFolder && !c.targetInsideSource)
            WriteFile(targetFolder, "s", "in the way");
        TScriptedPrompts prompts;
        EXPECT_EQ(RunOp(Into(c.func, { source }, targetFolder), prompts), frFailed);
        ASSERT_EQ(prompts.errors.size(), 1u);
        EXPECT_EQ(prompts.errors[0].Code, c.code);
        EXPECT_EQ(QFileInfo::exists(source), c.code != ENOENT);
        EXPECT_TRUE(LeftOvers(dir.path()).isEmpty());
    }
}

TEST_F(FileOperationTest, FoldersAreCopiedWithTheirContentsAndMergedIntoExistingOnes)
{
    const QString tree = MakeFolder(src_, "tree");
    WriteFile(tree, "top.jpg", "top");
    WriteFile(JoinPath(tree, "sub/deeper"), "deep.gif", "deep");
    WriteFile(JoinPath(tree, "sub"), ".hidden", "h");
    MakeFolder(tree, "empty");
    WriteFile(JoinPath(dst_, "tree"), "top.jpg", "was there");
    WriteFile(JoinPath(dst_, "tree"), "old.jpg", "old");
    ASSERT_EQ(QProcess::execute(
                  "touch", { "-m", "-d", "@" + QString::number(kOldTime), JoinPath(tree, "sub") }),
        0);
    ASSERT_EQ(RunOp(Into(foCopy, { tree }, dst_), prompts_), frSuccess);
    const QString copy = JoinPath(dst_, "tree");
    EXPECT_EQ(ReadWholeFile(JoinPath(copy, "top.jpg")), QByteArray("top"));
    EXPECT_EQ(ReadWholeFile(JoinPath(copy, "old.jpg")), QByteArray("old"));
    EXPECT_EQ(ReadWholeFile(JoinPath(copy, "sub/deeper/deep.gif")), QByteArray("deep"));
    EXPECT_EQ(ReadWholeFile(JoinPath(copy, "sub/.hidden")), QByteArray("h"));
    EXPECT_TRUE(QFileInfo(JoinPath(copy, "empty")).isDir());
    EXPECT_EQ(QFileInfo(JoinPath(copy, "sub")).lastModified().toSecsSinceEpoch(), kOldTime);
    EXPECT_TRUE(QFileInfo::exists(JoinPath(tree, "top.jpg")));
}

TEST_F(FileOperationTest, AnUnreadableFolderIsReportedNotPassedOver)
{
    WriteFile(JoinPath(src_, "f"), "1.jpg", "1");
    EXPECT_EQ(RunOp(Into(foCopy, { JoinPath(src_, "f") }, dst_), prompts_,
                  FailAt(fpOpenSource, EACCES, 1)),
        frFailed);
    ASSERT_EQ(prompts_.errors.size(), 1u);
    EXPECT_EQ(prompts_.errors[0].Code, EACCES);
}

// Cancelled in the middle of a large file or at an error, a folder copy leaves nothing in the
// target, not even the folders it made.
TEST_F(FileOperationTest, CancelledFolderCopyLeavesNothing)
{
    for (const bool atError : {false, true}) {
        QTemporaryDir dir;
        WriteFileOfSize(dir.path() + "/f/g", "1.jpg", 1000);
        const QString large = WriteFileOfSize(dir.path() + "/f/g", "2.avi", kLarge);
        const QString target = MakeFolder(dir.path(), "t");
        TScriptedPrompts prompts;
        prompts.errorAnswers = {eaCancel};
        TFileOperation op(Into(foCopy, {dir.path() + "/f"}, target), prompts);
        op.SetFaults({[&](TFaultPoint point, const QString& path, qint64 offset) {
            if (!atError && point == fpWrite && offset > 0)
                op.Cancel();
            return atError && point == fpCreateTarget && path.endsWith("2.avi") ? EIO : 0;
        }});
        EXPECT_EQ(op.Run(), frAborted) << atError;
        EXPECT_TRUE(QDir(target).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        EXPECT_TRUE(LeftOvers(dir.path()).isEmpty());
        EXPECT_EQ(QFileInfo(large).size(), kLarge);
    }
}

TEST_F(FileOperationTest, MovesRenameWithinAFilesystemAndCopyAcrossFilesystems)
{
    for (const bool across : { false, true }) {
        SCOPED_TRACE(across ? "across" : "within");
        QTemporaryDir dir;
        const QString file = WriteFile(dir.path() + "/src", "x.jpg", "file");
        WriteFile(dir.path() + "/src/tree/sub", "y.jpg", "deep");
        int copies = 0;
        TFileOpFaults faults = CrossDevice();
        TFileOpFaults counting { [&, inner = faults.Inject](
                                     TFaultPoint p, const QString& path, qint64 offset) {
            copies += p == fpCreateTarget ? 1 : 0;
            return across ? inner(p, path, offset) : 0;
        } };
        const QString target = MakeFolder(dir.path(), "dst");
        ASSERT_EQ(
            RunOp(Into(foMove, { file, dir.path() + "/src/tree" }, target), prompts_, counting),
            frSuccess);
        EXPECT_EQ(ReadWholeFile(target + "/x.jpg"), QByteArray("file"));
        EXPECT_EQ(ReadWholeFile(target + "/tree/sub/y.jpg"), QByteArray("deep"));
        EXPECT_TRUE(QDir(dir.path() + "/src")
                        .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        EXPECT_EQ(copies > 0, across);
        EXPECT_TRUE(LeftOvers(dir.path()).isEmpty());
    }
}

TEST_F(FileOperationTest, FailedMoveAcrossFilesystemsKeepsTheSource)
{
    const struct {
        const char* name;
        TFaultPoint point;
        int code;
        bool targetWritten;
    } cases[] = {
        { "write fails", fpWrite, ENOSPC, false },
        { "sync fails", fpSync, EIO, false },
        { "source cannot be removed", fpRemove, EACCES, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString file = WriteFileOfSize(dir.path() + "/src", "k.jpg", 5000);
        TScriptedPrompts prompts;
        EXPECT_EQ(RunOp(Into(foMove, { file }, MakeFolder(dir.path(), "dst")), prompts,
                      CrossDevice(c.point, c.code)),
            frFailed);
        ASSERT_EQ(prompts.errors.size(), 1u);
        EXPECT_EQ(prompts.errors[0].Code, c.code);
        EXPECT_EQ(QFileInfo(file).size(), 5000);
        EXPECT_EQ(QFileInfo::exists(dir.path() + "/dst/k.jpg"), c.targetWritten);
        EXPECT_TRUE(LeftOvers(dir.path()).isEmpty());
    }
}

// A file moved onto itself through another path to its folder (a link, with rename(2) answering
// EXDEV; a bind mount) stays: a copy renamed over it and a removed source would lose it.
TEST_F(FileOperationTest, AFileMovedOntoItselfThroughAnotherPathStays)
{
    for (const bool bindMount : { false, true }) {
        QTemporaryDir dir;
        const QString file = WriteFile(dir.path() + "/src", "x.jpg", "keep");
        const QString other = JoinPath(dir.path(), "other");
        std::optional<test::TMount> mount;
        if (!bindMount)
            ASSERT_TRUE(QFile::link(ExtractFileDir(file), other));
        else if (test::SkippedRow(mount.emplace(QStringList { "--bind", dir.path() + "/src" }, MakeFolder(dir.path(), "other"))))
            continue;
        TScriptedPrompts prompts;
        EXPECT_EQ(RunOp(Into(foMove, { file }, other), prompts, CrossDevice()), frSuccess);
        EXPECT_EQ(ReadWholeFile(file), QByteArray("keep")) << bindMount;
        EXPECT_TRUE(prompts.errors.empty() && LeftOvers(dir.path()).isEmpty());
    }
}

TEST_F(FileOperationTest, MoveFromAnotherFilesystemForReal)
{
    QTemporaryDir shm("/dev/shm/pixmarl-test-XXXXXX");
    if (!shm.isValid() || QStorageInfo(shm.path()).device() == QStorageInfo(dst_).device())
        GTEST_SKIP() << "no second filesystem";
    const QString file = WriteFileOfSize(shm.path(), "far.jpg", kLarge + 1);
    const QByteArray content = ReadWholeFile(file);
    WriteFile(JoinPath(shm.path(), "album"), "one.jpg", "1");
    ASSERT_EQ(
        RunOp(Into(foMove, { file, JoinPath(shm.path(), "album") }, dst_), prompts_), frSuccess);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_FALSE(QFileInfo::exists(JoinPath(shm.path(), "album")));
    EXPECT_EQ(ReadWholeFile(JoinPath(dst_, "far.jpg")), content);
    EXPECT_EQ(ReadWholeFile(JoinPath(dst_, "album/one.jpg")), QByteArray("1"));
}

// The entry of the trash whose info file says it came from path, or empty.
QString FindInTrash(const QString& path)
{
    QStringList trashes { JoinPath(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), "Trash") };
    const QDir mount(QStorageInfo(ExtractFileDir(path)).rootPath());
    for (const QString& name : mount.entryList({ ".Trash-*" }, QDir::Dirs | QDir::Hidden))
        trashes << mount.filePath(name);
    for (const QString& trash : trashes) {
        for (const QString& info : QDir(trash + "/info").entryList({ "*.trashinfo" })) {
            for (const QByteArray& line : ReadWholeFile(trash + "/info/" + info).split('\n'))
                if (line == "Path=" + QUrl::toPercentEncoding(path, "/"))
                    return trash + "/files/" + info.chopped(10);
        }
    }
    return {};
}

TEST_F(FileOperationTest, DeleteMovesToTheTrashAfterConfirmation)
{
    // The home trash lives below the data folder, which Qt's test mode points elsewhere.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    const QString file = WriteFile(src_, "gone.jpg", "trash me");
    ASSERT_EQ(RunOp({ foDelete, { file }, {}, FOF_ALLOWUNDO }, prompts_), frSuccess);
    EXPECT_EQ(prompts_.trashAsked, 1);
    EXPECT_FALSE(QFileInfo::exists(file));
    const QString trashed = FindInTrash(file);
    ASSERT_FALSE(trashed.isEmpty());
    EXPECT_EQ(ReadWholeFile(trashed), QByteArray("trash me"));
    EXPECT_TRUE(QFile::remove(trashed));
    const QString trash = ExtractFileDir(ExtractFileDir(trashed));
    QFile::remove(trash + "/info/" + ExtractFileName(trashed) + ".trashinfo");
}

// What is not trashed stays unless deleted outright after two answers, the second naming the full
// path and what a folder holds; a mount point or a folder holding the trash never goes outright.
TEST_F(FileOperationTest, DeleteDeclinedOrNotTrashableKeepsTheFile)
{
    enum TWhat { aFile, aFolder, holdingTheTrash, aMountPoint };
    const struct {
        const char* name;
        TWhat what;
        bool confirm;
        TTrashFailAnswer failAnswer;
        bool permanent;
        TFileOpResult result;
        int permanentAsked;
    } cases[] = {
        { "confirmation declined", aFile, false, taSkip, false, frAborted, 0 },
        { "trash fails, skip", aFile, true, taSkip, false, frFailed, 0 },
        { "trash fails, cancel", aFile, true, taCancel, false, frAborted, 0 },
        { "permanent delete declined", aFile, true, taDeletePermanently, false, frFailed, 1 },
        { "permanent delete confirmed", aFile, true, taDeletePermanently, true, frSuccess, 1 },
        { "a folder", aFolder, true, taDeletePermanently, true, frSuccess, 1 },
        { "holding the trash", holdingTheTrash, true, taDeletePermanently, true, frFailed, 0 },
        { "a mount point", aMountPoint, true, taDeletePermanently, true, frFailed, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        QString path = c.what == holdingTheTrash
            ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            : MakeFolder(dir.path(), "f");
        QDir().mkpath(JoinPath(path, "Trash"));
        const QString file = WriteFile(path, "keep.jpg", "k");
        const QString point = MakeFolder(dir.path(), "m");
        std::optional<test::TMount> mount;
        if (c.what == aMountPoint && test::SkippedRow(mount.emplace(QStringList { "--bind", path }, point)))
            continue;
        path = c.what == aFile ? file : c.what == aMountPoint ? point : path;
        TScriptedPrompts prompts;
        std::tie(prompts.trash, prompts.trashFailed, prompts.deletePermanently) = std::tuple(c.confirm, c.failAnswer, c.permanent);
        EXPECT_EQ(RunOp({ foDelete, { path }, {}, FOF_ALLOWUNDO }, prompts, FailAt(fpTrash, EIO)), c.result);
        EXPECT_EQ(QFileInfo::exists(file), c.result != frSuccess);
        EXPECT_EQ(prompts.permanentAsked, c.permanentAsked);
        EXPECT_EQ(prompts.permanentQuestion, c.what == aFolder ? path + " 2" : c.permanentAsked ? path + " 0" : "");
        EXPECT_EQ(prompts.errors.empty() ? 0 : prompts.errors[0].Code, c.what >= holdingTheTrash ? kNeverDeletedOutright : 0);
    }
}

// A rename never replaces another file; a name differing only in case works also where the
// filesystem folds case and finds it taken by the entry itself (FAT, exFAT, CIFS).
TEST_F(FileOperationTest, RenameNeverReplacesAnExistingFile)
{
    const struct { const char *from, *to; bool foldsCase; TFileOpResult result; } cases[] = {
        { "a.jpg", "b.jpg", false, frFailed },
        { "a.jpg", "c.jpg", false, frSuccess },
        { "img.jpg", "IMG.jpg", true, frSuccess },
        { "dir/", "DIR", true, frSuccess },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        QTemporaryDir dir;
        const QString from
            = QByteArray(c.from).endsWith('/') ? MakeFolder(dir.path(), "dir") : WriteFile(dir.path(), c.from);
        WriteFile(dir.path(), "b.jpg", "B");
        TFileOpFaults folding { [&](TFaultPoint p, const QString& path, qint64) { return c.foldsCase && p == fpRename && path == from ? EEXIST : 0; } };
        TScriptedPrompts prompts;
        EXPECT_EQ(RunOp({ foRename, { from }, { JoinPath(dir.path(), c.to) }, FOF_ALLOWUNDO }, prompts, folding), c.result);
        EXPECT_EQ(QFileInfo::exists(from), c.result != frSuccess);
        EXPECT_EQ(ReadWholeFile(JoinPath(dir.path(), "b.jpg")), QByteArray("B"));
        EXPECT_TRUE(prompts.errors.size() == (c.result == frSuccess ? 0u : 1u) && LeftOvers(dir.path()).isEmpty());
    }
}

TEST_F(FileOperationTest, ExecuteAsksOnTheGuiThreadAndCancelsFromTheProgress)
{
    const QString large = WriteFileOfSize(src_, "big.avi", kLarge);
    prompts_.cancelOnProgress = true;
    TFileOperation op(Into(foCopy, { JoinPath(src_, "missing.jpg"), large }, dst_), prompts_);
    // Slow writes, so that the progress is polled while the large file is under way.
    op.SetFaults({ [](TFaultPoint point, const QString&, qint64) {
        if (point == fpWrite)
            QThread::msleep(50);
        return 0;
    } });
    EXPECT_EQ(op.Execute(), frAborted);
    EXPECT_EQ(prompts_.askedOn, std::vector<QThread*> { QThread::currentThread() });
    EXPECT_GT(prompts_.progressShown, 0);
    EXPECT_TRUE(prompts_.endedProgress);
    EXPECT_FALSE(QFileInfo::exists(JoinPath(dst_, "big.avi")));
    EXPECT_TRUE(LeftOvers(dir_.path()).isEmpty());
}

TEST_F(FileOperationTest, SilentOperationShowsNoProgress)
{
    const QString file = WriteFile(src_, "s.jpg", "s");
    TFileOperation op({ foRename, { file }, { JoinPath(src_, "t.jpg") }, FOF_SILENT }, prompts_);
    op.SetFaults({ [](TFaultPoint, const QString&, qint64) {
        QThread::msleep(30);
        return 0;
    } });
    EXPECT_EQ(op.Execute(), frSuccess);
    EXPECT_EQ(prompts_.progressShown, 0);
    EXPECT_TRUE(QFileInfo::exists(JoinPath(src_, "t.jpg")));
}

}  // namespace
}  // namespace pixmarl
