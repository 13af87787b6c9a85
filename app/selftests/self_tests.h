// The built-in suites that run without a window.
#pragma once

// The smoke suite: the appearance preferences, the window model's navigation
// and tab rules, the local search and the shipped pages through the real
// renderer. Runs synchronously on the main thread (the renders block it);
// throws SmokeFailure at the first check that does not hold, or the
// renderer bridge's own error.
void runSelfTests();

// The asynchronous navigation suite. It begins with the document-cache suite,
// then drives browser models over time: navigation races, reloads, inspector
// state, re-layout, fragment and document links and tab races. Blocks its
// thread, which must not be the main thread (the models' loads finish there);
// throws SmokeFailure or the error of the component that failed.
void runAsyncTests();
