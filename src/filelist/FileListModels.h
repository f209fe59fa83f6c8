#pragma once

// A Qt item model over a TJPEGFileList, so that Qt's views can present the report columns. It
// resets whenever the list rebuilds or reorders its items. GUI thread only.

#include <functional>

#include <QAbstractTableModel>
#include <QIcon>

namespace pixmarl {

class TJPEGFileList;
struct TFileListItem;

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

    // The header of one item was read: its Type and Image Size cells are asked for again.
    void InfoChanged(int row);

    // The small icon of an item's Name cell; none without it.
    std::function<QIcon(const TFileListItem& item)> ItemIcon;

    // The sort a click on a column header selects: Name, File Size and Time sort, others do
    // nothing.
    void ColumnClicked(int column);

private:
    TJPEGFileList& list_;
};

}  // namespace pixmarl
