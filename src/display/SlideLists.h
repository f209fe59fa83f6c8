#pragma once

// The slideshow without its window: the sequence of files (TFileNameList, TSimpleFileNameList),
// the timer that can be held while a menu or the control panel is in use (TSlideshowTimer), and
// the stepping through the sequence (TSlideshow), which tells its viewer what to load and when
// the show has run out. GUI thread (the timer is a QTimer of the calling thread).

#include <functional>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>
#include <QTimer>

namespace pixmarl {

// An abstract list of full file names.
class TFileNameList {
public:
    virtual ~TFileNameList() = default;
    virtual QString Get(int index) const = 0;
    virtual void Put(int index, const QString& name) = 0;
    virtual int Add(const QString& name) = 0;
    virtual void Delete(int index) = 0;
    virtual int Count() const = 0;
};

// A folder and plain file names in it, with a current position (0 at creation; deleting an entry
// leaves it where it is).
class TSimpleFileNameList : public TFileNameList {
public:
    explicit TSimpleFileNameList(const QString& folder);

    QString Get(int index) const override;  // folder + name; empty outside the list
    void Put(int index, const QString& name) override;
    int Add(const QString& name) override;
    void Delete(int index) override;
    int Count() const override { return int(names_.size()); }

    const QString& Folder() const { return folder_; }
    int Position = 0;

private:
    QString folder_;  // ends with a separator unless empty
    QStringList names_;
};

// The sequence of a slideshow over a folder's files in list order: the selected ones when at
// least two are selected (starting at the focused one when it is among them, else at the first),
// otherwise all of them from the focused one (-1: from the first). Null for an empty folder.
std::unique_ptr<TSimpleFileNameList> BuildSlideSequence(const QString& folder,
                                                        const QStringList& names,
                                                        const std::vector<int>& selected,
                                                        int focused);

// The slideshow delay the timer uses: "View.DelayTime" kept to 1..600 seconds.
int SlideDelaySeconds(int delayTime);

// A timer that, while held, remembers that it fell due and fires once on release.
class TSlideshowTimer : public QTimer {
public:
    explicit TSlideshowTimer(std::function<void()> onTimer, QObject* parent = nullptr);

    void Hold() { held_ = true; }
    void Release();
    bool Held() const { return held_; }
    // Forgets a step that fell due while held (the show was halted meanwhile).
    void Forget() { expiredWhileHeld_ = false; }

private:
    void Expired();

    std::function<void()> onTimer_;
    bool held_ = false;
    bool expiredWhileHeld_ = false;
};

class TSlideshow {
public:
    // OnLoad: show this file. OnTimer: the timer is about to step. OnRunOut: the show went past
    // the last file without repeat (the viewer closes). OnActiveChange: the show started or
    // ended (the screen saver waits meanwhile).
    std::function<void(const QString& fileName)> OnLoad;
    std::function<void()> OnTimer;
    std::function<void()> OnRunOut;
    std::function<void(bool active)> OnActiveChange;

    TSlideshow();
    ~TSlideshow();

    // Takes the sequence, shows its current entry and starts the timer (held still while paused;
    // pausing belongs to the viewer and carries over to its next show).
    void Start(std::unique_ptr<TSimpleFileNameList> list, int delayTime, bool repeat);
    void NextSlide();
    void PrevSlide();
    void TogglePause();
    void StopSlideshow();
    // Ends the show and lets go of the sequence and the timer.
    void Clear();
    // The shown file was deleted: its entry leaves the sequence, the position stays; an emptied
    // show stops.
    void RemoveCurrent();

    bool Active() const { return active_; }
    bool Paused() const { return paused_; }
    TSimpleFileNameList* List() const { return list_.get(); }
    TSlideshowTimer* Timer() const { return timer_.get(); }
    QString CurrentFile() const;

    // While a menu or the control panel is in use a step that falls due waits (GUI thread).
    void Hold();
    void Release();

private:
    void RestartTimer();
    void LoadCurrent();
    void SetActive(bool active);

    std::unique_ptr<TSimpleFileNameList> list_;
    std::unique_ptr<TSlideshowTimer> timer_;
    bool active_ = false;
    bool paused_ = false;
    bool repeat_ = true;
};

}  // namespace pixmarl
