#include "OLE2.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include <QClipboard>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>
#include <QSaveFile>
#include <QSysInfo>

#include "platform/Paths.h"

namespace pixmarl {

namespace {

constexpr TDropEffects kCopy = EffectBit(deCopy);
constexpr TDropEffects kMove = EffectBit(deMove);
constexpr TDropEffects kLink = EffectBit(deLink);

// The lowest effect of a set (copy before move before link).
TDropEffects FirstEffect(TDropEffects effects)
{
    return effects & (~effects + 1);
}

TDropEffect KeyEffect(TDropKeys keys, TDropEffect defaultEffect)
{
    if (keys.Ctrl && keys.Shift)
        return deLink;
    if (keys.Ctrl)
        return deCopy;
    if (keys.Shift)
        return deMove;
    return defaultEffect;
}

// A file URL names a file of this machine only without a host or with this machine's name; the
// path of any other would be taken for a local one ("//host/x" cleans to "/host/x").
bool IsOwnHost(const QString& host)
{
    return host.isEmpty() || host == QLatin1String("localhost") ||
           host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) == 0;
}

QString LocalFileOf(QUrl url)
{
    if (!url.isLocalFile() || !IsOwnHost(url.host()))
        return {};
    url.setHost(QString());
    const QString path = url.toLocalFile();
    // "file:name" has no absolute path to stand for.
    return path.startsWith(u'/') ? CleanAbsolutePath(path) : QString();
}

// The file managers' list: "copy" or "cut", then one URL a line.
QByteArray GnomeVerb(const QByteArray& data)
{
    return data.left(data.indexOf('\n')).trimmed();
}

QStringList FilesOfGnomeList(const QByteArray& data)
{
    const QByteArray verb = GnomeVerb(data);
    if (verb != "copy" && verb != "cut")
        return {};
    QList<QUrl> urls;
    for (const QByteArray& line : data.split('\n').mid(1))
        if (!line.trimmed().isEmpty())
            urls << QUrl::fromEncoded(line.trimmed());
    return LocalFilesOf(urls);
}

}  // namespace

TDropEffects ChooseDropEffect(TDropEffects offered, TDropKeys keys, TDropEffects accepted,
                              TDropEffect defaultEffect)
{
    offered &= kAllDropEffects;
    accepted &= kAllDropEffects;
    const TDropEffects defaultBit = EffectBit(defaultEffect);
    const bool noKeys = !keys.Ctrl && !keys.Shift;
    TDropEffects chosen = 0;
    if (noKeys && (offered & accepted) != 0) {
        const bool copyAndMore = (offered & kCopy) && (offered & (kMove | kLink));
        chosen = copyAndMore ? defaultBit : FirstEffect(offered & accepted);
    } else {
        const TDropEffect key = KeyEffect(keys, defaultEffect);
        if (accepted & EffectBit(key))
            chosen = EffectBit(key);
        else if (accepted == defaultBit || key == deLink)
            chosen = defaultBit;
        else if (key == deCopy)
            chosen = (accepted & kLink) ? kLink : kMove;
        else
            chosen = (accepted & kLink) ? kLink : kCopy;
    }
    return chosen & offered;
}

void TDropAcceptance::SetDropEffects(TDropEffects effects)
{
    effects &= kAllDropEffects;
    if (effects == 0)
        return;
    effects_ = effects;
    if (!(effects_ & EffectBit(default_)))
        default_ = TDropEffect(std::countr_zero(effects_));
}

void TDropAcceptance::SetDefaultEffect(TDropEffect effect)
{
    default_ = effect;
    effects_ |= EffectBit(effect);
}

TDropKeys KeysOf(Qt::KeyboardModifiers modifiers)
{
    return {modifiers.testFlag(Qt::ControlModifier), modifiers.testFlag(Qt::ShiftModifier)};
}

Qt::DropActions DropActionsOf(TDropEffects effects)
{
    Qt::DropActions actions;
    actions.setFlag(Qt::CopyAction, effects & kCopy);
    actions.setFlag(Qt::MoveAction, effects & kMove);
    actions.setFlag(Qt::LinkAction, effects & kLink);
    return actions;
}

