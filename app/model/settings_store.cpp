#include "model/settings_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QPointer>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <vector>

#include "platform/file_lock.h"
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

// How long a save waits for another process's save to end. A holder keeps
// the lock only to read and replace a small file; past this the save goes on
// without it, still replacing the file in one step.
constexpr std::chrono::milliseconds kLockPatience{2000};

SettingsStore::Failure failureOf(const SystemError& error) {
  return {error.code(), QString::fromUtf8(error.what())};
}

// One watcher of folders for every store of the process, so that however
// many stores are open, the process uses one watch of the system.
class FolderWatch {
public:
  static FolderWatch& instance() {
    static FolderWatch watch;
    return watch;
  }

  // Reads `store` again whenever its folder changes; a folder that does not
  // exist yet is watched from the next call on.
  void add(SettingsStore* store) {
    if (!m_stores.contains(store)) m_stores.append(store);
    const QString folder = QFileInfo(store->file()).absolutePath();
    QFileSystemWatcher* watcher = this->watcher();
    if (watcher && !watcher->directories().contains(folder) && QFileInfo(folder).isDir()) watcher->addPath(folder);
  }

  void remove(SettingsStore* store) {
    m_stores.removeAll(store);
    const QString folder = QFileInfo(store->file()).absolutePath();
    for (SettingsStore* other : m_stores) {
      if (QFileInfo(other->file()).absolutePath() == folder) return;
    }
    if (m_watcher) m_watcher->removePath(folder);
  }

private:
  // The watcher lives as a child of the application, and not without one.
  QFileSystemWatcher* watcher() {
    if (!m_watcher && QCoreApplication::instance()) {
      m_watcher = new QFileSystemWatcher(QCoreApplication::instance());
      QObject::connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_watcher, [this](const QString& folder) {
        // A store may go away while an earlier one reads.
        const QList<SettingsStore*> stores = m_stores;
        for (SettingsStore* store : stores) {
          if (m_stores.contains(store) && QFileInfo(store->file()).absolutePath() == folder) store->reload();
        }
      });
    }
    return m_watcher;
  }

  QPointer<QFileSystemWatcher> m_watcher;
  QList<SettingsStore*> m_stores;
};

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

SettingsStore::SettingsStore(QString file) : m_file(std::move(file)), m_writer(ProfileFiles::write) {
  load();
  FolderWatch::instance().add(this);
}

SettingsStore::~SettingsStore() {
  FolderWatch::instance().remove(this);
}

void SettingsStore::load() {
  Disk disk = readDisk();
  if (disk.found == Disk::Found::Damaged) {
    // Only one process keeps the file aside; the other may find the new file.
    const FileLock lock = FileLock::take(lockFile(), kLockPatience);
    disk = readDisk();
  }
  switch (disk.found) {
    case Disk::Found::Missing:
      m_opened = Opened::Missing;
      break;
    case Disk::Found::Read:
      m_values = std::move(disk.values);
      m_opened = Opened::Read;
      break;
    case Disk::Found::Damaged:
      m_unreadable = keepAside();
      m_opened = m_unreadable ? Opened::Unreadable : Opened::KeptAside;
      break;
    case Disk::Found::Unreadable:
      m_unreadable = disk.failure;
      m_opened = Opened::Unreadable;
      break;
  }
  m_announcedKeptAside = m_keptAside;
}

SettingsStore::Disk SettingsStore::readDisk() const {
  Disk disk;
  std::optional<QByteArray> bytes;
  try {
    // One byte more than the limit tells an oversized file from a full one.
    bytes = readRegularFile(m_file, kFileLimit + 1);
  } catch (const SystemError& error) {
    if (error.code() != ENOENT) {
      disk.found = Disk::Found::Unreadable;
      disk.failure = failureOf(error);
    }
    return disk;
  }
  if (!bytes) {
    // A folder, a FIFO or a device: not ours to replace.
    disk.found = Disk::Found::Unreadable;
    disk.failure = {QFileInfo(m_file).isDir() ? EISDIR : 0, QStringLiteral("Not a regular file: ") + m_file};
    return disk;
  }
  std::optional<nlohmann::json> values;
  if (bytes->size() <= kFileLimit) values = decode(*bytes);
  if (!values) {
    disk.found = Disk::Found::Damaged;
    return disk;
  }
  disk.found = Disk::Found::Read;
  disk.values = std::move(*values);
  return disk;
}

