#pragma once

// Copy, move, delete and rename over lists of paths, never losing a file:
// - a copy is written under a temporary name in the target folder, made durable, and only then
//   renamed into place; modification time and permissions are kept. A cancelled or failed copy
//   leaves no partial file and never touches an existing file it was not told to replace;
// - a move is rename(2); across filesystems a complete, durable copy, then removal of the source;
// - folders are copied and moved with their contents, with the same guarantees; a symbolic link
//   given as a source is copied as the file it points to, links inside folders stay links;
// - the same file reached through two paths (a bind mount, a folder alias) is never copied onto
//   itself or removed, and a folder is never copied into itself, however it is reached;
// - a delete moves to the freedesktop trash; what cannot be trashed is deleted outright only
//   after two explicit answers of the user, and never when it is a volume, a mount point, holds
//   one or holds the trash.
// The questions to the user (confirmations, errors with Skip/Retry/Cancel, progress) go through
// TFileOpPrompts, so the widgets live elsewhere and tests script the answers.

#include <functional>
#include <memory>
#include <optional>

#include <QString>
#include <QStringList>

namespace pixmarl {

enum TFileOpFunc { foMove = 1, foCopy = 2, foDelete = 3, foRename = 4 };

// The flags the callers use. FOF_MULTIDESTFILES: To holds one target path per source, else To[0]
// is the one target folder. FOF_NOCONFIRMATION: replace existing targets and trash without asking.
// FOF_SILENT: no progress window. FOF_ALLOWUNDO and FOF_SIMPLEPROGRESS are accepted: deletions
// always go to the trash.
constexpr unsigned FOF_MULTIDESTFILES = 0x0001;
constexpr unsigned FOF_SILENT = 0x0004;
constexpr unsigned FOF_NOCONFIRMATION = 0x0010;
constexpr unsigned FOF_ALLOWUNDO = 0x0040;
constexpr unsigned FOF_SIMPLEPROGRESS = 0x0100;

struct TFileOpRequest {
    TFileOpFunc Func = foCopy;
    QStringList From;
    QStringList To;  // rename: the new full path in To[0]
    unsigned Flags = 0;
    // When set, exactly these targets may be replaced (a folder with what it holds); any other
    // target found existing is an EEXIST error (Skip, Retry, Cancel), whatever the flags say.
    std::optional<QStringList> MayReplace = std::nullopt;
};

// frFailed: at least one item was skipped after an error; frAborted: the user cancelled or
// declined the confirmation.
enum TFileOpResult { frSuccess, frFailed, frAborted };

enum TFileOpErrorAnswer { eaSkip, eaRetry, eaCancel };
enum TTrashFailAnswer { taSkip, taDeletePermanently, taCancel };

// Error codes beyond errno's: the source is a folder and the target lies inside it; the folder
// is a volume or mount point, holds one, or holds the trash, so it is never deleted outright.
constexpr int kTargetInsideSource = -1;
constexpr int kNeverDeletedOutright = -2;

struct TFileOpError {
    TFileOpFunc Func = foCopy;
    QString Source;
    QString Target;
    int Code = 0;  // errno value, or kTargetInsideSource
};

// One line for the user, e.g. "Cannot copy "a.jpg": the disk is full."
QString FileOpErrorText(const TFileOpError& error);

struct TFileOpProgress {
    TFileOpFunc Func = foCopy;
    qint64 BytesDone = 0;
    qint64 BytesTotal = 0;  // copies only; 0 otherwise
    int ItemsDone = 0;
    int ItemCount = 0;
    QString CurrentItem;
    qint64 ElapsedMs = 0;
};

// The user's side of an operation. TFileOperation::Run calls these on its own thread;
// TFileOperation::Execute calls them on the thread that called Execute (the GUI thread), from
// inside the event loop it runs.
class TFileOpPrompts {
public:
    virtual ~TFileOpPrompts() = default;
    virtual bool ConfirmTrash(int count) = 0;
    // Without FOF_NOCONFIRMATION: may the existing file target be replaced?
    virtual bool ConfirmReplace(const QString& target) = 0;
    virtual TFileOpErrorAnswer AskError(const TFileOpError& error) = 0;
    virtual TTrashFailAnswer AskTrashFailed(const QString& path) = 0;
    // The second, explicit confirmation before anything is deleted outright; itemCount is the
    // number of entries inside a folder, 0 for a file.
    virtual bool ConfirmDeletePermanently(const QString& path, int itemCount) = 0;
    // Called every few milliseconds while Execute runs; false means the user pressed Cancel.
    virtual bool ShowProgress(const TFileOpProgress& progress) = 0;
    virtual void EndProgress() = 0;
    // Whether a modal progress window is shown: until then Execute holds back the user's input.
    virtual bool ProgressWindowShown() const { return false; }
};

// The steps of an operation where a test can make the file system fail.
enum TFaultPoint { fpOpenSource, fpCreateTarget, fpWrite, fpSync, fpRename, fpRemove, fpTrash };

// A test seam: Inject returns 0 to let a step run, or an errno value to make it fail with that
// error. offset: at fpWrite the bytes copied so far; at fpOpenSource 1 when a folder is listed,
// else 0. Called on the thread that does the file work.
struct TFileOpFaults {
    std::function<int(TFaultPoint point, const QString& path, qint64 offset)> Inject;
};

class TFileOperation {
public:
    TFileOperation(TFileOpRequest request, TFileOpPrompts& prompts);
    ~TFileOperation();
    TFileOperation(const TFileOperation&) = delete;
    TFileOperation& operator=(const TFileOperation&) = delete;

    void SetFaults(TFileOpFaults faults);

    // Does the work on the calling thread.
    TFileOpResult Run();
    // Does the work on a worker thread and returns when it is done. Meanwhile the calling (GUI)
    // thread runs an event loop of its own, where the worker's questions arrive as queued calls
    // and the progress is shown; user input waits until the modal progress window is up and then
    // goes to that window only. Call it on the GUI thread.
    TFileOpResult Execute();
    // Any thread: the operation stops at the next step, removing what it had half written.
    void Cancel();

    struct TState;

private:
    TFileOpProgress Progress(qint64 elapsedMs) const;

    // Shared with the worker thread, which may outlive nothing but still must not reach into
    // this object.
    std::shared_ptr<TState> state_;
    TFileOpPrompts& prompts_;
};

// The operation with its windows: Execute on the GUI thread.
TFileOpResult ShellFileOperation(const TFileOpRequest& request, TFileOpPrompts& prompts);

}  // namespace pixmarl
