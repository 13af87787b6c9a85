// The visit history of one browsing profile: an observable list, newest visit
// first, mirrored after every change into "history.json" when the profile
// stores files.
//
// Limits: the file is read only when it holds at most 8 MiB; at most 5,000
// visits are kept; an address of more than 8,192 UTF-8 bytes is not recorded,
// and a file that holds one is refused; titles are cut to 250 user-perceived
// characters, when recorded and when read. The file written never
// passes the 8 MiB read limit: the oldest visits are left out of it instead,
// and persistenceError() says how many. Only visits that the reader accepts
// are ever written. Lives on the main thread; the file is read there at
// creation, and saved on a worker (BackgroundWriter): a change returns at
// once, changes made while a save runs are written together by the next one,
// the outcome reaches persistenceError() on the main thread, and the store
// waits for its last save when it goes.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

#include "profile/background_writer.h"
#include "profile/list_file.h"
#include "profile/profile_files.h"
#include "profile/profile_values.h"

// One visit.
struct HistoryEntry {
  QUuid id;
  QString address;   // exactly as recorded
  QString title;     // at most 250 characters when recorded
  double visitedAt;  // seconds since 2001-01-01 00:00:00 UTC
};

class HistoryStore : public QObject {
  Q_OBJECT

public:
  static constexpr qint64 kFileLimit = 8'388'608;
  static constexpr qsizetype kEntryLimit = 5'000;
  static constexpr qsizetype kAddressLimit = 8'192;
  static constexpr qsizetype kTitleLimit = 250;

  // Loads `file` (an empty path: memory only). Never fails. A missing file
  // gives an empty list; so does an oversized or undecodable one, which the
  // owner keeps aside (ProfileFiles::keepAside). A file that is there but
  // cannot be read is left alone: the list starts empty, persistenceError()
  // says why, and nothing is saved for the rest of the store's life, so that
  // no save replaces it. A ReadOnly store reads and nothing else: it keeps
  // nothing aside and never saves; its persistenceError() says so, ending
  // with `readOnlyReason` (by default: another process owns the profile).
  explicit HistoryStore(const QString& file = {}, ProfileFiles::Access access = ProfileFiles::Access::Owner,
                        const QString& readOnlyReason = {}, QObject* parent = nullptr);

  // The visits, newest first.
  const QList<HistoryEntry>& entries() const { return m_entries; }
  // The text of the last failed save; nothing after a successful one.
  const std::optional<QString>& persistenceError() const { return m_persistenceError; }
  // The change counter of removals and clears; a load reads it when it begins.
  qint64 revision() const { return m_revision; }
  // Where the refused file of this store's load was moved
  // ("history.json.bad-<time>"); nothing when no file was kept aside.
  const std::optional<QString>& keptAside() const { return m_list.keptAside(); }
  // Where the list is saved; empty for a memory-only store.
  const QString& file() const { return m_list.path(); }
  // True while changes reach the file: a store with a file that it may write.
  bool savesToFile() const { return m_list.savesToFile(); }

  // Records a visit at the front when `revision` is still current and the
  // address is an allowed http(s) address of at most 8,192 bytes; otherwise
  // nothing happens.
  void record(const QString& address, const QString& title, qint64 revision);
  // Removes the visit with `id` (if any), advances the revision and saves.
  void remove(const QUuid& id);
  // Removes every visit at or after `since` (by default all), advances the
  // revision and saves.
  void clear(double since = ProfileValues::kDistantPast);

  // Waits until the file holds the list as it is now (the save running and
  // the one waiting are done) and shows the outcome in persistenceError().
  void flush();

  // Writes file text to a path on the save worker; throws on failure.
  using FileWriter = ListFile::Writer;
  // Replaces how the list is written (by default ProfileFiles::write).
  void setFileWriter(FileWriter writer) { m_fileWriter = std::move(writer); }

  // The file text of `entries` as the store writes it, at most `limit` bytes:
  // the visits that validate() accepts, as many as fit, newest first.
  // `leftOut`, when given, receives how many of the oldest did not fit.
  static QByteArray encode(const QList<HistoryEntry>& entries, qint64 limit = kFileLimit,
                           qsizetype* leftOut = nullptr);
  // Decodes a file text; throws DecodingError. Keeps the first `keep` visits
  // but decodes (and so checks) every one.
  static QList<HistoryEntry> decode(const QByteArray& text, qsizetype keep = kEntryLimit);
  // The reader's rules for one visit, which the writer follows as well:
  // throws DecodingError for an address of more than 8,192 UTF-8 bytes and
  // for a visit date that is no valid date (ProfileValues::isValidDate).
  // Every other member may hold any value.
  static void validate(const HistoryEntry& entry);
  // The first `limit` user-perceived characters of `text`.
  static QString firstCharacters(const QString& text, qsizetype limit);

Q_SIGNALS:
  // Emitted after every change of entries().
  void entriesChanged();
  // Emitted after every change of persistenceError().
  void persistenceErrorChanged();

private:
  void persist();
  void setPersistenceError(const std::optional<QString>& error);

  QList<HistoryEntry> m_entries;
  std::optional<QString> m_persistenceError;
  ListFile m_list;
  qint64 m_revision = 0;
  FileWriter m_fileWriter = &ProfileFiles::write;
  // Last, so that it goes first and its last save still finds the store.
  BackgroundWriter m_writer{this, [this](const std::optional<QString>& error) { setPersistenceError(error); }};
};
