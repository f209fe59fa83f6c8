#include "WebViewTexts.h"

namespace pixmarl {

QString PreviewTitle(const QString& folder, bool isRoot, const QString& volumeName)
{
    if (isRoot) {
        if (volumeName.isEmpty())
            return folder;
        QString title = volumeName;
        const qsizetype blank = title.indexOf(QLatin1Char(' '));
        if (blank >= 0)
            title.insert(blank + 1, QLatin1Char('\n'));
        return title;
    }
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    return slash < 0 || slash == folder.size() - 1 ? folder : folder.mid(slash + 1);
}

QString PreviewSizeText(qint64 bytes)
{
    return QString::number(bytes) + QStringLiteral(" Bytes");
}

QString PreviewInfoText(QSize imageSize)
{
    if (imageSize.width() <= 0 || imageSize.height() <= 0)
        return QStringLiteral("unsupported or invalid");
    return QStringLiteral("%1 x %2").arg(imageSize.width()).arg(imageSize.height());
}

}  // namespace pixmarl
