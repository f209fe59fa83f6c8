#pragma once

// Waiting in tests for what workers hand to the calling (GUI) thread: the thread's event loop runs
// until a condition holds, so queued calls are delivered as in the program.

#include <functional>

namespace pixmarl::test {

// Runs the event loop until done() holds (checked every millisecond) or timeoutMs pass; false on
// time-out.
bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Runs the event loop for ms milliseconds.
void RunEventsFor(int ms);

}  // namespace pixmarl::test
