#include "loading/engine_bridge.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <functional>
#include <memory>
#include <limits>
#include <vector>

#include "base/bridge_error.h"
#include "base/decoding_error.h"
#include "platform/regular_file.h"
#include "platform/system_error.h"
#include "platform/temporary_folder.h"

namespace {

using namespace std::chrono_literals;

const QString kRunFailed = QStringLiteral("Belge işlenemedi veya işlem süresi aşıldı.");

// The stand-in renderer, built beside the test. Its watchdogs are far beyond
// anything a slow machine needs: a run of these cases ends by what the
// renderer does, never by the clock.
EngineBridge::Runner fakeRenderer() {
  EngineBridge::Runner runner = EngineBridge::Runner::standard();
  runner.executable = QFileInfo(runner.executable).absolutePath() + QStringLiteral("/kivo-fake-renderer");
  runner.sceneWatchdog = 10min;
  runner.manifestWatchdog = 10min;
  return runner;
}

// The stand-in renderer for the cases that hang on purpose: only the
// watchdog ends them, so it is short.
EngineBridge::Runner hangingFakeRenderer() {
  EngineBridge::Runner runner = fakeRenderer();
  runner.sceneWatchdog = 200ms;
  runner.manifestWatchdog = 200ms;
  return runner;
}

// A folder of input files for one test.
class Inputs {
public:
  Inputs() : m_folder(QStringLiteral("kivo-bridge-test-")) {}

  // A file whose content is `payload`; the fake renderer reads its first line.
  QUrl file(const QByteArray& payload) {
    const QString path = m_folder.filePath(QString::number(m_count++) + QStringLiteral(".html"));
    writeNewFile(path, payload);
    return QUrl::fromLocalFile(path);
  }

  // A file of exactly `size` bytes that starts with the behaviour line.
  QUrl sizedFile(const QByteArray& behaviour, qsizetype size) {
    QByteArray payload = behaviour + '\n';
    payload.append(size - payload.size(), 'x');
    return file(payload);
  }

