#include "profile/download_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/decoding_error.h"
#include "base/json_reader.h"
#include "platform/check.h"
#include "profile/json_text_writer.h"
#include "profile/profile_values.h"

namespace {

constexpr DownloadEntry::State kStates[] = {DownloadEntry::State::Running, DownloadEntry::State::Complete,
                                            DownloadEntry::State::Cancelled, DownloadEntry::State::Failed,
                                            DownloadEntry::State::Interrupted};

}  // namespace

QString DownloadEntry::statusText(State state) {
  switch (state) {
    case State::Running: return QStringLiteral("İndiriliyor");
    case State::Complete: return QStringLiteral("Tamamlandı");
    case State::Cancelled: return QStringLiteral("İptal edildi");
    case State::Failed: return QStringLiteral("İndirilemedi");
    case State::Interrupted: return QStringLiteral("Uygulama kapanırken kesildi");
  }
  KIVO_CHECK(false);
}

QString DownloadEntry::stateName(State state) {
  switch (state) {
    case State::Running: return QStringLiteral("running");
    case State::Complete: return QStringLiteral("complete");
    case State::Cancelled: return QStringLiteral("cancelled");
    case State::Failed: return QStringLiteral("failed");
    case State::Interrupted: return QStringLiteral("interrupted");
  }
  KIVO_CHECK(false);
}

QByteArray DownloadEntry::encode() const {
  JsonTextWriter writer;
  writer.beginObject();
  writer.key("id");
  writer.string(ProfileValues::uuidText(id));
  writer.key("address");
  writer.string(address);
  writer.key("destination");
  writer.string(destination.toString(QUrl::FullyEncoded));
  writer.key("startedAt");
  writer.number(startedAt);
  writer.key("received");
  writer.integer(received);
  writer.key("expected");
  writer.integer(expected);
  writer.key("state");
  writer.string(stateName(state));
  writer.key("detail");
  writer.string(detail);
  writer.endObject();
  return writer.bytes();
}

DownloadEntry DownloadEntry::decode(const nlohmann::json& value) {
  const JsonReader reader(value, "download entry");
  DownloadEntry entry;
  const std::optional<QUuid> id = ProfileValues::parseUuid(reader.string("id"));
  if (!id) throw DecodingError("download entry: member \"id\" is not a UUID");
  entry.id = *id;
  entry.address = reader.string("address");
  entry.destination = QUrl(reader.string("destination"), QUrl::StrictMode);
  entry.startedAt = reader.number("startedAt");
  entry.received = reader.integer("received");
  entry.expected = reader.integer("expected");
  const QString state = reader.string("state");
  bool known = false;
  for (const State candidate : kStates) {
    if (state == stateName(candidate)) {
      entry.state = candidate;
      known = true;
    }
  }
  if (!known) throw DecodingError("download entry: member \"state\" is not a known state");
  entry.detail = ProfileValues::firstCharacters(reader.string("detail"), kDetailLimit);
  validate(entry);
  return entry;
}

void DownloadEntry::validate(const DownloadEntry& entry) {
  if (!ProfileValues::fitsUtf8(entry.address, kAddressLimit)) {
    throw DecodingError("download entry: member \"address\" is longer than 65536 bytes");
  }
  // Only an absolute local file may be a destination: the staging file beside
  // it is removed at load, and the file manager is pointed at it. The test is
  // made on the text that the file holds, read back as the reader reads it.
  const QUrl destination(entry.destination.toString(QUrl::FullyEncoded), QUrl::StrictMode);
  const bool localHost = destination.host().isEmpty() || destination.host() == QStringLiteral("localhost");
  if (!entry.destination.isValid() || !destination.isValid() || !destination.isLocalFile() || !localHost ||
      !QDir::isAbsolutePath(destination.toLocalFile()) || destination.hasQuery() || destination.hasFragment()) {
    throw DecodingError("download entry: member \"destination\" is not an absolute file URL");
  }
  const QString path = destination.toLocalFile();
  if (QFile::encodeName(path).size() > kPathLimit || QFile::encodeName(QFileInfo(path).fileName()).size() > kNameLimit) {
    throw DecodingError("download entry: member \"destination\" names a path longer than the system allows");
  }
  if (!ProfileValues::isValidDate(entry.startedAt)) {
    throw DecodingError("download entry: member \"startedAt\" is not a date between 1970 and 9999");
  }
}
