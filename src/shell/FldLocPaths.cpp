#include "FldLocPaths.h"

#include <QFileInfo>

#include "navigation/DirImages.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

// The volume whose mount path is the longest prefix of path at a folder boundary, or -1.
int HoldingVolume(const std::vector<TLocVolume>& volumes, const QString& path)
{
    int best = -1;
    for (int i = 0; i < int(volumes.size()); ++i) {
        const QString& mount = volumes[size_t(i)].mountPath;
        const bool holds =
            mount == u"/" ? path.startsWith(u'/') : path == mount || path.startsWith(mount + u'/');
        if (holds && (best < 0 || mount.size() > volumes[size_t(best)].mountPath.size()))
            best = i;
    }
    return best;
}

}  // namespace

TLocItems BuildLocationItems(const std::vector<TLocVolume>& volumes, const QString& directory)
{
    TLocItems result;
    const int holder = HoldingVolume(volumes, directory);
    for (int i = 0; i < int(volumes.size()); ++i) {
        const TLocVolume& volume = volumes[size_t(i)];
        result.items.push_back({volume.name, volume.mountPath, 0, volume.imageIndex});
        if (i != holder)
            continue;
        result.current = int(result.items.size()) - 1;
        const QString below = directory.mid(volume.mountPath.size());
        const QStringList parts = below.split(u'/', Qt::SkipEmptyParts);
        QString path = volume.mountPath;
        for (const QString& part : parts) {
            path = JoinPath(path, part);
            result.items.push_back({part, path, result.pathCount + 1, kOpenFolderImage});
            if (result.pathStart < 0)
                result.pathStart = int(result.items.size()) - 1;
            ++result.pathCount;
        }
        if (result.pathCount > 0)
            result.current = int(result.items.size()) - 1;
    }
    return result;
}

QString TypedPathTarget(const QString& text, const QString& directory, const QString& home)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return {};
    if (typed.startsWith(u'/'))
        return CleanAbsolutePath(typed);
    if (typed == u"~" || typed.startsWith(u"~/"))
        return CleanAbsolutePath(home + typed.mid(1));
    return CleanAbsolutePath(JoinPath(directory, typed));
}

TPathKind ProbePath(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return pkFolder;
    return info.isFile() ? pkFile : pkNothing;
}

}  // namespace pixmarl
