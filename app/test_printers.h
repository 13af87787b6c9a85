// How tests print the application's own values in their reports, where
// GoogleTest would otherwise dump their bytes. Used only by tests.
#pragma once

#include <ostream>

#include "model/browser_preferences.h"

inline void PrintTo(BrowserAppearance appearance, std::ostream* out) {
  *out << BrowserAppearances::rawValue(appearance).toStdString();
}
