#include "model/browser_preferences.h"


#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/check.h"

namespace {

const QString kAppearanceKey = QString::fromLatin1(SettingKeys::kAppearance);
const QString kAccentKey = QString::fromLatin1(SettingKeys::kAccent);
const QString kBackdropKey = QString::fromLatin1(SettingKeys::kBackdrop);
const QString kShortcutsKey = QString::fromLatin1(SettingKeys::kShortcuts);

// Why a path failed, in the user's words.
QString reason(const SettingsStore::Failure& failure) {
  switch (failure.code) {
    case 0:
      return QStringLiteral("dosyanın yerinde normal dosya olmayan bir öğe var");
    case EISDIR:
      return QStringLiteral("dosyanın yerinde bir klasör var");
    case EROFS:
      return QStringLiteral("klasör salt okunur");
    case EACCES:
    case EPERM:
      return QStringLiteral("erişim izni yok");
    case ENOSPC:
    case EDQUOT:
      return QStringLiteral("diskte yer kalmadı");
    case ELOOP:
      return QStringLiteral("sembolik bağlantılar döngüye giriyor");
    case ENOTDIR:
      return QStringLiteral("yoldaki bir klasörün yerinde dosya var");
    case EFBIG:
      return QStringLiteral("dosya boyut sınırını aşardı");
    default:
      return QStringLiteral("sistem hatası: ") + QString::fromStdString(std::system_category().message(failure.code));
  }
}

}  // namespace

QList<BrowserAppearance> BrowserAppearances::all() {
  return {BrowserAppearance::System, BrowserAppearance::Light, BrowserAppearance::Dark};
}

QString BrowserAppearances::rawValue(BrowserAppearance appearance) {
  switch (appearance) {
    case BrowserAppearance::System:
      return QStringLiteral("system");
    case BrowserAppearance::Light:
      return QStringLiteral("light");
    case BrowserAppearance::Dark:
      return QStringLiteral("dark");
  }
  kivo_platform::failInvariant("unknown appearance", __FILE__, __LINE__);
}

QString BrowserAppearances::title(BrowserAppearance appearance) {
  switch (appearance) {
    case BrowserAppearance::System:
      return QStringLiteral("Sistem");
    case BrowserAppearance::Light:
      return QStringLiteral("Açık");
    case BrowserAppearance::Dark:
      return QStringLiteral("Koyu");
  }
  kivo_platform::failInvariant("unknown appearance", __FILE__, __LINE__);
}

std::optional<ColorScheme> BrowserAppearances::scheme(BrowserAppearance appearance) {
  switch (appearance) {
    case BrowserAppearance::System:
      return std::nullopt;
    case BrowserAppearance::Light:
      return ColorScheme::Light;
    case BrowserAppearance::Dark:
      return ColorScheme::Dark;
  }
  kivo_platform::failInvariant("unknown appearance", __FILE__, __LINE__);
}

std::optional<BrowserAppearance> BrowserAppearances::fromRawValue(const QString& raw) {
  for (const BrowserAppearance appearance : all()) {
    if (rawValue(appearance) == raw) return appearance;
  }
  return std::nullopt;
}

QList<Backdrop> Backdrops::all() {
  return {Backdrop::Mist, Backdrop::Dawn, Backdrop::Forest, Backdrop::Plain};
}

QString Backdrops::rawValue(Backdrop backdrop) {
  switch (backdrop) {
    case Backdrop::Mist:
      return QStringLiteral("mist");
    case Backdrop::Dawn:
      return QStringLiteral("dawn");
    case Backdrop::Forest:
      return QStringLiteral("forest");
    case Backdrop::Plain:
      return QStringLiteral("plain");
  }
  kivo_platform::failInvariant("unknown backdrop", __FILE__, __LINE__);
}

QString Backdrops::title(Backdrop backdrop) {
  switch (backdrop) {
    case Backdrop::Mist:
      return QStringLiteral("Sis");
    case Backdrop::Dawn:
      return QStringLiteral("Şafak");
    case Backdrop::Forest:
      return QStringLiteral("Orman");
    case Backdrop::Plain:
      return QStringLiteral("Düz");
  }
  kivo_platform::failInvariant("unknown backdrop", __FILE__, __LINE__);
}

std::optional<Backdrop> Backdrops::fromRawValue(const QString& raw) {
  for (const Backdrop backdrop : all()) {
    if (rawValue(backdrop) == raw) return backdrop;
  }
  return std::nullopt;
}

BrowserPreferences::BrowserPreferences(std::shared_ptr<SettingsStore> storage, QObject* parent)
    : QObject(parent), m_storage(storage ? std::move(storage) : SettingsStore::standard()) {
  // A config folder that cannot be named leaves the preferences in memory.
  if (!m_storage) return;
  readStorage();
  connect(m_storage.get(), &SettingsStore::valuesChanged, this, &BrowserPreferences::readStorage);
  connect(m_storage.get(), &SettingsStore::stateChanged, this, &BrowserPreferences::storageNoticeChanged);
}

