#include "FolderListing.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "filelist/NameOrder.h"
#include "platform/Paths.h"
#include "platform/SubFolders.h"

namespace pixmarl {

const QString kInvalidFolderNameChars = QStringLiteral("\\/:?\"<>|");

bool IsInvalidFolderName(const QString& name)
{
    return std::any_of(name.begin(), name.end(),
                       [](QChar c) { return kInvalidFolderNameChars.contains(c); });
}

QString NewFolderName(const QString& parentPath,
                      const std::function<bool(const QString& path)>& folderExists)
{
    const QString base = QStringLiteral("Neuer Ordner");
    QString name = base;
    for (int n = 1; folderExists(JoinPath(parentPath, name)); ++n)
        name = base + QStringLiteral(" (%1)").arg(n);
    return name;
}

QString MakeNewFolder(const QString& parentPath)
{
    const QString name =
        NewFolderName(parentPath, [](const QString& path) { return QFileInfo(path).isDir(); });
    return QDir().mkdir(JoinPath(parentPath, name)) ? name : QString();
}

namespace {

void SortNames(QStringList& names)
{
    if (names.size() < 2)
        return;
    // A collator is costly to make; each thread that lists keeps its own.
    static thread_local const TNameOrder order;
    std::vector<TNameOrder::TKey> keys;
    keys.reserve(size_t(names.size()));
    for (const QString& n : names)
        keys.push_back(order.Key(n));
    std::sort(keys.begin(), keys.end(),
              [](const auto& a, const auto& b) { return TNameOrder::CompareKeys(a, b) < 0; });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto& k : keys)
        sorted << *k.name;
    names = std::move(sorted);
}

// The shown sub-folders of a folder: which of them surely have none of their own, and which lie
// on another filesystem (never read ahead: a mount that does not answer would stall the rest).
struct TSubFolders {
    QStringList names;
    QSet<QString> leaves;
    QSet<QString> elsewhere;
};

TSubFolders ReadSubFolders(const QString& path, const QSet<QString>& unprobed = {})
{
    TSubFolders found;
    ForEachSubFolder(
        path,
        [&](TSubFolder&& sub) {
            if (sub.hidden)
                return;
            if (sub.leaf)
                found.leaves.insert(sub.name);
            if (sub.elsewhere)
                found.elsewhere.insert(sub.name);
            found.names << std::move(sub.name);
        },
        unprobed);
    SortNames(found.names);
    return found;
}

// The names of the paths in skip that lie directly in folder.
QSet<QString> NamesIn(const QString& folder, const QSet<QString>& skip)
{
    QSet<QString> names;
    for (const QString& path : skip)
        if (ExtractFileDir(path) == folder)
            names.insert(ExtractFileName(path));
    return names;
}

}  // namespace

QStringList ListSubFolders(const QString& path)
{
    if (IsLeafFolder(path))
        return {};
    return ReadSubFolders(path).names;
}

std::vector<TFolderListing> ListFolders(const std::vector<TListRequest>& requests)
{
    std::vector<TFolderListing> listings;
    for (const TListRequest& request : requests) {
        TFolderListing listing;
        listing.path = request.path;
        listing.readAhead = request.lookAhead;
        if (!request.lookAhead) {
            listing.names = ListSubFolders(request.path);
            listings.push_back(std::move(listing));
            continue;
        }
        const TSubFolders sub = ReadSubFolders(request.path, NamesIn(request.path, request.skip));
        listing.names = sub.names;
        for (const QString& name : listing.names) {
            if (sub.elsewhere.contains(name))
                continue;
            listing.lookAhead[name] = sub.leaves.contains(name)
                                          ? QStringList()
                                          : ListSubFolders(JoinPath(request.path, name));
        }
        listings.push_back(std::move(listing));
    }
    return listings;
}

std::optional<std::vector<TFolderListing>>
ListWithin(const TListFoldersFn& list, std::vector<TListRequest> requests, TDeadline deadline,
           std::function<void(std::vector<TFolderListing>)> late)
{
    return RunWithin<std::vector<TFolderListing>>(
        [list, requests = std::move(requests)] { return list(requests); }, deadline,
        std::move(late));
}

}  // namespace pixmarl
