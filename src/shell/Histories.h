#pragma once

// The folders shown, oldest first, behind the back and forward buttons and their drop-down
// lists. The main window records every folder it shows with Add and moves the folder tree to
// what Back, Forward or a picked menu entry return; the navigating flag makes the recording of
// that change a no-op, so stepping through the history does not rewrite it. GUI thread only.

#include <functional>
#include <vector>

#include <QString>
#include <QStringList>

namespace pixmarl {

// One line of a back or forward drop-down list: the folder and the entry it stands for.
struct THistoryMenuItem {
    QString Caption;
    int Tag = -1;
    bool operator==(const THistoryMenuItem&) const = default;
};

enum THistoryDirection { hdBack, hdForward };

class THistory {
public:
    static constexpr int kMaxEntries = 8;

    // Records the folder just shown, unless the change came from the history itself.
    void Add(const QString& path);
    // The older or newer entry, or an empty string when there is none.
    QString Back();
    QString Forward();
    // The entries of a drop-down list: older ones nearest first, newer ones oldest first.
    std::vector<THistoryMenuItem> BuildMenu(THistoryDirection direction) const;
    // Goes to the entry of a picked menu item (raises OnGoTo); stale tags are ignored.
    void MenuItemClick(int tag);

    const QStringList& Entries() const { return entries_; }
    int Position() const { return position_; }
    bool Navigating() const { return navigating_; }

    std::function<void(bool available)> OnBackAvailable;
    std::function<void(bool available)> OnForwardAvailable;
    std::function<void(const QString& path)> OnGoTo;

private:
    // Moves to an entry; the next Add is skipped only when the shown folder really changes,
    // because the folder tree reports no change for the folder it already shows.
    QString StepTo(int index);
    void SetBackAvailable(bool available);
    void SetForwardAvailable(bool available);
    void ReportAvailability();

    QStringList entries_;
    int position_ = -1;
    bool navigating_ = false;
};

}  // namespace pixmarl
