#pragma once

// What the location bar shows and how it reads a typed path, without a screen: the drop-down
// items (one per volume, and right after the volume that holds the current folder one item per
// path component below its mount path), the path each item stands for, and the full path a typed
// text names. The widget (FldLocEdits.h) only draws these items and asks the file system, on a
// worker, what a typed path is. Plain functions; any thread.

#include <vector>

#include <QString>

namespace pixmarl {

struct TLocVolume {
    QString mountPath;
    QString name;  // the display name
    int imageIndex = 0;
};

struct TLocItem {
    QString text;
    QString path;    // the folder picking the item goes to
    int depth = 0;   // 0 for a volume, 1 for the first path component below it, ...
    int imageIndex;  // the DirImages icon
    bool operator==(const TLocItem&) const = default;
};

struct TLocItems {
    std::vector<TLocItem> items;
    int pathStart = -1;  // index of the first path item; -1 when there is none
    int pathCount = 0;
    int current = -1;  // the item of the current folder; -1 when no volume holds it
};

// The items for the volumes (in volume order) with directory as the current folder.
TLocItems BuildLocationItems(const std::vector<TLocVolume>& volumes, const QString& directory);

// The full, cleaned path a typed text names: a text starting with "/" is absolute, "~" alone or
// followed by "/" starts at home, anything else is relative to directory. Empty for a text of
// blanks only.
QString TypedPathTarget(const QString& text, const QString& directory, const QString& home);

enum TPathKind { pkNothing, pkFolder, pkFile };

// What is at path. Touches the file system: call it on a worker.
TPathKind ProbePath(const QString& path);

}  // namespace pixmarl
