#pragma once

// Path helpers. Every path inside Pixmarl is a QString with '/' separators and no trailing '/'
// except for the root "/".

#include <QString>

namespace pixmarl {

// folder + "/" + name, or folder + name when the folder is empty or already ends in "/".
QString JoinPath(const QString& folder, const QString& name);

// The extension of a name including its dot: the text from the last "." provided that no path
// separator ('/', and the Windows '\' and ':') follows it; empty when there is none.
QString ExtractFileExt(const QString& name);

// The name without its folder: the text after the last '/'.
QString ExtractFileName(const QString& path);

// The folder of a path: the text before the last '/', "/" for a file in the root, empty for a
// bare name.
QString ExtractFileDir(const QString& path);

// The absolute, cleaned form of a path (resolves "." and "..", never symlinks).
QString CleanAbsolutePath(const QString& path);

}  // namespace pixmarl
