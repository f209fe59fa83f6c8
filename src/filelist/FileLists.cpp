#include "FileLists.h"

#include <algorithm>
#include <cstring>

#include <QDir>
#include <QHash>

#include "platform/DirEntries.h"
#include "platform/FileAttributes.h"
#include "platform/Paths.h"

namespace pixmarl {

namespace {

std::array<char, 4> AttributeLetters(int attrs)
{
    std::array<char, 4> letters{};
    size_t n = 0;
    if (attrs & faArchive)
        letters[n++] = 'A';
    if (attrs & faHidden)
        letters[n++] = 'H';
    if (attrs & faReadOnly)
        letters[n++] = 'R';
    if (attrs & faSysFile)
        letters[n++] = 'S';
    return letters;
}

}  // namespace

QString TFileListItem::AttributesText() const
{
    return QString::fromLatin1(Attributes.data(), qsizetype(strnlen(Attributes.data(), Attributes.size())));
}

void TFileListItem::SetThumbnail(const QImage& bitmap, bool failed, QSize imageSize, QSize thumbSize)
{
    if (ImageWidth == 0 || ImageHeight == 0) {
        ImageWidth = imageSize.width();
        ImageHeight = imageSize.height();
    }
    ThumbFailed = failed;
    if (failed) {
        Thumbnail.reset();
        return;
    }
    QImage copy = bitmap.size() == thumbSize ? bitmap : bitmap.copy(QRect(QPoint(0, 0), thumbSize));
    if (Thumbnail)
        *Thumbnail = std::move(copy);
    else
        Thumbnail = std::make_unique<QImage>(std::move(copy));
}

void TFileListItem::FreeThumbnail()
{
    Thumbnail.reset();
}

TJPEGFileList::TJPEGFileList() : directory_(QDir::currentPath()) {}

TJPEGFileList::~TJPEGFileList() = default;

void TJPEGFileList::Load()
{
    directory_ = QDir::currentPath();
    loaded_ = true;
    ReadDirectory();
}

int TJPEGFileList::SearchAttributes() const
{
    int attrs = faArchive;
    if (showDirs_)
        attrs |= faDirectory;
    if (showHidden_)
        attrs |= faHidden | faSysFile;
    return attrs;
}

bool TJPEGFileList::AcceptsName(const QString& name) const
{
    if (!showHidden_ && IsHiddenByName(name))
        return false;
    return imageFormats_.Contains(FileNameToFormat(name));
}

bool TJPEGFileList::AcceptsEntry(const TDirEntry& entry) const
{
    if (entry.isDir && !showDirs_)
        return false;
    return showHidden_ || (entry.attributes & (faHidden | faSysFile)) == 0;
}

TJPEGFileList::ItemPtr TJPEGFileList::MakeItem(TDirEntry&& entry)
{
    auto item = std::make_unique<TFileListItem>();
    item->Format = FileNameToFormat(entry.name);
    item->Caption = std::move(entry.name);
    item->Size = entry.size;
    item->Time = entry.time;
    item->Attributes = AttributeLetters(entry.attributes);
    item->Id = nextId_++;
    return item;
}

void TJPEGFileList::BeginUpdate()
{
    updating_ = true;
    if (OnBeginUpdate)
        OnBeginUpdate();
}

void TJPEGFileList::EndUpdate()
{
    if (OnEndUpdate)
        OnEndUpdate();
    updating_ = false;
}

void TJPEGFileList::Renumber()
{
    for (size_t i = 0; i < items_.size(); ++i)
        items_[i]->Index = int(i);
}

void TJPEGFileList::SortItems()
{
    struct Keyed {
        TNameOrder::TKey key;
        ItemPtr item;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(items_.size());
    for (ItemPtr& item : items_) {
        TNameOrder::TKey key = nameOrder_.Key(item->Caption);
        keyed.push_back(Keyed{std::move(key), std::move(item)});
    }
    const auto byName = [](const Keyed& a, const Keyed& b) {
        return TNameOrder::CompareKeys(a.key, b.key) < 0;
    };
    switch (sortType_) {
    case stName:
        std::sort(keyed.begin(), keyed.end(), byName);
        break;
    case stSize:
        std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
            return a.item->Size != b.item->Size ? a.item->Size < b.item->Size : byName(a, b);
        });
        break;
    case stTime:
        std::sort(keyed.begin(), keyed.end(), [&](const Keyed& a, const Keyed& b) {
            return a.item->Time != b.item->Time ? a.item->Time < b.item->Time : byName(a, b);
        });
        break;
    }
    for (size_t i = 0; i < keyed.size(); ++i)
        items_[i] = std::move(keyed[i].item);
    Renumber();
    inNameOrder_ = sortType_ == stName;
}

