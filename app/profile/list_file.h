// The file of one of the profile's lists ("history.json", "downloads.json")
// as its store uses it: read once at the store's start, kept aside when it is
// refused, and saved whole after changes, with the sentences the store shows
// about it.
//
// Reading: a missing file gives an empty list. A file that is there but cannot
// be read is left alone: the list starts empty and the file is never replaced.
// An oversized or undecodable file gives an empty list too; an Owner keeps it
// aside (ProfileFiles::keepAside), and when that fails it is not replaced
// either. A ReadOnly list only reads. Saving writes the list's file text, cut
// to the read limit, in one atomic replace (ProfileFiles::write).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>

#include "base/decoding_error.h"
#include "profile/json_text_writer.h"
#include "profile/profile_files.h"

class ListFile {
public:
  // The sentences a store shows about its file.
  struct Texts {
    QString unreadable;  // the file cannot be read; the system's description follows
    QString unusable;    // a refused file could not be kept aside; the error follows
    QString notSaved;    // a ReadOnly list; the reason and "." follow
    QString saveFailed;  // a save failed; the error follows
    QString leftOut;     // a save left the oldest %1 entries out
  };

  // Writes file text to a path; throws on failure.
  using Writer = std::function<void(const QByteArray& bytes, const QString& path)>;

  // The list file at `path` (empty: the list lives in memory only), read when
  // it holds at most `limit` bytes.
  ListFile(const QString& path, qint64 limit, ProfileFiles::Access access, Texts texts);

  // Where the list is saved; empty for a memory-only list.
  const QString& path() const { return m_path; }
  // True while changes reach the file: a list with a file that it may write.
  bool savesToFile() const { return !m_path.isEmpty() && m_writable; }
  // Where the refused file of the load was moved ("<file>.bad-<time>");
  // nothing when no file was kept aside.
  const std::optional<QString>& keptAside() const { return m_keptAside; }

  // Reads the file and hands its text to `decode`, which takes the list from
  // it or throws DecodingError for a text it refuses (an oversized file is
  // refused without it). Returns the persistence error the load leaves: why
  // the file could not be read or kept aside, or, for a ReadOnly list, that
  // it saves nothing, ending with `readOnlyReason` (by default: another
  // process owns the profile).
  std::optional<QString> load(const std::function<void(const QByteArray& text)>& decode,
                              const QString& readOnlyReason);

  // Writes the file text that `encode` makes, which sets how many of the
  // oldest entries it left out, through `write`. Returns the persistence error
  // the save leaves: nothing after a full save, the left-out sentence, or the
  // failure. Touches nothing the load changes, so a copy may save on a worker.
  std::optional<QString> save(const std::function<QByteArray(qsizetype& leftOut)>& encode,
                              const Writer& write = &ProfileFiles::write) const;

  // Decodes a list file's text with `decodeEntry`, which throws DecodingError
  // for an element the reader refuses; every element is decoded (and so
  // checked), the first `keep` are kept. Throws DecodingError.
  template <typename Entry, typename DecodeEntry>
  static QList<Entry> decode(const QByteArray& text, qsizetype keep, DecodeEntry decodeEntry) {
    QList<Entry> entries;
    ProfileFiles::decodeObjectArray(text, [&](const nlohmann::json& value) {
      Entry entry = decodeEntry(value);
      if (entries.size() < keep) entries.append(std::move(entry));
    });
    return entries;
  }

  // The file text of `entries`, at most `limit` bytes: each entry as
  // `encodeEntry` writes it, except those it refuses with DecodingError (the
  // reader would refuse the whole file), as many as fit, first ones first.
  // `leftOut`, when given, receives how many of the last ones did not fit.
  template <typename Entry, typename EncodeEntry>
  static QByteArray encode(const QList<Entry>& entries, qint64 limit, qsizetype* leftOut, EncodeEntry encodeEntry) {
    QList<QByteArray> elements;
    elements.reserve(entries.size());
    for (const Entry& entry : entries) {
      try {
        elements.append(encodeEntry(entry));
      } catch (const DecodingError&) {
        continue;  // never written: the reader would refuse the whole file
      }
    }
    qsizetype written = 0;
    QByteArray text = JsonTextWriter::arrayWithin(elements, limit, &written);
    if (leftOut) *leftOut = elements.size() - written;
    return text;
  }

private:
  QString m_path;
  qint64 m_limit;
  ProfileFiles::Access m_access;
  bool m_writable;  // false once the file must not be replaced
  std::optional<QString> m_keptAside;
  Texts m_texts;
};
