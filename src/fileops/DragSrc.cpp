#include "DragSrc.h"

#include <algorithm>
#include <memory>

#include <QAbstractItemView>
#include <QDrag>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QMouseEvent>

#include "platform/Budget.h"

namespace pixmarl {

namespace {

// How long a drag waits for its files to be checked; a folder that does not answer in time
// counts as missing.
constexpr int kVerifyBudgetMs = 500;

bool AllExist(const QStringList& files)
{
    const std::optional<bool> all = RunWithin<bool>(
        [files] {
            return std::all_of(files.begin(), files.end(),
                               [](const QString& file) { return QFileInfo::exists(file); });
        },
        DeadlineIn(kVerifyBudgetMs));
    return all.value_or(false);
}

// Watches a view's presses and arms the drag source at a press on the selection.
class TSelectionPressWatch : public QObject {
public:
    TSelectionPressWatch(TDragSource& source, QAbstractItemView* view)
        : QObject(view), source_(&source), view_(view)
    {
        view->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress || !source_)
            return false;
        const auto* press = static_cast<QMouseEvent*>(event);
        const QPoint pos = press->position().toPoint();
        const QModelIndex index = view_->indexAt(pos);
        const bool onSelection =
            press->button() == Qt::LeftButton &&
            !(press->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) && index.isValid() &&
            view_->selectionModel()->isSelected(index);
        // With drags enabled the view keeps a selection pressed on until the release; it never
        // starts a drag of its own, as the armed source takes the moves.
        view_->setDragEnabled(onSelection);
        if (onSelection)
            source_->BeginDragDetect(view_->viewport(), pos);
        return false;
    }

private:
    QPointer<TDragSource> source_;
    QAbstractItemView* view_;
};

}  // namespace

TDragSource::TDragSource(QObject* parent) : QObject(parent)
{}

TDragSource::~TDragSource()
{
    Disarm();
}

void TDragSource::SetDropEffects(TDropEffects effects)
{
    if ((effects & kAllDropEffects) != 0)
        effects_ = effects & kAllDropEffects;
}

void TDragSource::AddFile(const QString& file)
{
    if (!file.isEmpty())
        files_ << file;
}

void TDragSource::AddFiles(const QStringList& files)
{
    for (const QString& file : files)
        AddFile(file);
}

void TDragSource::BeginDragDetect(QWidget* control, QPoint pos, int toleranceX, int toleranceY)
{
    if (state_ == dsDragging || control == nullptr)
        return;
    // A press while armed: the release of the last one never came (its control went away).
    Disarm();
    control_ = control;
    pressPos_ = pos;
    pressSize_ = control->size();
    toleranceX_ = std::max(toleranceX, 0);
    toleranceY_ = std::max(toleranceY, 0);
    state_ = dsArmed;
    control->installEventFilter(this);
}

void TDragSource::Disarm()
{
    if (control_)
        control_->removeEventFilter(this);
    control_ = nullptr;
    if (state_ == dsArmed)
        state_ = dsIdle;
}

bool TDragSource::LeftTolerance(QPoint pos) const
{
    if (!QRect(QPoint(0, 0), pressSize_).contains(pos))
        return true;
    return (toleranceX_ > 0 && std::abs(pos.x() - pressPos_.x()) > toleranceX_) ||
           (toleranceY_ > 0 && std::abs(pos.y() - pressPos_.y()) > toleranceY_);
}

bool TDragSource::eventFilter(QObject* watched, QEvent* event)
{
    if (state_ != dsArmed || watched != control_)
        return false;
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto* move = static_cast<QMouseEvent*>(event);
        if (!(move->buttons() & Qt::LeftButton)) {
            Disarm();
            return false;
        }
        if (LeftTolerance(move->position().toPoint()))
            StartDrag();
        return true;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            Disarm();
        return false;
    default:
        return false;
    }
}

void TDragSource::StartDrag()
{
    Disarm();
    state_ = dsDragging;
    droppingRaised_ = false;
    if (OnStartDrag)
        OnStartDrag();
    const QPointer<TDragSource> alive(this);
    const TDragResult result = RunDrag();
    // The drag runs a nested event loop, where the owner may have gone.
    if (!alive)
        return;
    state_ = dsIdle;
    if (OnEndDrag)
        OnEndDrag(result);
}

TDragResult TDragSource::RunDrag()
{
    if (files_.isEmpty() || files_.first().isEmpty())
        return drNothingToDrag;
    if (verifyFiles_ && !AllExist(files_))
        return drNothingToDrag;
    const QPointer<TDragSource> alive(this);
    const Qt::DropAction action = Exec(NewFilesMimeData(files_, fuDrag));
    if (!alive)
        return drNotDropped;
    TDropEffect effect = deCopy;
    if (!EffectOfAction(action, effect) || !(effects_ & EffectBit(effect)))
        return drNotDropped;
    // Another program took the files: it is told only now.
    if (!droppingRaised_ && OnDropping)
        OnDropping();
    dropped_ = effect;
    return drDropped;
}

Qt::DropAction TDragSource::Exec(QMimeData* data)
{
    const Qt::DropActions offered = DropActionsOf(effects_);
    if (ExecDrag) {
        const std::unique_ptr<QMimeData> owned(data);
        return ExecDrag(*owned, offered);
    }
    auto* drag = new QDrag(this);  // Qt deletes it once the drag is over
    drag->setMimeData(data);
    const Qt::DropAction preferred = offered.testFlag(Qt::CopyAction)   ? Qt::CopyAction
                                     : offered.testFlag(Qt::MoveAction) ? Qt::MoveAction
                                                                        : Qt::LinkAction;
    return drag->exec(offered, preferred);
}

TDragSource* TDragSource::Of(QObject* eventSource)
{
    return qobject_cast<TDragSource*>(eventSource);
}

bool TDragSource::Dropping()
{
    droppingRaised_ = true;
    if (OnDropping)
        OnDropping();
    return !files_.isEmpty();
}

void ArmOnSelectionPress(TDragSource& source, QAbstractItemView* view)
{
    new TSelectionPressWatch(source, view);
}

}  // namespace pixmarl
