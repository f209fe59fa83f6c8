#include "Paths.h"

#include <QDir>

namespace pixmarl {

QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

QString ExtractFileExt(const QString& name)
{
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        const QChar c = name.at(i);
        if (c == u'.')
            return name.mid(i);
        if (c == u'/' || c == u'\\' || c == u':')
            break;
    }
    return {};
}

QString ExtractFileName(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString ExtractFileDir(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString CleanAbsolutePath(const QString& path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

}  // namespace pixmarl
