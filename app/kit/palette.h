// The named colours every view draws with, in one light and one dark table,
// and the rule that picks the table for a theme.
//
// Each table is built once per process, on its first read, and then shared
// by every read. "chrome" and "line" are the scheme's primary colour (black
// in light, white in dark) at opacity 0.045 and 0.1. Reading the tables is
// safe from any thread; systemScheme() reads the application palette and
// belongs to the main thread.
#pragma once

#include <QColor>

#include <optional>

#include "kit/kit_theme.h"
#include "model/color_scheme.h"

// One scheme's named colours.
struct PaletteColors {
  QColor ink;         // primary text and icons
  QColor muted;       // secondary text: hints, captions
  QColor background;  // backgrounds of the browser view and built-in pages
  QColor surface;     // fills of raised cards and panels
  QColor chrome;      // faint fills of controls
  QColor line;        // 1-pt hairlines around cards, panels and controls
  QColor primary;     // the opaque base of chrome and line
};

namespace Palette {
inline constexpr double kChromeOpacity = 0.045;
inline constexpr double kLineOpacity = 0.1;

// The table of `scheme`; the same object on every call.
const PaletteColors& colors(ColorScheme scheme);
// The scheme of the desktop: dark when the application palette's window
// colour is dark (the GTK or KDE theme sets it), light otherwise.
ColorScheme systemScheme();
// `scheme` when given, else the desktop's.
ColorScheme resolve(const std::optional<ColorScheme>& scheme);
// The scheme a view draws in for `theme` (the desktop's when null).
ColorScheme scheme(const KitTheme* theme);
// colors(scheme(theme)).
const PaletteColors& colors(const KitTheme* theme);
// The theme's accent, or the default accent when null.
QColor accent(const KitTheme* theme);
// The fill of destructive confirm buttons: sRGB 0.76, 0.22, 0.30.
QColor destructive();
// The one-pixel border of a panel that casts no shadow: one opaque grey that
// stands apart (contrast at least 3:1) from the surface and the background
// of both schemes, so the panel's edge shows over any page.
QColor edge();
// The WCAG contrast ratio of `foreground` drawn over the opaque `background`.
double contrast(const QColor& foreground, const QColor& background);
// `color` with its alpha multiplied by `opacity`.
QColor withOpacity(QColor color, double opacity);
}  // namespace Palette
