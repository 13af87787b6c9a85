#include "json/io.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kivo_json {

std::string IoError::display() const {
  switch (kind) {
    case Kind::UnexpectedEof:
      return "failed to fill whole buffer";
    case Kind::WriteZero:
      return "failed to write whole buffer";
    case Kind::InvalidData:
      return message;
    case Kind::Os:
      break;
  }
  // strerror in the C locale gives the system's plain English description.
  return std::string(std::strerror(code)) + " (os error " + std::to_string(code) + ")";
}

Result<void, IoError> write_all_fd(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return kivo_dom::err(IoError::os(errno));
    }
    if (n == 0) return kivo_dom::err(IoError{IoError::Kind::WriteZero, 0, {}});
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

BufferedFdOutput::BufferedFdOutput(int fd) : m_fd(fd), m_buffer(kCapacity) {}

BufferedFdOutput::~BufferedFdOutput() = default;

Result<void, IoError> BufferedFdOutput::write_all(std::string_view bytes) { return write_all_fd(m_fd, bytes); }

Result<void, IoError> BufferedFdOutput::write(std::string_view bytes) {
  if (bytes.empty()) return {};
  if (m_used + bytes.size() > kCapacity) {
    KIVO_TRY(flush());
  }
  if (bytes.size() >= kCapacity) return write_all(bytes);
  std::memcpy(m_buffer.data() + m_used, bytes.data(), bytes.size());
  m_used += bytes.size();
  return {};
}

Result<void, IoError> BufferedFdOutput::flush() {
  if (m_used == 0) return {};
  auto r = write_all(std::string_view(m_buffer.data(), m_used));
  m_used = 0;
  return r;
}

void BufferedFdOutput::discard_flush() { (void)flush(); }

}  // namespace kivo_json
