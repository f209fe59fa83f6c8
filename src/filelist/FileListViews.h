#pragma once

// The file list as the user sees it in the list and report modes: a list view (names in
// top-to-bottom columns) and a report view (the six columns, no tree decoration) over one model
// of the TJPEGFileList and one selection model, so both show the same items, the same selection
// and the same current item. A click on the Name, File Size or Time header sorts; F2 renames the
// current item in place (the name is selected without its extension, a "." typed at the end gives
// the extension back); the Type and Image Size cells are filled in as the header reader stores
// them, with its progress in the given progress bar.
//
// The main window uses: SetViewStyle (vsList, vsReport), AttachInfoScanner, SetProgressBar,
// IsSelected/SetSelected, ItemFocused/SetItemFocused, Selected (the first selected item),
// EditCaption (its Rename command), IsEditing, and the signals OnFocusedItemChange (an item became
// current and selected), OnEdited (an in-place edit ended with a new name: rename the file, then
// TJPEGFileList::RenameItem) and OnDblClick. An edit is bound to the item it was opened on: a
// refresh or re-sort meanwhile does not move it to another file. Items are named by their Id.
//
// The selection lives in the items (TFileListItem::Selected), kept by this view and carried
// through refreshes and re-sorts, so the main window's conversions are exact:
//   GridSelectionToList: each item's Selected := grid.IsSelected(i); SelectFromItems();
//                        SetItemFocused(grid.Index()).
//   ListSelectionToGrid: grid.SetIndex(ItemFocused()); grid.SetSelectionBits(the items' flags).
//
// GUI thread only. The list and the header reader must outlive the view.

#include <memory>

#include <QWidget>

class QAbstractItemView;
class QItemSelection;
class QItemSelectionModel;
class QListView;
class QProgressBar;
class QStackedLayout;
class QTreeView;

namespace pixmarl {

class TFileListTableModel;
class TInfoScanner;
class TJPEGFileList;
class TViewProgress;

class TJPEGFileListView : public QWidget {
    Q_OBJECT
public:
    enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

    explicit TJPEGFileListView(TJPEGFileList& list, QWidget* parent = nullptr);
    ~TJPEGFileListView() override;

    TViewStyle ViewStyle() const { return style_; }
    // vsList or vsReport; the icon styles show the list style. With a scanner attached, the
    // report style starts a header scan that has not run yet, another style stops it.
    void SetViewStyle(TViewStyle style);

    void AttachInfoScanner(TInfoScanner* scanner);
    // Where the header reader shows its progress; none: no progress is shown.
    void SetProgressBar(QProgressBar* bar);

    // The current (focused) item's index, -1 for none, and the first selected one's.
    int ItemFocused() const;
    void SetItemFocused(int index);
    int Selected() const;
    // An item's selected state, which the item itself carries (TFileListItem::Selected).
    bool IsSelected(int index) const;
    void SetSelected(int index, bool value);
    // The views take the selected state the items carry (the grid's selection was copied into
    // them).
    void SelectFromItems();
    // Opens the in-place editor on the current item (when there is one).
    void EditCaption();
    // An in-place editor is open: keys go to it, not to the commands on files.
    bool IsEditing() const { return openEditors_ > 0; }

    TFileListTableModel* Model() const { return model_; }
    QItemSelectionModel* SelectionModel() const { return selection_; }
    QListView* ListView() const { return listView_; }
    QTreeView* ReportView() const { return reportView_; }
    QAbstractItemView* CurrentView() const;

signals:
    void OnFocusedItemChange(quint64 itemId);
    void OnEdited(quint64 itemId, const QString& newCaption);
    void OnDblClick();

private:
    friend class TCaptionDelegate;
    void SetUpReport();
    void SetUpList();
    void HeaderClicked(int column);
    void UpdateSortIndicator();
    void FocusMayHaveChanged();
    void SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void InfoStored(int index);
    int WidestText(int column, int first, int last) const;
    void FitColumns(int first, int last);
    void CommitCaption(quint64 itemId, const QString& caption);

    TJPEGFileList& list_;
    TFileListTableModel* model_;
    QItemSelectionModel* selection_;
    QStackedLayout* stack_;
    QListView* listView_;
    QTreeView* reportView_;
    TInfoScanner* scanner_ = nullptr;
    std::unique_ptr<TViewProgress> progress_;
    TViewStyle style_ = vsReport;
    quint64 focusedId_ = 0;  // the item last reported focused and selected
    bool closing_ = false;
    int openEditors_ = 0;
};

}  // namespace pixmarl
