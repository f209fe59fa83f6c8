#pragma once

// Pieces of the attribute rules that the folder enumeration shares; platform-internal.

#include <functional>

#include <QString>

namespace pixmarl {

// Hidden, system and archive bits stored in user.DOSATTRIB of path (0 when there are none).
int DosAttribBits(const char* path);

// The attribute bits of an entry from its name, stat mode and DOSATTRIB bits.
int AttributesFromStat(const QString& name, unsigned mode, int dosBits);

// How FAT volumes are told and their entries' bits read: statfs and the FAT ioctl. Tests on a
// kernel without vfat put probes of their own here.
struct TFatProbe {
    std::function<bool(const char* path)> isFat;    // path lies on a FAT volume
    std::function<int(const char* path)> readBits;  // its FAT attribute bits, -1 on failure
};
TFatProbe& FatProbe();

// The one source of an entry's attribute bits, for the folder listing and ReadFileAttributes
// alike: on a FAT volume (onFat) the bits of the FAT entry, elsewhere name, mode and DOSATTRIB.
int EntryAttributes(const char* path, const QString& name, unsigned mode, bool onFat);

}  // namespace pixmarl
