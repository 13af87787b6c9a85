// The suite of shortcuts, menus and dialogs, run inside the first window.
#pragma once

#include "selftests/suite_task.h"

class BrowserModel;
class BrowserWindow;

// Throws SmokeFailure naming the first check that does not hold.
SuiteTask runInteractionTests(BrowserModel& model, BrowserWindow& window);
