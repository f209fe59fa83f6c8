#include "FileLists.h"

#include <algorithm>
#include <cstring>

#include <QDir>
#include <QFile>
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

using ItemPtr = std::unique_ptr<TFileListItem>;

bool FilterAcceptsName(const TListFilter& filter, std::string_view name)
{
    if (!filter.showHidden && name.starts_with('.'))
        return false;
    return filter.formats.Contains(NativeNameToFormat(name));
}

bool FilterAcceptsEntry(const TListFilter& filter, const TDirEntry& entry)
{
    if (entry.isDir && !filter.showDirs)
        return false;
    return filter.showHidden || (entry.attributes & (faHidden | faSysFile)) == 0;
}

// An item of an entry, without its identity in a list yet.
ItemPtr NewItem(TDirEntry&& entry)
{
    auto item = std::make_unique<TFileListItem>();
    item->Format = FileNameToFormat(entry.name);
    item->Caption = std::move(entry.name);
    item->Size = entry.size;
    item->Time = entry.time;
    item->Attributes = AttributeLetters(entry.attributes);
    item->NameHash = entry.nameHash;
    return item;
}

void SortItemVector(std::vector<ItemPtr>& items, TFileSortType sortType, const TNameOrder& order)
{
    struct Keyed {
        TNameOrder::TKey key;
        ItemPtr item;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(items.size());
    for (ItemPtr& item : items) {
        TNameOrder::TKey key = order.Key(item->Caption);
        keyed.push_back(Keyed{std::move(key), std::move(item)});
    }
    const auto byName = [](const Keyed& a, const Keyed& b) {
        return TNameOrder::CompareKeys(a.key, b.key) < 0;
    };
    switch (sortType) {
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
        items[i] = std::move(keyed[i].item);
}

}  // namespace

TFolderRead ReadFolder(const QString& folder, const TListFilter& filter, TFileSortType sortType)
{
    TFolderRead read{folder, sortType, {}};
    ForEachDirEntry(
        folder, [&filter](std::string_view name) { return FilterAcceptsName(filter, name); },
        [&](TDirEntry&& entry) {
            if (FilterAcceptsEntry(filter, entry))
                read.items.push_back(NewItem(std::move(entry)));
        });
    SortItemVector(read.items, sortType, TNameOrder());
    return read;
}

QString TFileListItem::AttributesText() const
{
    return QString::fromLatin1(Attributes.data(),
                               qsizetype(strnlen(Attributes.data(), Attributes.size())));
}

void TFileListItem::SetThumbnail(const QImage& bitmap, bool failed, QSize imageSize,
                                 QSize thumbSize)
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

TJPEGFileList::TJPEGFileList(QObject* parent) : QObject(parent), directory_(QDir::currentPath())
{}

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

TListFilter TJPEGFileList::Filter() const
{
    return {imageFormats_, showHidden_, showDirs_};
}

bool TJPEGFileList::AcceptsNativeName(std::string_view name) const
{
    return FilterAcceptsName(Filter(), name);
}

bool TJPEGFileList::AcceptsEntry(const TDirEntry& entry) const
{
    return FilterAcceptsEntry(Filter(), entry);
}

TJPEGFileList::ItemPtr TJPEGFileList::MakeItem(TDirEntry&& entry)
{
    ItemPtr item = NewItem(std::move(entry));
    Identify(*item);
    return item;
}

void TJPEGFileList::Identify(TFileListItem& item)
{
    item.Id = nextId_++;
    byId_.insert(item.Id, &item);
}

void TJPEGFileList::BeginUpdate(TListUpdate kind)
{
    updating_ = true;
    emit OnBeginUpdate(kind);
}

void TJPEGFileList::EndUpdate(TListUpdate kind)
{
    emit OnEndUpdate(kind);
    updating_ = false;
}

void TJPEGFileList::Renumber(size_t from)
{
    for (size_t i = from; i < items_.size(); ++i)
        items_[i]->Index = int(i);
}

void TJPEGFileList::SortItems()
{
    SortItemVector(items_, sortType_, nameOrder_);
    Renumber();
    inNameOrder_ = sortType_ == stName;
}

void TJPEGFileList::ReadDirectory()
{
    InstallItems(ReadFolder(directory_, Filter(), sortType_));
}

void TJPEGFileList::InstallItems(TFolderRead&& read)
{
    BeginUpdate(luRebuild);
    ClearItems();
    items_ = std::move(read.items);
    for (ItemPtr& item : items_)
        Identify(*item);
    filterChanged_ = false;
    if (read.sortType == sortType_) {
        Renumber();
        inNameOrder_ = sortType_ == stName;
    } else {
        SortItems();
    }
    EndUpdate(luRebuild);
}

void TJPEGFileList::SetDirectory(const QString& path)
{
    if (path == directory_ && !forceReread_)
        return;
    InstallRead(ReadFolder(path, Filter(), sortType_));
}

void TJPEGFileList::RenameDirectory(const QString& path)
{
    directory_ = path;
}

void TJPEGFileList::InstallRead(TFolderRead read)
{
    forceReread_ = false;
    if (infoScan_)
        infoScan_->RequestStop();
    directory_ = read.folder;
    InstallItems(std::move(read));
    if (infoScan_)
        infoScan_->StartInfoScan();
}

void TJPEGFileList::Refresh()
{
    if (infoScan_)
        infoScan_->ResetScan();
    if (items_.empty()) {
        ReadDirectory();
    } else {
        std::vector<char> kept(items_.size(), 0);
        std::vector<TDirEntry> added;
        if (CollectChanges(kept, added)) {
            BeginUpdate(luMerge);
            MergeNames(std::move(kept), std::move(added));
            EndUpdate(luMerge);
        } else {
            // Nothing listed is left: deleted silently, all at once.
            BeginUpdate(luRebuild);
            ClearItems();
            EndUpdate(luRebuild);
        }
    }
    if (autoScan_ && reportStyle_ && infoScan_)
        infoScan_->EnsureInfoScan();
}

namespace {

// Finds items by the hash of their name: an open-addressing table built once per refresh, holding
// the hashes itself so that a lookup touches no item.
class TNameHashTable {
public:
    explicit TNameHashTable(const std::vector<std::unique_ptr<TFileListItem>>& items)
    {
        size_t capacity = 16;
        while (capacity < items.size() * 2)
            capacity *= 2;
        mask_ = capacity - 1;
        slots_.assign(capacity, Slot{});
        for (size_t i = 0; i < items.size(); ++i) {
            size_t s = items[i]->NameHash & mask_;
            while (slots_[s].index != 0)
                s = (s + 1) & mask_;
            slots_[s] = Slot{items[i]->NameHash, std::uint32_t(i + 1)};
        }
    }

    // The index of the item with this name hash, or -1.
    int Find(std::uint64_t hash) const
    {
        for (size_t s = hash & mask_; slots_[s].index != 0; s = (s + 1) & mask_) {
            if (slots_[s].hash == hash)
                return int(slots_[s].index - 1);
        }
        return -1;
    }

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t index = 0;  // item index + 1; 0 marks a free slot
    };
    std::vector<Slot> slots_;
    size_t mask_ = 0;
};

}  // namespace

