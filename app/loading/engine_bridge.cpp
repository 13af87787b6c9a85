#include "loading/engine_bridge.h"

#include <QDir>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <cmath>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/bridge_error.h"
#include "base/decoding_error.h"
#include "loading/number_text.h"
#include "loading/scene_decoder.h"
#include "platform/child_process.h"
#include "platform/executable_files.h"
#include "platform/font_text_measurer.h"
#include "platform/regular_file.h"
#include "support/frame_length.h"

namespace EngineBridge {

namespace {

const QString kLocalFilesOnly = QStringLiteral("Yalnızca yerel normal HTML dosyaları açılabilir.");
const QString kBadWidthOrEngine = QStringLiteral("Geçersiz pencere boyutu veya eksik Kivo motoru.");
const QString kInputLimit = QStringLiteral("HTML girdi sınırı 1 MiB.");
const QString kOutputBudget = QStringLiteral("Motor çıktı bütçesini aştı.");
const QString kBadMeasurement = QStringLiteral("Geçersiz yazı ölçüm isteği.");
const QString kRepeatedDocument = QStringLiteral("Tekrarlanan motor yanıtı.");
const QString kRunFailed = QStringLiteral("Belge işlenemedi veya işlem süresi aşıldı.");
const QString kNoAnswer = QStringLiteral("Motor yanıt vermedi.");
const QString kInvalidScene = QStringLiteral("Geçersiz çizim listesi.");
const QString kBadDiscovery = QStringLiteral("Geçersiz kaynak keşfi.");
const QString kManifestBudget = QStringLiteral("Kaynak listesi sınırı aşıldı.");
const QString kManifestFailed = QStringLiteral("Kaynak listesi oluşturulamadı.");

// The renderer's input frame: the payload's length, then the payload.
std::string frameHeader(qsizetype length) { return kivo_wire::be32(static_cast<std::uint32_t>(length)); }

// True when the runner names a program this process may start. A missing
// renderer is the application's fault, not the user's document's, and gets
// the engine sentence rather than a launch error.
bool canStart(const Runner& runner) {
  return canExecute(runner.executable);
}

// The bytes of `error` without an incomplete character at its end, which a
// capped capture can cut off.
std::string_view withoutCutCharacter(std::string_view error) {
  std::size_t lead = error.size();
  for (std::size_t back = 1; back <= 3 && back <= error.size(); ++back) {
    const auto byte = static_cast<unsigned char>(error[error.size() - back]);
    if ((byte & 0xC0) != 0x80) {
      lead = error.size() - back;
      break;
    }
  }
  if (lead == error.size()) return error;
  const auto first = static_cast<unsigned char>(error[lead]);
  const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
  return lead + length > error.size() ? error.substr(0, lead) : error;
}

// The failure sentence of a run, quoting the first 800 characters of the
// renderer's standard error when it is UTF-8.
QString runFailure(const ChildProcess& process) {
  std::string_view error = process.errorOutput();
  if (process.errorOutputTruncated()) error = withoutCutCharacter(error);
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = decoder.decode(QByteArrayView(error.data(), static_cast<qsizetype>(error.size())));
  if (decoder.hasError()) return kRunFailed + QLatin1Char('\n') + kNoAnswer;
  QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
  int taken = 0;
  while (taken < kQuotedErrorCharacters && characters.toNextBoundary() != -1) ++taken;
  const QString quoted = taken < kQuotedErrorCharacters ? text : text.left(characters.position());
  return kRunFailed + QLatin1Char('\n') + quoted;
}

// The exchange of one scene run: splits the renderer's output into lines,
// answers the measurement requests and keeps the one document line. A line
// still arriving is decoded piece by piece, so the long document line costs
// little once its line feed has come.
class SceneExchange {
public:
  explicit SceneExchange(ChildProcess& process) : m_process(process) {}

