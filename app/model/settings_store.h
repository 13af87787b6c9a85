// The application's typed settings: one JSON object file per store in the
// application's config folder, "<name>.json". Values keep their JSON type (a
// text stays a text, a Boolean a Boolean), which an INI file would lose.
//
// Every store holds the settings the application knows (SettingKeys, each of
// one kind); the name only chooses the file, so that tests can have a store
// of their own. Reading keeps those settings whose values are of their kind
// and drops everything else, each value on its own, so that one foreign value
// never costs the others.
//
// The whole object is held in memory; every change is saved at once,
// compactly, through an atomic replace (ProfileFiles::write). Nothing is
// written that this reader would refuse.
//
// Several processes may use one file. A save takes an advisory lock on
// "<name>.json.lock" beside the file, reads the file again and writes what it
// holds now with this store's unsaved changes over it, so that a setting
// another process changed meanwhile survives. The store also watches its
// folder and reads the file again whenever something in the folder changes,
// so the other process's changes reach this one without a restart.
//
// What the store finds at its path:
// - no file: the store starts empty, and the first change creates the file;
// - a file that cannot be taken as a whole (larger than kFileLimit, not JSON
//   or not UTF-8, nested deeper than kDepthLimit, not an object) is renamed
//   to "<name>.json.bad-<UTC time>" so that the next change cannot destroy
//   what it held, and only the newest three such copies are kept; the
//   store starts empty (on opening) or saves its own values (on a save);
// - anything there that cannot be read (no permission, an I/O error, a link
//   loop, not a regular file) is left exactly as it is: the settings change
//   in memory only, and this store never writes or removes that path while
//   it stays so. A FIFO there is never waited on.
//
// Lives on the main thread.
#pragma once

#include <QObject>
#include <QString>

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

// The keys of the application's settings. Appearance, accent and backdrop
// are texts (a stored number is read as its decimal text); shortcuts is a
// Boolean.
namespace SettingKeys {
inline constexpr char kAppearance[] = "kivo.appearance";
inline constexpr char kAccent[] = "kivo.accent";
inline constexpr char kBackdrop[] = "kivo.backdrop";
inline constexpr char kShortcuts[] = "kivo.shortcuts";
}  // namespace SettingKeys

class SettingsStore : public QObject {
  Q_OBJECT

public:
  static constexpr qint64 kFileLimit = 1'048'576;
  // The deepest nesting read, the top-level object being level 0. The
  // settings themselves are flat; the limit only bounds what a damaged or
  // foreign file can cost.
  static constexpr int kDepthLimit = 32;

  // What opening found at the store's path.
  enum class Opened {
    Missing,     // nothing there
    Read,        // a settings file, read
    KeptAside,   // a damaged file, now under the name keptAside()
    Unreadable,  // something this store must leave alone; see unreadable()
  };

  // Why the path could not be read or written.
  struct Failure {
    // The errno value of the failed step; EISDIR for a folder in the file's
    // place, and 0 for anything else there that is not a regular file (a
    // FIFO, a device, a socket).
    int code = 0;
    // The step, the path and the system's description.
    QString detail;

    bool operator==(const Failure&) const = default;
  };

  // Writes the bytes as the file's new content; throws SystemError.
  using Writer = std::function<void(const QByteArray& bytes, const QString& path)>;

  // The store named `name` in the config folder; nothing for a name that is
  // empty, longer than 200 characters, or holds anything but ASCII letters,
  // digits, ".", "-" and "_", or begins with ".".
  static std::shared_ptr<SettingsStore> open(const QString& name);
  // The application's own store, "preferences".
  static std::shared_ptr<SettingsStore> standard();

  // The stored value of `key`, whatever its type.
  std::optional<nlohmann::json> value(const QString& key) const;
  // The stored text of `key`: a text as it is, a number in its decimal form;
  // nothing for a missing key or another type.
  std::optional<QString> text(const QString& key) const;
  // The stored Boolean of `key`; nothing for a missing key or another type.
  std::optional<bool> boolean(const QString& key) const;

  // Stores `value` under `key` and saves. Refuses (false, nothing changes) a
  // key that is not one of SettingKeys, a value of another kind, and a value
  // that would make the file larger than kFileLimit. When the save fails the
  // value is kept in memory and in every later save until one succeeds (true,
  // and writeError() says why nothing was written).
  bool setValue(const QString& key, const nlohmann::json& value);
  void remove(const QString& key);

  // Forgets every value and deletes the file and its lock file (not an
  // unreadable path, and not the kept-aside copies); for stores that tests
  // and suites make and must leave nothing behind.
  void removeAll();

  // Reads the file again: the values on disk with this store's unsaved
  // changes over them. A damaged file is left for the next save to keep
  // aside. The folder watch calls it; tests may call it at once.
  void reload();

  // Replaces the file writer (tests only).
  void setWriter(Writer writer) { m_writer = std::move(writer); }

  ~SettingsStore() override;

  // The file this store reads and writes.
  const QString& file() const { return m_file; }
  // What opening found.
  Opened opened() const { return m_opened; }
  // The path of the newest copy this store kept aside, on opening or on a
  // save.
  const std::optional<QString>& keptAside() const { return m_keptAside; }
  // What made the path unreadable at the last look; nothing while it reads.
  const std::optional<Failure>& unreadable() const { return m_unreadable; }
  // Why the last save failed or was skipped; nothing after a successful one.
  const std::optional<Failure>& writeError() const { return m_writeError; }

Q_SIGNALS:
  // Emitted when reading the file again brought other values.
  void valuesChanged();
  // Emitted after every change of keptAside(), unreadable() or writeError().
  void stateChanged();

private:
  // What one look at the path found.
  struct Disk {
    enum class Found { Missing, Read, Damaged, Unreadable };
    Found found = Found::Missing;
    nlohmann::json values = nlohmann::json::object();
    Failure failure;  // for Unreadable
  };

  explicit SettingsStore(QString file);
  void load();
  Disk readDisk() const;
  // Moves the damaged file aside; the failure when it cannot be moved.
  std::optional<Failure> keepAside();
  // Writes the file's current values with the unsaved changes over them.
  void save();
  // `values` with the unsaved changes over them.
  nlohmann::json withUnsaved(nlohmann::json values) const;
  // Takes the values read or merged, emitting valuesChanged() when they
  // differ.
  void takeValues(nlohmann::json values);
  void setState(const std::optional<Failure>& unreadable, const std::optional<Failure>& writeError);
  QString lockFile() const { return m_file + QStringLiteral(".lock"); }

  QString m_file;
  Opened m_opened = Opened::Missing;
  std::optional<QString> m_keptAside;
  // keptAside() as stateChanged() last told it.
  std::optional<QString> m_announcedKeptAside;
  std::optional<Failure> m_unreadable;
  std::optional<Failure> m_writeError;
  nlohmann::json m_values = nlohmann::json::object();
  // The changes not yet saved: a value, or nothing for a removal.
  std::map<std::string, std::optional<nlohmann::json>> m_unsaved;
  Writer m_writer;
};
