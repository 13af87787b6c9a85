#include "chrome/browser_window_state.h"
