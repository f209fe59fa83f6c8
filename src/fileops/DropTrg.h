#pragma once

// Files dropped on a control, from this program or another one. The target chooses the effect
// from the keys held and what the source offers (ChooseDropEffect) on entering, on every move and
// at the drop, lets its handlers change or refuse it, and hands the dropped local files to
// OnDragDrop. Data without a local file is refused at once; URLs of other kinds are left out.
// Another program is told of a move as of a copy, so it never removes the files itself.
//
// The control receives drops while the target is enabled and set; for a scroll area (item views,
// the grid) that is its viewport, and the points given to the handlers are the viewport's. A
// target destroyed meanwhile is forgotten. GUI thread only.

#include <functional>

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include "fileops/OLE2.h"

class QDropEvent;
class QMimeData;
class QWidget;

namespace pixmarl {

class TDropTarget : public QObject {
    Q_OBJECT
public:
    explicit TDropTarget(QObject* parent = nullptr);
    ~TDropTarget() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // The effects accepted (copy and move by default) and the one taken without keys (copy).
    TDropEffects DropEffects() const { return acceptance_.DropEffects(); }
    void SetDropEffects(TDropEffects effects) { acceptance_.SetDropEffects(effects); }
    TDropEffect DefaultEffect() const { return acceptance_.DefaultEffect(); }
    void SetDefaultEffect(TDropEffect effect) { acceptance_.SetDefaultEffect(effect); }
    QWidget* Target() const { return target_; }
    void SetTarget(QWidget* target);

    // The handlers; accept comes preset to true. The points are the receiving widget's.
    std::function<void(const QMimeData& data, QPoint pos, TDropEffect& effect, bool& accept)>
        OnDragEnter;
    std::function<void(QPoint pos, TDropEffect& effect, bool& accept)> OnDragOver;
    std::function<void()> OnDragLeave;
    std::function<void(QPoint pos, TDropEffect effect, bool& accepted)> OnDragDrop;

    // The local files of the last drop, kept until the next one or ClearFileNames.
    const QStringList& FileNames() const { return fileNames_; }
    void ClearFileNames() { fileNames_.clear(); }
    TDropEffect Effect() const { return effect_; }
    QPoint DropPoint() const { return dropPoint_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* Receiver() const;
    void Register();
    void Revoke();
    // The effect for the event's keys and offer; false when none can be taken.
    bool ChooseFor(const QDropEvent& event, TDropEffect& effect) const;
    void Enter(QDropEvent& event, bool entering);
    void Drop(QDropEvent& event);

    TDropAcceptance acceptance_;
    bool enabled_ = true;
    QPointer<QWidget> target_;
    QPointer<QWidget> receiver_;  // where drops arrive, while registered
    QStringList fileNames_;
    TDropEffect effect_ = deCopy;
    QPoint dropPoint_;
};

}  // namespace pixmarl
