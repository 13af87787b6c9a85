// The document-cache suite: sixteen checks of DocumentCache against a render
// function that the suite controls (it counts renders, can hold one at a gate,
// and fails on request). It needs no window and no event loop, and blocks its
// thread while it runs: start it on a worker thread.
#pragma once

// Returns when every check holds; throws SmokeFailure at the first that does
// not, and passes any other error of the cache or the file system through.
void runCacheTests();
