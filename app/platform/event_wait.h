// The one way the tests and the built-in suites wait on the main thread for
// something to happen, never for a stretch of time.
//
// The thread runs its events, sleeping until one arrives (a reply, a job's
// progress or end, a window system's answer), and looks at the condition
// after each turn; a wake-up every 10 ms also sees what other threads change
// without an event. Objects whose deletion was deferred go in each turn, as
// they would in the application's own loop. The bound is a watchdog: far
// beyond what the wait needs on a loaded machine, so that only a fault of
// the case reaches it.
#pragma once

#include <chrono>
#include <functional>

// Runs the calling thread's events until `condition` holds; true then, false
// when `bound` passed first. Looks at once, so a condition that holds
// already returns without running any event. Call on a thread with an event
// loop (the main thread).
bool runEventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound);
