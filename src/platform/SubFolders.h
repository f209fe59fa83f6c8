#pragma once

// The sub-folders of a folder as the folder tree shows them, read with one stat per folder
// entry: whether each is hidden or a system folder (a leading "." counts as hidden), and whether
// its link count already proves it has no sub-folders of its own, so that reading one level
// ahead need not open it. The stat never waits for a network or FUSE filesystem (it takes what
// the kernel has cached), and an entry on another filesystem, a mount point, is not looked into:
// a dead mount below a folder must not stall the folder's listing. Any thread may call these.

#include <functional>

#include <QSet>
#include <QString>

namespace pixmarl {

struct TSubFolder {
    QString name;
    bool hidden = false;     // hidden or system
    bool leaf = false;       // surely without sub-folders
    bool elsewhere = false;  // on another filesystem (a mount point), or not looked at
};

// Calls visit for every folder entry of folder (symbolic links to folders included); false,
// without calling visit, when the folder cannot be opened. The entries named in unprobed (known
// mount points of volumes that may not answer) are passed on as folders without any look.
bool ForEachSubFolder(const QString& folder, const std::function<void(TSubFolder&&)>& visit,
                      const QSet<QString>& unprobed = {});

// True when folder's link count proves it has no sub-folders (on filesystems that count them).
bool IsLeafFolder(const QString& folder);

}  // namespace pixmarl