void TJPEGFileList::ReadDirectory()
{
    BeginUpdate();
    items_.clear();
    ForEachDirEntry(
        directory_, [this](const QString& name) { return AcceptsName(name); },
        [this](TDirEntry&& entry) {
            if (AcceptsEntry(entry))
                items_.push_back(MakeItem(std::move(entry)));
        });
    filterChanged_ = false;
    SortItems();
    EndUpdate();
}

void TJPEGFileList::SetDirectory(const QString& path)
{
    if (path == directory_ && !forceReread_)
        return;
    forceReread_ = false;
    if (infoScan_)
        infoScan_->RequestStop();
    directory_ = path;
    ReadDirectory();
    if (infoScan_)
        infoScan_->StartInfoScan();
}

void TJPEGFileList::Refresh()
{
    if (infoScan_)
        infoScan_->StopAndWait();
    if (items_.empty()) {
        ReadDirectory();
    } else {
        BeginUpdate();
        // Without a change of the switches, names (and folder flags) are enough: unchanged files
        // keep their items, and only new names are looked at further.
        const bool complete = filterChanged_;
        std::vector<TDirEntry> entries;
        const auto accept = [this](const QString& name) { return AcceptsName(name); };
        if (complete) {
            ForEachDirEntry(directory_, accept, [&](TDirEntry&& entry) {
                if (AcceptsEntry(entry))
                    entries.push_back(std::move(entry));
            });
        } else {
            ForEachDirName(directory_, accept, [&](QString&& name, bool isDir) {
                if (!isDir || showDirs_)
                    entries.push_back(TDirEntry{std::move(name), isDir});
            });
        }
        filterChanged_ = false;
        if (entries.empty())
            items_.clear();
        else
            MergeNames(std::move(entries), complete);
        EndUpdate();
    }
    if (autoScan_ && reportStyle_ && infoScan_)
        infoScan_->EnsureInfoScan();
}

