#include "FldLocEdits.h"

#include <algorithm>

#include <QAction>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>

#include "navigation/DirImages.h"
#include "navigation/MyComputer.h"
#include "platform/Budget.h"
#include "platform/Paths.h"
#include "shell/Artwork.h"

namespace pixmarl {

namespace {

constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;
constexpr int kIndentStep = 10;
constexpr int kIconEdge = 16;

// Draws an item indented by its depth below its volume, with its folder or volume icon.
class TLocItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        opt.icon = DirImage(index.data(kImageRole).toInt());
        opt.features |= QStyleOptionViewItem::HasDecoration;
        opt.decorationSize = QSize(kIconEdge, kIconEdge);
        QStyle* style = opt.widget ? opt.widget->style() : nullptr;
        if (style == nullptr)
            return;
        // The selection spans the whole row; only the content moves right.
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, opt.widget);
        opt.rect.adjust(Indent(index), 0, 0, 0);
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += Indent(index) + kIconEdge + 4;
        size.setHeight(std::max({size.height(), option.fontMetrics.height() + 4, kIconEdge + 4}));
        return size;
    }

private:
    static int Indent(const QModelIndex& index)
    {
        return kIndentStep * index.data(kDepthRole).toInt();
    }
};

}  // namespace

TFldLocEdit::TFldLocEdit(QWidget* parent, TMyComputer* computer)
    : QComboBox(parent), computer_(computer ? *computer : MyComputer())
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setMaxVisibleItems(12);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setItemDelegate(new TLocItemDelegate(this));
    icon_ = lineEdit()->addAction(DirImage(kClosedFolderImage), QLineEdit::LeadingPosition);
    lineEdit()->installEventFilter(this);
    connect(lineEdit(), &QLineEdit::textEdited, this, &TFldLocEdit::Typed);
    connect(this, &QComboBox::activated, this, &TFldLocEdit::Pick);
    listenerId_ = computer_.AddListener([this](int, TDrive&) { PostRebuild(); });
    Rebuild();
}

TFldLocEdit::~TFldLocEdit()
{
    computer_.RemoveListener(listenerId_);
}

void TFldLocEdit::SetDirectory(const QString& path)
{
    if (path.isEmpty() || path == directory_) {
        ShowText();
        return;
    }
    ++generation_;
    directory_ = path;
    edited_ = false;
    Rebuild();
}

void TFldLocEdit::SetDisplayFullPath(bool value)
{
    displayFullPath_ = value;
    ShowText();
}

void TFldLocEdit::SetPreferredWidth(int width)
{
    preferredWidth_ = width;
    updateGeometry();
}

QSize TFldLocEdit::sizeHint() const
{
    return {preferredWidth_, QComboBox::sizeHint().height()};
}

void TFldLocEdit::Rebuild()
{
    std::vector<TLocVolume> volumes;
    for (const auto& drive : computer_.Drives())
        volumes.push_back({drive->MountPath(), drive->Name(), drive->ImageIndex()});
    items_ = BuildLocationItems(volumes, directory_);
    const QString typed = lineEdit()->text();
    rebuilding_ = true;
    clear();
    for (const TLocItem& item : items_.items) {
        addItem(item.text, item.path);
        setItemData(count() - 1, item.depth, kDepthRole);
        setItemData(count() - 1, item.imageIndex, kImageRole);
    }
    setCurrentIndex(items_.current);
    rebuilding_ = false;
    if (edited_)
        lineEdit()->setText(typed);  // a volume change must not take what the user is typing
    else
        ShowText();
}

void TFldLocEdit::PostRebuild()
{
    // The table tells of a removed volume before it is gone: rebuild once it has settled.
    if (rebuildPosted_)
        return;
    rebuildPosted_ = true;
    QTimer::singleShot(0, this, [this] {
        rebuildPosted_ = false;
        Rebuild();
    });
}

void TFldLocEdit::ShowText()
{
    edited_ = false;
    const bool volumeRoot = items_.pathCount == 0;
    lineEdit()->setText(displayFullPath_ || volumeRoot ? directory_ : ExtractFileName(directory_));
    if (lineEdit()->hasFocus())
        lineEdit()->selectAll();
    const int current = items_.current;
    icon_->setIcon(
        DirImage(current >= 0 ? items_.items[size_t(current)].imageIndex : kClosedFolderImage));
}

void TFldLocEdit::PostShowText()
{
    QTimer::singleShot(0, this, [this] {
        if (!edited_)
            ShowText();
    });
}

void TFldLocEdit::Pick(int index)
{
    if (rebuilding_ || index < 0 || index >= int(items_.items.size()))
        return;
    const QString path = items_.items[size_t(index)].path;
    if (path != directory_) {
        edited_ = false;
        ChangeTo(path);
    } else {
        setCurrentIndex(items_.current);
        ShowText();
    }
    // The combo box puts the item's own text into the edit after this; ours comes last.
    PostShowText();
}

void TFldLocEdit::Typed()
{
    ++generation_;
    if (edited_)
        return;
    edited_ = true;
    icon_->setIcon(ArtIcon(TArt::Goto));
}

void TFldLocEdit::Interpret(const QString& text)
{
    const QString target = TypedPathTarget(text, directory_, QDir::homePath());
    if (target.isEmpty() || target == directory_) {
        ShowText();
        return;
    }
    const quint64 generation = ++generation_;
    const auto late = [self = QPointer<TFldLocEdit>(this), generation, text,
                       target](TPathKind kind) {
        if (self && self->generation_ == generation)
            self->Probed(text, target, kind);
    };
    const std::optional<TPathKind> kind = RunWithin<TPathKind>(
        [target] { return ProbePath(target); }, DeadlineIn(probeBudgetMs_), late);
    if (kind)
        Probed(text, target, *kind);
}

void TFldLocEdit::Probed(const QString& text, const QString& target, TPathKind kind)
{
    edited_ = false;
    switch (kind) {
    case pkFolder:
        ChangeTo(target);
        return;
    case pkFile:
        ShowText();
        emit OnFilename(target);
        return;
    case pkNothing:
        break;
    }
    ShowText();
    emit OnInvalidDir(text);
}

void TFldLocEdit::ChangeTo(const QString& path)
{
    ++generation_;
    directory_ = path;
    Rebuild();
    emit OnDirChange(path);
}

bool TFldLocEdit::KeyPressed(int key)
{
    switch (key) {
    case Qt::Key_Escape:
        if (!edited_)
            return false;
        ShowText();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (edited_)
            Interpret(lineEdit()->text());
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        showPopup();
        return true;
    default:
        return false;
    }
}

bool TFldLocEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier))
            return false;
        return KeyPressed(key->key());
    }
    return QComboBox::eventFilter(watched, event);
}

}  // namespace pixmarl
