// One download of a profile's download list, and its form in
// "downloads.json".
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <nlohmann/json.hpp>

struct DownloadEntry {
  enum class State { Running, Complete, Cancelled, Failed, Interrupted };

  QUuid id;              // also names the staging file
  QString address;       // the source as its absolute address
  QUrl destination;      // an absolute local file URL: where the file is published
  double startedAt = 0;  // seconds since 2001-01-01 00:00:00 UTC
  qint64 received = 0;   // bytes received, as last reported
  qint64 expected = -1;  // the announced size; -1 while none is announced
  State state = State::Running;
  QString detail;        // why a failed download failed; empty otherwise

  // The user-facing text of the state.
  QString status() const { return statusText(state); }
  // True for every state but Running.
  bool isFinished() const { return state != State::Running; }

  static QString statusText(State state);
  // "running", "complete", "cancelled", "failed", "interrupted".
  static QString stateName(State state);

  // The object text of the entry in the list file, members in file order.
  QByteArray encode() const;
  // Reads one list element; throws DecodingError for a missing member, a
  // wrong type, an identity that is not a UUID, an unknown state, or an entry
  // that validate() refuses.
  static DownloadEntry decode(const nlohmann::json& value);
  // The reader's rules for the values of an entry, which the writer follows
  // as well: throws DecodingError for a destination that is not an absolute
  // local file URL (checked as the file's text reads back) and for a start
  // that is no valid date (ProfileValues::isValidDate).
  static void validate(const DownloadEntry& entry);
};
