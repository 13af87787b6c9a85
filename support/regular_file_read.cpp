#include "support/regular_file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kivo_support {
namespace {

// Closes a descriptor when the read ends, whichever way.
class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

FileRead failed(int error) {
  FileRead read;
  read.status = FileRead::Status::Failed;
  read.error = error;
  return read;
}

FileRead not_regular() {
  FileRead read;
  read.status = FileRead::Status::NotRegular;
  return read;
}

}  // namespace

FileRead read_regular_file(const std::string& path, std::size_t bound,
                           const std::function<void(std::size_t)>& before_read) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return failed(errno);
  if (!S_ISREG(info.st_mode)) return not_regular();

  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return failed(errno);
  const Descriptor file(fd);
  if (::fstat(file.get(), &info) != 0) return failed(errno);
  if (!S_ISREG(info.st_mode)) return not_regular();

  const std::size_t hint = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
  if (before_read) before_read(std::min(hint, bound));
  FileRead read;
  std::string& content = read.content;
  content.resize(std::min(std::max<std::size_t>(hint + 1, 4096), bound), '\0');
  std::size_t filled = 0;
  while (filled < bound) {
    if (filled == content.size()) content.resize(std::min(content.size() * 2, bound));
    const ssize_t n = ::read(file.get(), content.data() + filled, content.size() - filled);
    if (n < 0) {
      if (errno == EINTR) continue;
      return failed(errno);
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  content.resize(filled);
  return read;
}

}  // namespace kivo_support
