#pragma once

// Dragging files out of a control, to another control of this program or to another program.
//
// A press inside a selection arms the detection (BeginDragDetect). While armed, the control sees
// no moves with the left button held, so it neither selects nor starts a drag of its own; the drag
// starts when the pointer leaves the control, or moves further than a non-zero tolerance from the
// press point in either axis. A release or a double click disarms it and reaches the control as
// usual, so a release inside the control never drags. Starting: OnStartDrag fills the file list,
// the drag runs (a nested event loop, as every drag on the desktop), then OnEndDrag reports
// nothing to drag, not dropped, or dropped (DroppedEffect tells how).
//
// The files travel as local file URLs (text/uri-list). OnDropping comes when the files are about
// to be dropped: before the drop is carried out when the target is in this program (a handler that
// clears the list makes it refuse), once the drag has ended when another program took them.
//
// GUI thread only. The source may be destroyed while armed or while the control it watches goes.

#include <functional>

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QStringList>

#include "fileops/OLE2.h"

class QAbstractItemView;
class QMimeData;
class QWidget;

namespace pixmarl {

enum TDragResult { drNothingToDrag, drNotDropped, drDropped };

class TDragSource : public QObject {
    Q_OBJECT
public:
    enum TDetectState { dsIdle, dsArmed, dsDragging };

    explicit TDragSource(QObject* parent = nullptr);
    ~TDragSource() override;

    // The effects offered to drop targets (copy by default); an empty set is ignored.
    TDropEffects DropEffects() const { return effects_; }
    void SetDropEffects(TDropEffects effects);
    // Checks before a drag that every file exists (on a worker, for half a second at most).
    bool VerifyFiles() const { return verifyFiles_; }
    void SetVerifyFiles(bool value) { verifyFiles_ = value; }

    void ClearFiles() { files_.clear(); }
    // Empty entries are skipped.
    void AddFile(const QString& file);
    void AddFiles(const QStringList& files);
    const QStringList& Files() const { return files_; }

    TDetectState State() const { return state_; }
    // The effect of the last drag that answered dropped.
    TDropEffect DroppedEffect() const { return dropped_; }

    // Arms the detection on a left press at pos (control coordinates); ignored while dragging.
    void BeginDragDetect(QWidget* control, QPoint pos, int toleranceX = 0, int toleranceY = 0);

    std::function<void()> OnStartDrag;
    std::function<void()> OnDropping;
    std::function<void(TDragResult result)> OnEndDrag;
    // Runs the drag and answers the action the target took (Qt::IgnoreAction for none). Unset, a
    // QDrag runs; tests put a scripted target here.
    std::function<Qt::DropAction(const QMimeData& data, Qt::DropActions offered)> ExecDrag;

    // The source of a drag of this program, from a drag event's source(); nullptr for others.
    static TDragSource* Of(QObject* eventSource);
    // Told by a drop target of this program just before it carries out a drop: raises OnDropping
    // and answers whether the drop may go on (the list was not cleared).
    bool Dropping();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Disarm();
    bool LeftTolerance(QPoint pos) const;
    void StartDrag();
    TDragResult RunDrag();
    Qt::DropAction Exec(QMimeData* data);

    QStringList files_;
    TDropEffects effects_ = EffectBit(deCopy);
    bool verifyFiles_ = false;
    TDropEffect dropped_ = deCopy;
    TDetectState state_ = dsIdle;
    bool droppingRaised_ = false;
    QPointer<QWidget> control_;
    QPoint pressPos_;
    QSize pressSize_;
    int toleranceX_ = 0;
    int toleranceY_ = 0;
};

// Makes a list or report view a drag source: a plain left press on an item that is already
// selected keeps the selection and arms the source with tolerances 0, so the drag starts
// when the pointer leaves the view; other presses select as usual, moving selects a range.
void ArmOnSelectionPress(TDragSource& source, QAbstractItemView* view);

}  // namespace pixmarl
