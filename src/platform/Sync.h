#pragma once

// The two ways threads meet in Pixmarl. A worker hands a result to the GUI thread with
// RunOnGuiThread and waits until it has run; whoever waits for a worker to end keeps the event
// loop running with WaitProcessingEvents, because that worker may be blocked in such a hand-over.

#include <functional>

namespace pixmarl {

// Runs fn on the thread of the application object and returns when it has run. Called on that
// thread itself, it runs fn at once. Without an application object it runs fn on the caller.
void RunOnGuiThread(const std::function<void()>& fn);

// Processes events of the calling (GUI) thread until done() is true, sleeping briefly between
// rounds so that the wait does not spin.
void WaitProcessingEvents(const std::function<bool()>& done);

}  // namespace pixmarl
