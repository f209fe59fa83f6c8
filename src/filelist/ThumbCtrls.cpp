#include "ThumbCtrls.h"

#include <algorithm>

namespace pixmarl {

TThumbCtrl::TWindow TThumbCtrl::ComputeWindow(int visFirst) const
{
    const int size = std::max(visCount_, maxThumbs_);
    int first = std::max(visFirst - (size - visCount_) / 2, 0);
    const int last = std::min(first + size - 1, count_ - 1);
    first = std::max(last - size + 1, 0);
    return TWindow{first, last};
}

void TThumbCtrl::StartWindow(TWindow window)
{
    iterationStart_ = visFirst_;
    started_ = false;
    first_ = window.first;
    last_ = window.last;
    if (last_ != -1 && OnStartMakeThumbs)
        OnStartMakeThumbs();
}

void TThumbCtrl::DeleteThumbs(int first, int count)
{
    if (OnDeleteThumbs)
        OnDeleteThumbs(first, count);
}

void TThumbCtrl::EvictOutside(TWindow window)
{
    DeleteThumbs(window.last + 1, count_ - window.last - 1);
    DeleteThumbs(0, window.first);
}

void TThumbCtrl::Reset(int count)
{
    count_ = count;
    visFirst_ = 0;
    StartWindow(ComputeWindow(visFirst_));
}

void TThumbCtrl::SetCount(int count)
{
    count_ = count;
    Restart();
}

void TThumbCtrl::Restart()
{
    StartWindow(ComputeWindow(visFirst_));
}

void TThumbCtrl::SetVisFirst(int first)
{
    visFirst_ = first;
    const TWindow window = ComputeWindow(visFirst_);
    EvictOutside(window);
    StartWindow(window);
}

void TThumbCtrl::SetVisible(int first, int count, bool force)
{
    visCount_ = count;
    const TWindow window = ComputeWindow(first);
    if (!force && window == TWindow{first_, last_})
        return;
    if (force)
        DeleteThumbs(0, count_);
    else
        EvictOutside(window);
    visFirst_ = first;
    StartWindow(window);
}

void TThumbCtrl::DeleteAll()
{
    DeleteThumbs(0, count_);
}

int TThumbCtrl::Step()
{
    if (last_ == -1)
        return current_ = -1;
    if (!started_) {
        // A start outside the window (the list shrank since VisFirst was set) is clamped into it.
        iterationStart_ = std::clamp(iterationStart_, first_, last_);
        started_ = true;
        backward_ = false;
        return current_ = iterationStart_;
    }
    if (current_ == -1)
        return -1;
    if (!backward_) {
        ++current_;
        if (current_ > last_) {
            backward_ = true;
            current_ = iterationStart_ - 1;
        }
    } else {
        --current_;
    }
    if (backward_ && current_ < first_)
        current_ = -1;
    return current_;
}

int TThumbCtrl::NextIndex()
{
    int index = Step();
    while (index != -1 && OnGetIndexState && OnGetIndexState(index))
        index = Step();
    return index;
}

}  // namespace pixmarl
