#pragma once

// Rewriting a whole file without ever leaving it damaged: the new contents go to a temporary file
// in the same folder, are made durable and renamed over the old name, and the folder is synced.
// A symbolic link is written through: the file it names is replaced and the link stays. The new
// file takes over the old one's mode, owner and group (where the process may set them) and every
// extended attribute, access control lists included. The rename gives the name a new inode, so
// other hard links to the old file keep the old contents, as a snapshot of it. Any thread.

#include <QByteArray>
#include <QString>

namespace pixmarl {

// The file a path finally names, following symbolic links (also to a file yet to be made); the
// path itself when it is no link, empty when the links go round.
QString ResolveLinks(const QString& path);

// Replaces the contents of path (or of the file its links name) by data. On failure the old file
// is as it was, no temporary is left, and error says why.
bool ReplaceFileContents(const QString& path, const QByteArray& data, QString& error);

}  // namespace pixmarl
