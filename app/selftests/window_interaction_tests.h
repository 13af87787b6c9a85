// The suite of tear-off, merging, focus and private windows, run on the
// application's workspace after its first window has opened.
#pragma once

#include "selftests/suite_task.h"

class BrowserWorkspace;

// Throws SmokeFailure naming the first check that does not hold.
SuiteTask runWindowInteractionTests(BrowserWorkspace& workspace);
