#pragma once

// What files and pictures look like while they travel between programs, by drag and drop or the
// clipboard, without a window: the drop effects and the rule that picks one from the keys held,
// local paths as file URLs and back, the clipboard's file formats (text/uri-list, which every
// desktop program reads, and x-special/gnome-copied-files, which the file managers paste), what a
// paste would bring, the fitted preview of a pasted picture and its save as a BMP file.
//
// Paths become URLs only through QUrl::fromLocalFile and back through toLocalFile, so names with
// "#", "?", "%", spaces or any other character survive. Only local files are ever taken from
// another program. Plain functions; any thread, except those that read the clipboard (GUI thread).

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QUrl>

class QMimeData;

namespace pixmarl {

enum TDropEffect { deCopy = 0, deMove = 1, deLink = 2 };

// A set of effects as the bits 1 << effect: copy 1, move 2, link 4; 0 is no effect.
using TDropEffects = unsigned;
constexpr TDropEffects EffectBit(TDropEffect effect)
{
    return 1u << unsigned(effect);
}
constexpr TDropEffects kAllDropEffects = 7;

struct TDropKeys {
    bool Ctrl = false;
    bool Shift = false;
};

// The effect of a drop: offered by the source, the keys held, and what the target accepts with
// its effect without keys. Without keys an offer of copy with more keeps the target's default;
// a single offer (or move + link) is kept. With keys, Ctrl+Shift asks for a link, Ctrl for a
// copy, Shift for a move; an effect the target does not take falls back as the target prefers.
// Answers one effect bit, or 0 when the effect so chosen is not offered (the drop is refused).
TDropEffects ChooseDropEffect(TDropEffects offered, TDropKeys keys, TDropEffects accepted,
                              TDropEffect defaultEffect);

// The effects a drop target accepts with the one it takes without keys; the default is always
// among the accepted ones.
class TDropAcceptance {
public:
    TDropEffects DropEffects() const { return effects_; }
    // An empty set is ignored; a set without the default moves the default to its first effect.
    void SetDropEffects(TDropEffects effects);
    TDropEffect DefaultEffect() const { return default_; }
    // Adds the effect to the accepted ones.
    void SetDefaultEffect(TDropEffect effect);

    TDropEffects Choose(TDropEffects offered, TDropKeys keys) const
    {
        return ChooseDropEffect(offered, keys, effects_, default_);
    }

private:
    TDropEffects effects_ = EffectBit(deCopy) | EffectBit(deMove);
    TDropEffect default_ = deCopy;
};

// Qt's names for the same things.
TDropKeys KeysOf(Qt::KeyboardModifiers modifiers);
Qt::DropActions DropActionsOf(TDropEffects effects);
TDropEffects EffectsOf(Qt::DropActions actions);
// The effect of a single action (a move the target carried out counts as a move); false for none.
bool EffectOfAction(Qt::DropAction action, TDropEffect& effect);

// The local files among the URLs, in their order (other URLs are left out).
QStringList LocalFilesOf(const QList<QUrl>& urls);
QList<QUrl> UrlsOf(const QStringList& files);

inline const QString kUriListMime = QStringLiteral("text/uri-list");
inline const QString kGnomeCopiedFilesMime = QStringLiteral("x-special/gnome-copied-files");
inline const QString kKdeCutSelectionMime = QStringLiteral("application/x-kde-cutselection");

// What a file list is for: a drag, or the clipboard, where the program that pastes copies the
// files, or moves them when they were cut.
enum TFileListUse { fuDrag, fuCopy, fuCut };

// The data of a file list: text/uri-list, and on the clipboard also the file managers' formats,
// which say whether the files were copied or cut. Empty entries are left out. The caller owns
// the result.
QMimeData* NewFilesMimeData(const QStringList& files, TFileListUse use);
// The local files of data: from text/uri-list, else from the file managers' format.
QStringList FilesOfMimeData(const QMimeData* data);
// Whether the files of data were cut, to be moved by the paste.
bool IsCutMimeData(const QMimeData* data);

// The picture of data; a null image also when it decodes to nothing (no width or height).
QImage ImageOfMimeData(const QMimeData* data);

enum TPasteKind { paNothing, paFiles, paImage };
// Files come first, then a picture.
TPasteKind PasteKindOf(const QMimeData* data);
// The Paste command's caption for what the clipboard holds ("&Paste" when it holds nothing).
QString PasteCaption(TPasteKind kind);
// What the system clipboard holds now. GUI thread.
TPasteKind ClipboardPasteKind();

// The size of a picture of size shown in a box x box preview with its aspect kept (enlarged as
// well as reduced); empty for an empty size.
QSize FitPreviewSize(QSize size, int box = 145);

// Writes image as a BMP file at path, whatever the extension says, through a temporary file
// renamed over the old one, so a failed write leaves an existing file as it was. false with a
// message in error on failure. Any thread.
bool SaveBitmapFile(const QImage& image, const QString& path, QString& error);

}  // namespace pixmarl
