#include "profile/list_file.h"

#include <exception>
#include <utility>

ListFile::ListFile(const QString& path, qint64 limit, ProfileFiles::Access access, Texts texts)
    : m_path(path),
      m_limit(limit),
      m_access(access),
      m_writable(access == ProfileFiles::Access::Owner),
      m_texts(std::move(texts)) {}

std::optional<QString> ListFile::load(const std::function<void(const QByteArray& text)>& decode,
                                      const QString& readOnlyReason) {
  if (m_path.isEmpty()) return std::nullopt;
  const ProfileFiles::ReadResult read = ProfileFiles::read(m_path, m_limit);
  bool refused = read.kind == ProfileFiles::ReadResult::Kind::Oversized;
  switch (read.kind) {
    case ProfileFiles::ReadResult::Kind::Missing:
    case ProfileFiles::ReadResult::Kind::Oversized:
      break;
    case ProfileFiles::ReadResult::Kind::Unreadable:
      m_writable = false;
      return m_texts.unreadable + read.error;
    case ProfileFiles::ReadResult::Kind::Read:
      try {
        decode(read.bytes);
      } catch (const DecodingError&) {
        refused = true;
      }
      break;
  }
  // A refused file is kept aside by its owner; when that fails, it is not
  // replaced either.
  if (refused && m_writable) {
    try {
      m_keptAside = ProfileFiles::keepAside(m_path);
    } catch (const std::exception& error) {
      m_writable = false;
      return m_texts.unusable + QString::fromUtf8(error.what());
    }
  }
  if (m_access == ProfileFiles::Access::ReadOnly) {
    return m_texts.notSaved + (readOnlyReason.isEmpty() ? ProfileFiles::heldElsewhereReason() : readOnlyReason) +
           QLatin1Char('.');
  }
  return std::nullopt;
}

std::optional<QString> ListFile::save(const std::function<QByteArray(qsizetype& leftOut)>& encode,
                                      const Writer& write) const {
  try {
    qsizetype leftOut = 0;
    write(encode(leftOut), m_path);
    if (leftOut == 0) return std::nullopt;
    return m_texts.leftOut.arg(leftOut);
  } catch (const std::exception& error) {
    return m_texts.saveFailed + QString::fromUtf8(error.what());
  }
}
