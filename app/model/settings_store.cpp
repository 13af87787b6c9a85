#include "model/settings_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>


#include <algorithm>
#include <cerrno>
#include <cmath>
#include <vector>

#include "platform/regular_file.h"
#include "platform/system_error.h"
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

enum class Kind { Text, Boolean };

std::optional<Kind> kindOf(const std::string& key) {
  if (key == SettingKeys::kAppearance || key == SettingKeys::kAccent || key == SettingKeys::kBackdrop) return Kind::Text;
  if (key == SettingKeys::kShortcuts) return Kind::Boolean;
  return std::nullopt;
}

// Whether `value` is something a setting of `kind` is read from: a text
// setting takes a text or a finite number (read as its decimal text).
bool fits(Kind kind, const nlohmann::json& value) {
  switch (kind) {
    case Kind::Text:
      if (value.is_number_float()) return std::isfinite(value.get<double>());
      return value.is_string() || value.is_number_integer() || value.is_number_unsigned();
    case Kind::Boolean:
      return value.is_boolean();
  }
  return false;
}

struct TooDeep {};

// The settings in `text`, or nothing when the text cannot be taken as a
// whole. The parser itself does not recurse, and the callback stops it at the
// depth limit before a deeper tree exists; values under unknown keys are
// skipped while parsing, so they are never built.
std::optional<nlohmann::json> decode(const QByteArray& text) {
  using Event = nlohmann::json::parse_event_t;
  const auto callback = [](int depth, Event event, nlohmann::json& parsed) -> bool {
    if (depth > SettingsStore::kDepthLimit) throw TooDeep{};
    if (depth == 1 && event == Event::key) return kindOf(parsed.get_ref<const std::string&>()).has_value();
    return true;
  };
  nlohmann::json root;
  try {
    root = nlohmann::json::parse(text.constBegin(), text.constEnd(), callback);
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  } catch (const TooDeep&) {
    return std::nullopt;
  }
  if (!root.is_object()) return std::nullopt;
  for (auto item = root.begin(); item != root.end();) {
    if (fits(*kindOf(item.key()), item.value())) {
      ++item;
    } else {
      item = root.erase(item);
    }
  }
  return root;
}

// The file text of `values`, or nothing when the reader would not give back
// exactly these values: too large, or a value that does not survive the
// round trip.
std::optional<std::string> encode(const nlohmann::json& values) {
  std::string text;
  try {
    text = values.dump();
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
  if (static_cast<qint64>(text.size()) > SettingsStore::kFileLimit) return std::nullopt;
  const std::optional<nlohmann::json> read = decode(QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())));
  if (!read || *read != values) return std::nullopt;
  return text;
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
  load();
}

void SettingsStore::load() {
  std::optional<QByteArray> bytes;
  try {
    // One byte more than the limit tells an oversized file from a full one.
    bytes = readRegularFile(m_file, kFileLimit + 1);
  } catch (const SystemError& error) {
    m_opened = error.code() == ENOENT ? Opened::Missing : Opened::Unreadable;
    return;
  }
  if (!bytes) {
    // A folder, a FIFO or a device: not ours to replace.
    m_opened = Opened::Unreadable;
    return;
  }
  std::optional<nlohmann::json> values;
  if (bytes->size() <= kFileLimit) values = decode(*bytes);
  if (values) {
    m_values = std::move(*values);
    m_opened = Opened::Read;
    return;
  }
  keepAside();
}

// Keeps a damaged file under a new name, so that the next change cannot
// destroy what it held. When the file cannot be moved it stays where it is
// and is treated as unreadable.
void SettingsStore::keepAside() {
  try {
    m_keptAside = ProfileFiles::keepAside(m_file);
    m_opened = Opened::KeptAside;
  } catch (const SystemError&) {
    m_opened = Opened::Unreadable;
  }
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

bool SettingsStore::setValue(const QString& key, const nlohmann::json& value) {
  const std::string name = key.toStdString();
  const std::optional<Kind> kind = kindOf(name);
  if (!kind || !fits(*kind, value)) return false;
  nlohmann::json values = m_values;
  values[name] = value;
  const std::optional<std::string> text = encode(values);
  if (!text) {
    m_writeError = QStringLiteral("The setting %1 cannot be stored: the file would be refused on reading.").arg(key);
    return false;
  }
  m_values = std::move(values);
  write(*text);
  return true;
}

void SettingsStore::remove(const QString& key) {
  m_values.erase(key.toStdString());
  // Fewer settings than were written before always encode.
  if (const std::optional<std::string> text = encode(m_values)) write(*text);
}

void SettingsStore::removeAll() {
  m_values = nlohmann::json::object();
  if (m_opened == Opened::Unreadable) return;
  QFile::remove(m_file);
}

void SettingsStore::write(const std::string& text) {
  if (m_opened == Opened::Unreadable) {
    m_writeError = QStringLiteral("%1 could not be read and is left as it is.").arg(m_file);
    return;
  }
  try {
    ProfileFiles::write(QByteArray(text.data(), static_cast<qsizetype>(text.size())), m_file);
    m_writeError.reset();
  } catch (const std::exception& error) {
    m_writeError = QString::fromUtf8(error.what());
  }
}
