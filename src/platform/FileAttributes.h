#pragma once

// The four file attributes a user sees (read-only, hidden, system, archive) on Linux.
// On vfat/msdos volumes they are the real FAT attributes (FAT ioctls). Elsewhere read-only is the
// owner's missing write permission, hidden is a leading "." in the name or the hidden bit of the
// user.DOSATTRIB extended attribute, and system and archive come from that attribute ("0x" + hex,
// as Samba and Wine write it). A filesystem without extended attributes reads them as clear and
// silently refuses to store them. Any thread may call these functions.

#include <cstdint>

#include <QByteArray>
#include <QString>

namespace pixmarl {

enum TFileAttribute : std::uint8_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faDirectory = 0x10,
    faArchive = 0x20,
};

// The attribute bits of a file or folder (faDirectory included for folders), or -1 when it does
// not exist or cannot be read.
int ReadFileAttributes(const QString& path);

// Sets read-only, hidden, system and archive from attrs (other bits ignored). Returns false when
// the file cannot be changed at all; a hidden bit that only a rename could clear is left alone.
bool WriteFileAttributes(const QString& path, int attrs);

// True when the name alone makes a file hidden (it begins with ".").
bool IsHiddenByName(const QString& name);

// Parses the user.DOSATTRIB value ("0x" + hex digits, possibly followed by a binary blob);
// 0 when it is not in that form.
int ParseDosAttrib(const QByteArray& value);

}  // namespace pixmarl