// Marks the items whose files are still there and reads the entries of the new names. Without a
// change of the switches, names (and folder flags) are enough: unchanged files keep their items
// and cost no stat. Returns false when the folder holds no listed name at all.
bool TJPEGFileList::CollectChanges(std::vector<char>& kept, std::vector<TDirEntry>& added)
{
    const TNameHashTable table(items_);
    bool anyName = false;
    const auto accept = [this](std::string_view name) { return AcceptsNativeName(name); };
    if (filterChanged_) {
        ForEachDirEntry(directory_, accept, [&](TDirEntry&& entry) {
            if (!AcceptsEntry(entry))
                return;
            anyName = true;
            const int index = table.Find(entry.nameHash);
            if (index >= 0)
                kept[size_t(index)] = 1;
            else
                added.push_back(std::move(entry));
        });
    } else {
        ForEachDirName(directory_, accept, [&](const TDirName& name) {
            if (name.isDir && !showDirs_)
                return;
            anyName = true;
            const int index = table.Find(name.hash);
            if (index >= 0) {
                kept[size_t(index)] = 1;
                return;
            }
            TDirEntry entry;
            const QString decoded = QFile::decodeName(
                QByteArray::fromRawData(name.nativeName.data(), qsizetype(name.nativeName.size())));
            if (ReadDirEntry(directory_, decoded, entry) && AcceptsEntry(entry))
                added.push_back(std::move(entry));
        });
    }
    filterChanged_ = false;
    return anyName;
}

// Merges the folder's current names into the items. The walk goes over two name-sorted
// sequences and fires OnChangeOnRefresh with the positions it had in the walk; the
// sequences are ordered without collating every name: only the new names are placed among the
// items.
void TJPEGFileList::MergeNames(std::vector<char>&& kept, std::vector<TDirEntry>&& added)
{
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
    size_t firstChange = SIZE_MAX;
    const auto fire = [&](int index, bool del) {
        // An insertion has already been appended at the end of items_; a deletion leaves its
        // place to the next item.
        firstChange = std::min(firstChange, del ? items_.size() : items_.size() - 1);
        emit OnChangeOnRefresh(index, del);
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
            Forget(old[p++]);
        }
    }
    if (j < names.size()) {
        for (; j < names.size(); ++j) {
            items_.push_back(MakeItem(std::move(added[names[j].added])));
            fire(-1, false);
        }
    } else {
        for (size_t q = old.size(); q > p; --q) {
            Forget(old[q - 1]);
            fire(int(items_.size() + (q - 1 - p)), true);
        }
    }
    Renumber(firstChange);
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
    BeginUpdate(luReorder);
    SortItems();
    EndUpdate(luReorder);
    if (wasRunning)
        infoScan_->StartInfoScan();
    emit OnSortChange();
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
            item->NameHash = NameHash(newName);
            inNameOrder_ = false;
            emit OnItemRenamed(item->Index);
            return;
        }
    }
}

TFileListItem* TJPEGFileList::FindItem(quint64 id)
{
    return byId_.value(id, nullptr);
}

void TJPEGFileList::Forget(ItemPtr& item)
{
    byId_.remove(item->Id);
    item.reset();
}

void TJPEGFileList::ClearItems()
{
    items_.clear();
    byId_.clear();
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
