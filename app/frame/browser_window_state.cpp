#include "frame/browser_window_state.h"