TDropEffects EffectsOf(Qt::DropActions actions)
{
    return (actions.testFlag(Qt::CopyAction) ? kCopy : 0) |
           (actions.testFlag(Qt::MoveAction) ? kMove : 0) |
           (actions.testFlag(Qt::LinkAction) ? kLink : 0);
}

bool EffectOfAction(Qt::DropAction action, TDropEffect& effect)
{
    switch (action) {
    case Qt::CopyAction:
        effect = deCopy;
        return true;
    case Qt::MoveAction:
    case Qt::TargetMoveAction:
        effect = deMove;
        return true;
    case Qt::LinkAction:
        effect = deLink;
        return true;
    default:
        return false;
    }
}

QStringList LocalFilesOf(const QList<QUrl>& urls)
{
    QStringList files;
    for (const QUrl& url : urls) {
        const QString file = LocalFileOf(url);
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

QList<QUrl> UrlsOf(const QStringList& files)
{
    QList<QUrl> urls;
    for (const QString& file : files)
        if (!file.isEmpty())
            urls << QUrl::fromLocalFile(file);
    return urls;
}

QMimeData* NewFilesMimeData(const QStringList& files, TFileListUse use)
{
    auto* data = new QMimeData;
    const QList<QUrl> urls = UrlsOf(files);
    data->setUrls(urls);
    if (use == fuDrag)
        return data;
    QByteArray list(use == fuCut ? "cut" : "copy");
    for (const QUrl& url : urls)
        list += '\n' + url.toEncoded();
    data->setData(kGnomeCopiedFilesMime, list);
    data->setData(kKdeCutSelectionMime, use == fuCut ? "1" : "0");
    return data;
}

QStringList FilesOfMimeData(const QMimeData* data)
{
    if (data == nullptr)
        return {};
    if (data->hasUrls())
        return LocalFilesOf(data->urls());
    if (data->hasFormat(kGnomeCopiedFilesMime))
        return FilesOfGnomeList(data->data(kGnomeCopiedFilesMime));
    return {};
}

bool IsCutMimeData(const QMimeData* data)
{
    if (data == nullptr)
        return false;
    if (data->hasFormat(kGnomeCopiedFilesMime))
        return GnomeVerb(data->data(kGnomeCopiedFilesMime)) == "cut";
    return data->data(kKdeCutSelectionMime).trimmed() == "1";
}

QImage ImageOfMimeData(const QMimeData* data)
{
    if (data == nullptr || !data->hasImage())
        return {};
    const QImage image = qvariant_cast<QImage>(data->imageData());
    return image.width() > 0 && image.height() > 0 ? image : QImage();
}

TPasteKind PasteKindOf(const QMimeData* data)
{
    if (!FilesOfMimeData(data).isEmpty())
        return paFiles;
    return ImageOfMimeData(data).isNull() ? paNothing : paImage;
}

QString PasteCaption(TPasteKind kind)
{
    switch (kind) {
    case paFiles:
        return QStringLiteral("&Paste (File)");
    case paImage:
        return QStringLiteral("&Paste (Image)...");
    case paNothing:
        break;
    }
    return QStringLiteral("&Paste");
}

TPasteKind ClipboardPasteKind()
{
    return PasteKindOf(QGuiApplication::clipboard()->mimeData());
}

QSize FitPreviewSize(QSize size, int box)
{
    if (size.isEmpty() || box <= 0)
        return {};
    const double rx = double(size.width()) / box;
    const double ry = double(size.height()) / box;
    // A sliver keeps one pixel rather than vanishing.
    if (rx > ry)
        return {box, std::max(1, int(std::trunc(size.height() / rx)))};
    return {std::max(1, int(std::trunc(size.width() / ry))), box};
}

bool SaveBitmapFile(const QImage& image, const QString& path, QString& error)
{
    if (image.isNull()) {
        error = QStringLiteral("There is no picture to save.");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    QImageWriter writer(&file, "bmp");
    if (!writer.write(image)) {
        error = writer.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace pixmarl
