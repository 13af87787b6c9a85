// The two colour schemes a view can draw in. Kept apart from the preferences
// so that code which only draws can name a scheme without the preferences.
#pragma once

enum class ColorScheme { Light, Dark };
