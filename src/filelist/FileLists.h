#pragma once

// The model of the image files of the shown folder: one TFileListItem per listed file, read from
// the folder, filtered by the enabled formats and the hidden/folder switches, sorted by one of
// three orders, and merged with the folder's new contents on a refresh so that unchanged items
// keep their header data and thumbnails. Every view (list, report, thumbnail grid) and the
// thumbnail engine address the items by index.
//
// GUI thread only. Workers never touch items; their results come back to the GUI thread as
// queued calls and name the item (its Id) they belong to.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include "filelist/NameOrder.h"
#include "formats/Images.h"

namespace pixmarl {

struct TDirEntry;

struct TFileListItem {
    QString Caption;
    qint64 Size = 0;                   // bytes
    qint64 Time = 0;                   // last modification, seconds since the epoch
    std::array<char, 4> Attributes{};  // "A", "H", "R", "S" packed from the start, NUL padded
    QString TimeText;                  // the formatted time, empty until first shown
    bool ThumbFailed = false;
    TImageFormat Format = ifUnknown;
    std::int32_t ImageWidth = 0;
    std::int32_t ImageHeight = 0;
    std::uint8_t SubType = 0;
    std::int8_t ColorDepth = 0;
    bool InfoRead = false;
    std::unique_ptr<QImage> Thumbnail;  // owned; none until made
    int Index = -1;         // position in the list, kept current by every change of order
    bool Selected = false;  // selected in the views (the list view keeps it, the grid reads it)
    quint64 Id = 0;         // unique within its list for the list's lifetime: what results refer to
    std::uint64_t NameHash = 0;  // hash of the caption's bytes on disk, for the refresh

    QString AttributesText() const;

    // Stores a worker's thumbnail: takes the image size when none is known yet; a failure frees
    // the thumbnail, else the top-left thumbSize part of bitmap becomes it.
    void SetThumbnail(const QImage& bitmap, bool failed, QSize imageSize, QSize thumbSize);
    void FreeThumbnail();
};

enum TFileSortType : std::uint8_t { stName, stSize, stTime };

// What the file list asks of the background header reader at the points where it rebuilds or
// reorders its items. The reader attaches itself with SetInfoScanHooks. None of these waits: a
// stopped scan's later results are dropped, so the items may change right after the call.
class TInfoScanHooks {
public:
    virtual ~TInfoScanHooks() = default;
    virtual bool Running() const = 0;
    virtual void RequestStop() = 0;
    virtual void ResetScan() = 0;  // stops, and the next EnsureInfoScan scans again
    virtual void StartInfoScan() = 0;
    virtual void EnsureInfoScan() = 0;
};

// What kind of change of the items an OnBeginUpdate/OnEndUpdate pair brackets.
enum TListUpdate : std::uint8_t {
    luRebuild,  // every item replaced by a folder read: a model resets
    luMerge,    // a refresh merged the folder's changes in, each named by OnChangeOnRefresh
    luReorder,  // the same items (same Ids) in a new order: a model moves its rows by Id
};

// The switches that decide which entries of a folder are listed.
struct TListFilter {
    TImageFormats formats;
    bool showHidden = false;
    bool showDirs = false;
};

// A folder read away from the list: the listed files' items in the order of sortType, without
// their identities in a list yet.
struct TFolderRead {
    QString folder;
    TFileSortType sortType = stName;
    std::vector<std::unique_ptr<TFileListItem>> items;
};

// Reads folder as a list with this filter and order does. Any thread; it touches the file system,
// so the GUI thread leaves it to a worker.
TFolderRead ReadFolder(const QString& folder, const TListFilter& filter, TFileSortType sortType);

class TJPEGFileList : public QObject {
    Q_OBJECT
public:
    explicit TJPEGFileList(QObject* parent = nullptr);
    ~TJPEGFileList() override;

    // What loading the component does: Directory becomes the current folder and is read.
    void Load();

    const QString& Directory() const { return directory_; }
    // Reads path (unless it is the folder shown and no reread is asked for).
    void SetDirectory(const QString& path);
    // What SetDirectory does with a read made by ReadFolder(path, Filter(), SortType()) elsewhere.
    void InstallRead(TFolderRead read);
    // The folder shown was renamed: its new path, the items stay.
    void RenameDirectory(const QString& path);
    bool ForceReread() const { return forceReread_; }
    void SetForceReread(bool value) { forceReread_ = value; }

