#include "profile/profile_files.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "loading/decoding_error.h"
#include "platform/regular_file.h"
#include "platform/system_error.h"

namespace ProfileFiles {
namespace {

constexpr int kMaximumDepth = 32;

std::string describe(const char* operation, const QString& path) {
  return std::string(operation) + " " + path.toStdString();
}

// Closes a descriptor on every exit that did not close it on purpose.
struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

// 1. Create the missing folders of `folder`, outermost first, each 0700;
// an existing folder keeps its permissions.
void createFolders(const QString& folder) {
  QStringList missing;
  QString current = QDir::cleanPath(folder);
  while (!current.isEmpty()) {
    struct stat info {};
    if (::stat(QFile::encodeName(current).constData(), &info) == 0) {
      if (!S_ISDIR(info.st_mode)) throw SystemError(ENOTDIR, describe("create folder", current));
      break;
    }
    if (errno != ENOENT) throw SystemError(errno, describe("examine", current));
    missing.prepend(current);
    const QString parent = QFileInfo(current).path();
    if (parent == current) break;
    current = parent;
  }
  for (const QString& path : missing) {
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
      throw SystemError(errno, describe("create folder", path));
    }
    // The process's umask must not decide who may read a profile.
    if (::chmod(native.constData(), 0700) != 0) throw SystemError(errno, describe("set permissions of", path));
  }
}

// 2. Write the bytes into a new private temporary file beside the target and
// flush them; returns its path. Errors name the target, whose temporary file
// has a new name on every attempt.
QString writeTemporary(const QByteArray& bytes, const QString& folder, const QString& name) {
  const QString target = folder + QLatin1Char('/') + name;
  for (int attempt = 0;; ++attempt) {
    const QString path = folder + QStringLiteral("/.") + name + QLatin1Char('.') +
                         QString::number(QRandomGenerator::system()->generate64(), 16) + QStringLiteral(".tmp");
    const QByteArray native = QFile::encodeName(path);
    Descriptor file{::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)};
    if (file.fd < 0) {
      if (errno == EEXIST && attempt < 8) continue;
      throw SystemError(errno, describe("write", target));
    }
    try {
      if (::fchmod(file.fd, 0600) != 0) throw SystemError(errno, describe("set permissions of", target));
      qsizetype written = 0;
      while (written < bytes.size()) {
        const ssize_t n = ::write(file.fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (n < 0) {
          if (errno == EINTR) continue;
          throw SystemError(errno, describe("write", target));
        }
        written += n;
      }
      if (::fsync(file.fd) != 0) throw SystemError(errno, describe("flush", target));
      const int fd = file.fd;
      file.fd = -1;
      if (::close(fd) != 0) throw SystemError(errno, describe("write", target));
    } catch (...) {
      ::unlink(native.constData());
      throw;
    }
    return path;
  }
}

// 4. Flush the folder, so that the rename itself survives a power loss.
void flushFolder(const QString& folder) {
  Descriptor directory{::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (directory.fd < 0) throw SystemError(errno, describe("open folder", folder));
  if (::fsync(directory.fd) != 0 && errno != EINVAL) throw SystemError(errno, describe("flush folder", folder));
}

}  // namespace

void write(const QByteArray& bytes, const QString& path) {
  const QFileInfo info(path);
  const QString folder = info.absolutePath();
  // 1. Create the folders.
  createFolders(folder);
  // 2. Write and flush a temporary file.
  const QString temporary = writeTemporary(bytes, folder, info.fileName());
  // 3. Replace the file in one step.
  if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
    const int code = errno;
    ::unlink(QFile::encodeName(temporary).constData());
    throw SystemError(code, describe("replace", path));
  }
  // 4. Flush the folder.
  flushFolder(folder);
}

ReadResult read(const QString& path, qint64 limit) {
  ReadResult result;
  try {
    // One byte more than the limit tells an oversized file from a full one.
    std::optional<QByteArray> bytes = readRegularFile(path, limit + 1);
    if (!bytes) return result;
    if (bytes->size() > limit) {
      result.kind = ReadResult::Kind::Oversized;
      return result;
    }
    result.kind = ReadResult::Kind::Read;
    result.bytes = std::move(*bytes);
  } catch (const SystemError&) {
    // Missing or unreadable: the store starts empty.
  }
  return result;
}

void keepAside(const QString& path) {
  const QByteArray from = QFile::encodeName(path);
  const QByteArray to = QFile::encodeName(path + QStringLiteral(".bad"));
  std::rename(from.constData(), to.constData());
}

void decodeObjectArray(const QByteArray& text, const std::function<void(const nlohmann::json&)>& element) {
  using Event = nlohmann::json::parse_event_t;
  bool topLevelArray = false;
  // Depth 0 is the top-level value, depth 1 its elements. An element is
  // decoded when it ends and then dropped from the parsed tree.
  const auto callback = [&](int depth, Event event, nlohmann::json& parsed) -> bool {
    if (depth > kMaximumDepth) throw DecodingError("The data is nested too deeply.");
    if (depth == 0 && event == Event::array_start) topLevelArray = true;
    if (depth == 0 && event == Event::object_start) throw DecodingError("Expected an array at the top level.");
    if (depth == 1 && topLevelArray) {
      if (event == Event::value || event == Event::array_end) throw DecodingError("Expected an object in the list.");
      if (event == Event::object_end) {
        element(parsed);
        return false;
      }
    }
    return true;
  };
  nlohmann::json root;
  try {
    root = nlohmann::json::parse(text.constBegin(), text.constEnd(), callback);
  } catch (const nlohmann::json::exception& error) {
    throw DecodingError(std::string("The data is not valid JSON: ") + error.what());
  }
  if (!root.is_array()) throw DecodingError("Expected an array at the top level.");
}

}  // namespace ProfileFiles
