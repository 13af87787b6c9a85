#include "loading/web_resources.h"

#include <QBuffer>
#include <QImage>
#include <QtEndian>
#include <gtest/gtest.h>

#include <stop_token>
#include <vector>

#include "base/bridge_error.h"
#include "loading/raster_decoder.h"
#include "network/network_error.h"
#include "network/network_transport.h"
#include "network/test_http_server.h"

namespace {

const QString kBadAddress = QStringLiteral("Alt kaynak adresi veya HTTPS politikası uygun değil.");
const QString kCorrupt = QStringLiteral("Görsel bozuk veya piksel bütçesini aşıyor.");

QByteArray encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format));
  return bytes;
}

QByteArray png(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::red);
  return encoded(image, "PNG");
}

// The classic 1 x 1 GIF.
QByteArray gif() {
  return QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");
}

QString errorOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const BridgeError& error) {
    return error.message();
  }
  return QStringLiteral("(no error)");
}

// The entries of an envelope as (id, payload) pairs, after its source.
struct Envelope {
  QByteArray source;
  std::vector<std::pair<quint32, QByteArray>> entries;
};

Envelope parse(const QByteArray& bytes) {
  Envelope envelope;
  EXPECT_TRUE(bytes.startsWith(QByteArray("KIVO-R1\0", 8)));
  qsizetype at = 8;
  const auto number = [&] {
    const quint32 value = qFromBigEndian<quint32>(bytes.constData() + at);
    at += 4;
    return value;
  };
  const quint32 length = number();
  envelope.source = bytes.mid(at, length);
  at += length;
  const quint32 count = number();
  for (quint32 i = 0; i < count; ++i) {
    const quint32 id = number();
    const quint32 size = number();
    envelope.entries.emplace_back(id, bytes.mid(at, size));
    at += size;
  }
  EXPECT_EQ(at, bytes.size());
  return envelope;
}

TEST(WebResourcesResolve, AppliesPolicyAndMixedContentRule) {
  const QUrl page(QStringLiteral("https://example.com/dir/page.html"));
  const QUrl plainPage(QStringLiteral("http://example.com/dir/page.html"));
  EXPECT_EQ(WebResources::resolve(QStringLiteral("style.css"), page, page), QUrl(QStringLiteral("https://example.com/dir/style.css")));
  EXPECT_EQ(WebResources::resolve(QStringLiteral("//cdn.example.com/a.png"), page, page),
            QUrl(QStringLiteral("https://cdn.example.com/a.png")));
  EXPECT_EQ(WebResources::resolve(QStringLiteral("http://example.com/a.png"), plainPage, plainPage),
            QUrl(QStringLiteral("http://example.com/a.png")));
  for (const QString& raw : {QStringLiteral("http://example.com/image.png"), QStringLiteral("file:///etc/passwd"),
                             QStringLiteral("https://user:pw@example.com/a.css"), QStringLiteral("data:image/png;base64,AA"),
                             QString(), QStringLiteral("https://example.com/") + QString(4100, QLatin1Char('a'))}) {
    EXPECT_EQ(errorOf([&] { WebResources::resolve(raw, page, page); }), kBadAddress) << raw.left(40).toStdString();
  }
  // The whole 4,096 bytes are still one address.
  const QString longest = QStringLiteral("https://example.com/") + QString(4096 - 20, QLatin1Char('a'));
  EXPECT_NO_THROW(WebResources::resolve(longest, page, page));
}

TEST(WebResourcesEnvelope, WritesMagicSourceAndEntriesBigEndian) {
  const QByteArray bytes = WebResources::envelope("<p>x</p>", {{0, "p{}"}, {3, QByteArray("\0\0\0\x80\0\0\0\x40", 8)}});
  EXPECT_EQ(bytes.left(8), QByteArray("KIVO-R1\0", 8));
  EXPECT_EQ(bytes.mid(8, 4), QByteArray("\0\0\0\x08", 4));
  const Envelope envelope = parse(bytes);
  EXPECT_EQ(envelope.source, QByteArray("<p>x</p>"));
  ASSERT_EQ(envelope.entries.size(), 2u);
  EXPECT_EQ(envelope.entries[1].first, 3u);
  EXPECT_EQ(envelope.entries[1].second.size(), 8);
  EXPECT_EQ(parse(WebResources::envelope("", {})).entries.size(), 0u);
}

TEST(RasterDecoder, DecodesByContentWithinBounds) {
  QImage photo(5, 4, QImage::Format_RGB32);
  photo.fill(Qt::blue);
  EXPECT_EQ(RasterDecoder::decode(png(3, 2), 6).image.size(), QSize(3, 2));
  EXPECT_EQ(RasterDecoder::decode(encoded(photo, "JPEG"), 1000).image.size(), QSize(5, 4));
  EXPECT_EQ(RasterDecoder::decode(gif(), 1).image.size(), QSize(1, 1));
  EXPECT_EQ(RasterDecoder::sniff(png(1, 1)), RasterDecoder::Format::png);

  const std::vector<std::pair<QByteArray, qint64>> refused = {
      {png(3, 2), 5},                                              // over the pixel allowance
      {png(4097, 1), 10'000'000},                                  // too wide
      {QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16), 1000},            // WebP under an image type
      {QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"/>"), 1000},
      {png(8, 8).left(40), 1000},                                  // cut short after the header
      {QByteArray("\x89PNG\r\n\x1a\n", 8), 1000},
  };
  for (const auto& [bytes, allowance] : refused) {
    EXPECT_EQ(errorOf([&] { RasterDecoder::decode(bytes, allowance); }), kCorrupt) << bytes.left(12).toHex().constData();
  }
}

