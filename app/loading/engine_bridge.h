// The only code of the application that starts the renderer. Each call starts
// one kivo-document process, or takes one started ahead of it, exchanges one
// framed input and one JSON document with it, and never lets the process
// outlive the call.
//
// Limits: a scene run sends at most 1,115,148 bytes, accepts at most
// 24 MiB of output and 40,000 measurement requests (font sizes 6 to 128), and
// is killed 15 seconds after its input is handed over; a manifest run sends at
// most 1 MiB, accepts at most 512 KiB of output and is killed after 8 seconds.
// Both calls block their thread for the whole run: call them off the main
// thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>
#include <memory>
#include <string>

#include "loading/page_document.h"
#include "loading/subresource_records.h"
#include "support/wire_contract.h"

namespace kivo_support {
class ChildProcess;
}

namespace EngineBridge {

// Where the renderer is and how long a run may take.
struct Runner {
  QString executable;  // empty when the application's own location is unknown
  std::chrono::milliseconds sceneWatchdog{15'000};
  std::chrono::milliseconds manifestWatchdog{8'000};

  // kivo-document in the directory of the running executable.
  static Runner standard();
};

inline constexpr qint64 kSceneInputLimit = kivo_wire::kMaxFrameBytes;
inline constexpr qint64 kManifestInputLimit = kivo_wire::kMaxHtmlBytes;
inline constexpr qint64 kSceneOutputLimit = kivo_wire::kMaxSceneOutputBytes;
inline constexpr qint64 kManifestOutputLimit = kivo_wire::kMaxManifestOutputBytes;
inline constexpr qint64 kMeasurementLimit = kivo_wire::kMaxMeasurements;
inline constexpr int kQuotedErrorCharacters = 800;

// A scene-mode renderer started before its input is ready: the process and
// its sandbox come up while the page is still fetched and its resources
// prepared, and then wait for the input, so that their start is off the
// road. render() takes it over; dropped unused (a cache hit, a cancelled load)
// it ends the process and reaps it.
class StartedRenderer {
public:
  StartedRenderer(const StartedRenderer&) = delete;
  StartedRenderer& operator=(const StartedRenderer&) = delete;
  ~StartedRenderer();

  // The process's id, for diagnostics.
  qint64 processId() const;

private:
  friend std::unique_ptr<StartedRenderer> startRenderer(const Runner& runner, double width);
  friend PageDocument render(const Runner& runner, const QByteArray& source, double width,
                             std::unique_ptr<StartedRenderer> started);
  StartedRenderer(std::unique_ptr<kivo_support::ChildProcess> process, std::string executable, std::string width);

  std::unique_ptr<kivo_support::ChildProcess> m_process;
  std::string m_executable;
  std::string m_width;  // the width argument it was started with
};

// Starts the runner's renderer in scene mode for a later render() at `width`;
// nothing when it cannot (no renderer, a width out of range, a failed
// launch): render() then starts one itself and reports what goes wrong.
std::unique_ptr<StartedRenderer> startRenderer(const Runner& runner, double width);

// True for a file address on this machine: a file URL whose host is absent,
// empty or "localhost".
bool isLocalFileAddress(const QUrl& url);

// Reads the local regular file at `path` through one byte past `limit`, so
// that the caller tells a larger file by its size. Throws BridgeError with
// "Yalnızca yerel normal HTML dosyaları açılabilir." for anything but a
// regular file, and SystemError when the path cannot be examined, opened or
// read.
QByteArray readLocalFile(const QString& path, qint64 limit);

// Renders `source` (plain HTML or a resource envelope) at the viewport width
// `width` in the renderer's scene mode, answering its text measurements with
// the document font, and returns the validated document (with no images).
// Uses `started` when it is a renderer of this runner for this width that
// still waits for its input, and ends it otherwise. Throws BridgeError with
// the Turkish sentence of each refusal, SystemError for process failures, and
// DecodingError for a document line that does not decode.
PageDocument render(const Runner& runner, const QByteArray& source, double width,
                    std::unique_ptr<StartedRenderer> started = nullptr);

// Renders the local file `file` like render() renders its bytes; only local
// regular files are read.
PageDocument load(const QUrl& file, double width = 997.0);
PageDocument load(const Runner& runner, const QUrl& file, double width = 997.0,
                  std::unique_ptr<StartedRenderer> started = nullptr);

// Lists the subresources of the HTML `source` in the renderer's manifest
// mode. Throws BridgeError, SystemError or DecodingError like load().
ResourceManifest resources(const QByteArray& source);
ResourceManifest resources(const Runner& runner, const QByteArray& source);

}  // namespace EngineBridge
