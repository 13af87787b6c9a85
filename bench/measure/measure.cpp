// Times the application's side of the render road:
// 1. one measurement answer (decode the request line, measure with the
//    document font, format the answer), against a median of 20 µs;
// 2. EngineBridge::load of the renderer benchmark's typical page, against
//    1.2 times the renderer's own run through the measuring harness (the
//    measure-harness program beside this one, its output thrown away). The
//    same run driven in process with the harness's width rule is shown too:
//    it leaves out the harness's own start and output, so its ratio is the
//    stricter one;
// 3. decoding the typical page's scene line into the page document.
//
//   kivo-bench-measure [--rounds N] [--load-only | --decode-only] [--write-page FILE]
//
// A first load forgets the text widths that earlier loads shared; each round
// then loads the page again with them. --write-page writes the typical page's
// resource envelope to FILE and exits (the same bytes as the renderer
// benchmark's typical.input); --load-only runs only EngineBridge::load, N
// times each way, and --decode-only only the scene decoding, N times, for a
// profiler. Prints its figures; the exit status says only whether it could
// run.
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "loading/engine_bridge.h"
#include "loading/number_text.h"
#include "loading/scene_decoder.h"
#include "loading/web_resources.h"
#include "platform/child_process.h"
#include "platform/display_platform.h"
#include "support/frame_length.h"
#include "platform/font_text_measurer.h"
#include "platform/regular_file.h"
#include "platform/temporary_folder.h"
#include "request.h"
#include "typical_page.h"

