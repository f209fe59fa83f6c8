#include "FileListModels.h"

#include "filelist/FileListTexts.h"
#include "filelist/FileLists.h"

namespace pixmarl {

TFileListTableModel::TFileListTableModel(TJPEGFileList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list)
{
    connect(&list_, &TJPEGFileList::OnBeginUpdate, this, [this] { beginResetModel(); });
    connect(&list_, &TJPEGFileList::OnEndUpdate, this, [this] { endResetModel(); });
}

int TFileListTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.Count();
}

int TFileListTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rcColumnCount;
}

QVariant TFileListTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= list_.Count())
        return {};
    if (role == Qt::DisplayRole)
        return ReportCellText(list_.Item(index.row()), index.column());
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

void TFileListTableModel::ItemChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, rcColumnCount - 1));
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
