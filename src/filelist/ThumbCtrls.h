#pragma once

// The window of items that may hold thumbnails and the order in which they are made: first the
// visible cells from the top down, then the cells below them, then those above. It speaks only in
// item indices and asks its owner through three events; thumbnails themselves live in the file
// list items. GUI thread only.

#include <functional>

namespace pixmarl {

class TThumbCtrl {
public:
    static constexpr int kDefaultMaxThumbs = 75;

    int Count() const { return count_; }
    int VisFirst() const { return visFirst_; }
    int VisCount() const { return visCount_; }
    void SetVisCount(int value) { visCount_ = value; }
    int MaxThumbs() const { return maxThumbs_; }
    void SetMaxThumbs(int value) { maxThumbs_ = value; }
    int WindowFirst() const { return first_; }
    int WindowLast() const { return last_; }  // -1 for an empty list
    int CurrentIndex() const { return current_; }

    void Reset(int count);     // folder changed: VisFirst back to 0
    void SetCount(int count);  // folder refreshed
    void Restart();
    void SetVisFirst(int first);  // items re-sorted: evicts outside the new window
    // The grid scrolled or was resized (Force: the thumbnail size changed, remake all).
    void SetVisible(int first, int count, bool force);
    void DeleteAll();
    // The next index that needs a thumbnail, or -1 when the window is done.
    int NextIndex();

    std::function<void()> OnStartMakeThumbs;
    std::function<void(int first, int count)> OnDeleteThumbs;
    std::function<bool(int index)> OnGetIndexState;  // true: the item has its thumbnail

private:
    struct TWindow {
        int first = 0;
        int last = -1;
        bool operator==(const TWindow&) const = default;
    };
    TWindow ComputeWindow(int visFirst) const;
    void StartWindow(TWindow window);
    void EvictOutside(TWindow window);
    void DeleteThumbs(int first, int count);
    int Step();

    int count_ = 0;
    int visFirst_ = 0;
    int visCount_ = 0;
    int maxThumbs_ = kDefaultMaxThumbs;
    int first_ = 0;
    int last_ = -1;
    int iterationStart_ = 0;
    int current_ = -1;
    bool started_ = false;
    bool backward_ = false;
};

}  // namespace pixmarl
