#pragma once

// Reading sub-folders for the folder tree, and the small name rules of the tree: which folders
// are shown (never hidden or system ones, never names beginning with "."), the folder-name check,
// the name of a new folder. ListFolders is a plain function any thread may call; ListWithin runs
// it on a worker so that a dead network mount cannot freeze the interface.

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <QSet>
#include <QString>
#include <QStringList>

#include "platform/Budget.h"

namespace pixmarl {

// The characters a folder name may not hold, in the order the message shows them.
extern const QString kInvalidFolderNameChars;

// True when name holds one of kInvalidFolderNameChars.
bool IsInvalidFolderName(const QString& name);

// "Neuer Ordner", or the first "Neuer Ordner (n)", n = 1, 2, ..., for which folderExists answers
// false. Only folders count: a file of that name does not move the choice on.
QString NewFolderName(const QString& parentPath,
                      const std::function<bool(const QString& path)>& folderExists);

// Creates the new folder of parentPath (named by NewFolderName); its name, empty on failure.
QString MakeNewFolder(const QString& parentPath);

// The shown sub-folders of path in the tree's order; empty when it cannot be read.
QStringList ListSubFolders(const QString& path);

// What to read of one folder: its sub-folders and, with lookAhead, the sub-folders of each of
// them except those on another filesystem and those whose full paths are in skip (mount points
// of media and network volumes, which are not even looked at).
struct TListRequest {
    QString path;
    bool lookAhead = false;
    QSet<QString> skip;
};

struct TFolderListing {
    QString path;
    QStringList names;                         // in the tree's order
    bool readAhead = false;                    // the request asked for lookAhead
    std::map<QString, QStringList> lookAhead;  // child name -> its sub-folders, for those read
};

using TListFoldersFn = std::function<std::vector<TFolderListing>(const std::vector<TListRequest>&)>;

std::vector<TFolderListing> ListFolders(const std::vector<TListRequest>& requests);

// Runs list(requests) on a worker thread and waits until deadline for it. When it is done in
// time the result is returned. Otherwise nullopt is returned at once, and late(result) runs on
// the GUI thread when the worker ends (the caller makes sure late still has a target then).
std::optional<std::vector<TFolderListing>>
ListWithin(const TListFoldersFn& list, std::vector<TListRequest> requests, TDeadline deadline,
           std::function<void(std::vector<TFolderListing>)> late);

}  // namespace pixmarl
