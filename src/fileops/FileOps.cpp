#include "FileOps.h"

#include <map>
#include <optional>

#include <QFile>
#include <QSet>

#include "fileops/FileNames.h"
#include "platform/Budget.h"
#include "platform/DirEntries.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

// How long the interface waits for the target folders to be read before it asks about conflicts.
constexpr int kTargetFoldersBudgetMs = 500;

// The names in each target folder, read on a worker so that a dead network folder cannot freeze
// the interface. A folder that did not answer in time reads as empty: its conflicts are then met
// by the operation itself, which replaces nothing it was not allowed to.
class TTargetFolders {
public:
    explicit TTargetFolders(const QStringList& targets)
    {
        QStringList folders;
        for (const QString& target : targets)
            if (!folders.contains(ExtractFileDir(target)))
                folders << ExtractFileDir(target);
        auto read = RunWithin<TNames>([folders] { return ReadNames(folders); },
                                      DeadlineIn(kTargetFoldersBudgetMs));
        if (read)
            names_ = std::move(*read);
    }
    bool Exists(const QString& path) const
    {
        const auto it = names_.find(ExtractFileDir(path));
        return it != names_.end() && it->second.contains(ExtractFileName(path));
    }

private:
    using TNames = std::map<QString, QSet<QString>>;
    static TNames ReadNames(const QStringList& folders)
    {
        TNames names;
        for (const QString& folder : folders) {
            QSet<QString>& inFolder = names[folder];
            ForEachDirName(folder, {}, [&](const TDirName& entry) {
                inFolder.insert(QFile::decodeName(
                    QByteArray(entry.nativeName.data(), qsizetype(entry.nativeName.size()))));
            });
        }
        return names;
    }
    TNames names_;
};

// The walk over the pairs of one request, with the answer for all that is in force.
class TOverwriteRun {
public:
    TOverwriteRun(QStringList& sources, QStringList& targets, bool create,
                  const TAskOverwriteEvent& ask)
        : sources_(sources), targets_(targets), create_(create), ask_(ask), disk_(targets)
    {}

    bool Walk();
    // The targets the user allowed to be replaced.
    const QStringList& Replaced() const { return replaced_; }

private:
    bool ExistsOnDisk(const QString& path) const { return disk_.Exists(path); }
    // The index of an earlier pair that already writes to targets_[i], or -1.
    qsizetype EarlierPairWriting(qsizetype i) const
    {
        const qsizetype at = targets_.indexOf(targets_.at(i));
        return at < i ? at : -1;
    }
    bool InConflict(qsizetype i) const
    {
        return ExistsOnDisk(targets_.at(i)) || EarlierPairWriting(i) >= 0;
    }
    // Used on disk or by another pair of this run.
    bool Taken(const QString& path, qsizetype i) const
    {
        for (qsizetype k = 0; k < targets_.size(); ++k)
            if (k != i && targets_.at(k) == path)
                return true;
        return ExistsOnDisk(path);
    }
    QString FreeName(qsizetype i) const
    {
        return UniqueFileName(targets_.at(i), [this, i](const QString& p) { return Taken(p, i); });
    }
    TOverwriteReply Ask(qsizetype i, bool multiple) const;

    QStringList& sources_;
    QStringList& targets_;
    const bool create_;
    const TAskOverwriteEvent& ask_;
    const TTargetFolders disk_;
    QStringList replaced_;
};

TOverwriteReply TOverwriteRun::Ask(qsizetype i, bool multiple) const
{
    TOverwriteQuestion q;
    q.Source = create_ ? QString() : sources_.value(i);
    q.Target = targets_.at(i);
    const qsizetype earlier = EarlierPairWriting(i);
    q.Existing =
        ExistsOnDisk(q.Target) || earlier < 0 || create_ ? q.Target : sources_.value(earlier);
    q.Proposal = FreeName(i);
    q.Multiple = multiple;
    q.Taken = [this, i](const QString& p) { return Taken(p, i); };
    if (!ask_)
        return {};
    TOverwriteReply reply = ask_(q);
    // A typed name that is not free would silently replace another file: take the proposal.
    if ((reply.Answer == oaRename || reply.Answer == oaRenameAll) &&
        (reply.NewTarget.isEmpty() || IsInvalidFileName(ExtractFileName(reply.NewTarget)) ||
         (reply.NewTarget != q.Proposal && Taken(reply.NewTarget, i))))
        reply.NewTarget = q.Proposal;
    return reply;
}

