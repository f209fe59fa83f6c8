#pragma once

// Pieces of the attribute rules that the folder enumeration shares; platform-internal.

#include <QString>

namespace pixmarl {

// Hidden, system and archive bits stored in user.DOSATTRIB of path (0 when there are none).
int DosAttribBits(const char* path);

// The attribute bits of an entry from its name, stat mode and DOSATTRIB bits.
int AttributesFromStat(const QString& name, unsigned mode, int dosBits);

}  // namespace pixmarl
