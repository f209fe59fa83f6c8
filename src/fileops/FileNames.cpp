#include "FileNames.h"

#include <algorithm>

#include <QFileInfo>

#include "platform/Paths.h"

namespace pixmarl {

bool IsInvalidFileNameChar(QChar c)
{
    for (char16_t invalid : kInvalidFileNameChars)
        if (invalid != 0 && c == QChar(invalid))
            return true;
    return false;
}

bool IsInvalidFileName(const QString& name)
{
    return std::any_of(name.begin(), name.end(), IsInvalidFileNameChar);
}

QString InvalidFileNameMessage()
{
    return QStringLiteral("A filename must not contain one of the following characters\n") +
           QString::fromUtf16(kInvalidFileNameChars);
}

QString UniqueFileName(const QString& path)
{
    return UniqueFileName(path, [](const QString& candidate) {
        return QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink();
    });
}

QString UniqueFileName(const QString& path, const std::function<bool(const QString&)>& taken)
{
    const QString folder = ExtractFileDir(path);
    const QString name = ExtractFileName(path);
    const QString ext = ExtractFileExt(name);
    const QString base = name.left(name.size() - ext.size());
    for (int n = 2;; ++n) {
        const QString candidate = JoinPath(folder, base + u'#' + QString::number(n) + ext);
        if (!taken(candidate))
            return candidate;
    }
}

int BaseNameLength(const QString& name)
{
    return int(name.size() - ExtractFileExt(name).size());
}

std::optional<TNameEdit> DotInsertsExtension(const QString& text, int caret, bool hasSelection,
                                             const QString& extension)
{
    if (hasSelection)
        return std::nullopt;
    const int extLength = std::max(int(extension.size()) - 1, 0);
    if (caret == text.size()) {
        // Without an extension to offer, the dot is dropped: nothing is inserted.
        return TNameEdit{text + extension, int(text.size()) + (extension.isEmpty() ? 0 : 1),
                         extLength};
    }
    if (extension.size() > 1 && text.mid(caret) == extension)
        return TNameEdit{text, caret + 1, extLength};
    return std::nullopt;
}

}  // namespace pixmarl