bool TOverwriteRun::Walk()
{
    if (targets_.size() == 1) {
        if (!ExistsOnDisk(targets_.at(0)))
            return true;
        const TOverwriteReply reply = Ask(0, false);
        switch (reply.Answer) {
        case oaRename:
        case oaRenameAll:
            targets_[0] = reply.NewTarget;
            return true;
        case oaReplace:
        case oaReplaceAll:
            replaced_ << targets_.at(0);
            return true;
        default:
            return false;
        }
    }
    std::optional<TOverwriteAnswer> forAll;
    for (qsizetype i = 0; i < targets_.size();) {
        if (!InConflict(i)) {
            ++i;
            continue;
        }
        TOverwriteReply reply;
        if (forAll)
            reply = {*forAll, *forAll == oaRenameAll ? FreeName(i) : QString()};
        else
            reply = Ask(i, true);
        switch (reply.Answer) {
        case oaReplaceAll:
        case oaRenameAll:
        case oaReplaceNone:
            forAll = reply.Answer;
            break;
        default:
            break;
        }
        switch (reply.Answer) {
        case oaReplace:
        case oaReplaceAll:
            if (ExistsOnDisk(targets_.at(i)))
                replaced_ << targets_.at(i);
            ++i;
            break;
        case oaRename:
        case oaRenameAll:
            targets_[i] = reply.NewTarget;
            ++i;
            break;
        case oaDontReplace:
        case oaReplaceNone:
            sources_.removeAt(i);
            targets_.removeAt(i);
            break;
        case oaCancel:
            return false;
        }
    }
    return true;
}

}  // namespace

bool TFileOps::RequestOverwrite(QStringList& sources, QStringList& targets, bool create) const
{
    QStringList replaced;
    return RequestOverwrite(sources, targets, create, replaced);
}

bool TFileOps::RequestOverwrite(QStringList& sources, QStringList& targets, bool create,
                                QStringList& replaced) const
{
    if (sources.size() != targets.size())
        return false;
    TOverwriteRun run(sources, targets, create, OnAskOverwrite);
    const bool goOn = run.Walk();
    replaced = run.Replaced();
    return goOn;
}

bool TFileOps::Execute(const TFileOpRequest& request) const
{
    return OnExecute && OnExecute(request) == frSuccess;
}

bool TFileOps::CopyMovePairs(QStringList sources, QStringList targets, TFileOpFunc operation) const
{
    QStringList replaced;
    if (!RequestOverwrite(sources, targets, false, replaced))
        return false;
    if (sources.isEmpty())
        return true;
    // Exactly what the user allowed: a target that appears meanwhile, or a second source of the
    // same name on a filesystem that folds case, is asked about, never replaced.
    return Execute({operation, sources, targets,
                    FOF_MULTIDESTFILES | FOF_NOCONFIRMATION | FOF_ALLOWUNDO, replaced});
}

bool TFileOps::CopyMoveFiles(const QStringList& files, TFileOpFunc operation,
                             const QString& targetFolder) const
{
    if (targetFolder.isEmpty() || (operation != foCopy && operation != foMove))
        return false;
    QStringList targets;
    for (const QString& file : files)
        targets << JoinPath(targetFolder, ExtractFileName(file));
    return CopyMovePairs(files, targets, operation);
}

bool TFileOps::CopyMoveFilesAs(const QStringList& sources, const QStringList& targets,
                               TFileOpFunc operation, const QString& targetFolder) const
{
    if (operation != foCopy && operation != foMove)
        return false;
    // Unpaired lists would send files to the wrong names.
    if (sources.size() != targets.size())
        return false;
    QStringList joined;
    for (const QString& target : targets)
        joined << JoinPath(targetFolder, ExtractFileName(target));
    return CopyMovePairs(sources, joined, operation);
}

bool TFileOps::DeleteFiles(const QStringList& files) const
{
    if (files.isEmpty())
        return false;
    return Execute({foDelete, files, {}, FOF_ALLOWUNDO});
}

bool TFileOps::RenameFile(const QString& oldPath, const QString& newName) const
{
    return Rename(oldPath, newName, true);
}

bool TFileOps::RenameFolder(const QString& oldPath, const QString& newName) const
{
    return Rename(oldPath, newName, false);
}

bool TFileOps::Rename(const QString& oldPath, const QString& newName, bool announce) const
{
    // The whole name is checked: a separator would move the file into another folder.
    if (newName.isEmpty() || IsInvalidFileName(newName)) {
        if (OnMessage)
            OnMessage(QStringLiteral("Rename"), InvalidFileNameMessage());
        return false;
    }
    const QString newPath = JoinPath(ExtractFileDir(oldPath), newName);
    // Nothing changes on disk, so no change report would come to use up the announcement.
    if (newPath == oldPath)
        return true;
    if (announce && OnOwnChange)
        OnOwnChange();
    const bool ok = Execute({foRename, {oldPath}, {newPath}, FOF_ALLOWUNDO});
    if (announce && !ok && OnOwnChangeTakenBack)
        OnOwnChangeTakenBack();
    return ok;
}

bool RequestOverwrite(const TFileOps& ops, QStringList& sources, QStringList& targets, bool create)
{
    return ops.RequestOverwrite(sources, targets, create);
}

void CopyMoveFiles(const TFileOps& ops, const QStringList& files, TFileOpFunc operation,
                   const QString& targetFolder)
{
    ops.CopyMoveFiles(files, operation, targetFolder);
}

void CopyMoveFilesAs(const TFileOps& ops, const QStringList& sources, const QStringList& targets,
                     TFileOpFunc operation, const QString& targetFolder)
{
    ops.CopyMoveFilesAs(sources, targets, operation, targetFolder);
}

void DeleteFiles(const TFileOps& ops, const QStringList& files)
{
    ops.DeleteFiles(files);
}

bool RenameFile(const TFileOps& ops, const QString& oldPath, const QString& newName)
{
    return ops.RenameFile(oldPath, newName);
}

}  // namespace pixmarl