  const QString& folder() const { return m_folder.path(); }

private:
  TemporaryFolder m_folder;
  int m_count = 0;
};

// Runs `call`, which must throw BridgeError with exactly `expected`.
void expectBridgeError(const std::function<void()>& call, const QString& expected) {
  try {
    call();
    ADD_FAILURE() << "expected BridgeError: " << expected.toStdString();
  } catch (const BridgeError& error) {
    EXPECT_EQ(error.message(), expected);
  }
}

TEST(EngineBridgeTest, StandardRunnerIsBesideTheExecutable) {
  const EngineBridge::Runner runner = EngineBridge::Runner::standard();
  EXPECT_EQ(QFileInfo(runner.executable).fileName(), QStringLiteral("kivo-document"));
  EXPECT_EQ(QFileInfo(runner.executable).absolutePath(), QCoreApplication::applicationDirPath());
  EXPECT_EQ(runner.sceneWatchdog, 15s);
  EXPECT_EQ(runner.manifestWatchdog, 8s);
}

TEST(EngineBridgeTest, AnswersMeasurementsAndDecodesTheScene) {
  Inputs inputs;
  for (const char* behaviour : {"scene", "split-request"}) {
    SCOPED_TRACE(behaviour);
    const PageDocument document = EngineBridge::load(fakeRenderer(), inputs.file(behaviour), 997);
    // The fake renderer echoes the answer it received as the title and as
    // the text command's width.
    const QString answer = document.title;
    EXPECT_TRUE(answer.contains(QLatin1Char('.'))) << answer.toStdString();
    bool ok = false;
    const double width = answer.toDouble(&ok);
    ASSERT_TRUE(ok);
    EXPECT_GT(width, 20);
    EXPECT_LT(width, 16 * 7);
    EXPECT_EQ(document.version, 2);
    EXPECT_EQ(document.width, 997);
    EXPECT_EQ(document.height, 120);
    EXPECT_EQ(document.warnings, QStringList{QStringLiteral("unsupported display: table")});
    EXPECT_EQ(document.anchors.value(QStringLiteral("end")), 80.5);
    ASSERT_EQ(document.commands.size(), 2);
    EXPECT_EQ(document.commands[0].kind, QStringLiteral("box"));
    EXPECT_EQ(document.commands[0].background, 4294967295u);
    EXPECT_FALSE(document.commands[0].href.has_value());
    EXPECT_EQ(document.commands[1].width, width);
    EXPECT_EQ(document.commands[1].text, QStringLiteral("Merhaba"));
    EXPECT_EQ(document.commands[1].color, 690698495u);
    EXPECT_EQ(document.commands[1].href, QStringLiteral("https://example.com/"));
    ASSERT_TRUE(document.nodes.has_value());
    ASSERT_EQ(document.nodes->size(), 1);
    EXPECT_EQ(document.nodes->front().name, QStringLiteral("#document"));
    EXPECT_FALSE(document.nodes->front().bounds.has_value());
    EXPECT_EQ(document.inspectorTruncated, false);
    EXPECT_TRUE(document.images.isEmpty());
  }
}

TEST(EngineBridgeTest, MeasurementAnswersHaveTheShapeOfTextWidths) {
  Inputs inputs;
  const PageDocument document = EngineBridge::load(fakeRenderer(), inputs.file("bold-and-space"), 997);
  const QStringList answers = document.title.split(QLatin1Char(' '));
  ASSERT_EQ(answers.size(), 3);
  EXPECT_GE(answers[1].toDouble(), answers[0].toDouble());
  EXPECT_GT(answers[2].toDouble(), 0);
}

TEST(EngineBridgeTest, SendsTheWidthAndTheWholeFile) {
  struct Case {
    double width;
    const char* argument;
  };
  Inputs inputs;
  for (const Case c : {Case{997, "997.0"}, Case{1024.5, "1024.5"}, Case{160, "160.0"}, Case{8192, "8192.0"}}) {
    const PageDocument document = EngineBridge::load(fakeRenderer(), inputs.file("echo-input"), c.width);
    EXPECT_EQ(document.title, QString::fromLatin1(c.argument) + QStringLiteral(" 10"));
  }
  const PageDocument largest =
      EngineBridge::load(fakeRenderer(), inputs.sizedFile("echo-input", EngineBridge::kSceneInputLimit), 997);
  EXPECT_EQ(largest.title, QStringLiteral("997.0 1115148"));
  expectBridgeError([&] { EngineBridge::load(fakeRenderer(), inputs.sizedFile("echo-input", 1'115'149), 997); },
                    QStringLiteral("HTML girdi sınırı 1 MiB."));
}

TEST(EngineBridgeTest, RendersBytesWithoutAFile) {
  QByteArray largest("echo-input\n");
  largest.append(EngineBridge::kSceneInputLimit - largest.size(), 'x');
  EXPECT_EQ(EngineBridge::render(fakeRenderer(), "echo-input", 1024.5).title, QStringLiteral("1024.5 10"));
  EXPECT_EQ(EngineBridge::render(fakeRenderer(), largest, 997).title, QStringLiteral("997.0 1115148"));
  expectBridgeError([&] { EngineBridge::render(fakeRenderer(), largest + 'x', 997); },
                    QStringLiteral("HTML girdi sınırı 1 MiB."));
  expectBridgeError([&] { EngineBridge::render(fakeRenderer(), largest + 'x', 159.9); },
                    QStringLiteral("Geçersiz pencere boyutu veya eksik Kivo motoru."));
}

// True while a process of this id exists (running, or ended but not reaped).
bool processExists(qint64 id) {
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH;
}

TEST(EngineBridgeTest, TakesOverTheRendererStartedAheadForItsRunnerAndWidth) {
  Inputs inputs;
  struct Case {
    const char* name;
    EngineBridge::Runner startedWith;
    double startedWidth;
    bool used;
  };
  EngineBridge::Runner realRenderer = EngineBridge::Runner::standard();
  const Case cases[] = {
      {"same runner and width", fakeRenderer(), 997, true},
      {"another width", fakeRenderer(), 800, false},
      {"another program", realRenderer, 997, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<EngineBridge::StartedRenderer> started = EngineBridge::startRenderer(c.startedWith, c.startedWidth);
    ASSERT_NE(started, nullptr);
    const qint64 startedId = started->processId();
    const PageDocument document =
        EngineBridge::load(fakeRenderer(), inputs.file("echo-process"), 997, std::move(started));
    // The run happened at the load's width, in the started process or in
    // one of its own; either way the started one is gone.
    const QStringList title = document.title.split(QLatin1Char(' '));
    ASSERT_EQ(title.size(), 2);
    EXPECT_EQ(title[0], QStringLiteral("997.0"));
    EXPECT_EQ(title[1] == QString::number(startedId), c.used);
    EXPECT_FALSE(processExists(startedId));
  }
}

TEST(EngineBridgeTest, AStartedRendererDroppedUnusedIsEndedAndReaped) {
  std::unique_ptr<EngineBridge::StartedRenderer> started = EngineBridge::startRenderer(fakeRenderer(), 997);
  ASSERT_NE(started, nullptr);
  const qint64 id = started->processId();
  EXPECT_TRUE(processExists(id));
  started.reset();
  EXPECT_FALSE(processExists(id));
  // Nothing starts where the load itself would refuse.
  EngineBridge::Runner missing = fakeRenderer();
  missing.executable += QStringLiteral("-missing");
  EXPECT_EQ(EngineBridge::startRenderer(missing, 997), nullptr);
  EXPECT_EQ(EngineBridge::startRenderer(fakeRenderer(), 159.9), nullptr);
  EXPECT_EQ(EngineBridge::startRenderer(fakeRenderer(), std::nan("")), nullptr);
}

TEST(EngineBridgeTest, AcceptsLocalhostFileAddresses) {
  Inputs inputs;
  QUrl url = inputs.file("echo-input");
  url.setHost(QStringLiteral("localhost"));
  EXPECT_EQ(EngineBridge::load(fakeRenderer(), url, 997).title, QStringLiteral("997.0 10"));
}

TEST(EngineBridgeTest, RefusesBadRequestsBeforeStartingTheRenderer) {
  Inputs inputs;
  const QUrl file = inputs.file("scene");
  const QString fifo = inputs.folder() + QStringLiteral("/pipe.html");
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  EngineBridge::Runner missing = fakeRenderer();
  missing.executable = inputs.folder() + QStringLiteral("/no-renderer");
  const QString localOnly = QStringLiteral("Yalnızca yerel normal HTML dosyaları açılabilir.");
  const QString badWidth = QStringLiteral("Geçersiz pencere boyutu veya eksik Kivo motoru.");
  QUrl otherHost = file;
  otherHost.setHost(QStringLiteral("example.com"));
  struct Case {
    const char* name;
    EngineBridge::Runner runner;
    QUrl url;
    double width;
    QString expected;
  };
  const Case cases[] = {
      {"web address", fakeRenderer(), QUrl(QStringLiteral("https://example.com/a.html")), 997, localOnly},
      {"other host", fakeRenderer(), otherHost, 997, localOnly},
      {"folder", fakeRenderer(), QUrl::fromLocalFile(inputs.folder()), 997, localOnly},
      {"fifo", fakeRenderer(), QUrl::fromLocalFile(fifo), 997, localOnly},
      {"narrow", fakeRenderer(), file, 159.9, badWidth},
      {"wide", fakeRenderer(), file, 8192.5, badWidth},
      {"infinite", fakeRenderer(), file, std::numeric_limits<double>::infinity(), badWidth},
      {"not a number", fakeRenderer(), file, std::nan(""), badWidth},
      {"missing renderer", missing, file, 997, badWidth},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectBridgeError([&] { EngineBridge::load(c.runner, c.url, c.width); }, c.expected);
  }
  EXPECT_THROW(EngineBridge::load(fakeRenderer(), QUrl::fromLocalFile(inputs.folder() + QStringLiteral("/none.html"))),
               SystemError);
}

TEST(EngineBridgeTest, EveryMisbehaviourHasItsSentence) {
  QString longError;
  for (int i = 0; i < 800; ++i) longError += QStringLiteral("ğ");
  // Only "hang" runs under a short watchdog. Every other case ends by its
  // own misbehaviour (an exit, a refused line, the output budget), however
  // long it takes, so the silent and unterminated runs cannot pass for a
  // hang cut short.
  struct Case {
    const char* behaviour;
    QString expected;
    bool hangs = false;
  };
  const Case cases[] = {
      {"fail", kRunFailed + QStringLiteral("\ninvalid style viewport\n")},
      {"fail-invalid-utf8", kRunFailed + QStringLiteral("\nMotor yanıt vermedi.")},
      {"fail-long", kRunFailed + QLatin1Char('\n') + longError},
      {"silent", kRunFailed + QLatin1Char('\n')},
      {"unterminated", kRunFailed + QLatin1Char('\n')},
      {"hang", kRunFailed + QLatin1Char('\n'), true},
      {"two-documents", QStringLiteral("Tekrarlanan motor yanıtı.")},
      {"after-document", QStringLiteral("Geçersiz yazı ölçüm isteği.")},
      {"size 5.9", QStringLiteral("Geçersiz yazı ölçüm isteği.")},
      {"size 128.1", QStringLiteral("Geçersiz yazı ölçüm isteği.")},
      {"invalid-scene", QStringLiteral("Geçersiz çizim listesi.")},
      {"output 25165825", QStringLiteral("Motor çıktı bütçesini aştı.")},
  };
  Inputs inputs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.behaviour);
    const EngineBridge::Runner runner = c.hangs ? hangingFakeRenderer() : fakeRenderer();
    expectBridgeError([&] { EngineBridge::load(runner, inputs.file(c.behaviour), 997); }, c.expected);
  }
}

