#include "SlideLists.h"

#include <algorithm>

namespace pixmarl {

namespace {

constexpr int kMinDelaySeconds = 1;
constexpr int kMaxDelaySeconds = 600;

}  // namespace

TSimpleFileNameList::TSimpleFileNameList(const QString& folder) : folder_(folder)
{
    if (!folder_.isEmpty() && !folder_.endsWith(QLatin1Char('/')))
        folder_ += QLatin1Char('/');
}

QString TSimpleFileNameList::Get(int index) const
{
    if (index < 0 || index >= Count())
        return QString();
    return folder_ + names_[index];
}

void TSimpleFileNameList::Put(int index, const QString& name)
{
    if (index >= 0 && index < Count())
        names_[index] = name;
}

int TSimpleFileNameList::Add(const QString& name)
{
    names_.append(name);
    return Count() - 1;
}

void TSimpleFileNameList::Delete(int index)
{
    if (index >= 0 && index < Count())
        names_.removeAt(index);
}

std::unique_ptr<TSimpleFileNameList> BuildSlideSequence(const QString& folder,
                                                        const QStringList& names,
                                                        const std::vector<int>& selected,
                                                        int focused)
{
    if (names.isEmpty())
        return nullptr;
    auto list = std::make_unique<TSimpleFileNameList>(folder);
    if (selected.size() >= 2) {
        for (const int index : selected) {
            if (index < 0 || index >= names.size())
                continue;
            const int at = list->Add(names[index]);
            if (index == focused)
                list->Position = at;
        }
        if (list->Count() > 0)
            return list;
    }
    for (const QString& name : names)
        list->Add(name);
    list->Position = focused >= 0 && focused < names.size() ? focused : 0;
    return list;
}

int SlideDelaySeconds(int delayTime)
{
    return std::clamp(delayTime, kMinDelaySeconds, kMaxDelaySeconds);
}

TSlideshowTimer::TSlideshowTimer(std::function<void()> onTimer, QObject* parent)
    : QTimer(parent), onTimer_(std::move(onTimer))
{
    connect(this, &QTimer::timeout, this, &TSlideshowTimer::Expired);
}

void TSlideshowTimer::Expired()
{
    if (!held_) {
        onTimer_();
        return;
    }
    expiredWhileHeld_ = true;
    stop();
}

void TSlideshowTimer::Release()
{
    if (!held_)
        return;
    held_ = false;
    if (!expiredWhileHeld_)
        return;
    expiredWhileHeld_ = false;
    start();
    onTimer_();
}

TSlideshow::TSlideshow() = default;

TSlideshow::~TSlideshow() = default;

void TSlideshow::Start(std::unique_ptr<TSimpleFileNameList> list, int delayTime, bool repeat)
{
    Clear();
    list_ = std::move(list);
    repeat_ = repeat;
    if (!list_ || list_->Count() == 0)
        return;
    if (list_->Position < 0 || list_->Position >= list_->Count())
        list_->Position = 0;
    SetActive(true);
    LoadCurrent();
    timer_ = std::make_unique<TSlideshowTimer>([this] {
        if (OnTimer)
            OnTimer();
        NextSlide();
    });
    timer_->setInterval(SlideDelaySeconds(delayTime) * 1000);
    if (!paused_)
        timer_->start();
}

// A step by hand starts the delay again and takes the place of a step that fell due while the
// timer was held.
void TSlideshow::RestartTimer()
{
    if (!timer_)
        return;
    timer_->Forget();
    if (!paused_)
        timer_->start();
}

void TSlideshow::NextSlide()
{
    if (!active_)
        return;
    RestartTimer();
    ++list_->Position;
    if (list_->Position >= list_->Count() && repeat_)
        list_->Position = 0;
    if (list_->Position >= list_->Count()) {
        StopSlideshow();
        if (OnRunOut)
            OnRunOut();
        return;
    }
    LoadCurrent();
}

void TSlideshow::PrevSlide()
{
    if (!active_)
        return;
    RestartTimer();
    --list_->Position;
    if (list_->Position < 0 || list_->Position >= list_->Count())
        list_->Position = list_->Count() - 1;
    LoadCurrent();
}

void TSlideshow::TogglePause()
{
    paused_ = !paused_;
    if (!timer_)
        return;
    if (paused_) {
        timer_->stop();
        timer_->Forget();
    } else {
        timer_->start();
    }
}

void TSlideshow::StopSlideshow()
{
    if (timer_)
        timer_->stop();
    SetActive(false);
}

void TSlideshow::SetActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    if (OnActiveChange)
        OnActiveChange(active);
}

void TSlideshow::Clear()
{
    StopSlideshow();
    // The show may end inside the timer's own event (run out, or the viewer closed by it).
    if (timer_)
        timer_.release()->deleteLater();
    list_.reset();
}

void TSlideshow::RemoveCurrent()
{
    if (!list_)
        return;
    list_->Delete(list_->Position);
    if (list_->Count() == 0)
        StopSlideshow();
}

QString TSlideshow::CurrentFile() const
{
    return list_ ? list_->Get(list_->Position) : QString();
}

void TSlideshow::Hold()
{
    if (active_ && timer_)
        timer_->Hold();
}

void TSlideshow::Release()
{
    if (timer_)
        timer_->Release();
}

void TSlideshow::LoadCurrent()
{
    const QString name = CurrentFile();
    if (!name.isEmpty() && OnLoad)
        OnLoad(name);
}

}  // namespace pixmarl
