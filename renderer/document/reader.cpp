#include "document/reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kivo_document {

using kivo_json::IoError;

Reader::Reader(int fd, bool spin_for_lines) : m_fd(fd), m_spin(spin_for_lines) { m_buffer.reserve(kCapacity); }

Reader::Reader(int fd, std::string bytes)
    : m_fd(fd), m_spin(false), m_buffer(std::move(bytes)), m_end(m_buffer.size()) {}

Reader Reader::from_bytes(std::string bytes) { return Reader(-1, std::move(bytes)); }

std::string_view Reader::buffered() const { return std::string_view(m_buffer.data() + m_pos, m_end - m_pos); }

kivo_dom::Result<std::size_t, IoError> Reader::read_some(char* dst, std::size_t size, bool spin) {
  if (m_fd < 0) return std::size_t{0};
  if (spin) {
    const ssize_t n = m_spin.read(m_fd, dst, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EAGAIN) return kivo_dom::err(IoError::os(errno));
  }
  for (;;) {
    const ssize_t n = ::read(m_fd, dst, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return kivo_dom::err(IoError::os(errno));
  }
}

kivo_dom::Result<bool, IoError> Reader::fill(bool spin) {
  KIVO_CHECK(m_pos == m_end);
  if (m_buffer.size() < kCapacity) m_buffer.resize(kCapacity);
  m_pos = 0;
  m_end = 0;
  KIVO_TRY_ASSIGN(const std::size_t n, read_some(m_buffer.data(), kCapacity, spin));
  m_end = n;
  return n > 0;
}

kivo_dom::Result<void, IoError> Reader::read_exact(char* dst, std::size_t size) {
  while (size > 0) {
    if (buffered().empty()) {
      // A large remainder goes straight into the destination instead of
      // through the buffer; a small one refills the buffer, which may then
      // also hold the bytes that follow.
      if (size >= kCapacity && m_fd >= 0) {
        KIVO_TRY_ASSIGN(const std::size_t n, read_some(dst, size));
        if (n == 0) return kivo_dom::err(IoError::unexpected_eof());
        dst += n;
        size -= n;
        continue;
      }
      KIVO_TRY_ASSIGN(const bool more, fill());
      if (!more) return kivo_dom::err(IoError::unexpected_eof());
    }
    const std::size_t take = std::min(size, buffered().size());
    std::memcpy(dst, m_buffer.data() + m_pos, take);
    m_pos += take;
    dst += take;
    size -= take;
  }
  return {};
}

kivo_dom::Result<std::string, IoError> Reader::read_line(std::size_t max_bytes) {
  std::string line;
  while (line.size() < max_bytes) {
    if (buffered().empty()) {
      KIVO_TRY_ASSIGN(const bool more, fill(m_spin.enabled()));
      if (!more) break;
    }
    const std::string_view available = buffered().substr(0, max_bytes - line.size());
    const std::size_t newline = available.find('\n');
    const std::size_t take = newline == std::string_view::npos ? available.size() : newline + 1;
    line.append(available.substr(0, take));
    m_pos += take;
    if (newline != std::string_view::npos) break;
  }
  return line;
}

}  // namespace kivo_document
