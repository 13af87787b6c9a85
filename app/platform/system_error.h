// The error of a failed system call: the one the launcher shares with the
// tools, under the name the application has always used.
#pragma once

#include "support/system_error.h"

using SystemError = kivo_support::SystemError;
