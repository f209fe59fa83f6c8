#pragma once

// Folder enumeration: the entries of one folder with what the file list shows of each, read with
// one stat per entry. Names are first offered in the filesystem's own bytes, so that entries
// nobody wants cost no conversion and no stat. Any thread may call these; they touch nothing but
// the folder.

#include <cstdint>
#include <functional>
#include <string_view>

#include <QString>

namespace pixmarl {

struct TDirEntry {
    QString name;
    bool isDir = false;
    qint64 size = 0;              // bytes
    qint64 time = 0;              // last modification, seconds since the epoch
    std::uint8_t attributes = 0;  // TFileAttribute bits, faDirectory included for folders
    std::uint64_t nameHash = 0;   // NameHash of the name's bytes
};

// Decides from the name's bytes alone whether an entry is wanted, before it is looked at further.
using TDirNameFilter = std::function<bool(std::string_view nativeName)>;

// A 64-bit hash of a name as the filesystem stores it; equal names give equal hashes.
std::uint64_t NameHash(std::string_view nativeName);
std::uint64_t NameHash(const QString& name);

// Calls visit for every regular file and folder of folder (also behind a symbolic link) except
// "." and ".." that passes accept, in the order the filesystem returns them. FIFOs, devices,
// sockets and entries that vanish or cannot be read meanwhile (a dangling link) are left out.
// Returns false, without calling visit, when the folder cannot be opened.
bool ForEachDirEntry(const QString& folder, const TDirNameFilter& accept,
                     const std::function<void(TDirEntry&&)>& visit);

// Reads one entry of folder by its exact name; false when it does not exist.
bool ReadDirEntry(const QString& folder, const QString& name, TDirEntry& entry);

// Calls visit with the bytes and hash of every entry name that passes accept, and whether it is a
// folder, without a stat except where the filesystem does not tell the entry's type or it is a
// link. The same entries are left out as by ForEachDirEntry.
struct TDirName {
    std::string_view nativeName;
    std::uint64_t hash;
    bool isDir;
};
bool ForEachDirName(const QString& folder, const TDirNameFilter& accept,
                    const std::function<void(const TDirName&)>& visit);

}  // namespace pixmarl
