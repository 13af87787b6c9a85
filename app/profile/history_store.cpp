#include "profile/history_store.h"

#include <QUrl>

#include <exception>

#include "base/decoding_error.h"
#include "base/json_reader.h"
#include "network/network_transport.h"
#include "profile/json_text_writer.h"
#include "profile/list_file.h"

namespace {

const ListFile::Texts kTexts{
    QStringLiteral("Geçmiş dosyası okunamadı: "),
    QStringLiteral("Geçmiş dosyası kullanılamadı ve kenara alınamadı: "),
    QStringLiteral("Geçmiş bu oturumda kaydedilmiyor: "),
    QStringLiteral("Geçmiş dosyası güncellenemedi: "),
    QStringLiteral("Geçmiş dosyası boyut sınırına ulaştı; en eski %1 kayıt dosyaya yazılmadı."),
};

QByteArray encodeEntry(const HistoryEntry& entry) {
  JsonTextWriter writer;
  writer.beginObject();
  writer.key("id");
  writer.string(ProfileValues::uuidText(entry.id));
  writer.key("address");
  writer.string(entry.address);
  writer.key("title");
  writer.string(entry.title);
  writer.key("visitedAt");
  writer.number(entry.visitedAt);
  writer.endObject();
  return writer.bytes();
}

HistoryEntry decodeEntry(const nlohmann::json& value) {
  const JsonReader reader(value, "history entry");
  const std::optional<QUuid> id = ProfileValues::parseUuid(reader.string("id"));
  if (!id) throw DecodingError("history entry: member \"id\" is not a UUID");
  // A title is held to the length a recorded one has, as the page shows it.
  HistoryEntry entry{*id, reader.string("address"),
                     ProfileValues::firstCharacters(reader.string("title"), HistoryStore::kTitleLimit),
                     reader.number("visitedAt")};
  HistoryStore::validate(entry);
  return entry;
}

}  // namespace

HistoryStore::HistoryStore(const QString& file, ProfileFiles::Access access,
                           const QString& readOnlyReason, QObject* parent)
    : QObject(parent), m_list(file, kFileLimit, access, kTexts) {
  setPersistenceError(m_list.load([this](const QByteArray& text) { m_entries = decode(text); }, readOnlyReason));
}

QByteArray HistoryStore::encode(const QList<HistoryEntry>& entries, qint64 limit, qsizetype* leftOut) {
  return ListFile::encode(entries, limit, leftOut, [](const HistoryEntry& entry) {
    validate(entry);
    return encodeEntry(entry);
  });
}

void HistoryStore::validate(const HistoryEntry& entry) {
  if (!ProfileValues::fitsUtf8(entry.address, kAddressLimit)) {
    throw DecodingError("history entry: member \"address\" is longer than 8192 bytes");
  }
  if (!ProfileValues::isValidDate(entry.visitedAt)) {
    throw DecodingError("history entry: member \"visitedAt\" is not a date between 1970 and 9999");
  }
}

QList<HistoryEntry> HistoryStore::decode(const QByteArray& text, qsizetype keep) {
  return ListFile::decode<HistoryEntry>(text, keep, decodeEntry);
}

QString HistoryStore::firstCharacters(const QString& text, qsizetype limit) {
  return ProfileValues::firstCharacters(text, limit);
}

void HistoryStore::record(const QString& address, const QString& title, qint64 revision) {
  // The load must have begun after the last removal or clear.
  if (revision != m_revision) return;
  // The address must be an allowed URL of bounded length; an overlong one
  // is refused before it is parsed.
  if (!ProfileValues::fitsUtf8(address, kAddressLimit)) return;
  const QUrl url(address, QUrl::StrictMode);
  if (!url.isValid()) return;
  if (!NetworkTransport::isAllowed(url)) return;
  // Build the visit; a clock outside the dates a file may hold records
  // nothing, since the file could not be read back. The visit goes first,
  // and only the newest visits are kept.
  HistoryEntry visit{QUuid::createUuid(), address, firstCharacters(title, kTitleLimit), ProfileValues::now()};
  try {
    validate(visit);
  } catch (const DecodingError&) {
    return;
  }
  m_entries.prepend(std::move(visit));
  if (m_entries.size() > kEntryLimit) m_entries.resize(kEntryLimit);
  Q_EMIT entriesChanged();
  persist();
}

void HistoryStore::remove(const QUuid& id) {
  ++m_revision;
  const qsizetype removed = m_entries.removeIf([&](const HistoryEntry& entry) { return entry.id == id; });
  if (removed > 0) Q_EMIT entriesChanged();
  persist();
}

void HistoryStore::clear(double since) {
  ++m_revision;
  // Clearing from the distant past clears everything, also a visit that a
  // file dated even earlier.
  const bool all = since <= ProfileValues::kDistantPast;
  const qsizetype removed =
      m_entries.removeIf([&](const HistoryEntry& entry) { return all || entry.visitedAt >= since; });
  if (removed > 0) Q_EMIT entriesChanged();
  persist();
}

void HistoryStore::persist() {
  if (!savesToFile()) return;
  // The worker gets its own copy of the list, the state to be saved.
  m_writer.save([entries = m_entries, list = m_list, write = m_fileWriter]() {
    return list.save([&entries](qsizetype& leftOut) { return encode(entries, kFileLimit, &leftOut); }, write);
  });
}

void HistoryStore::flush() {
  m_writer.flush();
}

void HistoryStore::setPersistenceError(const std::optional<QString>& error) {
  if (error == m_persistenceError) return;
  m_persistenceError = error;
  Q_EMIT persistenceErrorChanged();
}
