#include "model/browser_preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QUuid>
#include <gtest/gtest.h>

namespace {

// A store of its own for every test, removed afterwards.
class PreferencesTest : public testing::Test {
protected:
  void SetUp() override {
    m_name = QStringLiteral("kivo-test.") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_store = SettingsStore::open(m_name);
    ASSERT_NE(m_store, nullptr);
  }
  void TearDown() override { m_store->removeAll(); }

  QString m_name;
  std::shared_ptr<SettingsStore> m_store;
};

TEST_F(PreferencesTest, EmptyStoreGivesDefaultsAndStaysEmpty) {
  const BrowserPreferences preferences(m_store);
  EXPECT_EQ(preferences.appearance(), BrowserAppearance::System);
  EXPECT_EQ(preferences.accentHex(), QStringLiteral("6658d3"));
  EXPECT_EQ(preferences.backdrop(), Backdrop::Mist);
  EXPECT_TRUE(preferences.showShortcuts());
  EXPECT_FALSE(QFile::exists(m_store->file()));
}

TEST_F(PreferencesTest, ValuesSurviveANewObjectAndAFreshStore) {
  BrowserPreferences first(m_store);
  first.setAppearance(BrowserAppearance::Dark);
  first.setAccentHex(QStringLiteral("25846a"));
  first.setBackdrop(Backdrop::Forest);
  first.setShowShortcuts(false);
  const BrowserPreferences second(m_store);
  EXPECT_EQ(second.appearance(), BrowserAppearance::Dark);
  EXPECT_EQ(second.accentHex(), QStringLiteral("25846a"));
  EXPECT_EQ(second.backdrop(), Backdrop::Forest);
  EXPECT_FALSE(second.showShortcuts());
  // The file keeps the types: a reopened store reads the same values.
  const auto reopened = SettingsStore::open(QFileInfo(m_store->file()).completeBaseName());
  EXPECT_EQ(reopened->boolean(QStringLiteral("kivo.shortcuts")), false);
  EXPECT_EQ(BrowserPreferences(reopened).appearance(), BrowserAppearance::Dark);
  first.reset();
  const BrowserPreferences third(m_store);
  EXPECT_EQ(third.appearance(), BrowserAppearance::System);
  EXPECT_EQ(third.accentHex(), QStringLiteral("6658d3"));
  EXPECT_EQ(third.backdrop(), Backdrop::Mist);
  EXPECT_TRUE(third.showShortcuts());
}

struct StoredCase {
  QByteArray file;
  const char* appearance;
  const char* accent;
  const char* backdrop;
  bool shortcuts;
};

class StoredValues : public PreferencesTest, public testing::WithParamInterface<StoredCase> {};

TEST_P(StoredValues, ForeignValuesReadAsDefaults) {
  const StoredCase& c = GetParam();
  QDir().mkpath(QFileInfo(m_store->file()).absolutePath());
  QFile file(m_store->file());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(c.file), c.file.size());
  file.close();
  const BrowserPreferences preferences(SettingsStore::open(m_name));
  EXPECT_EQ(BrowserAppearances::rawValue(preferences.appearance()), QString::fromUtf8(c.appearance));
  EXPECT_EQ(preferences.accentHex(), QString::fromUtf8(c.accent));
  EXPECT_EQ(Backdrops::rawValue(preferences.backdrop()), QString::fromUtf8(c.backdrop));
  EXPECT_EQ(preferences.showShortcuts(), c.shortcuts);
  // Reading never rewrites the store.
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StoredValues,
    testing::Values(StoredCase{R"({"kivo.accent":"#6658d3"})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.accent":"12345"})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.accent":"12345g"})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.accent":"ABCDEF"})", "system", "ABCDEF", "mist", true},
                    StoredCase{R"({"kivo.accent":"+abcde"})", "system", "+abcde", "mist", true},
                    StoredCase{R"({"kivo.accent":"-00000"})", "system", "-00000", "mist", true},
                    StoredCase{R"({"kivo.accent":"-00001"})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.accent":123456})", "system", "123456", "mist", true},
                    StoredCase{R"({"kivo.appearance":"Dark"})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.appearance":""})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.appearance":"light"})", "light", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.appearance":1})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.backdrop":"Forest"})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.backdrop":" dawn"})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.backdrop":"plain"})", "system", "6658d3", "plain", true},
                    StoredCase{R"({"kivo.shortcuts":"false"})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.shortcuts":0})", "system", "6658d3", "mist", true},
                    StoredCase{R"({"kivo.shortcuts":false})", "system", "6658d3", "mist", false},
                    // A value of the wrong type costs only itself.
                    StoredCase{R"({"kivo.shortcuts":"no","kivo.appearance":"dark","kivo.accent":["25846a"],)"
                               R"("kivo.backdrop":"dawn","theme":{"x":[1]}})",
                               "dark", "6658d3", "dawn", true}));

