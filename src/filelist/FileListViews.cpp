#include "FileListViews.h"

#include <algorithm>
#include <array>

#include <QDateTime>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMimeDatabase>
#include <QPointer>
#include <QProgressBar>
#include <QStackedLayout>
#include <QStyledItemDelegate>
#include <QTreeView>

#include "filelist/FileListModels.h"
#include "filelist/FileListTexts.h"
#include "filelist/FileLists.h"
#include "filelist/JPEGInfos.h"
#include "fileops/NameEditKeys.h"
#include "platform/Paths.h"
#include "shell/Artwork.h"

namespace pixmarl {

// The header reader's progress in a progress bar of the main window's status bar.
class TViewProgress : public TProgressBar {
public:
    explicit TViewProgress(QProgressBar* bar) : bar_(bar) {}
    void SetPosition(int percent) override
    {
        if (bar_)
            bar_->setValue(percent);
    }
    void Show() override
    {
        if (bar_)
            bar_->show();
    }
    void Hide() override
    {
        if (bar_)
            bar_->hide();
    }

private:
    QPointer<QProgressBar> bar_;
};

// Opens the in-place editor of a caption and hands its text back to the view, naming the item
// the edit was opened on (never the row it sits in when the edit ends).
class TCaptionDelegate : public QStyledItemDelegate {
public:
    TCaptionDelegate(TJPEGFileListView& view, QObject* parent)
        : QStyledItemDelegate(parent), view_(view)
    {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        auto* edit =
            qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
        if (!edit)
            return nullptr;
        const TFileListItem& item = view_.list_.Item(index.row());
        edit->setProperty(kItemId, item.Id);
        const QString extension = ExtractFileExt(item.Caption);
        new TNameEditKeys(
            edit, [extension] { return extension; }, icKeep);
        ++view_.openEditors_;
        return edit;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        --view_.openEditors_;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        QStyledItemDelegate::setEditorData(editor, index);
        if (auto* edit = qobject_cast<QLineEdit*>(editor))
            PostSelectBaseName(edit);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override
    {
        const auto* edit = qobject_cast<QLineEdit*>(editor);
        if (edit)
            view_.CommitCaption(edit->property(kItemId).toULongLong(), edit->text());
    }

private:
    static constexpr const char* kItemId = "pixmarlItemId";
    TJPEGFileListView& view_;
};

namespace {

// One file-type icon per format, from the icon theme by the format's MIME type, else ours.
QIcon FormatIcon(TImageFormat format)
{
    static std::array<QIcon, 7> icons;
    QIcon& icon = icons[size_t(format) % icons.size()];
    if (icon.isNull()) {
        static const std::array<const char*, 7> kSamples = {"x",     "x.jpg", "x.gif", "x.bmp",
                                                            "x.ico", "x.avi", "x.tif"};
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(
            QLatin1String(kSamples[size_t(format) % kSamples.size()]),
            QMimeDatabase::MatchExtension);
        icon = QIcon::fromTheme(mime.iconName(),
                                QIcon::fromTheme(mime.genericIconName(), OwnArtIcon(TArt::View)));
    }
    return icon;
}

}  // namespace

TJPEGFileListView::TJPEGFileListView(TJPEGFileList& list, QWidget* parent)
    : QWidget(parent),
      list_(list),
      model_(new TFileListTableModel(list, this)),
      selection_(new QItemSelectionModel(model_, this)),
      stack_(new QStackedLayout(this)),
      listView_(new QListView(this)),
      reportView_(new QTreeView(this))
{
    model_->ItemIcon = [](const TFileListItem& item) { return FormatIcon(item.Format); };
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(listView_),
                                    static_cast<QAbstractItemView*>(reportView_)}) {
        view->setModel(model_);
        QItemSelectionModel* own = view->selectionModel();
        view->setSelectionModel(selection_);
        delete own;
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::EditKeyPressed);
        view->setItemDelegateForColumn(rcName, new TCaptionDelegate(*this, view));
        view->setIconSize(QSize(16, 16));
        connect(view, &QAbstractItemView::doubleClicked, this, &TJPEGFileListView::OnDblClick);
        stack_->addWidget(view);
    }
    SetUpReport();
    SetUpList();
    connect(selection_, &QItemSelectionModel::currentChanged, this,
            &TJPEGFileListView::FocusMayHaveChanged);
    connect(selection_, &QItemSelectionModel::selectionChanged, this,
            &TJPEGFileListView::SelectionChanged);
    connect(&list_, &TJPEGFileList::OnEndUpdate, this, &TJPEGFileListView::FocusMayHaveChanged);
    connect(&list_, &TJPEGFileList::OnSortChange, this, &TJPEGFileListView::UpdateSortIndicator);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        FitColumns(0, list_.Count() - 1);
        UpdateSortIndicator();
    });
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { FitColumns(first, last); });
    FitColumns(0, list_.Count() - 1);
    SetViewStyle(vsReport);
}