namespace {

using Clock = std::chrono::steady_clock;

// The viewport width of the renderer benchmark's scene cases.
constexpr double kWidth = 1024.0;

double microseconds(Clock::duration span) {
  return std::chrono::duration<double, std::micro>(span).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// Request lines like the ones layout asks: words and short runs in a few
// sizes, regular and bold.
std::vector<std::string> requestLines() {
  const char* words[] = {"Merhaba", "dünya", "Kivo", "küçük", "bir", "tarayıcı", "ve", "kendi", "düzen",
                         "motoru", "ile", "gelir", "Bu", "paragraf", "ölçülür", "çizilir"};
  std::vector<std::string> lines;
  for (int i = 0; i < 20'000; ++i) {
    std::string text = words[i % 16];
    for (int extra = 0; extra < i % 5; ++extra) text += std::string(" ") + words[(i * 7 + extra) % 16];
    nlohmann::json line = {{"measure", true}, {"size", 12 + (i % 5) * 4}, {"bold", i % 3 == 0}, {"text", text}};
    lines.push_back(line.dump());
  }
  return lines;
}

void benchmarkAnswers() {
  const std::vector<std::string> lines = requestLines();
  FontTextMeasurer measurer;
  std::size_t sink = 0;
  // First with every text shaped anew, then with the widths shared between
  // runs, as a page laid out again finds them.
  for (const bool shared : {false, true}) {
    std::vector<double> spans;
    spans.reserve(lines.size());
    for (const std::string& line : lines) {
      if (!shared) FontTextMeasurer::forgetSharedWidths();
      const auto start = Clock::now();
      const SceneLine request = decodeSceneLine(line);
      const qreal width = measurer.width(QString::fromStdString(request.request->text), request.request->size,
                                         request.request->bold);
      const std::string answer = shortestDecimal(width) + '\n';
      spans.push_back(microseconds(Clock::now() - start));
      sink += answer.size();
    }
    std::printf("measurement answer, %s: median %.2f us, p90 %.2f us over %zu requests (target: median <= 20 us)%s\n",
                shared ? "widths shared" : "every text shaped", median(spans), percentile(spans, 0.9), lines.size(),
                sink ? "" : " ");
  }
}

// The renderer benchmark's typical page as the application would hand it to
// the renderer: the renderer lists the page's subresources, the stylesheet
// gets the page's CSS (any further one an empty text) and the images their
// sizes in turn, packed into the resource envelope.
QByteArray typicalEnvelope(const EngineBridge::Runner& runner) {
  const bench_pages::TypicalPage page = bench_pages::typical_page(1.0);
  const QByteArray html = QByteArray::fromStdString(page.html);
  const ResourceManifest manifest = EngineBridge::resources(runner, html);
  QList<std::pair<qint64, QByteArray>> entries;
  bool sheetGiven = false;
  std::size_t nextImage = 0;
  for (const ResourceManifest::Item& item : manifest.resources) {
    if (item.kind == 1) {
      entries.append({item.id, sheetGiven ? QByteArray() : QByteArray::fromStdString(page.stylesheet)});
      sheetGiven = true;
    } else {
      const bench_pages::ImageSize size = page.images[nextImage++ % page.images.size()];
      std::string payload;
      for (const std::uint32_t value : {size.width, size.height}) kivo_wire::append_be32(payload, value);
      entries.append({item.id, QByteArray::fromStdString(payload)});
    }
  }
  return WebResources::envelope(html, entries);
}

// What one run of the renderer alone produced.
struct AloneRun {
  double microseconds = -1;
  int requests = 0;
  std::size_t outputBytes = 0;
  // When the last request was answered, and when the document line began to
  // arrive and when it ended, from the start of the run.
  double lastRequestMicroseconds = 0;
  double documentStartMicroseconds = 0;
  double documentEndMicroseconds = 0;
  std::string scene;
};

// The renderer's own run, as the measuring harness drives it: the frame in,
// every measurement answered with the harness's fixed width rule, the output
// read to its end, the child reaped.
AloneRun rendererAlone(const std::string& executable, const QByteArray& input) {
  AloneRun run;
  const auto start = Clock::now();
  ChildProcess process(executable, {"--stdin", shortestDecimal(kWidth)}, ChildProcess::ErrorStream::Capture);
  process.write(kivo_wire::be32(static_cast<std::uint32_t>(input.size())));
  process.write(std::string_view(input.constData(), static_cast<std::size_t>(input.size())));
  std::string pending;
  const auto exit = process.run(Clock::now() + std::chrono::seconds(30), [&](std::string_view chunk) {
    run.outputBytes += chunk.size();
    if (run.documentStartMicroseconds == 0 && chunk.find('\n') == std::string_view::npos &&
        pending.size() + chunk.size() > 4096) {
      run.documentStartMicroseconds = microseconds(Clock::now() - start);
    }
    pending.append(chunk);
    std::size_t begin = 0;
    std::size_t end;
    while ((end = pending.find('\n', begin)) != std::string::npos) {
      const std::string_view line(pending.data() + begin, end - begin);
      if (const auto request = measure_harness::parse_request(line)) {
        ++run.requests;
        process.write(measure_harness::answer_line(*request));
        run.lastRequestMicroseconds = microseconds(Clock::now() - start);
      } else {
        run.scene.assign(line);
        run.documentEndMicroseconds = microseconds(Clock::now() - start);
      }
      begin = end + 1;
    }
    pending.erase(0, begin);
  });
  run.microseconds = microseconds(Clock::now() - start);
  if (!exit.succeeded()) {
    std::printf("renderer run failed: %s\n", process.errorOutput().c_str());
    run.microseconds = -1;
  }
  return run;
}

// The renderer's run through the measuring harness program itself (beside
// this one), its output thrown away: from starting the harness to reaping it.
// Nothing when the harness cannot be run.
double harnessRun(const std::string& harness, const QString& inputPath) {
  ChildProcess::Options options;
  options.errorStream = ChildProcess::ErrorStream::Discard;
  options.discardOutput = true;
  const auto start = Clock::now();
  try {
    ChildProcess process(harness, {inputPath.toStdString(), std::to_string(static_cast<int>(kWidth))}, options);
    process.closeInput();
    // A benchmark has no watchdog: the run goes to its end.
    const auto exit = process.run(Clock::time_point::max(), [](std::string_view) {});
    const double span = microseconds(Clock::now() - start);
    return exit.succeeded() ? span : -1;
  } catch (const std::exception&) {
    return -1;
  }
}

// Where the bridge's time goes besides the renderer's own run, step by step
// on the scene the renderer wrote alone.
void explain(const AloneRun& run) {
  std::printf("  renderer alone: %d requests, %zu bytes of output, scene %zu bytes\n", run.requests, run.outputBytes,
              run.scene.size());
  std::printf("  renderer alone: last answer at %.0f us, document line from %.0f us to %.0f us, run %.0f us\n",
              run.lastRequestMicroseconds, run.documentStartMicroseconds, run.documentEndMicroseconds,
              run.microseconds);
  const auto measurerStart = Clock::now();
  FontTextMeasurer measurer;
  std::printf("  making the text measurer: %.0f us\n", microseconds(Clock::now() - measurerStart));
  SceneLine line = decodeSceneLine(run.scene);
  const auto freeStart = Clock::now();
  line = SceneLine();
  std::printf("  freeing the document: %.0f us\n", microseconds(Clock::now() - freeStart));
}

// Decoding the scene line the renderer wrote alone, whole, as the bridge's
// decoder turns it into the page document, and checking that document: the
// medians over `rounds` decodings. Freeing the document is not counted.
void benchmarkDecoding(const std::string& scene, int rounds) {
  std::vector<double> decoding;
  std::vector<double> checking;
  long long commands = 0;
  long long nodes = 0;
  for (int round = -1; round < rounds; ++round) {
    const auto start = Clock::now();
    SceneLine line = decodeSceneLine(scene);
    const double decoded = microseconds(Clock::now() - start);
    if (!line.document) {
      std::printf("  the scene does not decode: %s\n", line.error.c_str());
      return;
    }
    const auto checkStart = Clock::now();
    const bool valid = line.document->isValid();
    const double checked = microseconds(Clock::now() - checkStart);
    if (!valid) {
      std::printf("  the scene decodes to an invalid document\n");
      return;
    }
    commands = static_cast<long long>(line.document->commands.size());
    nodes = static_cast<long long>(line.document->nodes ? line.document->nodes->size() : 0);
    if (round >= 0) {
      decoding.push_back(decoded);
      checking.push_back(checked);
    }
  }
  std::printf("  scene decoding (%zu bytes, %lld commands, %lld nodes)  %6.0f us   validity %.0f us\n", scene.size(),
              commands, nodes, median(decoding), median(checking));
}

bool benchmarkLoad(int rounds, bool loadOnly, bool decodeOnly) {
  const EngineBridge::Runner runner = EngineBridge::Runner::standard();
  if (!QFileInfo(runner.executable).isExecutable()) {
    std::printf("page load: skipped, %s has not been built\n", qPrintable(runner.executable));
    return false;
  }
  const QByteArray input = typicalEnvelope(runner);
  TemporaryFolder folder(QStringLiteral("kivo-bench-"));
  const QString path = folder.filePath(QStringLiteral("typical.input"));
  writeNewFile(path, input);
  const std::string executable = runner.executable.toStdString();

  if (decodeOnly) {
    const AloneRun run = rendererAlone(executable, input);
    if (run.microseconds < 0) return false;
    benchmarkDecoding(run.scene, rounds);
    return true;
  }

  const std::string harness = QFileInfo(runner.executable).path().toStdString() + "/measure-harness";
  std::vector<double> alone;
  std::vector<double> harnessed;
  std::vector<double> cold;
  std::vector<double> warm;
  AloneRun last;
  const auto bridged = [&](bool first) {
    // A first load finds none of the page's widths shared by earlier runs.
    if (first) FontTextMeasurer::forgetSharedWidths();
    const auto start = Clock::now();
    const PageDocument document = EngineBridge::load(runner, QUrl::fromLocalFile(path), kWidth);
    // The caller keeps the document; freeing it is not part of the load.
    return microseconds(Clock::now() - start);
  };
  // One round of each first, unmeasured, so that caches are warm for both.
  for (int round = -1; round < rounds; ++round) {
    if (!loadOnly) {
      last = rendererAlone(executable, input);
      if (last.microseconds < 0) return false;
      if (round >= 0) alone.push_back(last.microseconds);
      const double throughHarness = harnessRun(harness, path);
      if (throughHarness < 0) {
        std::printf("the measuring harness could not run %s\n", harness.c_str());
        return false;
      }
      if (round >= 0) harnessed.push_back(throughHarness);
    }
    try {
      const double first = bridged(true);
      const double again = bridged(false);
      if (round >= 0) {
        cold.push_back(first);
        warm.push_back(again);
      }
    } catch (const std::exception& error) {
      std::printf("page load failed: %s\n", error.what());
      return false;
    }
  }
  if (loadOnly) {
    std::printf("page load (typical, %lld bytes): EngineBridge::load median %.0f us first, %.0f us again, over %d "
                "rounds\n",
                static_cast<long long>(input.size()), median(cold), median(warm), rounds);
    return true;
  }
  std::printf("page load (typical, %lld bytes, width %.0f) over %d rounds, medians:\n"
              "  renderer through the measure-harness       %6.0f us\n"
              "  renderer with the harness rule in process  %6.0f us\n"
              "  EngineBridge::load, first load             %6.0f us   ratio %.2f to the harness (target <= 1.2), "
              "%.2f in process\n"
              "  EngineBridge::load again (widths shared)   %6.0f us   ratio %.2f to the harness, %.2f in process\n",
              static_cast<long long>(input.size()), kWidth, rounds, median(harnessed), median(alone), median(cold),
              median(cold) / median(harnessed), median(cold) / median(alone), median(warm),
              median(warm) / median(harnessed), median(warm) / median(alone));
  benchmarkDecoding(last.scene, rounds);
  if (std::getenv("KIVO_BENCH_VERBOSE")) explain(last);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayPlatform::prepare("kivo-bench-measure", DisplayPlatform::Need::Offscreen)) return 1;
  ChildProcess::ignoreBrokenPipe();
  QGuiApplication application(argc, argv);
  int rounds = 15;
  bool loadOnly = false;
  bool decodeOnly = false;
  QString pageFile;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--rounds") == 0 && hasValue) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--load-only") == 0) {
      loadOnly = true;
    } else if (std::strcmp(argv[i], "--decode-only") == 0) {
      decodeOnly = true;
    } else if (std::strcmp(argv[i], "--write-page") == 0 && hasValue) {
      pageFile = QString::fromLocal8Bit(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: kivo-bench-measure [--rounds N] [--load-only | --decode-only] [--write-page FILE]\n");
      return 2;
    }
  }
  try {
    if (!pageFile.isEmpty()) {
      const QByteArray input = typicalEnvelope(EngineBridge::Runner::standard());
      writeNewFile(pageFile, input);
      return 0;
    }
    if (!loadOnly && !decodeOnly) benchmarkAnswers();
    return benchmarkLoad(rounds, loadOnly, decodeOnly) ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kivo-bench-measure: %s\n", error.what());
    return 1;
  }
}
