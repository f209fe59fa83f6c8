#pragma once

// The file-name rules shared by the file operations, the drop and paste code and the converter:
// the characters a name may not hold, the "#2" rule for a free name, and the editing of a name
// field that knows about extensions.

#include <functional>
#include <optional>

#include <QString>

namespace pixmarl {

// The nine characters a file name may not contain (names stay portable to other systems).
inline constexpr char16_t kInvalidFileNameChars[] = u"\\/:?\"<>|*";

bool IsInvalidFileNameChar(QChar c);
// True when the name contains one of the nine characters.
bool IsInvalidFileName(const QString& name);

// "A filename must not contain one of the following characters" + line break + the nine.
QString InvalidFileNameMessage();

// For folder/base.ext the first of folder/base#2.ext, base#3.ext, ... for which taken() is false;
// without taken, the first that does not exist. A name without extension gives base#2, ...
QString UniqueFileName(const QString& path);
QString UniqueFileName(const QString& path, const std::function<bool(const QString&)>& taken);

// The length of the name without its extension: what a name field selects when it opens.
int BaseNameLength(const QString& name);

// A name field's text with its selection.
struct TNameEdit {
    QString Text;
    int SelStart = 0;
    int SelLength = 0;
};

// A "." typed with nothing selected at the end of the text inserts the extension (with its dot)
// and selects it after the dot, so that typing goes on to replace it; with no extension to offer
// the dot is dropped (the text stays). Typed just before that extension (the base name was
// overwritten), it selects the extension there. Answers nothing when the dot should be typed as
// usual (caret elsewhere, or a selection).
std::optional<TNameEdit> DotInsertsExtension(const QString& text, int caret, bool hasSelection,
                                             const QString& extension);

}  // namespace pixmarl
