#include "Registry.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SafeWrite.h"

namespace pixmarl {
namespace {

constexpr char kHeader[] = "REGEDIT4";
constexpr char kRoot[] = "HKEY_CURRENT_USER";
constexpr char kDwordPrefix[] = "dword:";
constexpr QChar kKeySeparator = u'\\';
// A settings file is a few kilobytes; anything far larger is not ours.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

// "a\\b\" -> "a\b": the form keys are stored under.
QString NormalizeKey(const QString& key)
{
    return key.split(kKeySeparator, Qt::SkipEmptyParts).join(kKeySeparator);
}

bool HasControlCharacter(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20)
            return true;
    }
    return false;
}

void AddKeyWithParents(TRegTree& tree, const QString& key)
{
    const QStringList parts = key.split(kKeySeparator, Qt::SkipEmptyParts);
    QString path;
    for (const QString& part : parts) {
        path = path.isEmpty() ? part : path + kKeySeparator + part;
        tree.try_emplace(path);
    }
}

QString Quote(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out + u'"';
}

// Reads a quoted string starting at line[pos] (the opening quote); on success pos is just past
// the closing quote.
std::optional<QString> Unquote(const QString& line, qsizetype& pos)
{
    if (pos >= line.size() || line[pos] != u'"')
        return std::nullopt;
    QString out;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == u'"') {
            ++pos;
            return out;
        }
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size())
            return std::nullopt;
        switch (line[pos].unicode()) {
        case u'\\':
            out += u'\\';
            break;
        case u'"':
            out += u'"';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<std::int32_t> ParseDword(const QString& digits)
{
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    bool ok = false;
    const uint value = digits.toUInt(&ok, 16);
    if (!ok || digits.startsWith(u'+') || digits.startsWith(u'-'))
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<TRegValue> ParseData(const QString& data)
{
    if (data.startsWith(u'"')) {
        qsizetype pos = 0;
        std::optional<QString> text = Unquote(data, pos);
        if (!text || !data.mid(pos).trimmed().isEmpty())
            return std::nullopt;
        return TRegValue(*text);
    }
    if (data.startsWith(QLatin1String(kDwordPrefix))) {
        const std::optional<std::int32_t> value =
            ParseDword(data.mid(qsizetype(std::strlen(kDwordPrefix))).trimmed());
        if (!value)
            return std::nullopt;
        return TRegValue(*value);
    }
    if (data.startsWith(QLatin1String("hex")))
        return TRegValue(TRegRawValue{data});
    return std::nullopt;
}

struct TValueLine {
    QString Name;
    QString Data;
};

// "name"=data or @=data (the key's unnamed value).
std::optional<TValueLine> SplitValueLine(const QString& line)
{
    TValueLine result;
    qsizetype pos = 0;
    if (line.startsWith(u'@')) {
        pos = 1;
    } else {
        std::optional<QString> name = Unquote(line, pos);
        if (!name)
            return std::nullopt;
        result.Name = *name;
    }
    if (pos >= line.size() || line[pos] != u'=')
        return std::nullopt;
    result.Data = line.mid(pos + 1).trimmed();
    return result;
}

std::optional<QString> ParseSectionKey(const QString& line)
{
    if (!line.endsWith(u']'))
        return std::nullopt;
    const QString path = line.mid(1, line.size() - 2);
    const QString root = QLatin1String(kRoot);
    if (path == root)
        return QString();
    if (!path.startsWith(root + kKeySeparator))
        return std::nullopt;
    return NormalizeKey(path.mid(root.size() + 1));
}

void SetValue(TRegKeyData& key, const QString& name, TRegValue value)
{
    for (auto& [existingName, existingValue] : key.Values) {
        if (existingName == name) {
            existingValue = std::move(value);
            return;
        }
    }
    key.Values.emplace_back(name, std::move(value));
}

QString FormatValue(const TRegValue& value)
{
    if (const auto* number = std::get_if<std::int32_t>(&value))
        return QLatin1String(kDwordPrefix) +
               QStringLiteral("%1").arg(static_cast<std::uint32_t>(*number), 8, 16, QChar(u'0'));
    if (const auto* text = std::get_if<QString>(&value))
        return Quote(*text);
    return std::get<TRegRawValue>(value).Text;
}

void ReportOnStderr(const QString& message)
{
    std::fprintf(stderr, "pixmarl: %s\n", qPrintable(message));
}

}  // namespace

std::optional<TRegTree> ParseRegFile(const QByteArray& text)
{
    QString whole = QString::fromUtf8(text);
    if (whole.startsWith(QChar(0xFEFF)))
        whole.remove(0, 1);
    const QStringList lines = whole.split(u'\n');
    TRegTree tree;
    bool headerSeen = false;
    std::optional<QString> key;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (!headerSeen) {
            if (line != QLatin1String(kHeader))
                return std::nullopt;
            headerSeen = true;
        } else if (line.startsWith(u'[')) {
            key = ParseSectionKey(line);
            if (!key)
                return std::nullopt;
            tree.try_emplace(*key);
            AddKeyWithParents(tree, *key);
        } else {
            std::optional<TValueLine> value = SplitValueLine(line);
            if (!key || !value)
                return std::nullopt;
            // Binary values may continue over several lines, each but the last ending in '\'.
            while (value->Data.startsWith(QLatin1String("hex")) && value->Data.endsWith(u'\\') &&
                   i + 1 < lines.size()) {
                value->Data.chop(1);
                value->Data += lines[++i].trimmed();
            }
            value->Data = value->Data.trimmed();
            if (value->Data.endsWith(u'\\'))
                return std::nullopt;
            std::optional<TRegValue> data = ParseData(value->Data);
            if (!data)
                return std::nullopt;
            SetValue(tree[*key], value->Name, std::move(*data));
        }
    }
    if (!headerSeen)
        return std::nullopt;
    return tree;
}

