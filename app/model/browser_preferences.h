// The appearance preferences shared by every window: colour scheme, accent
// colour, home-page backdrop and the home page's shortcut chips. They are
// read from a settings store when the object is made and written back on
// every assignment, also when the value does not change; a per-process
// preview appearance overrides the scheme without being stored.
//
// Keys: "kivo.appearance" (text), "kivo.accent" (text of six hexadecimal
// digits), "kivo.backdrop" (text) and "kivo.shortcuts" (Boolean). Values of
// another form read as the defaults and reading writes nothing; values of
// another type the store already drops when it reads its file. When the store
// reads other values (another process changed them), the properties follow
// and signal the ones that changed.
//
// What keeps the choices from surviving a restart (a save that failed, a file
// that cannot be read, a damaged file kept aside) is told to the user through
// storageNotice() while it holds. Lives on the main thread.
#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

#include "model/color_scheme.h"
#include "model/settings_store.h"

enum class BrowserAppearance { System, Light, Dark };

namespace BrowserAppearances {
QList<BrowserAppearance> all();
// "system", "light" or "dark".
QString rawValue(BrowserAppearance appearance);
// "Sistem", "Açık" or "Koyu".
QString title(BrowserAppearance appearance);
// Nothing for system, else light or dark.
std::optional<ColorScheme> scheme(BrowserAppearance appearance);
// The appearance whose raw value is exactly `raw`.
std::optional<BrowserAppearance> fromRawValue(const QString& raw);
}  // namespace BrowserAppearances

enum class Backdrop { Mist, Dawn, Forest, Plain };

namespace Backdrops {
QList<Backdrop> all();
// "mist", "dawn", "forest" or "plain".
QString rawValue(Backdrop backdrop);
// "Sis", "Şafak", "Orman" or "Düz".
QString title(Backdrop backdrop);
// The backdrop whose raw value is exactly `raw`.
std::optional<Backdrop> fromRawValue(const QString& raw);
}  // namespace Backdrops

class BrowserPreferences : public QObject {
  Q_OBJECT

public:
  static constexpr const char* kDefaultAccent = "6658d3";
  static constexpr quint32 kDefaultAccentValue = 0x6658D3;

  // Reads appearance, accent, backdrop and shortcuts from `storage` (the
  // standard store when null); writes nothing.
  explicit BrowserPreferences(std::shared_ptr<SettingsStore> storage = nullptr, QObject* parent = nullptr);

  const std::shared_ptr<SettingsStore>& storage() const { return m_storage; }

  BrowserAppearance appearance() const { return m_appearance; }
  const QString& accentHex() const { return m_accentHex; }
  Backdrop backdrop() const { return m_backdrop; }
  bool showShortcuts() const { return m_showShortcuts; }
  const std::optional<BrowserAppearance>& previewAppearance() const { return m_previewAppearance; }

  void setAppearance(BrowserAppearance appearance);
  void setAccentHex(const QString& accentHex);
  void setBackdrop(Backdrop backdrop);
  void setShowShortcuts(bool showShortcuts);
  void setPreviewAppearance(const std::optional<BrowserAppearance>& appearance);

  // The preview's scheme when a preview is set, else the appearance's.
  std::optional<ColorScheme> scheme() const;
  // color(accentHex()).
  QColor accent() const;

  // The opaque sRGB colour of the hexadecimal text (bits 16-23 red, 8-15
  // green, 0-7 blue); the default accent when the text does not parse.
  static QColor color(const QString& hex);
  // Reads `text` as an unsigned 32-bit hexadecimal number: one optional "+",
  // or "-" before digits that are all zero, then one or more hexadecimal
  // digits and nothing else.
  static std::optional<quint32> parseHex(const QString& text);

  // Stores system, "6658d3", mist and true; the preview stays.
  void reset();

  // What the user is to know about where the preferences are kept, in
  // Turkish: why the last save failed, why the file cannot be read, where a
  // damaged file was kept aside; nothing while the choices are stored.
  std::optional<QString> storageNotice() const;

Q_SIGNALS:
  // Each is emitted on every assignment of its property, changed or not.
  void appearanceChanged();
  void accentHexChanged();
  void backdropChanged();
  void showShortcutsChanged();
  void previewAppearanceChanged();
  // Emitted after every change of storageNotice().
  void storageNoticeChanged();
  // Emitted once when a change could not be saved while the one before
  // could, with storageNotice(); the next failures of the same run of them
  // are not told again.
  void saveFailed(const QString& notice);

private:
  // Takes the four settings from the store by the reading rules, signalling
  // each that changed.
  void readStorage();
  // Writes one setting, telling the start of a run of failed saves.
  void store(const QString& key, const nlohmann::json& value);

  std::shared_ptr<SettingsStore> m_storage;
  BrowserAppearance m_appearance = BrowserAppearance::System;
  QString m_accentHex = QString::fromLatin1(kDefaultAccent);
  Backdrop m_backdrop = Backdrop::Mist;
  bool m_showShortcuts = true;
  std::optional<BrowserAppearance> m_previewAppearance;
};
