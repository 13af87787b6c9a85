// The model's way off and back onto the main thread: blocking work (fetches,
// renders) runs on a small pool of worker threads, and its results come back
// as queued calls on the main thread's event loop.
//
// Limits: at most 8 worker threads; further jobs wait in order. Jobs still
// waiting when the process ends are dropped; running ones are joined.
#pragma once

#include <functional>

namespace BackgroundWork {

// Runs `job` on a worker thread. `job` must not throw.
void run(std::function<void()> job);

// Queues `job` for the main thread's event loop; dropped when no application
// object exists.
void postToMain(std::function<void()> job);

// Makes postToMain() stop posting once the application object begins to be
// destroyed; call on the main thread while the application exists.
void watchApplication();

}  // namespace BackgroundWork
