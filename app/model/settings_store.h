// The application's typed settings: one JSON object file per store in the
// application's config folder, "<name>.json". Values keep their JSON type (a
// text stays a text, a Boolean a Boolean), which an INI file would lose.
//
// The whole object is held in memory; every change rewrites the file at once
// through an atomic replace. A file that is missing, unreadable, larger than
// 1 MiB or not a JSON object reads as an empty store and is never rewritten
// until the first change. Lives on the main thread.
#pragma once

#include <QString>

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <string>

class SettingsStore {
public:
  static constexpr qint64 kFileLimit = 1'048'576;

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

  // Store `value` under `key` and rewrite the file.
  void setValue(const QString& key, const nlohmann::json& value);
  void remove(const QString& key);

  // Forgets every value and deletes the file.
  void removeAll();

  // The file this store reads and writes.
  const QString& file() const { return m_file; }
  // The text of the last failed write; nothing after a successful one.
  const std::optional<QString>& writeError() const { return m_writeError; }

private:
  explicit SettingsStore(QString file);
  void write();

  QString m_file;
  nlohmann::json m_values = nlohmann::json::object();
  std::optional<QString> m_writeError;
};
