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
// The whole object is held in memory; every change rewrites the file at once,
// compactly, through an atomic replace (ProfileFiles::write). Nothing is
// written that this reader would refuse.
//
// Opening:
// - no file: the store starts empty, and the first change creates the file;
// - a file that cannot be taken as a whole (larger than kFileLimit, not JSON
//   or not UTF-8, nested deeper than kDepthLimit, not an object) is renamed
//   to "<name>.json.bad-<UTC time>" so that the next change cannot destroy
//   what it held, and only the newest three such copies are kept; the
//   store starts empty;
// - anything there that cannot be read (no permission, an I/O error, a link
//   loop, not a regular file) is left exactly as it is: the settings change
//   in memory only, and this store never writes or removes that path.
//
// Lives on the main thread.
#pragma once

#include <QString>

#include <nlohmann/json.hpp>

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

class SettingsStore {
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
    Unreadable,  // something this store must leave alone for its whole life
  };

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

  // Stores `value` under `key` and rewrites the file. Refuses (false, nothing
  // changes) a key that is not one of SettingKeys, a value of another kind,
  // and a value that would make the file larger than kFileLimit. When the
  // path is unreadable the value is kept in memory only (true, and
  // writeError() says why nothing was written).
  bool setValue(const QString& key, const nlohmann::json& value);
  void remove(const QString& key);

  // Forgets every value and deletes the file (not an unreadable one, and not
  // the kept-aside copies).
  void removeAll();

  // The file this store reads and writes.
  const QString& file() const { return m_file; }
  Opened opened() const { return m_opened; }
  // The path of the copy made on opening, when the file was kept aside.
  const std::optional<QString>& keptAside() const { return m_keptAside; }
  // The text of the last failed or skipped write; nothing after a successful
  // one.
  const std::optional<QString>& writeError() const { return m_writeError; }

private:
  explicit SettingsStore(QString file);
  void load();
  void keepAside();
  // Replaces the file with `text`, unless the path is unreadable; failures
  // end up in writeError().
  void write(const std::string& text);

  QString m_file;
  Opened m_opened = Opened::Missing;
  std::optional<QString> m_keptAside;
  nlohmann::json m_values = nlohmann::json::object();
  std::optional<QString> m_writeError;
};
