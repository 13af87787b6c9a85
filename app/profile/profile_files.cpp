#include "profile/profile_files.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

#include "base/decoding_error.h"
#include "platform/file_rename.h"
#include "platform/folder_entries.h"
#include "platform/private_file.h"
#include "platform/regular_file.h"
#include "platform/system_error.h"

namespace ProfileFiles {
namespace {

constexpr int kMaximumDepth = 32;

std::string describe(const char* operation, const QString& path) {
  return std::string(operation) + " " + path.toStdString();
}

}  // namespace

void write(const QByteArray& bytes, const QString& path) {
  // 1. Create the folders.
  createPrivateFolder(QFileInfo(path).absolutePath());
  // 2. Replace the file in one step through a flushed temporary file.
  replaceFileAtomically(path, bytes);
}

ReadResult read(const QString& path, qint64 limit) {
  ReadResult result;
  try {
    // One byte more than the limit tells an oversized file from a full one.
    std::optional<QByteArray> bytes = readRegularFile(path, limit + 1);
    if (!bytes) {
      result.kind = ReadResult::Kind::Unreadable;
      result.error = QStringLiteral("Not a regular file");
      return result;
    }
    if (bytes->size() > limit) {
      result.kind = ReadResult::Kind::Oversized;
      return result;
    }
    result.kind = ReadResult::Kind::Read;
    result.bytes = std::move(*bytes);
  } catch (const SystemError& error) {
    // Only a path that names nothing is missing: ENOTDIR says that a folder on
    // the way is a plain file, so no file can be there either. Every other
    // failure may hide a list that a save must not replace.
    if (error.code() == ENOENT || error.code() == ENOTDIR) return result;
    result.kind = ReadResult::Kind::Unreadable;
    result.error = QString::fromStdString(std::system_category().message(error.code()));
  }
  return result;
}

namespace {

// A name that keepAside() gave: its time and its number (1 for the first of
// that second).
struct AsideName {
  QString fileName;
  QString stamp;
  int number = 1;
};

// Reads "<prefix>20261210T234501Z" or "<prefix>20261210T234501Z-<n>".
std::optional<AsideName> parseAsideName(const QString& fileName, const QString& prefix) {
  if (!fileName.startsWith(prefix)) return std::nullopt;
  const QString rest = fileName.mid(prefix.size());
  constexpr qsizetype kStampLength = 16;  // 20261210T234501Z
  if (rest.size() < kStampLength) return std::nullopt;
  for (qsizetype i = 0; i < kStampLength; ++i) {
    const QChar c = rest.at(i);
    const bool fits = i == 8 ? c == QLatin1Char('T') : i == 15 ? c == QLatin1Char('Z') : c.isDigit() && c.unicode() < 128;
    if (!fits) return std::nullopt;
  }
  AsideName name{fileName, rest.left(kStampLength), 1};
  if (rest.size() == kStampLength) return name;
  if (rest.at(kStampLength) != QLatin1Char('-')) return std::nullopt;
  bool ok = false;
  name.number = rest.mid(kStampLength + 1).toInt(&ok);
  if (!ok || name.number < 2 || QString::number(name.number) != rest.mid(kStampLength + 1)) return std::nullopt;
  return name;
}

// Renames `from` to `to` unless something is already at `to`; returns false
// in that case.
bool moveWithoutReplacing(const QString& from, const QString& to) {
  // Only this process's owner writes the profile folder, so the fallback of a
  // file system without the no-replace rename is sound here.
  const int code = renameWithoutReplacing(from, to);
  if (code == EEXIST) return false;
  if (code != 0) throw SystemError(code, describe("keep aside", from));
  return true;
}

// Removes the older kept-aside files of the same file; a failure is ignored
// (the file then stays, which loses nothing).
void pruneKeptAside(const QString& folder, const QString& prefix, const QString& newest) {
  std::vector<AsideName> older;
  const QStringList names =
      QDir(folder).entryList({prefix + QLatin1Char('*')}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& fileName : names) {
    if (fileName == newest) continue;
    if (std::optional<AsideName> name = parseAsideName(fileName, prefix)) older.push_back(std::move(*name));
  }
  std::sort(older.begin(), older.end(), [](const AsideName& a, const AsideName& b) {
    return a.stamp != b.stamp ? a.stamp > b.stamp : a.number > b.number;
  });
  // The file just made counts as the newest, even when the clock went back.
  for (std::size_t i = kKeptAsideGenerations - 1; i < older.size(); ++i) {
    removeFile(folder + QLatin1Char('/') + older[i].fileName);
  }
}

}  // namespace

QString keepAside(const QString& path, const QDateTime& now) {
  const QFileInfo info(path);
  const QString folder = info.absolutePath();
  const QString prefix = info.fileName() + QStringLiteral(".bad-");
  const QString stamp = now.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
  constexpr int kNamesPerSecond = 1000;
  for (int number = 1; number <= kNamesPerSecond; ++number) {
    const QString fileName = prefix + stamp + (number > 1 ? QLatin1Char('-') + QString::number(number) : QString());
    if (!moveWithoutReplacing(info.absoluteFilePath(), folder + QLatin1Char('/') + fileName)) continue;
    pruneKeptAside(folder, prefix, fileName);
    return folder + QLatin1Char('/') + fileName;
  }
  throw SystemError(EEXIST, describe("keep aside", path));
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
