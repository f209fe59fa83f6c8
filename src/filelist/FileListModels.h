#pragma once

// A Qt item model over a TJPEGFileList, so that Qt's views can present it: the report's six
// columns, the list's names. It follows the list's changes finely, so that the views keep their
// selection, current item, open editor and scroll position on the same files:
//   - a folder read resets the model;
//   - a refresh removes the rows of the files that went and inserts those of the new files (in
//     runs); where it also moved items (after a rename), it is a layout change instead;
//   - a re-sort is a layout change whose persistent indexes follow the items by Id;
//   - a header read changes the Type and Image Size cells of one row.
// Between the list's OnBeginUpdate and OnEndUpdate the model shows no data (the rows do not map
// to items then) and keeps the row count the views know. GUI thread only.

#include <cstdint>
#include <functional>
#include <vector>

#include <QAbstractTableModel>
#include <QIcon>

namespace pixmarl {

class TJPEGFileList;
struct TFileListItem;
enum TListUpdate : std::uint8_t;

class TFileListTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The list must outlive the model.
    explicit TFileListTableModel(TJPEGFileList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The Name cell is editable (the edit itself goes to the view's owner, not to the model).
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // True while the list changes its items: rows do not map to items then.
    bool Updating() const { return updating_; }

    // The header of one item was read: its Type and Image Size cells are asked for again.
    void InfoChanged(int row);

    // The small icon of an item's Name cell; none without it.
    std::function<QIcon(const TFileListItem& item)> ItemIcon;

    // The sort a click on a column header selects: Name, File Size and Time sort, others do
    // nothing.
    void ColumnClicked(int column);

private:
    void BeginUpdate(TListUpdate kind);
    void EndUpdate(TListUpdate kind);
    void AboutToMove(QAbstractItemModel::LayoutChangeHint hint);
    void MovePersistent();
    bool MergeRows();

    TJPEGFileList& list_;
    bool updating_ = false;
    int rows_ = 0;                 // the row count the views know while updating
    std::vector<quint64> oldIds_;  // the rows' items before a refresh or re-sort
    QModelIndexList persistent_;   // the persistent indexes of a layout change
    bool moving_ = false;          // a layout change was announced
    QAbstractItemModel::LayoutChangeHint hint_ = QAbstractItemModel::NoLayoutChangeHint;
};

}  // namespace pixmarl