  void take(std::string_view chunk) {
    // 1. Count the chunk against the output budget before using it.
    m_total += static_cast<qint64>(chunk.size());
    if (m_total > kSceneOutputLimit) throw BridgeError(kOutputBudget);
    // 2. Handle every line that the chunk completes.
    std::size_t start = 0;
    std::size_t end;
    while ((end = chunk.find('\n', start)) != std::string_view::npos) {
      const std::string_view piece = chunk.substr(start, end - start);
      start = end + 1;
      if (m_partial) {
        m_partial->feed(piece);
        SceneLine line = m_partial->finish();
        m_partial.reset();
        handleLine(std::move(line));
      } else {
        handleLine(decodeSceneLine(piece));
      }
    }
    // 3. Decode what has come of the next line.
    if (start < chunk.size()) {
      if (!m_partial) m_partial = std::make_unique<SceneLineDecoder>();
      m_partial->feed(chunk.substr(start));
    }
  }

  bool hasUnfinishedLine() const { return m_partial != nullptr; }
  std::optional<PageDocument>& document() { return m_document; }

private:
  void handleLine(SceneLine decoded) {
    if (decoded.request) {
      answer(*decoded.request);
      return;
    }
    if (m_document) throw BridgeError(kRepeatedDocument);
    if (!decoded.document) throw DecodingError(decoded.error);
    m_document = std::move(decoded.document);
  }

  void answer(const MeasurementRequest& request) {
    ++m_requests;
    if (m_requests > kMeasurementLimit || !std::isfinite(request.size) || request.size < kivo_wire::kMinFontSize ||
        request.size > kivo_wire::kMaxFontSize || m_document) {
      throw BridgeError(kBadMeasurement);
    }
    if (!m_measurer) m_measurer = std::make_unique<FontTextMeasurer>();
    const qreal width = m_measurer->width(QString::fromStdString(request.text), request.size, request.bold);
    m_process.write(shortestDecimal(width) + '\n');
  }

