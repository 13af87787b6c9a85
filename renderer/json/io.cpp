#include "json/io.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

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

namespace {

// Pieces whose pages a pipe refers to. They stay reachable and are never
// freed: freeing would let the heap write into them before the reader has
// copied them.
std::vector<std::unique_ptr<char[]>>& kept_pieces() {
  static auto* kept = new std::vector<std::unique_ptr<char[]>>();
  return *kept;
}

}  // namespace

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

Result<void, IoError> BufferedFdOutput::write_piece(std::unique_ptr<char[]>& piece, std::size_t size) {
  if (size == 0) return {};
  // What the buffer holds goes first.
  KIVO_TRY(flush());
  // A pipe of the default size takes 64 KiB before the writer has to wait
  // for the reader, every time: the first piece makes it hold 1 MiB, the
  // most an unprivileged process may ask for. A refusal changes nothing.
  if (m_may_splice && !m_pipe_grown) {
    m_pipe_grown = true;
    (void)::fcntl(m_fd, F_SETPIPE_SZ, kPipeBytes);
  }
  std::size_t done = 0;
  int error = 0;
  while (m_may_splice && done < size) {
    iovec range{piece.get() + done, size - done};
    const ssize_t n = ::vmsplice(m_fd, &range, 1, 0);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && done == 0 && (errno == EBADF || errno == EINVAL || errno == EPERM || errno == ENOSYS)) {
      // Not a pipe (a file, a terminal), or a system that refuses the call:
      // this piece and every later one are written the usual way.
      m_may_splice = false;
    } else {
      error = n < 0 ? errno : -1;
      break;
    }
  }
  if (done == 0 && error == 0) return write_all(std::string_view(piece.get(), size));
  // Once the pipe refers to any of its pages, the piece is kept, even when
  // the rest could not follow.
  if (done > 0) kept_pieces().push_back(std::move(piece));
  if (error > 0) return kivo_dom::err(IoError::os(error));
  if (error < 0) return kivo_dom::err(IoError{IoError::Kind::WriteZero, 0, {}});
  return {};
}

void BufferedFdOutput::discard_flush() { (void)flush(); }

}  // namespace kivo_json
