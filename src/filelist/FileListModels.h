#pragma once

// A Qt item model over a TJPEGFileList, so that Qt's views can present the report columns. It
// resets whenever the list rebuilds or reorders its items. GUI thread only.

#include <QAbstractTableModel>

namespace pixmarl {

class TJPEGFileList;

class TFileListTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The list must outlive the model.
    explicit TFileListTableModel(TJPEGFileList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The texts of one item changed (its header was read): its row is drawn again.
    void ItemChanged(int row);

    // The sort a click on a column header selects: Name, File Size and Time sort, others do
    // nothing.
    void ColumnClicked(int column);

private:
    TJPEGFileList& list_;
};

}  // namespace pixmarl