  ChildProcess& m_process;
  std::unique_ptr<FontTextMeasurer> m_measurer;
  std::unique_ptr<SceneLineDecoder> m_partial;  // the line begun but not ended
  qint64 m_total = 0;
  qint64 m_requests = 0;
  std::optional<PageDocument> m_document;
};

}  // namespace

Runner Runner::standard() {
  static const QString executable = [] {
    const QString folder = executableFolder();
    if (folder.isEmpty()) return QString();
    return QDir(folder).filePath(QStringLiteral("kivo-document"));
  }();
  Runner runner;
  runner.executable = executable;
  return runner;
}

StartedRenderer::StartedRenderer(std::unique_ptr<ChildProcess> process, std::string executable, std::string width)
    : m_process(std::move(process)), m_executable(std::move(executable)), m_width(std::move(width)) {}

// The process ends with its ChildProcess: its input closes, it is killed and
// reaped.
StartedRenderer::~StartedRenderer() = default;

qint64 StartedRenderer::processId() const {
  return m_process ? static_cast<qint64>(m_process->pid()) : -1;
}

std::unique_ptr<StartedRenderer> startRenderer(const Runner& runner, double width) {
  if (!std::isfinite(width) || width < kivo_wire::kMinViewportWidth || width > kivo_wire::kMaxViewportWidth ||
      !canStart(runner)) {
    return nullptr;
  }
  const std::string executable = runner.executable.toStdString();
  const std::string widthArgument = shortestDecimal(width);
  try {
    auto process = std::make_unique<ChildProcess>(executable, std::vector<std::string>{"--stdin", widthArgument},
                                                  ChildProcess::ErrorStream::Capture);
    return std::unique_ptr<StartedRenderer>(new StartedRenderer(std::move(process), executable, widthArgument));
  } catch (const std::exception&) {
    return nullptr;
  }
}

PageDocument load(const QUrl& file, double width) {
  return load(Runner::standard(), file, width);
}

bool isLocalFileAddress(const QUrl& url) {
  const QString host = url.host();
  return url.isLocalFile() && (host.isEmpty() || host == QLatin1String("localhost"));
}

QByteArray readLocalFile(const QString& path, qint64 limit) {
  if (!isRegularFile(path)) throw BridgeError(kLocalFilesOnly);
  const std::optional<QByteArray> bytes = readRegularFile(path, limit + 1);
  if (!bytes) throw BridgeError(kLocalFilesOnly);
  return *bytes;
}

PageDocument load(const Runner& runner, const QUrl& file, double width, std::unique_ptr<StartedRenderer> started) {
  // Only local file addresses, naming regular files.
  if (!isLocalFileAddress(file)) throw BridgeError(kLocalFilesOnly);
  return render(runner, readLocalFile(file.path(QUrl::FullyDecoded), kSceneInputLimit), width, std::move(started));
}

PageDocument render(const Runner& runner, const QByteArray& source, double width,
                    std::unique_ptr<StartedRenderer> started) {
  // 1. A usable width and a renderer to start.
  if (!std::isfinite(width) || width < kivo_wire::kMinViewportWidth || width > kivo_wire::kMaxViewportWidth ||
      !canStart(runner)) {
    throw BridgeError(kBadWidthOrEngine);
  }
  // 2. The input budget.
  if (source.size() > kSceneInputLimit) throw BridgeError(kInputLimit);

  // 3. Take the renderer started ahead for this run, if it still waits for
  // its input, or start one in scene mode.
  const std::string executable = runner.executable.toStdString();
  const std::string widthArgument = shortestDecimal(width);
  std::unique_ptr<ChildProcess> rendererProcess;
  if (started && started->m_executable == executable && started->m_width == widthArgument &&
      started->m_process->running()) {
    rendererProcess = std::move(started->m_process);
  }
  started.reset();
  if (!rendererProcess) {
    rendererProcess = std::make_unique<ChildProcess>(executable, std::vector<std::string>{"--stdin", widthArgument},
                                                     ChildProcess::ErrorStream::Capture);
  }
  ChildProcess& process = *rendererProcess;
  // 4. The watchdog is the loop's deadline, from the moment the input is
  // handed over.
  const auto deadline = ChildProcess::Clock::now() + runner.sceneWatchdog;
  // 5. Send the frame; standard input stays open for the answers.
  process.write(frameHeader(source.size()));
  process.write(std::string_view(source.constData(), static_cast<std::size_t>(source.size())));
  // 6. Exchange until the output ends.
  SceneExchange exchange(process);
  const ChildProcess::Exit exit = process.run(deadline, [&](std::string_view chunk) { exchange.take(chunk); });
  // 7. Judge the run.
  if (!exit.succeeded() || exchange.hasUnfinishedLine() || !exchange.document()) throw BridgeError(runFailure(process));
  // 8. Only a valid document leaves the bridge.
  if (!exchange.document()->isValid()) throw BridgeError(kInvalidScene);
  return std::move(*exchange.document());
}

ResourceManifest resources(const QByteArray& source) {
  return resources(Runner::standard(), source);
}

ResourceManifest resources(const Runner& runner, const QByteArray& source) {
  // 1. The input budget and a renderer to start.
  if (source.size() > kManifestInputLimit || !canStart(runner)) throw BridgeError(kBadDiscovery);
  // 2. Start the renderer in manifest mode; its standard error is not read.
  ChildProcess process(runner.executable.toStdString(), {"--stdin", "0"}, ChildProcess::ErrorStream::Discard);
  // 3. The watchdog is the loop's deadline.
  const auto deadline = ChildProcess::Clock::now() + runner.manifestWatchdog;
  // 4. Send the frame and close standard input.
  process.write(frameHeader(source.size()));
  process.write(std::string_view(source.constData(), static_cast<std::size_t>(source.size())));
  process.closeInput();
  // 5. Collect the output within its budget.
  std::string output;
  const ChildProcess::Exit exit = process.run(deadline, [&](std::string_view chunk) {
    output.append(chunk);
    if (static_cast<qint64>(output.size()) > kManifestOutputLimit) throw BridgeError(kManifestBudget);
  });
  // 6. Judge the run and decode the manifest.
  if (!exit.succeeded()) throw BridgeError(kManifestFailed);
  return ResourceManifest::fromJson(output);
}

}  // namespace EngineBridge
