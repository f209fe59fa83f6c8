#pragma once

// The sub-folders of a folder as the folder tree shows them, read with one stat per folder
// entry: whether each is hidden or a system folder (a leading "." counts as hidden), and whether
// its link count already proves it has no sub-folders of its own, so that reading one level
// ahead need not open it. Any thread may call these.

#include <functional>

#include <QString>

namespace pixmarl {

struct TSubFolder {
    QString name;
    bool hidden = false;  // hidden or system
    bool leaf = false;    // surely without sub-folders
};

// Calls visit for every folder entry of folder (symbolic links to folders included); false,
// without calling visit, when the folder cannot be opened.
bool ForEachSubFolder(const QString& folder, const std::function<void(TSubFolder&&)>& visit);

// True when folder's link count proves it has no sub-folders (on filesystems that count them).
bool IsLeafFolder(const QString& folder);

}  // namespace pixmarl