TJPEGFileListView::~TJPEGFileListView()
{
    AttachInfoScanner(nullptr);
    closing_ = true;  // an editor closed by the views' end renames nothing
    delete listView_;
    delete reportView_;
}

void TJPEGFileListView::SetUpReport()
{
    QTreeView* view = reportView_;
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    QHeaderView* header = view->header();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setSortIndicatorShown(true);
    const QFontMetrics metrics = view->fontMetrics();
    const int w = metrics.horizontalAdvance(u'0');
    const int padding = 2 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    // The time column holds the locale's date and long time; 8 "0" are too narrow for that.
    const QString sampleTime =
        FormatFileTime(QDateTime(QDate(2024, 12, 28), QTime(23, 59, 58)).toSecsSinceEpoch());
    const int widths[rcColumnCount] = {
        12 * w,
        12 * w,
        (12 * w / 3) * 2,
        8 * w,
        std::max(8 * w, metrics.horizontalAdvance(sampleTime) + padding),
        header->defaultSectionSize(),
    };
    // At least the header text with the sort mark, so no header is cut.
    const int headerMargin = view->style()->pixelMetric(QStyle::PM_HeaderMargin);
    const int markRoom = view->style()->pixelMetric(QStyle::PM_HeaderMarkSize) + 4 * headerMargin;
    for (int c = 0; c < rcColumnCount; ++c) {
        const int headerWidth = header->fontMetrics().horizontalAdvance(ReportColumnHeader(c));
        header->resizeSection(c, std::max(widths[c], headerWidth + markRoom));
    }
    connect(header, &QHeaderView::sectionClicked, this, &TJPEGFileListView::HeaderClicked);
    UpdateSortIndicator();
}

void TJPEGFileListView::SetUpList()
{
    QListView* view = listView_;
    view->setViewMode(QListView::ListMode);
    view->setFlow(QListView::TopToBottom);
    view->setWrapping(true);
    view->setResizeMode(QListView::Adjust);
    view->setUniformItemSizes(true);
    view->setModelColumn(rcName);
}

int TJPEGFileListView::WidestText(int column, int first, int last) const
{
    // As Qt's own fitting does, a bounded number of rows decides, so a large folder stays quick.
    constexpr int kFitRows = 1000;
    const QFontMetrics metrics = reportView_->fontMetrics();
    last = std::min({last, list_.Count() - 1, std::max(first, 0) + kFitRows - 1});
    int widest = 0;
    for (int i = std::max(first, 0); i <= last; ++i)
        widest = std::max(widest, metrics.horizontalAdvance(ReportCellText(list_.Item(i), column)));
    return widest;
}

// Widens the Name, Type and Image Size columns and the list style's columns to the texts of
// the given rows, within reason; they never shrink (the user may have widened them).
void TJPEGFileListView::FitColumns(int first, int last)
{
    const int limit = 40 * reportView_->fontMetrics().horizontalAdvance(u'0');
    const int padding = 12;
    const int icon = reportView_->iconSize().width() + 4;
    QHeaderView* header = reportView_->header();
    const auto grow = [&](int column, int width) {
        width = std::min(width + padding, limit);
        if (width > header->sectionSize(column))
            header->resizeSection(column, width);
    };
    const int name = WidestText(rcName, first, last);
    grow(rcName, name + icon);
    grow(rcType, WidestText(rcType, first, last));
    grow(rcImageSize, WidestText(rcImageSize, first, last));

    const int cell = std::min(name, limit) + listView_->iconSize().width() + 16;
    if (cell > listView_->gridSize().width()) {
        const int height =
            std::max(listView_->fontMetrics().height(), listView_->iconSize().height()) + 4;
        listView_->setGridSize(QSize(cell, height));
    }
}

QAbstractItemView* TJPEGFileListView::CurrentView() const
{
    return style_ == vsReport ? static_cast<QAbstractItemView*>(reportView_) : listView_;
}

void TJPEGFileListView::SetViewStyle(TViewStyle style)
{
    const bool hadFocus = CurrentView()->hasFocus();
    style_ = style == vsReport ? vsReport : vsList;
    stack_->setCurrentWidget(CurrentView());
    if (hadFocus)
        CurrentView()->setFocus();
    if (scanner_)
        scanner_->SetReportStyle(style_ == vsReport);
    else
        list_.SetReportStyle(style_ == vsReport);
}

