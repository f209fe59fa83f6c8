#pragma once

// The settings store: a tree of keys (paths like "Software\Pixmarl\Favorites", '\' between the
// parts) whose values are 32-bit integers or strings. Reading a value that is missing or of the
// other type fails, and the caller substitutes its default. The store lives in memory and is
// persisted as one text file in the REGEDIT4 export form:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Pixmarl]
//   "Thumb.Size"=dword:00000002
//   "StartDir"="/home/ann/Bilder"
//
// Strings escape '\' and '"' with a backslash, and line breaks as \n and \r, so that every
// string comes back as it was written; the file is UTF-8. Values of other types in a hand-edited
// file (hex:..., hex(n):...) are kept as they are but cannot be read. A file that cannot be
// parsed reads as an empty store and is moved aside to "<file>.bad". Saving writes a temporary
// file beside the store, syncs it and renames it over the old one, so the old file survives any
// failure. One object per store; not thread-safe (the GUI thread uses it at start and at close).

#include <cstdint>
#include <map>
#include <optional>
#include <variant>
#include <vector>

#include <QByteArray>
#include <QString>

namespace pixmarl {

// A value of a type the program never reads, kept verbatim (the text after "=").
struct TRegRawValue {
    QString Text;
    bool operator==(const TRegRawValue&) const = default;
};

using TRegValue = std::variant<std::int32_t, QString, TRegRawValue>;

struct TRegKeyData {
    // In file order, so that a rewritten file keeps the order a user or an earlier save chose.
    std::vector<std::pair<QString, TRegValue>> Values;
    bool operator==(const TRegKeyData&) const = default;
};

// Key path (without the root) to its values; every parent of a key is present too.
using TRegTree = std::map<QString, TRegKeyData>;

// Parses the text of a store file. Returns nullopt when the text is not in the form above.
std::optional<TRegTree> ParseRegFile(const QByteArray& text);

// The file text of a tree.
QByteArray FormatRegFile(const TRegTree& tree);

class TRegistry {
public:
    // Loads the store from fileName (a missing file is an empty store).
    explicit TRegistry(QString fileName);

    // $PIXMARL_CONFIG_DIR/pixmarl.reg when that variable is set, else
    // $XDG_CONFIG_HOME/pixmarl/pixmarl.reg (~/.config/pixmarl/pixmarl.reg by default).
    static QString DefaultFileName();

    const QString& FileName() const { return fileName_; }

    // Makes key the current key. Without canCreate it fails when the key does not exist; with
    // it the key and its missing parents are made.
    bool OpenKey(const QString& key, bool canCreate);
    void CloseKey();
    bool KeyExists(const QString& key) const;
    // Deletes a key with all its sub-keys and values; closes it when it is the current key.
    bool DeleteKey(const QString& key);

    // Values of the current key. Reads fail without a current key; writes then return false.
    std::optional<std::int32_t> ReadInteger(const QString& name) const;
    std::optional<QString> ReadString(const QString& name) const;
    bool WriteInteger(const QString& name, std::int32_t value);
    bool WriteString(const QString& name, const QString& value);
    bool ValueExists(const QString& name) const;
    bool DeleteValue(const QString& name);

    // Writes the store to its file. On failure returns false, leaves the old file as it was and
    // sets ErrorString().
    bool Save();
    const QString& ErrorString() const { return error_; }

private:
    void Load();
    const TRegValue* FindValue(const QString& name) const;
    bool WriteValue(const QString& name, TRegValue value);

    QString fileName_;
    TRegTree tree_;
    std::optional<QString> current_;
    // Set when an existing file could not be read: saving over it could destroy settings we
    // never saw, so Save refuses.
    bool unreadable_ = false;
    QString error_;
};

}  // namespace pixmarl
