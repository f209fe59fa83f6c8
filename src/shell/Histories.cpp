#include "Histories.h"

namespace pixmarl {

void THistory::Add(const QString& path)
{
    // Only the change the history itself asked for is skipped: a step to a folder that could
    // not be shown leaves the flag set, and the next real visit must still be recorded.
    const bool fromHistory = navigating_ && position_ >= 0 && path == entries_[position_];
    navigating_ = false;
    if (fromHistory)
        return;
    if (entries_.size() >= kMaxEntries)
        entries_.removeFirst();
    entries_.append(path);
    position_ = int(entries_.size()) - 1;
    SetBackAvailable(position_ >= 1);
    SetForwardAvailable(false);
}

QString THistory::Back()
{
    if (position_ < 1) {
        SetBackAvailable(false);
        return {};
    }
    const QString path = StepTo(position_ - 1);
    ReportAvailability();
    return path;
}

QString THistory::Forward()
{
    if (position_ >= int(entries_.size()) - 1) {
        SetForwardAvailable(false);
        return {};
    }
    const QString path = StepTo(position_ + 1);
    ReportAvailability();
    return path;
}

std::vector<THistoryMenuItem> THistory::BuildMenu(THistoryDirection direction) const
{
    std::vector<THistoryMenuItem> items;
    if (direction == hdBack) {
        for (int i = position_ - 1; i >= 0; --i)
            items.push_back({entries_[i], i});
    } else {
        for (int i = position_ + 1; i < int(entries_.size()); ++i)
            items.push_back({entries_[i], i});
    }
    return items;
}

void THistory::MenuItemClick(int tag)
{
    if (tag < 0 || tag >= int(entries_.size()))
        return;
    const QString path = StepTo(tag);
    if (OnGoTo)
        OnGoTo(path);
    ReportAvailability();
}

QString THistory::StepTo(int index)
{
    if (entries_[index] != entries_[position_])
        navigating_ = true;
    position_ = index;
    return entries_[index];
}

void THistory::ReportAvailability()
{
    SetBackAvailable(position_ >= 1);
    SetForwardAvailable(position_ < int(entries_.size()) - 1);
}

void THistory::SetBackAvailable(bool available)
{
    if (OnBackAvailable)
        OnBackAvailable(available);
}

void THistory::SetForwardAvailable(bool available)
{
    if (OnForwardAvailable)
        OnForwardAvailable(available);
}

}  // namespace pixmarl
