#include "FileOperation.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "Paths.h"
#include "Workers.h"

namespace pixmarl {

struct TFileOperation::TState {
    TFileOpRequest request;
    TFileOpFaults faults;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};
    std::atomic<TFileOpResult> result{frFailed};
    std::atomic<qint64> bytesDone{0};
    std::atomic<qint64> bytesTotal{0};
    std::atomic<int> itemsDone{0};
    std::atomic<int> currentItem{0};
};

namespace {

// Files at least this large are made durable one by one, with writeback started while they are
// copied; smaller ones are collected and made durable together, one filesystem sync per batch.
constexpr qint64 kLargeFile = 8 << 20;
constexpr qint64 kChunk = 32 << 20;
constexpr size_t kBufferSize = 1 << 20;
constexpr size_t kBatchFiles = 512;
constexpr qint64 kBatchBytes = 256 << 20;
constexpr int kCancelled = ECANCELED;
constexpr int kProgressTickMs = 30;

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

class TFd {
public:
    TFd() = default;
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() { Reset(); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    // Closes and reports the error a late write-back may only reveal here.
    int Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_ = -1;
};

int LStat(const QString& path, struct stat& st)
{
    return ::lstat(Native(path).constData(), &st) == 0 ? 0 : errno;
}

bool Exists(const QString& path)
{
    struct stat st {};
    return LStat(path, st) == 0;
}

bool IsSameOrInside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(JoinPath(folder, QString()));
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether target lies inside the folder source describes, reached by whatever path: a symbolic
// link or a bind mount on the way to target is followed.
bool IsInsideFolder(const QString& target, const struct stat& source)
{
    for (QString folder = ExtractFileDir(target); !folder.isEmpty();
         folder = ExtractFileDir(folder)) {
        struct stat st {};
        if (::stat(Native(folder).constData(), &st) == 0 && SameFile(st, source))
            return true;
        if (folder == u"/")
            break;
    }
    return false;
}

// Whether an existing target may be replaced: asked about (or replaced with FOF_NOCONFIRMATION),
// allowed by the user, or not; the entries of a folder have the permission of their pair.
enum TReplacePermission { rpAsk, rpAllowed, rpRefused };

// A name in folder that nothing uses, for an entry of the given kind to be renamed onto: the
// rename replaces the empty probe made here. Empty when none could be made.
QString ProbeName(const QString& folder, bool forFolder)
{
    QByteArray pattern = Native(JoinPath(folder, QStringLiteral(".pixmarl-XXXXXX")));
    if (forFolder)
        return ::mkdtemp(pattern.data()) != nullptr ? QFile::decodeName(pattern) : QString();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    return QFile::decodeName(pattern);
}

// rename(2) that leaves an existing target alone unless told to replace it.
int RenameTo(const QString& from, const QString& to, bool replace)
{
    const QByteArray a = Native(from);
    const QByteArray b = Native(to);
    if (replace)
        return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A filesystem without the no-replace flag: the check and the rename are not atomic there.
    if (Exists(to))
        return EEXIST;
    return ::rename(a.constData(), b.constData()) == 0 ? 0 : errno;
}

// FAT, exFAT and CIFS fold case: "IMG.jpg" is found taken by "img.jpg" itself. The entry steps
// aside to a free name and takes the new one only when that is free then; else it goes back.
int RenameThroughProbe(const QString& from, const QString& to, bool folder)
{
    const QString probe = ProbeName(ExtractFileDir(to), folder);
    if (probe.isEmpty())
        return errno;
    if (::rename(Native(from).constData(), Native(probe).constData()) != 0) {
        const int code = errno;
        ::remove(Native(probe).constData());
        return code;
    }
    const int code = Exists(to) ? EEXIST : RenameTo(probe, to, false);
    if (code != 0)
        RenameTo(probe, from, false);
    return code;
}

// A name taken on a case-folding filesystem by the entry being renamed.
bool TakenByItself(const QString& from, const QString& to)
{
    struct stat a {};
    struct stat b {};
    return from.compare(to, Qt::CaseInsensitive) == 0 ||
           (LStat(from, a) == 0 && LStat(to, b) == 0 && SameFile(a, b));
}

int SyncFilesystemOf(const QString& path)
{
    TFd fd(::open(Native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0)
        return errno;
    return ::syncfs(fd.Get()) == 0 ? 0 : errno;
}

// The names in a folder, without "." and ".."; answers errno when it cannot be read.
int ListFolder(const QString& folder, QStringList& names)
{
    names.clear();
    DIR* dir = ::opendir(Native(folder).constData());
    if (dir == nullptr)
        return errno;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
            names << QFile::decodeName(name);
    }
    const int code = errno;
    ::closedir(dir);
    return code;
}

qint64 TreeBytes(const QString& path)
{
    struct stat st {};
    if (LStat(path, st) != 0)
        return 0;
    if (!S_ISDIR(st.st_mode))
        return S_ISREG(st.st_mode) ? st.st_size : 0;
    qint64 sum = 0;
    QStringList names;
    ListFolder(path, names);
    for (const QString& name : names)
        sum += TreeBytes(JoinPath(path, name));
    return sum;
}

QString TrashFolder()
{
    return JoinPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                    QStringLiteral("Trash"));
}

// Where an entry lies: the mount (a bind mount of a folder of the same filesystem counts as a
// mount of its own) and whether it is the root of one.
struct TPlace {
    bool found = false;
    bool folder = false;
    std::uint64_t mount = 0;
    bool mountRoot = false;
};

TPlace PlaceOf(const QString& path)
{
    struct statx sx {};
    TPlace place;
    if (::statx(AT_FDCWD, Native(path).constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_TYPE | STATX_MNT_ID, &sx) != 0)
        return place;
    place.found = true;
    place.folder = S_ISDIR(sx.stx_mode);
    place.mount =
        (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : makedev(sx.stx_dev_major, sx.stx_dev_minor);
    place.mountRoot = (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return place;
}

// The entries below folder (not following links), or -1 when one of them is another mount.
int CountTree(const QString& folder, std::uint64_t mount)
{
    QStringList names;
    ListFolder(folder, names);
    int count = 0;
    for (const QString& name : names) {
        const QString path = JoinPath(folder, name);
        const TPlace place = PlaceOf(path);
        if (!place.found)
            continue;
        if (place.mount != mount || place.mountRoot)
            return -1;
        const int inside = place.folder ? CountTree(path, mount) : 0;
        if (inside < 0)
            return -1;
        count += 1 + inside;
    }
    return count;
}

// The number of entries a permanent delete of path removes (0 for a file), or -1 when it must
// never be deleted outright: a volume or mount point, a folder holding one, or one holding the
// trash (a home folder).
int CountForOutrightDelete(const QString& path)
{
    const TPlace place = PlaceOf(path);
    if (!place.found || !place.folder)
        return 0;
    const QString real = QFileInfo(path).canonicalFilePath();
    const QString trash = TrashFolder();
    const QString realTrash = QFileInfo(trash).canonicalFilePath();
    if (real == u"/" || place.mountRoot || PlaceOf(ExtractFileDir(real)).mount != place.mount ||
        IsSameOrInside(realTrash.isEmpty() ? trash : realTrash, real))
        return -1;
    return CountTree(path, place.mount);
}

// Forwards every question of the worker to the thread of the inbox (the one that runs Execute)
// and waits, on the worker, for the answer. A question that cannot be asked there any more is
// answered as declined.
class TQueuedPrompts : public TFileOpPrompts {
public:
    TQueuedPrompts(TFileOpPrompts& inner, TInbox::TPoster gui) : inner_(inner), gui_(std::move(gui))
    {}
    bool ConfirmTrash(int count) override
    {
        return Ask([&inner = inner_, count] { return inner.ConfirmTrash(count); }, false);
    }
    bool ConfirmReplace(const QString& target) override
    {
        return Ask([&inner = inner_, target] { return inner.ConfirmReplace(target); }, false);
    }
    TFileOpErrorAnswer AskError(const TFileOpError& error) override
    {
        return Ask([&inner = inner_, error] { return inner.AskError(error); }, eaCancel);
    }
    TTrashFailAnswer AskTrashFailed(const QString& path) override
    {
        return Ask([&inner = inner_, path] { return inner.AskTrashFailed(path); }, taCancel);
    }
    bool ConfirmDeletePermanently(const QString& path, int itemCount) override
    {
        return Ask([&inner = inner_, path, itemCount] { return inner.ConfirmDeletePermanently(path, itemCount); }, false);
    }
    bool ShowProgress(const TFileOpProgress&) override { return true; }
    void EndProgress() override {}
    // A question is on its way or open: the progress waits meanwhile.
    bool Asking() const { return asking_; }

private:
    template <class T, class F>
    T Ask(F question, T declined)
    {
        auto promise = std::make_shared<std::promise<T>>();
        std::future<T> answer = promise->get_future();
        asking_ = true;
        T reply = declined;
        if (gui_.Post([promise, question] { promise->set_value(question()); })) {
            try {
                reply = answer.get();
            } catch (const std::future_error&) {
                // dropped unasked: declined
            }
        }
        asking_ = false;
        return reply;
    }

    TFileOpPrompts& inner_;  // used on the inbox's thread only
    TInbox::TPoster gui_;
    std::atomic<bool> asking_{false};
};

// The work of one operation, on whichever thread runs it.
class TWorker {
public:
    TWorker(TFileOperation::TState& state, TFileOpPrompts& prompts)
        : state_(state), request_(state.request), prompts_(prompts)
    {}
    TFileOpResult Run();

private:
    enum TStep { stDone, stSkipped, stCancelled };

    // A copy written under a temporary name, waiting to be made durable and renamed into place.
    struct TPending {
        QString temp;
        QString target;
        QString source;
        bool replace = false;
        bool durable = false;
        bool removeSource = false;
        dev_t device = 0;
        bool link = false;
    };
    struct TFolderTimes {
        QString path;
        mode_t mode = 0;
        struct timespec times[2]{};
    };

    // The user cancelled, from the progress window or in a question.
    bool Cancelled() const { return aborted_ || state_.cancelled; }
    bool Confirmed() const { return (request_.Flags & FOF_NOCONFIRMATION) != 0; }
    int Fault(TFaultPoint point, const QString& path, qint64 offset = 0) const
    {
        return state_.faults.Inject ? state_.faults.Inject(point, path, offset) : 0;
    }
    TStep Outcome(TStep step);
    TStep AskAbout(const TFileOpError& error);
    TStep Attempt(TFileOpError error, const std::function<int()>& step);

    void RunItems(const std::function<TStep(int index)>& item);
    QString TargetOf(int index) const;
    TStep TransferItem(int index);

    TStep Transfer(const QString& source, const QString& target, bool move,
                   TReplacePermission permission, bool followLink = false);
    TStep TransferFolder(const QString& source, const struct stat& from, const QString& target,
                         bool targetExists, bool move, TReplacePermission permission);
    TStep CopyEntry(const QString& source, const struct stat& from, const QString& target,
                    bool replace, bool move, TReplacePermission permission);
    TStep CopyRegularFile(const QString& source, const QString& target, bool replace, bool move);
    TStep CopySymlink(const QString& source, const struct stat& from, const QString& target,
                      bool replace, bool move);
    int WriteCopy(int in, const struct stat& from, const QString& target, TPending& pending);
    int CopyData(int in, int out, const QString& temp);
    TStep Queue(TPending pending, qint64 bytes);
    TStep Commit();
    TStep RewriteOneByOne();
    TStep PlaceBatch(std::vector<TPending>& placed);
    TStep RemoveMovedSources(std::vector<TPending>& placed);
    int MakeDurable(const std::vector<TPending>& entries);
    void DiscardPending();
    void Finish();

    TStep Trash(const QString& path);
    TStep DeletePermanently(const QString& path);
    TStep Rename();
    int RenameStep(const QString& from, const QString& to);

    TFileOperation::TState& state_;
    const TFileOpRequest& request_;
    TFileOpPrompts& prompts_;
    bool failed_ = false;
    bool aborted_ = false;
    std::vector<TPending> pending_;
    qint64 pendingBytes_ = 0;
    std::vector<QString> createdFolders_;
    std::vector<TFolderTimes> folderTimes_;
    std::vector<QString> sourceFolders_;
    std::vector<char> buffer_;
    // Set while copies whose batch could not be made durable are written again, each one made
    // durable on its own so that a failure names its file.
    bool eachDurable_ = false;
};

TWorker::TStep TWorker::Outcome(TStep step)
{
    if (step == stSkipped)
        failed_ = true;
    if (step == stCancelled)
        aborted_ = true;
    return step;
}

TWorker::TStep TWorker::AskAbout(const TFileOpError& error)
{
    switch (prompts_.AskError(error)) {
    case eaRetry:
        return stDone;
    case eaSkip:
        return Outcome(stSkipped);
    case eaCancel:
        break;
    }
    return Outcome(stCancelled);
}

// Runs step until it succeeds, asking the user after each failure.
TWorker::TStep TWorker::Attempt(TFileOpError error, const std::function<int()>& step)
{
    for (;;) {
        if (Cancelled())
            return Outcome(stCancelled);
        error.Code = step();
        if (error.Code == 0)
            return stDone;
        if (error.Code == kCancelled)
            return Outcome(stCancelled);
        const TStep answer = AskAbout(error);
        if (answer != stDone)
            return answer;
    }
}

void TWorker::RunItems(const std::function<TStep(int index)>& item)
{
    for (int i = 0; i < request_.From.size() && !aborted_; ++i) {
        state_.currentItem = i;
        if (Cancelled() || item(i) == stCancelled)
            aborted_ = true;
        ++state_.itemsDone;
    }
}

QString TWorker::TargetOf(int index) const
{
    if (request_.Flags & FOF_MULTIDESTFILES)
        return index < request_.To.size() ? request_.To.at(index) : QString();
    return JoinPath(request_.To.value(0), ExtractFileName(request_.From.at(index)));
}

TFileOpResult TWorker::Run()
{
    switch (request_.Func) {
    case foCopy:
    case foMove: {
        if (request_.Func == foCopy) {
            qint64 total = 0;
            for (const QString& path : request_.From)
                total += TreeBytes(path);
            state_.bytesTotal = total;
        }
        RunItems([&](int i) { return TransferItem(i); });
        Finish();
        break;
    }
    case foDelete:
        if (!Confirmed() && !request_.From.isEmpty() &&
            !prompts_.ConfirmTrash(int(request_.From.size())))
            return frAborted;
        RunItems([&](int i) { return Trash(request_.From.at(i)); });
        break;
    case foRename:
        if (Outcome(Rename()) == stCancelled)
            aborted_ = true;
        break;
    }
    if (aborted_ || Cancelled())
        return frAborted;
    return failed_ ? frFailed : frSuccess;
}

TWorker::TStep TWorker::TransferItem(int index)
{
    const QString source = request_.From.at(index);
    const QString target = TargetOf(index);
    const bool move = request_.Func == foMove;
    if (target.isEmpty())
        return AskAbout({request_.Func, source, target, ENOENT});
    TReplacePermission permission = rpAsk;
    if (request_.MayReplace)
        permission = request_.MayReplace->contains(target) ? rpAllowed : rpRefused;
    // A folder reached through an alias of itself is caught here, once per item.
    struct stat from {};
    if (LStat(source, from) == 0 && S_ISDIR(from.st_mode) && IsInsideFolder(target, from)) {
        const TStep step = AskAbout({request_.Func, source, target, kTargetInsideSource});
        return step == stDone ? TransferItem(index) : step;
    }
    return Transfer(source, target, move, permission, true);
}

TWorker::TStep TWorker::Transfer(const QString& source, const QString& target, bool move,
                                 TReplacePermission permission, bool followLink)
{
    if (Cancelled())
        return Outcome(stCancelled);
    const TFileOpFunc func = move ? foMove : foCopy;
    const auto again = [&] { return Transfer(source, target, move, permission, followLink); };
    struct stat from {};
    TStep step = Attempt({func, source, target, 0}, [&] {
        const int fault = Fault(fpOpenSource, source);
        return fault ? fault : LStat(source, from);
    });
    if (step != stDone)
        return step;
    // A link given by itself stands for the file it points to, as the file list shows it.
    struct stat linked {};
    if (followLink && S_ISLNK(from.st_mode) && ::stat(Native(source).constData(), &linked) == 0 &&
        S_ISREG(linked.st_mode))
        from = linked;
    const bool folder = S_ISDIR(from.st_mode);
    if (move && source == target)
        return stDone;
    if (folder && IsSameOrInside(target, source)) {
        step = AskAbout({func, source, target, kTargetInsideSource});
        return step == stDone ? again() : step;
    }
    struct stat to {};
    const bool exists = LStat(target, to) == 0;
    // One file reached by two paths: there is nothing to copy, and removing it would lose it.
    if (exists && SameFile(from, to))
        return stDone;
    bool replace = false;
    if (exists) {
        const bool targetFolder = S_ISDIR(to.st_mode);
        if (folder && targetFolder)
            return TransferFolder(source, from, target, true, move, permission);
        if (folder != targetFolder) {
            step = AskAbout({func, source, target, targetFolder ? EISDIR : ENOTDIR});
            return step == stDone ? again() : step;
        }
        if (permission == rpRefused) {
            step = AskAbout({func, source, target, EEXIST});
            return step == stDone ? again() : step;
        }
        if (permission == rpAsk && !Confirmed() && !prompts_.ConfirmReplace(target))
            return stDone;
        replace = true;
    }
    if (move) {
        int code = 0;
        step = Attempt({func, source, target, 0}, [&] {
            const int fault = Fault(fpRename, source);
            code = fault ? fault : RenameTo(source, target, replace);
            return code == EXDEV ? 0 : code;
        });
        if (step != stDone || code == 0)
            return step;
    }
    return CopyEntry(source, from, target, replace, move, permission);
}

TWorker::TStep TWorker::CopyEntry(const QString& source, const struct stat& from,
                                  const QString& target, bool replace, bool move,
                                  TReplacePermission permission)
{
    const TFileOpFunc func = move ? foMove : foCopy;
    if (S_ISDIR(from.st_mode))
        return TransferFolder(source, from, target, false, move, permission);
    if (S_ISLNK(from.st_mode))
        return CopySymlink(source, from, target, replace, move);
    if (!S_ISREG(from.st_mode)) {
        const TStep step = AskAbout({func, source, target, EOPNOTSUPP});
        return step == stDone ? Transfer(source, target, move, permission) : step;
    }
    return CopyRegularFile(source, target, replace, move);
}

TWorker::TStep TWorker::TransferFolder(const QString& source, const struct stat& from,
                                       const QString& target, bool targetExists, bool move,
                                       TReplacePermission permission)
{
    if (!targetExists) {
        const TStep made = Attempt({move ? foMove : foCopy, source, target, 0}, [&] {
            const int fault = Fault(fpCreateTarget, target);
            if (fault)
                return fault;
            return ::mkdir(Native(target).constData(), 0700) == 0 ? 0 : errno;
        });
        if (made != stDone)
            return made;
        createdFolders_.push_back(target);
        TFolderTimes times{target, mode_t(from.st_mode & 07777), {from.st_atim, from.st_mtim}};
        folderTimes_.push_back(times);
    }
    QStringList names;
    const TStep listed = Attempt({move ? foMove : foCopy, source, target, 0}, [&] {
        const int fault = Fault(fpOpenSource, source, 1);
        return fault ? fault : ListFolder(source, names);
    });
    if (listed != stDone)
        return listed;
    TStep result = stDone;
    for (const QString& name : names) {
        const TStep step =
            Transfer(JoinPath(source, name), JoinPath(target, name), move, permission);
        if (step == stCancelled)
            return step;
        if (step == stSkipped)
            result = stSkipped;
    }
    // Removed once everything moved out of it is safely in place; rmdir leaves it when a
    // skipped entry is still inside.
    if (move)
        sourceFolders_.push_back(source);
    return result;
}

TWorker::TStep TWorker::CopyRegularFile(const QString& source, const QString& target, bool replace,
                                        bool move)
{
    const TFileOpFunc func = move ? foMove : foCopy;
    TFd in;
    TStep step = Attempt({func, source, target, 0}, [&] {
        const int fault = Fault(fpOpenSource, source);
        if (fault)
            return fault;
        in.Reset(::open(Native(source).constData(), O_RDONLY | O_CLOEXEC));
        return in.Get() >= 0 ? 0 : errno;
    });
    if (step != stDone)
        return step;
    struct stat from {};
    if (::fstat(in.Get(), &from) != 0) {
        step = AskAbout({func, source, target, errno});
        return step == stDone ? CopyRegularFile(source, target, replace, move) : step;
    }
    TPending pending{{}, target, source, replace, false, move, 0};
    const qint64 startBytes = state_.bytesDone;
    step = Attempt({func, source, target, 0}, [&] {
        state_.bytesDone = startBytes;
        ::lseek(in.Get(), 0, SEEK_SET);
        return WriteCopy(in.Get(), from, target, pending);
    });
    if (step != stDone)
        return step;
    return Queue(std::move(pending), from.st_size);
}

// Writes the complete copy under a temporary name beside target; on failure nothing is left.
int TWorker::WriteCopy(int in, const struct stat& from, const QString& target, TPending& pending)
{
    int code = Fault(fpCreateTarget, target);
    if (code)
        return code;
    QByteArray pattern =
        Native(JoinPath(ExtractFileDir(target), QStringLiteral(".pixmarl-XXXXXX")));
    TFd out(::mkostemp(pattern.data(), O_CLOEXEC));
    if (out.Get() < 0)
        return errno;
    pending.temp = QFile::decodeName(pattern);
    const bool large = from.st_size >= kLargeFile || eachDurable_;
    code = CopyData(in, out.Get(), pending.temp);
    if (code == 0) {
        // Permissions and times go on the open descriptor, before the name appears.
        ::fchmod(out.Get(), from.st_mode & 07777);
        const struct timespec times[2] = {from.st_atim, from.st_mtim};
        ::futimens(out.Get(), times);
        struct stat st {};
        ::fstat(out.Get(), &st);
        pending.device = st.st_dev;
        if (large) {
            code = Fault(fpSync, pending.temp);
            if (code == 0 && ::fsync(out.Get()) != 0)
                code = errno;
            pending.durable = code == 0;
        }
    }
    const int closed = out.Close();
    if (code == 0)
        code = closed;
    if (code != 0)
        ::unlink(pattern.constData());
    return code;
}

int TWorker::CopyData(int in, int out, const QString& temp)
{
    bool kernelCopy = true;
    qint64 offset = 0;
    for (;;) {
        if (Cancelled())
            return kCancelled;
        if (const int fault = Fault(fpWrite, temp, offset))
            return fault;
        ssize_t n = 0;
        if (kernelCopy) {
            n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
            if (n < 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                kernelCopy = false;
                continue;
            }
        } else {
            if (buffer_.empty())
                buffer_.resize(kBufferSize);
            n = ::read(in, buffer_.data(), buffer_.size());
            for (ssize_t written = 0; n > 0 && written < n;) {
                const ssize_t w = ::write(out, buffer_.data() + written, size_t(n - written));
                if (w < 0 && errno != EINTR)
                    return errno;
                written += w > 0 ? w : 0;
            }
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        // Writeback starts now, so that making the copy durable later waits for little.
        ::sync_file_range(out, offset, n, SYNC_FILE_RANGE_WRITE);
        offset += n;
        state_.bytesDone += n;
    }
}

TWorker::TStep TWorker::CopySymlink(const QString& source, const struct stat& from,
                                    const QString& target, bool replace, bool move)
{
    TPending pending{{}, target, source, replace, false, move, 0};
    const TStep step = Attempt({move ? foMove : foCopy, source, target, 0}, [&] {
        if (const int fault = Fault(fpCreateTarget, target))
            return fault;
        std::vector<char> link(size_t(from.st_size > 0 ? from.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(Native(source).constData(), link.data(), link.size() - 1);
        if (n < 0)
            return errno;
        link[size_t(n)] = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            QByteArray pattern =
                Native(JoinPath(ExtractFileDir(target), QStringLiteral(".pixmarl-XXXXXX")));
            TFd probe(::mkostemp(pattern.data(), O_CLOEXEC));
            if (probe.Get() < 0)
                return errno;
            ::unlink(pattern.constData());
            if (::symlink(link.data(), pattern.constData()) == 0) {
                // A link holds no data that a failed writeback could lose.
                pending.durable = eachDurable_;
                pending.link = true;
                const struct timespec times[2] = {from.st_atim, from.st_mtim};
                ::utimensat(AT_FDCWD, pattern.constData(), times, AT_SYMLINK_NOFOLLOW);
                pending.temp = QFile::decodeName(pattern);
                struct stat st {};
                ::lstat(pattern.constData(), &st);
                pending.device = st.st_dev;
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    });
    if (step != stDone)
        return step;
    return Queue(std::move(pending), 0);
}

TWorker::TStep TWorker::Queue(TPending pending, qint64 bytes)
{
    pending_.push_back(std::move(pending));
    pendingBytes_ += bytes;
    if (pending_.size() >= kBatchFiles || pendingBytes_ >= kBatchBytes)
        return Commit();
    return stDone;
}

// One filesystem sync per device among entries: far cheaper than an fsync per small file.
int TWorker::MakeDurable(const std::vector<TPending>& entries)
{
    std::vector<dev_t> synced;
    for (const TPending& p : entries) {
        if (p.durable || std::find(synced.begin(), synced.end(), p.device) != synced.end())
            continue;
        int code = Fault(fpSync, p.temp);
        if (code == 0)
            code = SyncFilesystemOf(ExtractFileDir(p.target));
        if (code != 0)
            return code;
        synced.push_back(p.device);
    }
    return 0;
}

// Makes the batch durable, renames each copy into place and, for moves, removes the sources
// once the new names are durable too. Skipped entries are recorded in failed_; the answer is
// stCancelled or stDone.
TWorker::TStep TWorker::Commit()
{
    if (pending_.empty())
        return stDone;
    if (Cancelled()) {
        DiscardPending();
        return Outcome(stCancelled);
    }
    // After a failed sync the kernel may have dropped what it could not write: syncing again
    // could succeed over damaged copies, so each file of the batch is written again.
    if (MakeDurable(pending_) != 0)
        return RewriteOneByOne();
    std::vector<TPending> placed;
    if (PlaceBatch(placed) == stCancelled)
        return stCancelled;
    return RemoveMovedSources(placed);
}

TWorker::TStep TWorker::RewriteOneByOne()
{
    std::vector<TPending> batch = std::move(pending_);
    pending_ = {};
    for (const TPending& p : batch)
        ::unlink(Native(p.temp).constData());
    pendingBytes_ = 0;
    eachDurable_ = true;
    TStep step = stDone;
    for (const TPending& p : batch) {
        struct stat from {};
        if (LStat(p.source, from) != 0 || !p.link)
            step = CopyRegularFile(p.source, p.target, p.replace, p.removeSource);
        else
            step = CopySymlink(p.source, from, p.target, p.replace, p.removeSource);
        if (step == stCancelled)
            break;
    }
    eachDurable_ = false;
    if (step == stCancelled) {
        DiscardPending();
        return step;
    }
    return Commit();
}

// Renames each copy of the batch into place; the placed copies of moves are added to placed.
TWorker::TStep TWorker::PlaceBatch(std::vector<TPending>& placed)
{
    std::vector<TPending> batch;
    batch.swap(pending_);
    pendingBytes_ = 0;
    TStep step = stDone;
    for (TPending& p : batch) {
        if (step != stCancelled) {
            step = Attempt({p.removeSource ? foMove : foCopy, p.source, p.target, 0}, [&] {
                const int fault = Fault(fpRename, p.target);
                return fault ? fault : RenameTo(p.temp, p.target, p.replace);
            });
        }
        if (step != stDone)
            ::unlink(Native(p.temp).constData());
        else if (p.removeSource)
            placed.push_back(p);
    }
    return step;
}

TWorker::TStep TWorker::RemoveMovedSources(std::vector<TPending>& placed)
{
    if (placed.empty())
        return stDone;
    // The new names must survive a crash before the only other copy goes.
    for (TPending& p : placed)
        p.durable = false;
    TStep step = Attempt({foMove, placed.front().source, placed.front().target, 0},
                         [&] { return MakeDurable(placed); });
    for (const TPending& p : placed) {
        if (step != stDone)
            break;
        step = Attempt({foMove, p.source, p.target, 0}, [&] {
            const int fault = Fault(fpRemove, p.source);
            if (fault)
                return fault;
            return ::unlink(Native(p.source).constData()) == 0 || errno == ENOENT ? 0 : errno;
        });
        // A source that stays is no loss: go on with the others.
        if (step == stSkipped)
            step = stDone;
    }
    return step == stCancelled ? step : stDone;
}

void TWorker::DiscardPending()
{
    for (const TPending& p : pending_)
        ::unlink(Native(p.temp).constData());
    pending_.clear();
    pendingBytes_ = 0;
}

void TWorker::Finish()
{
    Commit();
    if (aborted_ || Cancelled()) {
        DiscardPending();
        // Folders made for the cancelled copy go again when nothing was placed in them.
        for (auto it = createdFolders_.rbegin(); it != createdFolders_.rend(); ++it)
            ::rmdir(Native(*it).constData());
    } else {
        for (auto it = sourceFolders_.begin(); it != sourceFolders_.end(); ++it)
            ::rmdir(Native(*it).constData());
    }
    // Deepest folders first, so that setting a parent's time is the last change inside it.
    for (auto it = folderTimes_.rbegin(); it != folderTimes_.rend(); ++it) {
        const QByteArray path = Native(it->path);
        ::chmod(path.constData(), it->mode);
        ::utimensat(AT_FDCWD, path.constData(), it->times, 0);
    }
}

TWorker::TStep TWorker::Trash(const QString& path)
{
    TStep step = Attempt({foDelete, path, QString(), 0}, [&] {
        struct stat st {};
        return LStat(path, st);
    });
    if (step != stDone)
        return step;
    if (Fault(fpTrash, path) == 0 && QFile::moveToTrash(path))
        return stDone;
    const int items = CountForOutrightDelete(path);
    if (items < 0) {
        step = AskAbout({foDelete, path, QString(), kNeverDeletedOutright});
        return step == stDone ? Trash(path) : step;
    }
    switch (prompts_.AskTrashFailed(path)) {
    case taSkip:
        return Outcome(stSkipped);
    case taCancel:
        return Outcome(stCancelled);
    case taDeletePermanently:
        break;
    }
    if (!prompts_.ConfirmDeletePermanently(path, items))
        return Outcome(stSkipped);
    return DeletePermanently(path);
}

TWorker::TStep TWorker::DeletePermanently(const QString& path)
{
    return Attempt({foDelete, path, QString(), 0}, [&] {
        if (const int fault = Fault(fpRemove, path))
            return fault;
        struct stat st {};
        if (const int code = LStat(path, st))
            return code == ENOENT ? 0 : code;
        if (!S_ISDIR(st.st_mode))
            return ::unlink(Native(path).constData()) == 0 ? 0 : errno;
        return QDir(path).removeRecursively() ? 0 : EACCES;
    });
}

TWorker::TStep TWorker::Rename()
{
    const QString from = request_.From.value(0);
    const QString to = request_.To.value(0);
    if (from.isEmpty() || to.isEmpty())
        return AskAbout({foRename, from, to, ENOENT});
    if (from == to)
        return stDone;
    return Attempt({foRename, from, to, 0}, [&] { return RenameStep(from, to); });
}

int TWorker::RenameStep(const QString& from, const QString& to)
{
    int code = Fault(fpRename, from);
    if (code == 0)
        code = RenameTo(from, to, false);
    if (code != EEXIST || !TakenByItself(from, to))
        return code;
    struct stat st {};
    return RenameThroughProbe(from, to, LStat(from, st) == 0 && S_ISDIR(st.st_mode));
}

}  // namespace

QString FileOpErrorText(const TFileOpError& error)
{
    static const char* const kVerbs[] = {"", "move", "copy", "delete", "rename"};
    const int func = int(error.Func);
    const QString verb = QLatin1String(func >= 1 && func <= 4 ? kVerbs[func] : "change");
    QString reason;
    switch (error.Code) {
    case kTargetInsideSource:
        reason = QStringLiteral("the target folder is inside the source folder");
        break;
    case kNeverDeletedOutright:
        reason = QStringLiteral("it holds a volume or the trash and is never deleted outright");
        break;
    case ENOENT:
        reason = QStringLiteral("it does not exist");
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        reason = QStringLiteral("permission denied");
        break;
    case ENOSPC:
    case EDQUOT:
        reason = QStringLiteral("the disk is full");
        break;
    case EISDIR:
        reason = QStringLiteral("a folder of that name is in the way");
        break;
    case ENOTDIR:
        reason = QStringLiteral("a file of that name is in the way");
        break;
    case EEXIST:
        reason = QStringLiteral("a file of that name already exists");
        break;
    default:
        reason = QString::fromLocal8Bit(std::strerror(error.Code)).toLower();
        break;
    }
    return QStringLiteral("Cannot %1 \"%2\": %3.")
        .arg(verb, ExtractFileName(error.Source.isEmpty() ? error.Target : error.Source), reason);
}

TFileOperation::TFileOperation(TFileOpRequest request, TFileOpPrompts& prompts)
    : state_(std::make_shared<TState>()), prompts_(prompts)
{
    state_->request = std::move(request);
}

TFileOperation::~TFileOperation() = default;

void TFileOperation::SetFaults(TFileOpFaults faults)
{
    state_->faults = std::move(faults);
}

void TFileOperation::Cancel()
{
    state_->cancelled = true;
}

TFileOpResult TFileOperation::Run()
{
    return TWorker(*state_, prompts_).Run();
}

TFileOpProgress TFileOperation::Progress(qint64 elapsedMs) const
{
    TFileOpProgress p;
    p.Func = state_->request.Func;
    p.BytesDone = state_->bytesDone;
    p.BytesTotal = state_->bytesTotal;
    p.ItemsDone = state_->itemsDone;
    p.ItemCount = int(state_->request.From.size());
    p.CurrentItem = state_->request.From.value(state_->currentItem);
    p.ElapsedMs = elapsedMs;
    return p;
}

TFileOpResult TFileOperation::Execute()
{
    QEventLoop loop;
    TInbox inbox;  // closed before the loop goes
    auto state = state_;
    auto forward = std::make_shared<TQueuedPrompts>(prompts_, inbox.Poster());
    std::thread worker([state, forward, gui = inbox.Poster(), done = &loop] {
        state->result = TWorker(*state, *forward).Run();
        state->finished = true;
        gui.Post([done] { done->quit(); });
    });

    QElapsedTimer timer;
    timer.start();
    const bool silent = (state->request.Flags & FOF_SILENT) != 0;
    bool windowShown = false;
    QTimer tick;
    tick.setInterval(kProgressTickMs);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (silent || state->finished || forward->Asking())
            return;
        if (!prompts_.ShowProgress(Progress(timer.elapsed())))
            Cancel();
        if (prompts_.ProgressWindowShown() != windowShown)
            loop.quit();  // to go on with the input the window takes
    });
    tick.start();
    while (!state->finished) {
        windowShown = prompts_.ProgressWindowShown();
        // Input waits until the modal progress window can take it: nothing else may start in the
        // middle of this operation. The worker's questions open modal boxes of their own.
        loop.exec(windowShown ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    }
    tick.stop();
    worker.join();
    prompts_.EndProgress();
    return state->result;
}

TFileOpResult ShellFileOperation(const TFileOpRequest& request, TFileOpPrompts& prompts)
{
    return TFileOperation(request, prompts).Execute();
}

}  // namespace pixmarl
