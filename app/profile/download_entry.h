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

  // The longest source address, in UTF-8 bytes: the longest address text the
  // browser reads at all.
  static constexpr qsizetype kAddressLimit = 65'536;
  // The longest destination path and file name, in UTF-8 bytes: what the
  // system's file names allow (PATH_MAX, NAME_MAX).
  static constexpr qsizetype kPathLimit = 4'096;
  static constexpr qsizetype kNameLimit = 255;
  // A failure text read from the list is cut to this many user-perceived
  // characters, far more than any failure's description.
  static constexpr qsizetype kDetailLimit = 8'192;

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
  // that validate() refuses. The detail is cut to kDetailLimit characters.
  static DownloadEntry decode(const nlohmann::json& value);
  // The reader's rules for the values of an entry, which the writer follows
  // as well: throws DecodingError for an address longer than kAddressLimit
  // bytes, for a destination that is not an absolute local file URL (checked
  // as the file's text reads back) or whose path or file name is longer than
  // kPathLimit or kNameLimit bytes, and for a start that is no valid date
  // (ProfileValues::isValidDate).
  static void validate(const DownloadEntry& entry);
};
