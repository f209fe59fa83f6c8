#include "DropTrg.h"

#include <bit>

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QMimeData>

#include "fileops/DragSrc.h"

namespace pixmarl {

namespace {

Qt::DropAction ActionOf(TDropEffect effect)
{
    switch (effect) {
    case deMove:
        return Qt::MoveAction;
    case deLink:
        return Qt::LinkAction;
    case deCopy:
        break;
    }
    return Qt::CopyAction;
}

// Sets the outcome of a drag event: the effect's action accepted, or the event ignored. An
// effect the source does not offer is refused, whatever a handler chose.
void AnswerDrag(QDropEvent& event, bool accept, TDropEffect effect)
{
    const Qt::DropAction action = ActionOf(effect);
    if (accept && event.possibleActions().testFlag(action)) {
        event.setDropAction(action);
        event.accept();
    } else {
        event.setDropAction(Qt::IgnoreAction);
        event.ignore();
    }
}

}  // namespace

TDropTarget::TDropTarget(QObject* parent) : QObject(parent)
{}

TDropTarget::~TDropTarget()
{
    Revoke();
}

void TDropTarget::SetEnabled(bool value)
{
    if (value == enabled_)
        return;
    Revoke();
    enabled_ = value;
    Register();
}

void TDropTarget::SetTarget(QWidget* target)
{
    if (target == target_ && (receiver_ || !enabled_))
        return;
    Revoke();
    target_ = target;
    Register();
}

QWidget* TDropTarget::Receiver() const
{
    if (auto* area = qobject_cast<QAbstractScrollArea*>(target_.data()))
        return area->viewport();
    return target_;
}

void TDropTarget::Register()
{
    if (!enabled_ || !target_)
        return;
    receiver_ = Receiver();
    receiver_->setAcceptDrops(true);
    receiver_->installEventFilter(this);
}

void TDropTarget::Revoke()
{
    if (receiver_) {
        receiver_->removeEventFilter(this);
        receiver_->setAcceptDrops(false);
    }
    receiver_ = nullptr;
}

bool TDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != receiver_)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
        Enter(*static_cast<QDropEvent*>(event), true);
        return true;
    case QEvent::DragMove:
        Enter(*static_cast<QDropEvent*>(event), false);
        return true;
    case QEvent::DragLeave:
        if (OnDragLeave)
            OnDragLeave();
        return true;
    case QEvent::Drop:
        Drop(*static_cast<QDropEvent*>(event));
        return true;
    default:
        return false;
    }
}

bool TDropTarget::ChooseFor(const QDropEvent& event, TDropEffect& effect) const
{
    const TDropEffects chosen =
        acceptance_.Choose(EffectsOf(event.possibleActions()), KeysOf(event.modifiers()));
    if (chosen == 0)
        return false;
    effect = TDropEffect(std::countr_zero(chosen));
    return true;
}

void TDropTarget::Enter(QDropEvent& event, bool entering)
{
    TDropEffect effect = deCopy;
    bool accept = !FilesOfMimeData(event.mimeData()).isEmpty() && ChooseFor(event, effect);
    const QPoint pos = event.position().toPoint();
    if (accept && entering && OnDragEnter)
        OnDragEnter(*event.mimeData(), pos, effect, accept);
    else if (accept && !entering && OnDragOver)
        OnDragOver(pos, effect, accept);
    AnswerDrag(event, accept, effect);
}

void TDropTarget::Drop(QDropEvent& event)
{
    TDropEffect effect = deCopy;
    const QStringList files = FilesOfMimeData(event.mimeData());
    bool accept = !files.isEmpty() && ChooseFor(event, effect);
    const QPoint pos = event.position().toPoint();
    if (accept && OnDragOver)
        OnDragOver(pos, effect, accept);
    if (accept && !event.possibleActions().testFlag(ActionOf(effect)))
        accept = false;
    TDragSource* source = TDragSource::Of(event.source());
    if (accept && source)
        accept = source->Dropping();
    if (accept) {
        fileNames_ = files;
        dropPoint_ = pos;
        effect_ = effect;
        if (OnDragDrop)
            OnDragDrop(pos, effect, accept);
    }
    if (!accept || effect != deMove || source != nullptr) {
        AnswerDrag(event, accept, effect);
        return;
    }
    // Another program told "moved" may remove its files at once, before or while they are
    // moved here; told "copied" it leaves them to the move, which removes each one only once it
    // has arrived.
    event.setDropAction(Qt::CopyAction);
    event.accept();
}

}  // namespace pixmarl