TEST(EngineBridgeTest, WatchdogStopsARendererThatNeverReadsItsInput) {
  // The input is larger than a pipe holds, so writing it would block for
  // ever without the watchdog.
  Inputs inputs;
  expectBridgeError(
      [&] { EngineBridge::load(hangingFakeRenderer(), inputs.sizedFile("ignore-input", 1'000'000), 997); },
      kRunFailed + QLatin1Char('\n'));
}

TEST(EngineBridgeTest, LimitsAcceptTheirLastAllowedValue) {
  Inputs inputs;
  for (const char* behaviour : {"size 6", "size 128", "output 25165824", "flood-error"}) {
    SCOPED_TRACE(behaviour);
    EXPECT_NO_THROW(EngineBridge::load(fakeRenderer(), inputs.file(behaviour), 997));
  }
}

TEST(EngineBridgeTest, MeasurementRequestBudget) {
  Inputs inputs;
  EXPECT_EQ(EngineBridge::load(fakeRenderer(), inputs.file("requests 40000"), 997).title, QStringLiteral("requests"));
  expectBridgeError([&] { EngineBridge::load(fakeRenderer(), inputs.file("requests 40001"), 997); },
                    QStringLiteral("Geçersiz yazı ölçüm isteği."));
}

TEST(EngineBridgeTest, LinesThatDoNotDecodeFailWithTheDecoderError) {
  Inputs inputs;
  for (const char* behaviour : {"not-json", "empty-line", "measure-false", "missing-warnings"}) {
    SCOPED_TRACE(behaviour);
    EXPECT_THROW(EngineBridge::load(fakeRenderer(), inputs.file(behaviour), 997), DecodingError);
  }
}