class PrepareTest : public testing::Test {
protected:
  WebResourcePack prepare(const QByteArray& html, std::stop_token stop = {}) {
    server.route("/page", TestHttpServer::answer(200, "text/html", html));
    return WebResources::prepare(html, server.url(QStringLiteral("page")), transport, false, stop);
  }

  TestHttpServer server;
  NetworkTransport transport;
};

TEST_F(PrepareTest, PageWithoutSubresourcesStillGetsAnEnvelope) {
  const WebResourcePack pack = prepare("<p>nothing else</p>");
  const Envelope envelope = parse(pack.source);
  EXPECT_EQ(envelope.source, QByteArray("<p>nothing else</p>"));
  EXPECT_TRUE(envelope.entries.empty());
  EXPECT_TRUE(pack.images.isEmpty());
  EXPECT_TRUE(pack.warnings.isEmpty());
}

TEST_F(PrepareTest, KeepsStylesheetsAndImagesAndWarnsForFailures) {
  server.route("/bom.css", TestHttpServer::answer(200, "text/css", "\xEF\xBB\xBFp{color:red}"));
  server.route("/a.png", TestHttpServer::answer(200, "image/png", png(7, 3)));
  server.route("/broken.png", TestHttpServer::answer(200, "image/png", "\x89PNG\r\n\x1a\nbroken"));
  server.route("/latin.css", TestHttpServer::answer(200, "text/css", "p{content:'\xE9'}"));
  const WebResourcePack pack = prepare(
      "<html><head><link rel=\"stylesheet\" href=\"bom.css\"><link rel=\"stylesheet\" href=\"missing.css\">"
      "<link rel=\"stylesheet\" href=\"latin.css\"></head>"
      "<body><img src=\"a.png\" alt=\"a\"><img src=\"broken.png\" alt=\"b\"></body></html>");
  const Envelope envelope = parse(pack.source);
  ASSERT_EQ(envelope.entries.size(), 2u);
  EXPECT_EQ(envelope.entries[0].first, 0u);
  EXPECT_EQ(envelope.entries[0].second, QByteArray("p{color:red}"));
  EXPECT_EQ(envelope.entries[1].first, 3u);
  EXPECT_EQ(envelope.entries[1].second, QByteArray("\0\0\0\x07\0\0\0\x03", 8));
  ASSERT_EQ(pack.images.size(), 1);
  EXPECT_EQ(pack.images.value(3).image.size(), QSize(7, 3));
  EXPECT_EQ(pack.warnings,
            QStringList({QStringLiteral("Alt kaynak missing.css: Sunucu HTTP 404 yanıtı verdi. Yönlendirme veya sayfa yüklenemedi."),
                         QStringLiteral("Alt kaynak latin.css: CSS UTF-8 olarak çözülemedi."),
                         QStringLiteral("Alt kaynak broken.png: ") + kCorrupt}));
}

TEST_F(PrepareTest, ANetworkFailureWarnsWithItsDetail) {
  // A body cut short: the warning carries the sentence and, for the
  // developer tools, the transfer library's own account.
  server.route("/cut.css", [](TestHttpServer&, int fd, const TestHttpServer::Request&) {
    TestHttpServer::send(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/css\r\nContent-Length: 100\r\n\r\np{}");
  });
  const WebResourcePack pack = prepare("<link rel=\"stylesheet\" href=\"cut.css\">");
  ASSERT_EQ(pack.warnings.size(), 1);
  const QString prefix = QStringLiteral("Alt kaynak cut.css: Ağ bağlantısı koptu. (");
  EXPECT_TRUE(pack.warnings[0].startsWith(prefix) && pack.warnings[0].size() > prefix.size() + 1 &&
              pack.warnings[0].endsWith(QLatin1Char(')')))
      << pack.warnings[0].toStdString();
}

TEST_F(PrepareTest, StylesheetBudgetIsSharedAndFailedFetchesKeepTheirCharge) {
  server.route("/full.css", TestHttpServer::answer(200, "text/css", QByteArray(65'536, ' ')));
  server.route("/more.css", TestHttpServer::answer(200, "text/css", "p{}"));
  QByteArray html = "<link rel=\"stylesheet\" href=\"full.css\"><link rel=\"stylesheet\" href=\"more.css\">";
  // Four failing images are charged 2 MiB each, which spends the 8 MiB.
  for (int i = 0; i < 4; ++i) html += "<img src=\"gone" + QByteArray::number(i) + ".png\">";
  html += "<img src=\"late.png\">";
  const WebResourcePack pack = prepare(html);
  ASSERT_EQ(pack.warnings.size(), 6);
  EXPECT_EQ(pack.warnings[0], QStringLiteral("Alt kaynak more.css: Alt kaynak bütçesi doldu."));
  EXPECT_EQ(pack.warnings[5], QStringLiteral("Alt kaynak late.png: Sayfanın alt kaynak bütçesi doldu."));
  EXPECT_EQ(server.requestCount("/late.png"), 0);
  EXPECT_EQ(parse(pack.source).entries.size(), 1u);
}

TEST_F(PrepareTest, CancellationIsSeenBeforeTheFirstItem) {
  std::stop_source source;
  source.request_stop();
  try {
    prepare("<img src=\"a.png\">", source.get_token());
    FAIL() << "no error";
  } catch (const NetworkError& error) {
    EXPECT_TRUE(error.isCancellation());
  }
  EXPECT_EQ(server.requestCount("/a.png"), 0);
}

}  // namespace
