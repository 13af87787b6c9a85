#include "json/io.h"

#include <fcntl.h>
#include <sys/ioctl.h>
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

// Pieces a pipe may still refer to when their writer goes. They stay
// reachable and are never freed: freeing would let the heap write into them
// before the reader has copied them.
std::vector<std::unique_ptr<char[]>>& abandoned_pieces() {
  static auto* kept = new std::vector<std::unique_ptr<char[]>>();
  return *kept;
}

}  // namespace

BufferedFdOutput::BufferedFdOutput(int fd) : m_fd(fd), m_buffer(kCapacity) {}

BufferedFdOutput::~BufferedFdOutput() {
  for (Kept& kept : m_kept) abandoned_pieces().push_back(std::move(kept.bytes));
}

Result<void, IoError> BufferedFdOutput::write_all(std::string_view bytes) {
  KIVO_TRY(write_all_fd(m_fd, bytes));
  m_sent += bytes.size();
  // After the bytes are out: the first line is usually a question, and the
  // reader takes a while to answer it.
  grow_pipe();
  return {};
}

void BufferedFdOutput::grow_pipe() {
  // A pipe of the default size takes 64 KiB before the writer has to wait
  // for the reader, every time. Pieces need more: the pipe is made to hold
  // 1 MiB, the most an unprivileged process may ask for, once, before the
  // first piece or right after the first write. A refusal (or a descriptor
  // that is not a pipe) changes nothing.
  if (m_pipe_grown) return;
  m_pipe_grown = true;
  (void)::fcntl(m_fd, F_SETPIPE_SZ, kPipeBytes);
}

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

Result<void, IoError> BufferedFdOutput::write_piece(std::unique_ptr<char[]>& piece, std::size_t size,
                                                   std::size_t capacity) {
  if (size == 0) return {};
  // What the buffer holds goes first.
  KIVO_TRY(flush());
  grow_pipe();
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
  if (done > 0) {
    m_sent += done;
    m_kept.push_back(Kept{std::move(piece), capacity, m_sent});
    if (error == 0) recycle(piece, capacity);
  }
  if (error > 0) return kivo_dom::err(IoError::os(error));
  if (error < 0) return kivo_dom::err(IoError{IoError::Kind::WriteZero, 0, {}});
  return {};
}

void BufferedFdOutput::recycle(std::unique_ptr<char[]>& piece, std::size_t capacity) {
  // The pipe gives up its reference to a page once the reader has copied
  // every byte it held from there; what it still holds are the last bytes
  // put in.
  int unread = 0;
  if (::ioctl(m_fd, FIONREAD, &unread) != 0 || unread < 0 || static_cast<std::uint64_t>(unread) > m_sent) return;
  const std::uint64_t taken = m_sent - static_cast<std::uint64_t>(unread);
  std::size_t finished = 0;
  while (finished < m_kept.size() && m_kept[finished].end <= taken) ++finished;
  for (std::size_t i = 0; i < finished; ++i) {
    if (!piece && m_kept[i].capacity == capacity) piece = std::move(m_kept[i].bytes);
  }
  m_kept.erase(m_kept.begin(), m_kept.begin() + static_cast<std::ptrdiff_t>(finished));
}

void BufferedFdOutput::discard_flush() { (void)flush(); }

}  // namespace kivo_json