struct ColorCase {
  const char* text;
  quint32 rgb;
};

class AccentColor : public testing::TestWithParam<ColorCase> {};

TEST_P(AccentColor, ParsesHexadecimalOrFallsBack) {
  const QColor color = BrowserPreferences::color(QString::fromUtf8(GetParam().text));
  EXPECT_EQ(color.rgb() & 0xFFFFFF, GetParam().rgb) << GetParam().text;
  EXPECT_EQ(color.alpha(), 255);
}

INSTANTIATE_TEST_SUITE_P(Table, AccentColor,
                         testing::Values(ColorCase{"25846a", 0x25846A}, ColorCase{"", 0x6658D3},
                                         ColorCase{"12x456", 0x6658D3}, ColorCase{"ff6658d3", 0x6658D3},
                                         ColorCase{"1ff6658d3", 0x6658D3}, ColorCase{"fff", 0x000FFF},
                                         ColorCase{"+", 0x6658D3}, ColorCase{"0x1234", 0x6658D3},
                                         ColorCase{"-0", 0x000000}));

TEST_F(PreferencesTest, EveryAssignmentWritesAndNotifies) {
  BrowserPreferences preferences(m_store);
  QSignalSpy appearance(&preferences, &BrowserPreferences::appearanceChanged);
  QSignalSpy accent(&preferences, &BrowserPreferences::accentHexChanged);
  preferences.setAppearance(BrowserAppearance::System);
  preferences.setAccentHex(QStringLiteral("6658d3"));
  EXPECT_EQ(appearance.count(), 1);
  EXPECT_EQ(accent.count(), 1);
  EXPECT_EQ(m_store->text(QStringLiteral("kivo.appearance")), QStringLiteral("system"));
  EXPECT_EQ(m_store->text(QStringLiteral("kivo.accent")), QStringLiteral("6658d3"));
}

TEST_F(PreferencesTest, PreviewChangesTheSchemeButIsNeverStored) {
  BrowserPreferences preferences(m_store);
  preferences.setAppearance(BrowserAppearance::Light);
  preferences.setPreviewAppearance(BrowserAppearance::Dark);
  EXPECT_EQ(preferences.scheme(), ColorScheme::Dark);
  EXPECT_EQ(m_store->text(QStringLiteral("kivo.appearance")), QStringLiteral("light"));
  const BrowserPreferences fresh(m_store);
  EXPECT_FALSE(fresh.previewAppearance().has_value());
  EXPECT_EQ(fresh.scheme(), ColorScheme::Light);
  preferences.reset();
  EXPECT_EQ(preferences.previewAppearance(), BrowserAppearance::Dark);
}

TEST(SettingsStore, RefusesNamesThatCouldLeaveTheFolder) {
  EXPECT_EQ(SettingsStore::open(QString()), nullptr);
  EXPECT_EQ(SettingsStore::open(QStringLiteral("../x")), nullptr);
  EXPECT_EQ(SettingsStore::open(QStringLiteral(".hidden")), nullptr);
  EXPECT_EQ(SettingsStore::open(QStringLiteral("a/b")), nullptr);
  EXPECT_NE(SettingsStore::open(QStringLiteral("com.kivo.browser.tests.X-1_2")), nullptr);
}

}  // namespace
