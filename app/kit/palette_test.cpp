#include "kit/palette.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "kit/kit_test_support.h"
#include "kit/preferences_theme.h"

namespace {

struct NamedColour {
  const char* name;
  QColor PaletteColors::*member;
};

const std::vector<NamedColour> kNamedColours = {
    {"ink", &PaletteColors::ink},         {"muted", &PaletteColors::muted}, {"background", &PaletteColors::background},
    {"surface", &PaletteColors::surface}, {"chrome", &PaletteColors::chrome}, {"line", &PaletteColors::line},
};

TEST(Palette, EveryNamedColourIsSetInBothSchemesAndDiffersBetweenThem) {
  for (const auto& named : kNamedColours) {
    const QColor& light = Palette::colors(ColorScheme::Light).*named.member;
    const QColor& dark = Palette::colors(ColorScheme::Dark).*named.member;
    EXPECT_TRUE(light.isValid()) << named.name;
    EXPECT_TRUE(dark.isValid()) << named.name;
    EXPECT_NE(light, dark) << named.name;
  }
}

TEST(Palette, ChromeAndLineArePrimaryAtFixedOpacities) {
  for (ColorScheme scheme : {ColorScheme::Light, ColorScheme::Dark}) {
    const PaletteColors& colors = Palette::colors(scheme);
    EXPECT_EQ(colors.chrome.rgb(), colors.primary.rgb());
    EXPECT_EQ(colors.line.rgb(), colors.primary.rgb());
    EXPECT_NEAR(colors.chrome.alphaF(), 0.045, 1e-4);
    EXPECT_NEAR(colors.line.alphaF(), 0.1, 1e-4);
    EXPECT_EQ(colors.background.alpha(), 255);
    EXPECT_EQ(colors.surface.alpha(), 255);
  }
  EXPECT_EQ(Palette::colors(ColorScheme::Light).primary, QColor(Qt::black));
  EXPECT_EQ(Palette::colors(ColorScheme::Dark).primary, QColor(Qt::white));
}

TEST(Palette, TextsAreReadableOnEverySurfaceTheyAreDrawnOn) {
  for (ColorScheme scheme : {ColorScheme::Light, ColorScheme::Dark}) {
    const PaletteColors& colors = Palette::colors(scheme);
    for (const QColor& ground : {colors.surface, colors.background}) {
      EXPECT_GE(Palette::contrast(colors.ink, ground), 7.0);
      EXPECT_GE(Palette::contrast(colors.muted, ground), 4.5);
    }
  }
  // White labels on the default accent and on the destructive red.
  EXPECT_GE(Palette::contrast(Qt::white, BrowserPreferences::color(QStringLiteral("6658d3"))), 4.5);
  EXPECT_GE(Palette::contrast(Qt::white, Palette::destructive()), 4.5);
}

TEST(Palette, PanelEdgeStandsApartFromBothSchemesSurfaces) {
  // A panel without a shadow sits on a page or a list of either scheme; its
  // border must show against its own fill and against what lies behind.
  EXPECT_EQ(Palette::edge().alpha(), 255);
  for (ColorScheme scheme : {ColorScheme::Light, ColorScheme::Dark}) {
    const PaletteColors& colors = Palette::colors(scheme);
    for (const QColor& ground : {colors.surface, colors.background})
      EXPECT_GE(Palette::contrast(Palette::edge(), ground), 3.0) << ground.name().toStdString();
  }
}

TEST(Palette, TablesAreSharedAndBuiltOnceAcrossThreads) {
  std::vector<const PaletteColors*> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = &Palette::colors(i % 2 ? ColorScheme::Dark : ColorScheme::Light); });
  for (auto& thread : threads) thread.join();
  for (size_t i = 0; i < seen.size(); ++i)
    EXPECT_EQ(seen[i], &Palette::colors(i % 2 ? ColorScheme::Dark : ColorScheme::Light));
}

TEST(Palette, PreferencesChooseTheSchemeAndThePreviewWins) {
  auto store = SettingsStore::open(KitTest::storeName(QStringLiteral("kit-palette-test")));
  store->removeAll();
  BrowserPreferences preferences(store);
  preferences.setAppearance(BrowserAppearance::Light);
  EXPECT_EQ(&Palette::colors(PreferencesTheme::of(&preferences)), &Palette::colors(ColorScheme::Light));
  preferences.setPreviewAppearance(BrowserAppearance::Dark);
  EXPECT_EQ(&Palette::colors(PreferencesTheme::of(&preferences)), &Palette::colors(ColorScheme::Dark));
  EXPECT_EQ(Palette::scheme(nullptr), Palette::systemScheme());
  EXPECT_EQ(Palette::accent(nullptr), QColor(0x66, 0x58, 0xD3));
  EXPECT_EQ(Palette::destructive(), QColor::fromRgbF(0.76f, 0.22f, 0.30f));
  store->removeAll();
}

}  // namespace
