#include "model/settings_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
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

// A copy's name is "<file>.bad-<yyyyMMddTHHmmssZ>", with "-<n>" from 2 on
// for further copies within the same second; this orders them oldest first.
struct CopyName {
  QString path;
  QString time;
  int number = 1;
  bool operator<(const CopyName& other) const {
    return time != other.time ? time < other.time : number < other.number;
  }
};

std::vector<CopyName> keptCopies(const QString& file) {
  const QFileInfo info(file);
  const QRegularExpression pattern(QStringLiteral("^") + QRegularExpression::escape(info.fileName()) +
                                   QStringLiteral("\\.bad-(\\d{8}T\\d{6}Z)(?:-([1-9]\\d{0,5}))?$"));
  std::vector<CopyName> copies;
  const QDir folder = info.absoluteDir();
  for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) continue;
    CopyName copy{folder.filePath(name), match.captured(1), 1};
    if (match.hasCaptured(2)) copy.number = match.captured(2).toInt();
    copies.push_back(copy);
  }
  std::sort(copies.begin(), copies.end());
  return copies;
}

// Renames `from` to `to` unless `to` exists. Returns errno of the failure,
// 0 on success.
int renameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the flag: the check and the rename are two steps,
  // which only another process writing copies at the same instant can race.
  struct stat info {};
  if (::lstat(to.constData(), &info) == 0) return EEXIST;
  return std::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
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
// destroy what it held, and removes all but the newest copies. When the
// rename fails the file stays where it is and is treated as unreadable.
void SettingsStore::keepAside() {
  const QByteArray from = QFile::encodeName(m_file);
  const QString base = m_file + QStringLiteral(".bad-") +
                       QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
  for (int number = 1; number <= 1000; ++number) {
    const QString copy = number == 1 ? base : base + QLatin1Char('-') + QString::number(number);
    const int failure = renameWithoutReplacing(from, QFile::encodeName(copy));
    if (failure == EEXIST) continue;
    if (failure != 0) break;
    m_opened = Opened::KeptAside;
    m_keptAside = copy;
    // The new copy stays even when the clock has gone back and it sorts
    // before older ones.
    std::vector<CopyName> others = keptCopies(m_file);
    std::erase_if(others, [&](const CopyName& other) { return other.path == copy; });
    const size_t keep = kKeptCopies - 1;
    for (size_t i = 0; i + keep < others.size(); ++i) QFile::remove(others[i].path);
    return;
  }
  m_opened = Opened::Unreadable;
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
