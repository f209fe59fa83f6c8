#pragma once

// Folder enumeration: the entries of one folder with what the file list shows of each, read with
// one stat per entry. Any thread may call it; it touches nothing but the folder.

#include <cstdint>
#include <functional>

#include <QString>

namespace pixmarl {

struct TDirEntry {
    QString name;
    bool isDir = false;
    qint64 size = 0;       // bytes
    qint64 time = 0;       // last modification, seconds since the epoch
    std::uint8_t attributes = 0;  // TFileAttribute bits, faDirectory included for folders
};

// Decides from the name alone whether an entry is wanted, before it is looked at further.
using TDirNameFilter = std::function<bool(const QString& name)>;

// Calls visit for every entry of folder except "." and ".." that passes accept, in the order the
// filesystem returns them. Entries that vanish or cannot be read meanwhile (a dangling symbolic
// link) are left out. Returns false, without calling visit, when the folder cannot be opened.
bool ForEachDirEntry(const QString& folder, const TDirNameFilter& accept,
                     const std::function<void(TDirEntry&&)>& visit);

// Reads one entry of folder by its exact name; false when it does not exist.
bool ReadDirEntry(const QString& folder, const QString& name, TDirEntry& entry);

// Calls visit with the name of every entry that passes accept, without looking at the entries
// (no stat); entries of an unknown type are reported too.
bool ForEachDirName(const QString& folder, const TDirNameFilter& accept,
                    const std::function<void(QString&&, bool isDir)>& visit);

}  // namespace pixmarl
