// Times the application's side of the render road:
// 1. one measurement answer (decode the request line, measure with the
//    document font, format the answer), against a median of 20 µs;
// 2. EngineBridge::load of a typical page, against 1.5 times the renderer's
//    own run with a fixed width rule answering its measurements.
// Prints its figures; the exit status says only whether it could run.
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "loading/engine_bridge.h"
#include "loading/scene_decoder.h"
#include "loading/number_text.h"
#include "platform/child_process.h"
#include "platform/regular_file.h"
#include "platform/temporary_folder.h"
#include "platform/text_measurer.h"

namespace {

using Clock = std::chrono::steady_clock;

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
  TextMeasurer measurer;
  std::vector<double> spans;
  spans.reserve(lines.size());
  std::size_t sink = 0;
  for (const std::string& line : lines) {
    const auto start = Clock::now();
    const SceneLine request = decodeSceneLine(line);
    const qreal width = measurer.width(QString::fromStdString(request.request->text), request.request->size,
                                       request.request->bold);
    const std::string answer = shortestDecimal(width) + '\n';
    spans.push_back(microseconds(Clock::now() - start));
    sink += answer.size();
  }
  std::printf("measurement answer: median %.2f us, p90 %.2f us over %zu requests (target: median <= 20 us)%s\n",
              median(spans), percentile(spans, 0.9), lines.size(), sink ? "" : " ");
}

// A page like the ones people read: headings, paragraphs with links and bold
// runs, a list, a little CSS.
QByteArray typicalPage() {
  QByteArray page =
      "<!doctype html><html><head><title>Kivo ölçüm sayfası</title><style>"
      "body{margin:0 auto;max-width:720px;font-size:16px;line-height:1.5;color:#222}"
      "h1{font-size:32px}h2{font-size:24px}.note{background-color:#eef;padding:8px;border-radius:4px}"
      "nav{display:flex;gap:12px}</style></head><body><nav><a href=\"/\">Ana sayfa</a><a href=\"/a\">Arşiv</a>"
      "<a href=\"/h\">Hakkında</a></nav><h1>Küçük bir tarayıcının günlüğü</h1>";
  for (int section = 0; section < 20; ++section) {
    page += "<h2 id=\"s" + QByteArray::number(section) + "\">Bölüm " + QByteArray::number(section) + "</h2>";
    for (int paragraph = 0; paragraph < 5; ++paragraph) {
      page += "<p>Bu paragraf, motorun satır kırma ve ölçüm yolunu sınamak için yazıldı. İçinde "
              "<a href=\"https://example.com/";
      page += QByteArray::number(paragraph);
      page += "\">bir bağlantı</a>, <b>kalın bir söz</b> ve uzunca bir cümle var: düzen motoru her sözcüğün "
              "genişliğini uygulamaya sorar, uygulama da yazı tipinden ölçüp yanıtlar.</p>";
    }
    page += "<ul><li>Birinci madde</li><li>İkinci madde</li><li>Üçüncü madde</li></ul>"
            "<div class=\"note\">Not: bu bölüm yalnızca ölçüm içindir.</div>";
  }
  page += "</body></html>";
  return page;
}

// The renderer's own run: the frame in, every measurement answered with a
// fixed rule (half the size per character), the scene out.
double rendererAlone(const std::string& executable, const QByteArray& page) {
  ChildProcess process(executable, {"--stdin", "997.0"}, ChildProcess::ErrorStream::Capture);
  const auto n = static_cast<std::uint32_t>(page.size());
  const std::string header{static_cast<char>(n >> 24), static_cast<char>((n >> 16) & 0xFF),
                           static_cast<char>((n >> 8) & 0xFF), static_cast<char>(n & 0xFF)};
  const auto start = Clock::now();
  process.write(header);
  process.write(std::string_view(page.constData(), static_cast<std::size_t>(page.size())));
  std::string pending;
  std::string scene;
  int requests = 0;
  const auto exit = process.run(Clock::now() + std::chrono::seconds(30), [&](std::string_view chunk) {
    pending.append(chunk);
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (line.rfind("{\"measure\":true", 0) != 0) {
        scene = line;
        continue;
      }
      ++requests;
      const nlohmann::json request = nlohmann::json::parse(line);
      const double width = 0.5 * request["size"].get<double>() * static_cast<double>(request["text"].get<std::string>().size());
      process.write(shortestDecimal(width) + '\n');
    }
  });
  const double span = microseconds(Clock::now() - start);
  if (std::getenv("KIVO_BENCH_VERBOSE")) {
    std::printf("  renderer alone: %d requests, scene %zu bytes\n", requests, scene.size());
    const auto decodeStart = Clock::now();
    const bool accepted = nlohmann::json::accept(scene);
    std::printf("  scanning the scene alone: %.0f us (%s)\n", microseconds(Clock::now() - decodeStart),
                accepted ? "valid" : "invalid");
    const auto convertStart = Clock::now();
    const PageDocument document = PageDocument::fromJson(scene);
    std::printf("  decoding the scene: %.0f us, %lld commands, %lld nodes\n", microseconds(Clock::now() - convertStart),
                static_cast<long long>(document.commands.size()),
                static_cast<long long>(document.nodes ? document.nodes->size() : 0));
  }
  if (!exit.succeeded()) {
    std::printf("renderer run failed: %s\n", process.errorOutput().c_str());
    return -1;
  }
  return span;
}

void benchmarkLoad() {
  const EngineBridge::Runner runner = EngineBridge::Runner::standard();
  if (!QFileInfo(runner.executable).isExecutable()) {
    std::printf("page load: skipped, %s has not been built\n", qPrintable(runner.executable));
    return;
  }
  const QByteArray page = typicalPage();
  TemporaryFolder folder(QStringLiteral("kivo-bench-"));
  const QString path = folder.filePath(QStringLiteral("page.html"));
  writeNewFile(path, page);
  std::vector<double> alone;
  std::vector<double> bridged;
  for (int round = 0; round < 15; ++round) {
    const double own = rendererAlone(runner.executable.toStdString(), page);
    if (own < 0) return;
    alone.push_back(own);
    const auto start = Clock::now();
    try {
      EngineBridge::load(runner, QUrl::fromLocalFile(path), 997);
    } catch (const std::exception& error) {
      std::printf("page load failed: %s\n", error.what());
      return;
    }
    bridged.push_back(microseconds(Clock::now() - start));
  }
  const double ratio = median(bridged) / median(alone);
  std::printf("page load (%lld bytes): EngineBridge::load median %.0f us, renderer alone median %.0f us, "
              "ratio %.2f (target <= 1.5)\n",
              static_cast<long long>(page.size()), median(bridged), median(alone), ratio);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ChildProcess::ignoreBrokenPipe();
  QGuiApplication application(argc, argv);
  benchmarkAnswers();
  benchmarkLoad();
  return 0;
}