// Merges the folder's current names into the items. The walk is the classic one over two
// name-sorted sequences and fires OnChangeOnRefresh with the positions it had in the walk; the
// sequences are ordered without collating every name: a hash finds what changed, and only the
// new names are placed among the items.
void TJPEGFileList::MergeNames(std::vector<TDirEntry>&& entries, bool entriesComplete)
{
    QHash<QString, int> itemByName;
    itemByName.reserve(qsizetype(items_.size()));
    for (const ItemPtr& item : items_)
        itemByName.insert(item->Caption, item->Index);

    std::vector<char> kept(items_.size(), 0);
    std::vector<TDirEntry> added;
    for (TDirEntry& entry : entries) {
        const auto found = itemByName.constFind(entry.name);
        if (found != itemByName.constEnd()) {
            kept[size_t(*found)] = 1;
            continue;
        }
        if (!entriesComplete) {
            TDirEntry fresh;
            if (!ReadDirEntry(directory_, entry.name, fresh) || !AcceptsEntry(fresh))
                continue;
            entry = std::move(fresh);
        }
        added.push_back(std::move(entry));
    }
    const bool anyRemoved = std::find(kept.begin(), kept.end(), 0) != kept.end();
    if (added.empty() && !anyRemoved)
        return;

    // The items in name order, each with its kept flag.
    if (!inNameOrder_) {
        QHash<quint64, char> keptFlags;
        for (const ItemPtr& item : items_)
            keptFlags.insert(item->Id, kept[size_t(item->Index)]);
        const TFileSortType sortType = sortType_;
        sortType_ = stName;
        SortItems();
        sortType_ = sortType;
        for (const ItemPtr& item : items_)
            kept[size_t(item->Index)] = keptFlags.value(item->Id);
    }

    std::sort(added.begin(), added.end(), [this](const TDirEntry& a, const TDirEntry& b) {
        return nameOrder_.Compare(a.name, b.name) < 0;
    });
    // Where each new name falls among the items (its place in the name order of both).
    std::vector<size_t> addedAt(added.size());
    for (size_t k = 0; k < added.size(); ++k) {
        const auto it = std::lower_bound(items_.begin(), items_.end(), added[k].name,
                                         [this](const ItemPtr& item, const QString& name) {
                                             return nameOrder_.Compare(item->Caption, name) < 0;
                                         });
        addedAt[k] = size_t(it - items_.begin());
    }

    std::vector<ItemPtr> old = std::move(items_);
    items_.clear();
    items_.reserve(old.size() + added.size());
    const auto fire = [this](int index, bool del) {
        if (OnChangeOnRefresh)
            OnChangeOnRefresh(index, del);
    };
    // The folder's names in order: kept items and new names, each with its rank in the order of
    // old items and new names together. A new name k stands before old item addedAt[k].
    struct Name {
        size_t rank;
        size_t added;  // index into added, or SIZE_MAX for a kept item
    };
    std::vector<Name> names;
    names.reserve(old.size() + added.size());
    std::vector<size_t> oldRank(old.size());
    size_t k = 0;
    for (size_t q = 0; q <= old.size(); ++q) {
        for (; k < added.size() && addedAt[k] == q; ++k)
            names.push_back(Name{q + k, k});
        if (q == old.size())
            break;
        oldRank[q] = q + k;
        if (kept[q])
            names.push_back(Name{oldRank[q], SIZE_MAX});
    }

    size_t p = 0;
    size_t j = 0;
    while (p < old.size() && j < names.size()) {
        if (oldRank[p] == names[j].rank) {
            items_.push_back(std::move(old[p++]));
            ++j;
        } else if (oldRank[p] > names[j].rank) {
            items_.push_back(MakeItem(std::move(added[names[j++].added])));
            fire(int(items_.size()) - 1, false);
        } else {
            fire(int(items_.size()), true);
            old[p++].reset();
        }
    }
    if (j < names.size()) {
        for (; j < names.size(); ++j) {
            items_.push_back(MakeItem(std::move(added[names[j].added])));
            fire(-1, false);
        }
    } else {
        for (size_t q = old.size(); q > p; --q) {
            old[q - 1].reset();
            fire(int(items_.size() + (q - 1 - p)), true);
        }
    }
    Renumber();
    inNameOrder_ = true;
    if (sortType_ != stName)
        SortItems();
}

void TJPEGFileList::SetSortType(TFileSortType value)
{
    if (value == sortType_)
        return;
    sortType_ = value;
    const bool wasRunning = infoScan_ && infoScan_->Running();
    if (wasRunning)
        infoScan_->RequestStop();
    BeginUpdate();
    SortItems();
    EndUpdate();
    if (wasRunning)
        infoScan_->StartInfoScan();
    if (OnSortChange)
        OnSortChange();
}

void TJPEGFileList::SetShowHidden(bool value)
{
    filterChanged_ = filterChanged_ || value != showHidden_;
    showHidden_ = value;
    if (loaded_)
        Refresh();
}

void TJPEGFileList::SetShowDirs(bool value)
{
    filterChanged_ = filterChanged_ || value != showDirs_;
    showDirs_ = value;
    if (loaded_)
        Refresh();
}

void TJPEGFileList::SetAutoScan(bool value)
{
    autoScan_ = value;
    if (infoScan_ && infoScan_->Running())
        infoScan_->RequestStop();
}

void TJPEGFileList::RenameItem(const QString& oldName, const QString& newName)
{
    for (ItemPtr& item : items_) {
        if (item->Caption == oldName) {
            item->Caption = newName;
            inNameOrder_ = false;
            return;
        }
    }
}

TFileListItem* TJPEGFileList::FindItem(quint64 id)
{
    for (ItemPtr& item : items_)
        if (item->Id == id)
            return item.get();
    return nullptr;
}

QString TJPEGFileList::FileName(int index) const
{
    return FileName(Item(index));
}

QString TJPEGFileList::FileName(const TFileListItem& item) const
{
    return JoinPath(directory_, item.Caption);
}

}  // namespace pixmarl
