// The only code of the application that starts the renderer. Each call starts
// one kivo-document process, exchanges one framed input and one JSON document
// with it, and never lets the process outlive the call.
//
// Limits: a scene run reads a file of at most 1,115,148 bytes, accepts at most
// 24 MiB of output and 40,000 measurement requests (font sizes 6 to 128), and
// is killed 15 seconds after launch; a manifest run sends at most 1 MiB,
// accepts at most 512 KiB of output and is killed after 8 seconds. Both calls
// block their thread for the whole run: call them off the main thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>

#include "loading/page_document.h"
#include "loading/subresource_records.h"
#include "support/wire_contract.h"

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

// Renders the local file `file` (plain HTML or a resource envelope) at the
// viewport width `width` in the renderer's scene mode, answering its text
// measurements with the document font, and returns the validated document
// (with no images). Throws BridgeError with the Turkish sentence of each
// refusal, SystemError for file and process failures, and DecodingError for
// a document line that does not decode.
PageDocument load(const QUrl& file, double width = 997.0);
PageDocument load(const Runner& runner, const QUrl& file, double width = 997.0);

// Lists the subresources of the HTML `source` in the renderer's manifest
// mode. Throws BridgeError, SystemError or DecodingError like load().
ResourceManifest resources(const QByteArray& source);
ResourceManifest resources(const Runner& runner, const QByteArray& source);

}  // namespace EngineBridge