    TImageFormats ImageFormats() const { return imageFormats_; }
    void SetImageFormats(TImageFormats formats) { imageFormats_ = formats; }
    bool ShowHidden() const { return showHidden_; }
    void SetShowHidden(bool value);
    bool ShowDirs() const { return showDirs_; }
    void SetShowDirs(bool value);
    TListFilter Filter() const;
    TFileSortType SortType() const { return sortType_; }
    void SetSortType(TFileSortType value);

    // The background header reader runs only with AutoScan on in report style.
    bool AutoScan() const { return autoScan_; }
    void SetAutoScan(bool value);
    bool ReportStyle() const { return reportStyle_; }
    void SetReportStyle(bool value) { reportStyle_ = value; }
    void SetInfoScanHooks(TInfoScanHooks* hooks) { infoScan_ = hooks; }

    // archive always, folder with ShowDirs, hidden and system with ShowHidden.
    int SearchAttributes() const;
    bool Updating() const { return updating_; }

    void ReadDirectory();
    void Refresh();
    // Renames the first item whose caption is exactly oldName; nothing when there is none.
    void RenameItem(const QString& oldName, const QString& newName);

    int Count() const { return int(items_.size()); }
    TFileListItem& Item(int index) { return *items_[size_t(index)]; }
    const TFileListItem& Item(int index) const { return *items_[size_t(index)]; }
    // The item with this Id, or nullptr when it is no longer listed (a hash lookup).
    TFileListItem* FindItem(quint64 id);
    QString FileName(int index) const;
    QString FileName(const TFileListItem& item) const;

    // Whether a name (its bytes on disk) would be listed, by its extension and (without
    // ShowHidden) its leading dot.
    bool AcceptsNativeName(std::string_view name) const;

signals:
    // Around every change of the items: OnBeginUpdate before the first item changes, OnEndUpdate
    // once every item is in place with its Index current. Count and Item reflect the change only
    // at OnEndUpdate; a listener must not change the list in between.
    void OnBeginUpdate(TListUpdate kind);
    void OnEndUpdate(TListUpdate kind);
    // During a luMerge, once per item deleted (del) or inserted, in the order of a walk over the
    // old items and the folder's names, both in name order. index is the item's position at that
    // step of the walk: the items before it are final, those after it are the old ones not yet
    // walked; -1 stands for an insertion at the end. Positions are in name order: when SortType
    // is not stName the merged items are sorted afterwards, inside the same update.
    void OnChangeOnRefresh(int index, bool del);
    // After a change of SortType has reordered the items (after OnEndUpdate(luReorder)).
    void OnSortChange();
    // RenameItem changed the caption of the item at index (it stays where it is).
    void OnItemRenamed(int index);

private:
    using ItemPtr = std::unique_ptr<TFileListItem>;

    bool AcceptsEntry(const TDirEntry& entry) const;
    ItemPtr MakeItem(TDirEntry&& entry);
    void Identify(TFileListItem& item);  // gives it its Id
    void InstallItems(TFolderRead&& read);
    void BeginUpdate(TListUpdate kind);
    void EndUpdate(TListUpdate kind);
    void SortItems();
    void Renumber(size_t from = 0);  // from: the first position whose item may have moved
    bool CollectChanges(std::vector<char>& kept, std::vector<TDirEntry>& added);
    void MergeNames(std::vector<char>&& kept, std::vector<TDirEntry>&& added);
    void Forget(ItemPtr& item);  // frees an item and drops it from the Id table
    void ClearItems();

    QString directory_;
    std::vector<ItemPtr> items_;
    TNameOrder nameOrder_;
    TImageFormats imageFormats_{ifJPEG, ifGIF, ifBMP};
    TFileSortType sortType_ = stName;
    bool showHidden_ = false;
    bool showDirs_ = false;
    bool forceReread_ = false;
    bool autoScan_ = false;
    bool reportStyle_ = false;
    bool updating_ = false;
    bool loaded_ = false;
    bool inNameOrder_ = true;     // items are in name order (no rename since the last sort)
    bool filterChanged_ = false;  // the hidden/folder switches changed since the last read
    quint64 nextId_ = 1;
    QHash<quint64, TFileListItem*> byId_;  // every item by its Id
    TInfoScanHooks* infoScan_ = nullptr;
};

}  // namespace pixmarl
