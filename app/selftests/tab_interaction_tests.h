// The suite of the tab strip and full screen, run inside the first window.
#pragma once

#include "selftests/suite_task.h"

class BrowserModel;
class BrowserWindow;

// Throws SmokeFailure naming the first check that does not hold.
SuiteTask runTabInteractionTests(BrowserModel& model, BrowserWindow& window);