void BrowserPreferences::readStorage() {
  // 1. Appearance: one of the raw values exactly, else system.
  BrowserAppearance appearance = BrowserAppearance::System;
  if (const auto raw = m_storage->text(kAppearanceKey)) {
    appearance = BrowserAppearances::fromRawValue(*raw).value_or(BrowserAppearance::System);
  }
  // 2. Accent: six characters that parse as hexadecimal, kept as stored.
  QString accentHex = QString::fromLatin1(kDefaultAccent);
  if (const auto raw = m_storage->text(kAccentKey)) {
    if (raw->size() == 6 && parseHex(*raw)) accentHex = *raw;
  }
  // 3. Backdrop: one of the raw values exactly, else mist.
  Backdrop backdrop = Backdrop::Mist;
  if (const auto raw = m_storage->text(kBackdropKey)) {
    backdrop = Backdrops::fromRawValue(*raw).value_or(Backdrop::Mist);
  }
  // 4. Shortcuts: a stored Boolean, else true.
  const bool showShortcuts = m_storage->boolean(kShortcutsKey).value_or(true);

  if (std::exchange(m_appearance, appearance) != appearance) Q_EMIT appearanceChanged();
  if (std::exchange(m_accentHex, accentHex) != accentHex) Q_EMIT accentHexChanged();
  if (std::exchange(m_backdrop, backdrop) != backdrop) Q_EMIT backdropChanged();
  if (std::exchange(m_showShortcuts, showShortcuts) != showShortcuts) Q_EMIT showShortcutsChanged();
}

void BrowserPreferences::store(const QString& key, const nlohmann::json& value) {
  if (!m_storage) return;
  const bool failing = m_storage->writeError().has_value();
  m_storage->setValue(key, value);
  if (!failing && m_storage->writeError()) Q_EMIT saveFailed(storageNotice().value_or(QString()));
}

void BrowserPreferences::setAppearance(BrowserAppearance appearance) {
  m_appearance = appearance;
  store(kAppearanceKey, BrowserAppearances::rawValue(appearance).toStdString());
  Q_EMIT appearanceChanged();
}

void BrowserPreferences::setAccentHex(const QString& accentHex) {
  m_accentHex = accentHex;
  store(kAccentKey, accentHex.toStdString());
  Q_EMIT accentHexChanged();
}

void BrowserPreferences::setBackdrop(Backdrop backdrop) {
  m_backdrop = backdrop;
  store(kBackdropKey, Backdrops::rawValue(backdrop).toStdString());
  Q_EMIT backdropChanged();
}

void BrowserPreferences::setShowShortcuts(bool showShortcuts) {
  m_showShortcuts = showShortcuts;
  store(kShortcutsKey, showShortcuts);
  Q_EMIT showShortcutsChanged();
}

void BrowserPreferences::setPreviewAppearance(const std::optional<BrowserAppearance>& appearance) {
  m_previewAppearance = appearance;
  Q_EMIT previewAppearanceChanged();
}

std::optional<ColorScheme> BrowserPreferences::scheme() const {
  return BrowserAppearances::scheme(m_previewAppearance.value_or(m_appearance));
}

QColor BrowserPreferences::accent() const {
  return color(m_accentHex);
}

QColor BrowserPreferences::color(const QString& hex) {
  const quint32 value = parseHex(hex).value_or(kDefaultAccentValue);
  return QColor::fromRgb((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

std::optional<quint32> BrowserPreferences::parseHex(const QString& text) {
  QStringView digits(text);
  bool negative = false;
  if (digits.startsWith(u'+')) {
    digits = digits.mid(1);
  } else if (digits.startsWith(u'-')) {
    negative = true;
    digits = digits.mid(1);
  }
  if (digits.isEmpty()) return std::nullopt;
  quint64 value = 0;
  for (const QChar c : digits) {
    const char16_t u = c.unicode();
    int digit = -1;
    if (u >= u'0' && u <= u'9') digit = u - u'0';
    if (u >= u'a' && u <= u'f') digit = u - u'a' + 10;
    if (u >= u'A' && u <= u'F') digit = u - u'A' + 10;
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<quint64>(digit);
    if (value > 0xFFFF'FFFFull) return std::nullopt;
  }
  if (negative && value != 0) return std::nullopt;
  return static_cast<quint32>(value);
}

std::optional<QString> BrowserPreferences::storageNotice() const {
  if (!m_storage) return QStringLiteral("Ayar klasörü bulunamadı; seçimlerin yalnızca bu oturumda geçerli.");
  QStringList lines;
  if (const auto& failure = m_storage->writeError()) {
    lines << QStringLiteral("Ayarlar kaydedilemedi: %1 (%2). Seçimlerin yalnızca bu oturumda geçerli.")
                 .arg(reason(*failure), m_storage->file());
  } else if (const auto& unreadable = m_storage->unreadable()) {
    lines << QStringLiteral("Ayar dosyası okunamıyor: %1 (%2). Seçimlerin kaydedilmeyecek.")
                 .arg(reason(*unreadable), m_storage->file());
  }
  if (const auto& copy = m_storage->keptAside()) {
    lines << QStringLiteral("Ayar dosyası bozuktu; eski hali %1 olarak saklandı, ayarlar varsayılanlardan başladı.")
                 .arg(*copy);
  }
  if (lines.isEmpty()) return std::nullopt;
  return lines.join(QLatin1Char('\n'));
}

void BrowserPreferences::reset() {
  setAppearance(BrowserAppearance::System);
  setAccentHex(QString::fromLatin1(kDefaultAccent));
  setBackdrop(Backdrop::Mist);
  setShowShortcuts(true);
}
