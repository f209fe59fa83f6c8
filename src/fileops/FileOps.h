#pragma once

// Copying, moving, deleting and renaming on behalf of the user, with the program's own question
// about files that already exist, settled before anything is written. The windows are reached
// through events, so this runs (and is tested) without widgets. Every window that offers file
// operations owns a TFileOps wired to its own dialogs (InstallFileOpDialogs), so a question is
// always asked over the window the command came from. GUI thread only.

#include <functional>

#include <QString>
#include <QStringList>

#include "platform/FileOperation.h"

namespace pixmarl {

enum TOverwriteAnswer {
    oaReplace,
    oaRename,
    oaDontReplace,
    oaReplaceAll,
    oaRenameAll,
    oaReplaceNone,
    oaCancel
};

struct TOverwriteQuestion {
    QString Source;         // the incoming file; empty when the file is yet to be created
    QString Target;         // the path in conflict
    QString Existing;       // the file whose size and time describe what is at Target
    QString Proposal;       // full path of the proposed free name
    bool Multiple = false;  // more than one target: the answers for all and Cancel are offered
    // Whether a typed name (full path) is already used on disk or by another target of the run.
    std::function<bool(const QString& path)> Taken;
};

struct TOverwriteReply {
    TOverwriteAnswer Answer = oaCancel;
    QString NewTarget;  // Rename, Rename all: the full path chosen
};

using TAskOverwriteEvent = std::function<TOverwriteReply(const TOverwriteQuestion&)>;

class TFileOps {
public:
    TAskOverwriteEvent OnAskOverwrite;
    std::function<void(const QString& caption, const QString& text)> OnMessage;
    // One change report of the folder monitor is to be ignored (a rename updates the list
    // itself); OnOwnChangeTakenBack withdraws that when the rename failed.
    std::function<void()> OnOwnChange;
    std::function<void()> OnOwnChangeTakenBack;
    // Runs a file operation with its windows.
    std::function<TFileOpResult(const TFileOpRequest&)> OnExecute;

    // Settles the conflicts of sources[i] -> targets[i]: answers whether to go on; may drop
    // pairs and change targets. create: the targets are yet to be made (no incoming file).
    bool RequestOverwrite(QStringList& sources, QStringList& targets, bool create) const;

    // The answers report whether the operation ran and succeeded.
    bool CopyMoveFiles(const QStringList& files, TFileOpFunc operation,
                       const QString& targetFolder) const;
    bool CopyMoveFilesAs(const QStringList& sources, const QStringList& targets,
                         TFileOpFunc operation, const QString& targetFolder) const;
    bool DeleteFiles(const QStringList& files) const;
    bool RenameFile(const QString& oldPath, const QString& newName) const;
    // As RenameFile, without the announcement: the monitor of the shown folder watches file
    // names only, so a renamed folder brings no report that could use it up.
    bool RenameFolder(const QString& oldPath, const QString& newName) const;

private:
    bool RequestOverwrite(QStringList& sources, QStringList& targets, bool create,
                          QStringList& replaced) const;
    bool CopyMovePairs(QStringList sources, QStringList targets, TFileOpFunc operation) const;
    bool Execute(const TFileOpRequest& request) const;
    bool Rename(const QString& oldPath, const QString& newName, bool announce) const;
};

// The operations as the commands call them, each with the window's own TFileOps. Each returns
// when the operation has ended.
bool RequestOverwrite(const TFileOps& ops, QStringList& sources, QStringList& targets, bool create);
void CopyMoveFiles(const TFileOps& ops, const QStringList& files, TFileOpFunc operation,
                   const QString& targetFolder);
void CopyMoveFilesAs(const TFileOps& ops, const QStringList& sources, const QStringList& targets,
                     TFileOpFunc operation, const QString& targetFolder);
void DeleteFiles(const TFileOps& ops, const QStringList& files);
bool RenameFile(const TFileOps& ops, const QString& oldPath, const QString& newName);

}  // namespace pixmarl