// Keeps a damaged file under a new name, so that the next change cannot
// destroy what it held. When the file cannot be moved it stays where it is
// and is treated as unreadable.
std::optional<SettingsStore::Failure> SettingsStore::keepAside() {
  try {
    m_keptAside = ProfileFiles::keepAside(m_file);
    return std::nullopt;
  } catch (const SystemError& error) {
    return failureOf(error);
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
  if (!encode(values)) {
    setState(m_unreadable, Failure{EFBIG, QStringLiteral("The setting %1 cannot be stored: the file would be refused "
                                                         "on reading.")
                                              .arg(key)});
    return false;
  }
  m_values = std::move(values);
  m_unsaved[name] = value;
  save();
  return true;
}

void SettingsStore::remove(const QString& key) {
  const std::string name = key.toStdString();
  m_values.erase(name);
  m_unsaved[name] = std::nullopt;
  save();
}

void SettingsStore::removeAll() {
  m_values = nlohmann::json::object();
  m_unsaved.clear();
  if (readDisk().found == Disk::Found::Unreadable) return;
  QFile::remove(m_file);
  QFile::remove(lockFile());
}

void SettingsStore::reload() {
  const Disk disk = readDisk();
  switch (disk.found) {
    case Disk::Found::Missing:
    case Disk::Found::Read:
      setState(std::nullopt, m_writeError);
      takeValues(withUnsaved(disk.values));
      break;
    case Disk::Found::Damaged:
      // Kept aside by the next save, under the lock.
      break;
    case Disk::Found::Unreadable:
      setState(disk.failure, m_writeError);
      break;
  }
}

void SettingsStore::save() {
  // Without the lock (a folder that cannot hold it) the file is still
  // replaced in one step; only a change another process makes at the same
  // moment may be lost.
  const FileLock lock = FileLock::take(lockFile(), kLockPatience);
  const Disk disk = readDisk();
  std::optional<Failure> unreadable;
  std::optional<Failure> failure;
  switch (disk.found) {
    case Disk::Found::Missing:
    case Disk::Found::Read:
      break;
    case Disk::Found::Damaged:
      unreadable = failure = keepAside();
      break;
    case Disk::Found::Unreadable:
      unreadable = failure = disk.failure;
      break;
  }
  // A file that was not read adds nothing to what this store holds.
  const bool read = disk.found == Disk::Found::Missing || disk.found == Disk::Found::Read;
  nlohmann::json merged = read ? withUnsaved(disk.values) : m_values;
  if (!failure) {
    if (const std::optional<std::string> text = encode(merged)) {
      try {
        m_writer(QByteArray(text->data(), static_cast<qsizetype>(text->size())), m_file);
        m_unsaved.clear();
      } catch (const SystemError& error) {
        failure = failureOf(error);
      }
    } else {
      failure = Failure{EFBIG, QStringLiteral("The settings of %1 and of this process together are too large.")
                                   .arg(m_file)};
    }
  }
  // The folder may have been made just now.
  FolderWatch::instance().add(this);
  setState(unreadable, failure);
  takeValues(std::move(merged));
}

nlohmann::json SettingsStore::withUnsaved(nlohmann::json values) const {
  for (const auto& [key, value] : m_unsaved) {
    if (value) {
      values[key] = *value;
    } else {
      values.erase(key);
    }
  }
  return values;
}

void SettingsStore::takeValues(nlohmann::json values) {
  if (values == m_values) return;
  m_values = std::move(values);
  Q_EMIT valuesChanged();
}

void SettingsStore::setState(const std::optional<Failure>& unreadable, const std::optional<Failure>& writeError) {
  if (unreadable == m_unreadable && writeError == m_writeError && m_keptAside == m_announcedKeptAside) return;
  m_unreadable = unreadable;
  m_writeError = writeError;
  m_announcedKeptAside = m_keptAside;
  Q_EMIT stateChanged();
}
