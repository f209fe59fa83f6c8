#include "DirMons.h"

#include <future>
#include <system_error>
#include <thread>

#include "platform/FolderWatch.h"

namespace pixmarl {

namespace {

constexpr int kBurstStepMs = 100;
constexpr int kBeginBudgetMs = 200;
std::atomic<int> runningWatchers{0};

}  // namespace

TFileMon::TFileMon(std::unique_ptr<TFolderWatch> watch, TInbox::TPoster inbox,
                   std::function<void()> onChange)
    : watch_(std::move(watch)), inbox_(std::move(inbox)), onChange_(std::move(onChange))
{}

TFileMon::~TFileMon() = default;

std::shared_ptr<TFileMon> TFileMon::Start(const QString& folder, TMonitorOptions filter,
                                          bool watchSubTree, TInbox::TPoster inbox,
                                          std::function<void()> onChange)
{
    auto watch = std::make_unique<TFolderWatch>(folder, filter, watchSubTree);
    if (!watch->IsValid())
        return nullptr;
    auto mon = std::make_shared<TFileMon>(std::move(watch), std::move(inbox), std::move(onChange));
    std::future<void> begun = mon->begun_.get_future();
    try {
        ++runningWatchers;
        // The thread holds its own reference, so the watcher outlives a monitor that forgot it.
        std::thread([self = mon] { self->Run(); }).detach();
    } catch (const std::system_error&) {
        --runningWatchers;
        return nullptr;
    }
    // Changes made right after the start are seen, unless the folder does not answer in time.
    begun.wait_for(std::chrono::milliseconds(kBeginBudgetMs));
    return mon;
}

void TFileMon::Stop()
{
    onChange_ = nullptr;
    // Terminated before the stop event, so a burst that the stop ends is not reported.
    terminated_ = true;
    watch_->Stop();
}

int TFileMon::RunningCount()
{
    return runningWatchers.load();
}

void TFileMon::Run()
{
    LowerCurrentThreadPriority();
    watch_->Begin();  // here, not on the GUI thread: the folder may sit on a dead mount
    begun_.set_value();
    while (!terminated_) {
        const TFolderWaitResult result = watch_->Wait(-1);
        if (result == wrStop)
            break;
        if (result == wrChange) {
            WaitForBurstEnd();
            ReportBurst();
        } else if (result == wrFailed) {
            // A failing wait must not turn into a busy loop.
            std::this_thread::sleep_for(std::chrono::milliseconds(kBurstStepMs));
        }
    }
    --runningWatchers;
}

void TFileMon::WaitForBurstEnd()
{
    while (watch_->Wait(kBurstStepMs) == wrChange) {
    }
}

void TFileMon::ReportBurst()
{
    if (terminated_)
        return;
    // The callback is looked at on the GUI thread, where Stop clears it: a watcher stopped while
    // this report was on its way reports nothing.
    inbox_.Post([self = shared_from_this()] {
        if (!self->terminated_ && self->onChange_)
            self->onChange_();
    });
}

TDirMonitor::~TDirMonitor()
{
    Stop();
}

void TDirMonitor::SetDirectory(const QString& directory)
{
    if (directory == directory_)
        return;
    directory_ = directory;
    RestartIfActive();
}

void TDirMonitor::SetOptions(TMonitorOptions options)
{
    if (options == options_)
        return;
    options_ = options;
    RestartIfActive();
}

void TDirMonitor::SetWatchSubTree(bool watchSubTree)
{
    if (watchSubTree == watchSubTree_)
        return;
    watchSubTree_ = watchSubTree;
    RestartIfActive();
}

void TDirMonitor::SetActive(bool active)
{
    if (active == Active())
        return;
    if (active)
        Start();
    else
        Stop();
}

void TDirMonitor::RestartIfActive()
{
    if (Active())
        Start();
}

void TDirMonitor::Start()
{
    Stop();
    mon_ = TFileMon::Start(directory_, options_, watchSubTree_, inbox_.Poster(),
                           [this] { FilesChanged(); });
}

void TDirMonitor::Stop()
{
    if (mon_ == nullptr)
        return;
    std::shared_ptr<TFileMon> mon = std::move(mon_);
    mon->Stop();
}

void TDirMonitor::FilesChanged()
{
    if (Active() && OnFilesChange)
        OnFilesChange(*this);
}

}  // namespace pixmarl