QByteArray FormatRegFile(const TRegTree& tree)
{
    QString out = QLatin1String(kHeader) + u'\n';
    for (const auto& [path, key] : tree) {
        out += u'\n' + (u'[' + QLatin1String(kRoot));
        if (!path.isEmpty())
            out += kKeySeparator + path;
        out += QStringLiteral("]\n");
        for (const auto& [name, value] : key.Values)
            out += (name.isEmpty() ? QStringLiteral("@") : Quote(name)) + u'=' +
                   FormatValue(value) + u'\n';
    }
    return out.toUtf8();
}

TRegistry::TRegistry(QString fileName) : fileName_(std::move(fileName))
{
    Load();
}

QString TRegistry::DefaultFileName()
{
    const QString name = QStringLiteral("pixmarl.reg");
    const QString override = qEnvironmentVariable("PIXMARL_CONFIG_DIR");
    if (!override.isEmpty())
        return QDir(override).filePath(name);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("pixmarl/") + name);
}

void TRegistry::Load()
{
    QFile file(fileName_);
    if (!file.exists())
        return;
    if (!QFileInfo(fileName_).isFile() || !file.open(QIODevice::ReadOnly)) {
        unreadable_ = true;
        ReportOnStderr(
            QStringLiteral("cannot read the settings file %1; using the defaults").arg(fileName_));
        return;
    }
    std::optional<TRegTree> tree;
    if (file.size() <= kMaxFileSize)
        tree = ParseRegFile(file.read(kMaxFileSize + 1));
    file.close();
    if (tree) {
        tree_ = std::move(*tree);
        return;
    }
    const QString aside = fileName_ + QStringLiteral(".bad");
    QFile::remove(aside);
    if (!QFile::rename(fileName_, aside)) {
        unreadable_ = true;
        ReportOnStderr(
            QStringLiteral("the settings file %1 is damaged; using the defaults").arg(fileName_));
        return;
    }
    ReportOnStderr(QStringLiteral("the settings file %1 is damaged; kept as %2, using the defaults")
                       .arg(fileName_, aside));
}

bool TRegistry::OpenKey(const QString& key, bool canCreate)
{
    const QString path = NormalizeKey(key);
    if (!path.isEmpty() && !tree_.contains(path)) {
        // A control character in a key name would break the file's line structure.
        if (!canCreate || HasControlCharacter(path))
            return false;
        AddKeyWithParents(tree_, path);
    }
    current_ = path;
    return true;
}

void TRegistry::CloseKey()
{
    current_.reset();
}

bool TRegistry::KeyExists(const QString& key) const
{
    const QString path = NormalizeKey(key);
    return path.isEmpty() || tree_.contains(path);
}

bool TRegistry::DeleteKey(const QString& key)
{
    const QString path = NormalizeKey(key);
    if (path.isEmpty() || !tree_.contains(path))
        return false;
    const QString subKeyPrefix = path + kKeySeparator;
    std::erase_if(tree_, [&](const auto& entry) {
        return entry.first == path || entry.first.startsWith(subKeyPrefix);
    });
    if (current_ && (*current_ == path || current_->startsWith(subKeyPrefix)))
        current_.reset();
    return true;
}

const TRegValue* TRegistry::FindValue(const QString& name) const
{
    if (!current_)
        return nullptr;
    const auto key = tree_.find(*current_);
    if (key == tree_.end())
        return nullptr;
    for (const auto& [valueName, value] : key->second.Values) {
        if (valueName == name)
            return &value;
    }
    return nullptr;
}

std::optional<std::int32_t> TRegistry::ReadInteger(const QString& name) const
{
    const TRegValue* value = FindValue(name);
    if (value == nullptr || !std::holds_alternative<std::int32_t>(*value))
        return std::nullopt;
    return std::get<std::int32_t>(*value);
}

std::optional<QString> TRegistry::ReadString(const QString& name) const
{
    const TRegValue* value = FindValue(name);
    if (value == nullptr || !std::holds_alternative<QString>(*value))
        return std::nullopt;
    return std::get<QString>(*value);
}

bool TRegistry::ValueExists(const QString& name) const
{
    return FindValue(name) != nullptr;
}

bool TRegistry::WriteValue(const QString& name, TRegValue value)
{
    if (!current_)
        return false;
    SetValue(tree_[*current_], name, std::move(value));
    return true;
}

bool TRegistry::WriteInteger(const QString& name, std::int32_t value)
{
    return WriteValue(name, value);
}

bool TRegistry::WriteString(const QString& name, const QString& value)
{
    return WriteValue(name, value);
}

bool TRegistry::DeleteValue(const QString& name)
{
    if (!current_)
        return false;
    auto& values = tree_[*current_].Values;
    return std::erase_if(values, [&](const auto& entry) { return entry.first == name; }) > 0;
}

bool TRegistry::Save()
{
    error_.clear();
    if (unreadable_) {
        error_ = QStringLiteral("the existing file could not be read, so it is left alone");
        return false;
    }
    if (!QDir().mkpath(QFileInfo(fileName_).absolutePath())) {
        error_ = QStringLiteral("cannot create the folder");
        return false;
    }
    // Through a symbolic link to its file: a link kept in a dotfiles repository stays a link.
    return ReplaceFileContents(fileName_, FormatRegFile(tree_), error_);
}

}  // namespace pixmarl