TEST(EngineBridgeTest, ManifestRuns) {
  const ResourceManifest manifest = EngineBridge::resources(fakeRenderer(), "manifest\n<link rel=stylesheet>");
  ASSERT_EQ(manifest.resources.size(), 2);
  EXPECT_EQ(manifest.resources[0].id, 0);
  EXPECT_EQ(manifest.resources[0].kind, 1);
  EXPECT_EQ(manifest.resources[0].url, QStringLiteral("style/site.css"));
  EXPECT_EQ(manifest.resources[1].kind, 2);
  EXPECT_FALSE(manifest.base.has_value());
  EXPECT_EQ(manifest.limited, false);

  EXPECT_EQ(EngineBridge::resources(fakeRenderer(), "manifest-size 524288").resources.size(), 1);
  EngineBridge::Runner missing = fakeRenderer();
  missing.executable = QStringLiteral("/nonexistent/kivo-document");
  struct Case {
    const char* name;
    EngineBridge::Runner runner;
    QByteArray source;
    QString expected;
  };
  const Case cases[] = {
      {"output over budget", fakeRenderer(), "manifest-size 524289", QStringLiteral("Kaynak listesi sınırı aşıldı.")},
      {"renderer fails", fakeRenderer(), "manifest-fail", QStringLiteral("Kaynak listesi oluşturulamadı.")},
      {"renderer hangs", hangingFakeRenderer(), "manifest-hang", QStringLiteral("Kaynak listesi oluşturulamadı.")},
      {"source over 1 MiB", fakeRenderer(), QByteArray("manifest\n").append(1'048'568, 'x'),
       QStringLiteral("Geçersiz kaynak keşfi.")},
      {"missing renderer", missing, "manifest", QStringLiteral("Geçersiz kaynak keşfi.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectBridgeError([&] { EngineBridge::resources(c.runner, c.source); }, c.expected);
  }
  EXPECT_THROW(EngineBridge::resources(fakeRenderer(), "manifest-bad-item"), DecodingError);
}

// The real renderer, when it has been built and writes scenes.
class RealRendererTest : public testing::Test {
protected:
  void SetUp() override {
    if (!QFileInfo(EngineBridge::Runner::standard().executable).isExecutable()) {
      GTEST_SKIP() << "kivo-document has not been built";
    }
  }
};

TEST_F(RealRendererTest, RendersHtmlIntoAPageDocument) {
  Inputs inputs;
  const QUrl file = inputs.file(
      "<!doctype html><html><head><title>Kivo sınaması</title></head>"
      "<body><h1 id=\"top\" class=\"baslik\">Merhaba dünya</h1>"
      "<p>Bir <a href=\"https://example.com/\">bağlantı</a> ve <b>kalın</b> yazı.</p></body></html>");
  PageDocument document;
  try {
    document = EngineBridge::load(file, 997);
  } catch (const BridgeError& error) {
    if (error.message().contains(QStringLiteral("scene output is not available"))) {
      GTEST_SKIP() << "the renderer does not write scenes yet";
    }
    throw;
  }
  EXPECT_EQ(document.version, 2);
  EXPECT_EQ(document.title, QStringLiteral("Kivo sınaması"));
  EXPECT_GE(document.width, 997);
  EXPECT_TRUE(document.anchors.contains(QStringLiteral("top")));
  bool sawHeading = false;
  bool sawLink = false;
  for (const PaintCommand& command : document.commands) {
    if (command.kind != QLatin1String("text")) continue;
    EXPECT_GT(command.width, 0) << command.text->toStdString();
    if (command.text->contains(QStringLiteral("Merhaba"))) sawHeading = true;
    if (command.href == QStringLiteral("https://example.com/")) sawLink = true;
  }
  EXPECT_TRUE(sawHeading);
  EXPECT_TRUE(sawLink);
  ASSERT_TRUE(document.nodes.has_value());
  ASSERT_FALSE(document.nodes->isEmpty());
  EXPECT_EQ(document.nodes->front().label(), QStringLiteral("#document"));
  bool sawHeadingNode = false;
  for (const InspectedNode& node : *document.nodes) {
    if (node.name != QLatin1String("h1")) continue;
    sawHeadingNode = true;
    EXPECT_EQ(node.label(), QStringLiteral("<h1 id=\"top\" class=\"baslik\">"));
    ASSERT_TRUE(node.bounds.has_value());
    EXPECT_GT(node.bounds->height, 0);
    EXPECT_EQ(node.computed.value(QStringLiteral("font-weight")), QStringLiteral("700"));
  }
  EXPECT_TRUE(sawHeadingNode);
}

TEST_F(RealRendererTest, TheStartedRendererHoldsOnlyItsStandardStreams) {
  // A file, a socket and a pipe end of ours without close-on-exec, as a
  // library's connection or a descriptor this process inherited would be.
  std::vector<int> leaky;
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  leaky = {ends[0], ends[1], ::socket(AF_UNIX, SOCK_STREAM, 0), ::open("/dev/null", O_RDWR)};
  for (int fd : leaky) ASSERT_GE(fd, 3);
  const auto started = EngineBridge::startRenderer(EngineBridge::Runner::standard(), 800);
  ASSERT_NE(started, nullptr);
  const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(started->processId()));
  const QStringList held = descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                                 QDir::Name);
  for (int fd : leaky) ::close(fd);
  if (held.isEmpty() && !descriptors.isReadable()) GTEST_SKIP() << "the renderer's descriptors cannot be listed";
  EXPECT_EQ(held.join(QLatin1Char(' ')).toStdString(), "0 1 2");
}

TEST_F(RealRendererTest, ListsSubresources) {
  const ResourceManifest manifest = EngineBridge::resources(
      "<link rel=stylesheet href=\"site.css\"><base href=\"https://example.com/\"><img src=\"logo.png\">");
  ASSERT_EQ(manifest.resources.size(), 2);
  EXPECT_EQ(manifest.resources[0].id, 0);
  EXPECT_EQ(manifest.resources[0].kind, 1);
  EXPECT_EQ(manifest.resources[0].url, QStringLiteral("site.css"));
  EXPECT_EQ(manifest.resources[1].id, 1);
  EXPECT_EQ(manifest.resources[1].kind, 2);
  EXPECT_EQ(manifest.resources[1].url, QStringLiteral("logo.png"));
  EXPECT_EQ(manifest.base, QStringLiteral("https://example.com/"));
  EXPECT_EQ(manifest.limited, false);
}

}  // namespace
