#pragma once

// The preview pane's texts, without the pane: the folder title, the file's size and the picture's
// dimensions. Plain functions.

#include <QSize>
#include <QString>

namespace pixmarl {

// The title of a folder: for a volume root the volume's name with a line break after its first
// blank ("File System (/)" -> "File" / "System (/)"), or the root path when the name is unknown;
// otherwise the folder's last component.
QString PreviewTitle(const QString& folder, bool isRoot, const QString& volumeName);

// "1234 Bytes"
QString PreviewSizeText(qint64 bytes);

// "640 x 480", or "unsupported or invalid" for no size.
QString PreviewInfoText(QSize imageSize);

}  // namespace pixmarl
