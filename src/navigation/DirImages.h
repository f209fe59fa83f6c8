#pragma once

// The small icons shared by every folder tree and the location bar (index 0 closed folder,
// 1 open folder, then one per drive type: TDrive::ImageIndex), taken from the desktop's icon
// theme with drawn fallbacks; and the user's Desktop and personal folders. GUI thread only.

#include <QIcon>
#include <QString>

namespace pixmarl {

constexpr int kClosedFolderImage = 0;
constexpr int kOpenFolderImage = 1;

// The icon at index, or the closed folder for an index out of range.
QIcon DirImage(int index);

// The Desktop and personal (documents) folders of the XDG user directories; empty when unknown.
QString DesktopDir();
QString PersonalDir();

}  // namespace pixmarl
