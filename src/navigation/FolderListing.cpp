#include "FolderListing.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>

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

// Shared between a waiting caller and the worker; whoever is last frees it.
struct TListingJob {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    std::vector<TFolderListing> result;
};

}  // namespace

namespace {

// The shown sub-folders of path, and which of them surely have none of their own.
QStringList ReadSubFolders(const QString& path, QSet<QString>* leaves)
{
    QStringList names;
    if (leaves == nullptr && IsLeafFolder(path))
        return names;
    ForEachSubFolder(path, [&](TSubFolder&& sub) {
        if (sub.hidden)
            return;
        if (leaves != nullptr && sub.leaf)
            leaves->insert(sub.name);
        names << std::move(sub.name);
    });
    SortNames(names);
    return names;
}

}  // namespace

QStringList ListSubFolders(const QString& path)
{
    return ReadSubFolders(path, nullptr);
}

std::vector<TFolderListing> ListFolders(const std::vector<TListRequest>& requests)
{
    std::vector<TFolderListing> listings;
    for (const TListRequest& request : requests) {
        TFolderListing listing;
        listing.path = request.path;
        QSet<QString> leaves;
        listing.names = ReadSubFolders(request.path, request.lookAhead ? &leaves : nullptr);
        listing.readAhead = request.lookAhead;
        if (request.lookAhead) {
            for (const QString& name : listing.names) {
                const QString child = JoinPath(request.path, name);
                if (request.skip.contains(child))
                    continue;
                listing.lookAhead[name] =
                    leaves.contains(name) ? QStringList() : ListSubFolders(child);
            }
        }
        listings.push_back(std::move(listing));
    }
    return listings;
}

std::optional<std::vector<TFolderListing>>
ListWithin(const TListFoldersFn& list, std::vector<TListRequest> requests, int budgetMs,
           std::function<void(std::vector<TFolderListing>)> late)
{
    auto job = std::make_shared<TListingJob>();
    std::thread([job, list, requests = std::move(requests), late = std::move(late)]() mutable {
        std::vector<TFolderListing> result = list(requests);
        std::lock_guard lock(job->mutex);
        job->done = true;
        if (!job->abandoned) {
            job->result = std::move(result);
            job->finished.notify_all();
            return;
        }
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr)
            return;
        QMetaObject::invokeMethod(
            app,
            [late = std::move(late), result = std::move(result)]() mutable {
                late(std::move(result));
            },
            Qt::QueuedConnection);
    }).detach();
    std::unique_lock lock(job->mutex);
    if (job->finished.wait_for(lock, std::chrono::milliseconds(budgetMs),
                               [&] { return job->done; }))
        return std::move(job->result);
    job->abandoned = true;
    return std::nullopt;
}

}  // namespace pixmarl
