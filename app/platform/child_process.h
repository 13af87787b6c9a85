// The application starts its children through the launcher it shares with the
// tools and the tests; this is its name for it here.
#pragma once

#include "platform/system_error.h"
#include "support/child_process.h"

using ChildProcess = kivo_support::ChildProcess;