void TJPEGFileListView::AttachInfoScanner(TInfoScanner* scanner)
{
    if (scanner_) {
        disconnect(scanner_, nullptr, this, nullptr);
        scanner_->SetProgressBar(nullptr);
    }
    scanner_ = scanner;
    if (!scanner_)
        return;
    connect(scanner_, &TInfoScanner::OnInfoStored, this, &TJPEGFileListView::InfoStored);
    scanner_->SetProgressBar(progress_.get());
}

void TJPEGFileListView::SetProgressBar(QProgressBar* bar)
{
    progress_ = bar ? std::make_unique<TViewProgress>(bar) : nullptr;
    if (scanner_)
        scanner_->SetProgressBar(progress_.get());
}

// The Type and Image Size cells of the item are asked for again, and widened to their text.
void TJPEGFileListView::InfoStored(int index)
{
    model_->InfoChanged(index);
    FitColumns(index, index);
}

void TJPEGFileListView::HeaderClicked(int column)
{
    model_->ColumnClicked(column);
    UpdateSortIndicator();  // the header moved its mark itself, also when nothing sorted
}

void TJPEGFileListView::UpdateSortIndicator()
{
    static constexpr std::array<int, 3> kSortColumns = {rcName, rcFileSize, rcTime};
    reportView_->header()->setSortIndicator(kSortColumns[size_t(list_.SortType())],
                                            Qt::AscendingOrder);
}

int TJPEGFileListView::ItemFocused() const
{
    const QModelIndex current = selection_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TJPEGFileListView::SetItemFocused(int index)
{
    if (index < 0 || index >= list_.Count())
        return;
    selection_->setCurrentIndex(model_->index(index, rcName), QItemSelectionModel::NoUpdate);
    CurrentView()->scrollTo(model_->index(index, rcName));
}

int TJPEGFileListView::Selected() const
{
    for (int i = 0; i < list_.Count(); ++i) {
        if (list_.Item(i).Selected)
            return i;
    }
    return -1;
}

bool TJPEGFileListView::IsSelected(int index) const
{
    return index >= 0 && index < list_.Count() && list_.Item(index).Selected;
}

void TJPEGFileListView::SetSelected(int index, bool value)
{
    if (index < 0 || index >= list_.Count())
        return;
    selection_->select(model_->index(index, rcName),
                       (value ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                           QItemSelectionModel::Rows);
}

void TJPEGFileListView::SelectFromItems()
{
    QItemSelection selection;
    const int count = list_.Count();
    for (int i = 0; i < count;) {
        if (!list_.Item(i).Selected) {
            ++i;
            continue;
        }
        const int first = i;
        while (i < count && list_.Item(i).Selected)
            ++i;
        selection.select(model_->index(first, 0), model_->index(i - 1, rcColumnCount - 1));
    }
    selection_->select(selection, QItemSelectionModel::ClearAndSelect);
}

// The items carry their selected state, so the grid and the commands read it without asking
// the selection model. While the list changes, rows do not name items; the items keep their
// state through the change then.
void TJPEGFileListView::SelectionChanged(const QItemSelection& selected,
                                         const QItemSelection& deselected)
{
    if (model_->Updating())
        return;
    const auto mark = [this](const QItemSelection& ranges, bool value) {
        for (const QItemSelectionRange& range : ranges) {
            for (int row = range.top(); row <= range.bottom() && row < list_.Count(); ++row)
                list_.Item(row).Selected = value;
        }
    };
    mark(deselected, false);
    mark(selected, true);
    FocusMayHaveChanged();
}

void TJPEGFileListView::EditCaption()
{
    const QModelIndex current = selection_->currentIndex();
    if (current.isValid())
        CurrentView()->edit(model_->index(current.row(), rcName));
}

void TJPEGFileListView::CommitCaption(quint64 itemId, const QString& caption)
{
    const TFileListItem* item = closing_ ? nullptr : list_.FindItem(itemId);
    if (item && item->Caption != caption)
        emit OnEdited(itemId, caption);
}

void TJPEGFileListView::FocusMayHaveChanged()
{
    if (model_->Updating())
        return;
    const int row = ItemFocused();
    if (row < 0 || !IsSelected(row)) {
        focusedId_ = 0;
        return;
    }
    const quint64 id = list_.Item(row).Id;
    if (id == focusedId_)
        return;
    focusedId_ = id;
    emit OnFocusedItemChange(id);
}

}  // namespace pixmarl
