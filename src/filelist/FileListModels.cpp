#include "FileListModels.h"

#include <algorithm>

#include "filelist/FileListTexts.h"
#include "filelist/FileLists.h"

namespace pixmarl {

TFileListTableModel::TFileListTableModel(TJPEGFileList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list)
{
    connect(&list_, &TJPEGFileList::OnBeginUpdate, this, &TFileListTableModel::BeginUpdate);
    connect(&list_, &TJPEGFileList::OnEndUpdate, this, &TFileListTableModel::EndUpdate);
    connect(&list_, &TJPEGFileList::OnItemRenamed, this,
            [this](int row) { emit dataChanged(index(row, rcName), index(row, rcName)); });
}

int TFileListTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return updating_ ? rows_ : list_.Count();
}

void TFileListTableModel::BeginUpdate(TListUpdate kind)
{
    rows_ = list_.Count();
    if (kind == luRebuild) {
        beginResetModel();
    } else {
        oldIds_.resize(size_t(rows_));
        for (int row = 0; row < rows_; ++row)
            oldIds_[size_t(row)] = list_.Item(row).Id;
        if (kind == luReorder)
            AboutToMove(QAbstractItemModel::VerticalSortHint);
    }
    updating_ = true;
}

void TFileListTableModel::EndUpdate(TListUpdate kind)
{
    // A refresh that also moved items (one was renamed in place before) is followed as a
    // re-sort: the views keep each item's state by its Id.
    if (kind == luMerge && !MergeRows())
        AboutToMove(QAbstractItemModel::NoLayoutChangeHint);
    updating_ = false;
    if (kind == luRebuild) {
        endResetModel();
    } else if (moving_) {
        MovePersistent();
        moving_ = false;
        emit layoutChanged({}, hint_);
    }
    oldIds_.clear();
    persistent_.clear();
}

// Announces a layout change and notes the item of every persistent index the views hold then.
void TFileListTableModel::AboutToMove(QAbstractItemModel::LayoutChangeHint hint)
{
    moving_ = true;
    hint_ = hint;
    emit layoutAboutToBeChanged({}, hint);
    persistent_ = persistentIndexList();
}

// Each persistent index goes to the row its item has now, or becomes invalid with the item.
void TFileListTableModel::MovePersistent()
{
    QModelIndexList to;
    to.reserve(persistent_.size());
    for (const QModelIndex& from : persistent_) {
        const TFileListItem* item = list_.FindItem(oldIds_[size_t(from.row())]);
        to.push_back(item ? index(item->Index, from.column()) : QModelIndex());
    }
    changePersistentIndexList(persistent_, to);
}

// Tells a refresh as the rows it removed and inserted. Files that stay keep their order in every
// sort (nothing of them is read again), and new items carry Ids above every old one, so one walk
// over the old and the new rows finds both. False when kept items changed their order.
bool TFileListTableModel::MergeRows()
{
    const quint64 newFrom =
        oldIds_.empty() ? 0 : *std::max_element(oldIds_.begin(), oldIds_.end()) + 1;
    std::vector<int> removed;
    std::vector<int> inserted;
    size_t i = 0;
    int j = 0;
    const int count = list_.Count();
    while (i < oldIds_.size() || j < count) {
        if (j < count && list_.Item(j).Id >= newFrom) {
            inserted.push_back(j++);
        } else if (i < oldIds_.size() && j < count && oldIds_[i] == list_.Item(j).Id) {
            ++i;
            ++j;
        } else if (i < oldIds_.size() && !list_.FindItem(oldIds_[i])) {
            removed.push_back(int(i++));
        } else {
            return false;
        }
    }
    // Removals from the last row back, insertions from the first row on, in runs.
    for (size_t k = removed.size(); k > 0;) {
        const int last = removed[--k];
        int first = last;
        while (k > 0 && removed[k - 1] == first - 1)
            first = removed[--k];
        beginRemoveRows({}, first, last);
        rows_ -= last - first + 1;
        endRemoveRows();
    }
    for (size_t k = 0; k < inserted.size();) {
        const int first = inserted[k++];
        int last = first;
        while (k < inserted.size() && inserted[k] == last + 1)
            last = inserted[k++];
        beginInsertRows({}, first, last);
        rows_ += last - first + 1;
        endInsertRows();
    }
    return true;
}

int TFileListTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rcColumnCount;
}

QVariant TFileListTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || updating_ || index.row() >= list_.Count())
        return {};
    if (role == Qt::DisplayRole)
        return ReportCellText(list_.Item(index.row()), index.column());
    if (role == Qt::EditRole && index.column() == rcName)
        return list_.Item(index.row()).Caption;
    if (role == Qt::DecorationRole && index.column() == rcName && ItemIcon)
        return ItemIcon(list_.Item(index.row()));
    if (role == Qt::TextAlignmentRole) {
        const bool right = index.column() == rcImageSize || index.column() == rcFileSize;
        return int((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return {};
}

QVariant TFileListTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return ReportColumnHeader(section);
    return {};
}

Qt::ItemFlags TFileListTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = QAbstractTableModel::flags(index) | Qt::ItemNeverHasChildren;
    if (index.column() == rcName)
        flags |= Qt::ItemIsEditable;
    return flags;
}

void TFileListTableModel::InfoChanged(int row)
{
    static_assert(rcType + 1 == rcImageSize);
    emit dataChanged(index(row, rcType), index(row, rcImageSize), {Qt::DisplayRole});
}

void TFileListTableModel::ColumnClicked(int column)
{
    switch (column) {
    case rcName:
        list_.SetSortType(stName);
        break;
    case rcFileSize:
        list_.SetSortType(stSize);
        break;
    case rcTime:
        list_.SetSortType(stTime);
        break;
    default:
        break;
    }
}

}  // namespace pixmarl
