#include "kit/palette.h"

#include <QGuiApplication>
#include <QPalette>

#include <cmath>

#include "model/browser_preferences.h"

namespace {

QColor translucent(int grey, double opacity) {
  QColor color(grey, grey, grey);
  color.setAlphaF(static_cast<float>(opacity));
  return color;
}

PaletteColors makeLight() {
  PaletteColors colors;
  colors.primary = QColor(0, 0, 0);
  colors.ink = translucent(0, 0.85);
  colors.muted = translucent(0, 0.6);
  colors.background = QColor(0xEC, 0xEC, 0xEC);
  colors.surface = QColor(0xFF, 0xFF, 0xFF);
  colors.chrome = translucent(0, Palette::kChromeOpacity);
  colors.line = translucent(0, Palette::kLineOpacity);
  return colors;
}

PaletteColors makeDark() {
  PaletteColors colors;
  colors.primary = QColor(255, 255, 255);
  colors.ink = translucent(255, 0.85);
  colors.muted = translucent(255, 0.55);
  colors.background = QColor(0x2B, 0x2B, 0x2D);
  colors.surface = QColor(0x1E, 0x1E, 0x20);
  colors.chrome = translucent(255, Palette::kChromeOpacity);
  colors.line = translucent(255, Palette::kLineOpacity);
  return colors;
}

// Relative luminance of an opaque sRGB colour.
double luminance(const QColor& color) {
  auto channel = [](double value) {
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) + 0.0722 * channel(color.blueF());
}

// `top` composed over the opaque `bottom`.
QColor over(const QColor& top, const QColor& bottom) {
  double alpha = top.alphaF();
  auto mix = [alpha](double a, double b) { return a * alpha + b * (1 - alpha); };
  return QColor::fromRgbF(static_cast<float>(mix(top.redF(), bottom.redF())),
                          static_cast<float>(mix(top.greenF(), bottom.greenF())),
                          static_cast<float>(mix(top.blueF(), bottom.blueF())));
}

}  // namespace

namespace Palette {

const PaletteColors& colors(ColorScheme scheme) {
  static const PaletteColors light = makeLight();
  static const PaletteColors dark = makeDark();
  return scheme == ColorScheme::Dark ? dark : light;
}

ColorScheme systemScheme() {
  QColor window = QGuiApplication::palette().color(QPalette::Window);
  return window.lightnessF() < 0.5 ? ColorScheme::Dark : ColorScheme::Light;
}

ColorScheme resolve(const std::optional<ColorScheme>& scheme) { return scheme ? *scheme : systemScheme(); }

ColorScheme scheme(const KitTheme* theme) { return theme ? theme->scheme() : systemScheme(); }

const PaletteColors& colors(const KitTheme* theme) { return colors(scheme(theme)); }

QColor accent(const KitTheme* theme) { return theme ? theme->accent() : BrowserPreferences::color(QString()); }

QColor destructive() { return QColor::fromRgbF(0.76f, 0.22f, 0.30f); }

QColor edge() { return QColor(0x80, 0x80, 0x84); }

double contrast(const QColor& foreground, const QColor& background) {
  double a = luminance(over(foreground, background));
  double b = luminance(background);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor withOpacity(QColor color, double opacity) {
  color.setAlphaF(static_cast<float>(color.alphaF() * opacity));
  return color;
}

}  // namespace Palette
