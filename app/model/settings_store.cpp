#include "model/settings_store.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cmath>

#include "profile/profile_files.h"

namespace {

bool isStoreName(const QString& name) {
  if (name.isEmpty() || name.size() > 200 || name.startsWith(QLatin1Char('.'))) return false;
  for (const QChar c : name) {
    const char16_t u = c.unicode();
    const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
                    u == u'.' || u == u'-' || u == u'_';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

std::shared_ptr<SettingsStore> SettingsStore::open(const QString& name) {
  if (!isStoreName(name)) return nullptr;
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  if (folder.isEmpty()) return nullptr;
  return std::shared_ptr<SettingsStore>(new SettingsStore(QDir(folder).filePath(name + QStringLiteral(".json"))));
}

std::shared_ptr<SettingsStore> SettingsStore::standard() {
  return open(QStringLiteral("preferences"));
}

SettingsStore::SettingsStore(QString file) : m_file(std::move(file)) {
  const ProfileFiles::ReadResult read = ProfileFiles::read(m_file, kFileLimit);
  if (read.kind != ProfileFiles::ReadResult::Kind::Read) return;
  nlohmann::json parsed = nlohmann::json::parse(read.bytes.begin(), read.bytes.end(), nullptr, false);
  if (parsed.is_object()) m_values = std::move(parsed);
}

std::optional<nlohmann::json> SettingsStore::value(const QString& key) const {
  const auto found = m_values.find(key.toStdString());
  if (found == m_values.end()) return std::nullopt;
  return *found;
}

std::optional<QString> SettingsStore::text(const QString& key) const {
  const std::optional<nlohmann::json> stored = value(key);
  if (!stored) return std::nullopt;
  if (stored->is_string()) return QString::fromStdString(stored->get<std::string>());
  if (stored->is_number_integer()) return QString::number(stored->get<qint64>());
  if (stored->is_number_unsigned()) return QString::number(stored->get<quint64>());
  if (stored->is_number_float()) {
    const double number = stored->get<double>();
    if (std::isfinite(number)) return QString::number(number, 'g', 17);
  }
  return std::nullopt;
}

std::optional<bool> SettingsStore::boolean(const QString& key) const {
  const std::optional<nlohmann::json> stored = value(key);
  if (!stored || !stored->is_boolean()) return std::nullopt;
  return stored->get<bool>();
}

void SettingsStore::setValue(const QString& key, const nlohmann::json& value) {
  m_values[key.toStdString()] = value;
  write();
}

void SettingsStore::remove(const QString& key) {
  m_values.erase(key.toStdString());
  write();
}

void SettingsStore::removeAll() {
  m_values = nlohmann::json::object();
  QFile::remove(m_file);
}

void SettingsStore::write() {
  try {
    const std::string text = m_values.dump(2);
    ProfileFiles::write(QByteArray(text.data(), static_cast<qsizetype>(text.size())), m_file);
    m_writeError.reset();
  } catch (const std::exception& error) {
    m_writeError = QString::fromUtf8(error.what());
  }
}
