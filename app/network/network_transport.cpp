#include "network/network_transport.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>

#include "base/bridge_error.h"
#include "network/http_session.h"
#include "network/network_error.h"
#include "network/text_decoding.h"
#include "platform/check.h"
#include "platform/file_descriptor.h"
#include "platform/folder_entries.h"
#include "platform/private_file.h"
#include "platform/system_error.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const QString kNotAllowed = QStringLiteral("Yalnızca kullanıcı adı/parola içermeyen HTTP ve HTTPS adresleri açılabilir.");
const QString kInvalidResponse = QStringLiteral("Geçersiz ağ yanıtı.");
const QString kHeadTooLarge = QStringLiteral("Sunucu yanıtının başlığı çok büyük.");
const QString kPageTooLarge = QStringLiteral("Sayfa 1 MiB belge sınırını aşıyor.");
const QString kUnsupportedCharset = QStringLiteral("Bu sayfanın karakter kodlaması henüz desteklenmiyor.");
const QString kUndecodable = QStringLiteral("Sayfa metni çözümlenemedi.");
const QString kDecodedTooLarge = QStringLiteral("Çözümlenen belge 1 MiB sınırını aşıyor.");
const QString kResourceBudget = QStringLiteral("Alt kaynak bütçesi doldu.");
const QString kResourceUnfit = QStringLiteral("Alt kaynak MIME türü veya boyutu uygun değil.");
const QString kResourceTooLarge = QStringLiteral("Alt kaynak boyut sınırını aştı.");
const QString kResourceTimedOut = QStringLiteral("Alt kaynak zaman sınırını aştı.");
const QString kDownloadDeclaredTooLarge = QStringLiteral("Bu önizlemede indirme sınırı 4 GiB.");
const QString kDownloadFileFailed = QStringLiteral("İndirme geçici dosyası oluşturulamadı.");
const QString kDownloadTooLarge = QStringLiteral("İndirme 4 GiB sınırını aşıyor.");
const QString kDownloadMismatch =
    QStringLiteral("İndirilen güncellemenin boyutu veya SHA-256 özeti beklenen değerle eşleşmedi. Dosya kaydedilmedi.");
const QString kFallbackFilename = QStringLiteral("indirme");

constexpr qint64 kBlockSize = 65'536;
constexpr auto kProgressInterval = 150ms;
constexpr qsizetype kFilenameCharacters = 180;
constexpr qsizetype kFilenameBytes = 255;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Unicode White_Space, the characters trimmed from both ends of a name.
bool isWhiteSpace(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

bool isSeparator(char32_t c) {
  if (c == U'/' || c == U'\\' || c == U':') return true;
  const QChar::Category category = QChar::category(c);
  return category == QChar::Other_Control || category == QChar::Other_Format;
}

bool sameSchemeIgnoringCase(const QUrl& url, const char* scheme) {
  return url.scheme().compare(QLatin1String(scheme), Qt::CaseInsensitive) == 0;
}

}  // namespace

// Reads a page: classifies it from its head, then keeps at most 1 MiB of body.
class NetworkTransport::PageSink : public HttpSink {
public:
  explicit PageSink(bool allowJSON) : m_allowJSON(allowJSON) {}

  bool head(const HttpHead& head) override {
    // Only allowed addresses with a 2xx status.
    checked(head);
    m_head = head;
    m_seen = true;
    // Pages are shown; anything else, or an attachment, is a download.
    m_mime = head.mimeType();
    if (m_mime.isEmpty()) m_mime = QStringLiteral("application/octet-stream");
    m_filename = safeFilename(head.suggestedFilename().value_or(kFallbackFilename));
    const bool page = m_mime == QLatin1String("text/html") || m_mime == QLatin1String("application/xhtml+xml") ||
                      m_mime == QLatin1String("text/plain") ||
                      (m_mime == QLatin1String("application/json") && m_allowJSON);
    m_download = head.isAttachment() || !page;
    if (m_download) return false;
    // A declared length above the limit fails before any byte is read.
    if (head.declaredLength() > documentLimit) throw BridgeError(kPageTooLarge);
    return true;
  }

  void body(const char* data, std::size_t size) override {
    // The limit is enforced before the bytes are kept.
    if (m_body.size() + static_cast<qint64>(size) > documentLimit) throw BridgeError(kPageTooLarge);
    m_body.append(data, static_cast<qsizetype>(size));
  }

  bool m_allowJSON;
  bool m_seen = false;
  bool m_download = false;
  HttpHead m_head;
  QString m_mime;
  QString m_filename;
  QByteArray m_body;
};

// Reads one subresource within its kind's MIME types and its byte limit.
class NetworkTransport::ResourceSink : public HttpSink {
public:
  ResourceSink(qint64 kind, qint64 limit) : m_kind(kind), m_limit(limit) {}

  bool head(const HttpHead& head) override {
    // Only allowed addresses with a 2xx status.
    checked(head);
    // The kind's MIME types and a declared length within the limit.
    const QString mime = head.mimeType();
    bool accepted = false;
    if (m_kind == kStylesheet) {
      accepted = mime == QLatin1String("text/css");
    } else if (m_kind == kImage) {
      accepted = mime == QLatin1String("image/png") || mime == QLatin1String("image/jpeg") ||
                 mime == QLatin1String("image/gif");
    }
    if (!accepted || head.declaredLength() > m_limit) throw BridgeError(kResourceUnfit);
    return true;
  }

  void body(const char* data, std::size_t size) override {
    // No more than the limit is ever held.
    if (m_body.size() + static_cast<qint64>(size) > m_limit) throw BridgeError(kResourceTooLarge);
    m_body.append(data, static_cast<qsizetype>(size));
  }

  qint64 m_kind;
  qint64 m_limit;
  QByteArray m_body;
};

// Streams a download into its file in blocks, hashing on the way.
class NetworkTransport::DownloadSink : public HttpSink {
public:
  DownloadSink(const QString& destination, const Progress& progress)
      : m_destination(destination), m_progress(progress) {}

  bool head(const HttpHead& head) override {
    // Only allowed addresses with a 2xx status.
    checked(head);
    m_url = head.url;
    // A declared length above 4 GiB fails before the file exists.
    m_declared = head.declaredLength();
    if (m_declared > downloadLimit) throw BridgeError(kDownloadDeclaredTooLarge);
    // A new, empty, private file; an existing file (or a link) there is
    //      replaced, and the creation itself never follows a link.
    if (const int code = removeFile(m_destination); code != 0 && code != ENOENT) throw BridgeError(kDownloadFileFailed);
    m_file = createPrivateFile(m_destination);
    if (!m_file.isOpen()) throw BridgeError(kDownloadFileFailed);
    return true;
  }

  void body(const char* data, std::size_t size) override {
    // Bytes go to the block buffer; each full block is hashed, written and
    //    possibly reported.
    while (size > 0) {
      if (m_received >= downloadLimit) throw BridgeError(kDownloadTooLarge);
      const qint64 room = std::min(kBlockSize - m_buffer.size(), downloadLimit - m_received);
      const qint64 take = std::min<qint64>(room, static_cast<qint64>(size));
      m_buffer.append(data, static_cast<qsizetype>(take));
      m_received += take;
      data += take;
      size -= static_cast<std::size_t>(take);
      if (m_buffer.size() == kBlockSize) {
        flushBlock();
        const auto now = Clock::now();
        if (!m_lastReport || now - *m_lastReport > kProgressInterval) {
          report();
          m_lastReport = Clock::now();
        }
      }
    }
  }

  // Once the whole body has arrived: digest, checks, flush and the final report.
  QUrl finish(const std::optional<QString>& expectedSHA256, const std::optional<qint64>& expectedBytes,
              const std::stop_token& stop) {
    KIVO_CHECK(m_file.isOpen());
    // The last, partial block.
    flushBlock();
    // The digest as lower-case hexadecimal.
    const QString digest = QString::fromLatin1(m_hash.result().toHex());
    // The expected digest and length, compared exactly.
    if ((expectedSHA256 && *expectedSHA256 != digest) || (expectedBytes && *expectedBytes != m_received)) {
      throw BridgeError(kDownloadMismatch);
    }
    // Flush to storage.
    if (const int code = m_file.sync(); code != 0) throw SystemError(code, "fsync " + m_destination.toStdString());
    // The data is on storage, so an error of closing has nothing to add.
    m_file.reset();
    // The final report.
    report();
    // A cancellation that came after the last byte still counts.
    if (stop.stop_requested()) throw NetworkError::cancellation();
    return m_url;
  }

private:
  void flushBlock() {
    m_hash.addData(m_buffer);
    if (const int code = m_file.writeAll(m_buffer); code != 0) throw SystemError(code, "write " + m_destination.toStdString());
    m_buffer.clear();
  }

  void report() {
    if (m_progress) m_progress(m_received, m_declared);
  }

  QString m_destination;
  const Progress& m_progress;
  QUrl m_url;
  qint64 m_declared = -1;
  qint64 m_received = 0;
  QByteArray m_buffer;
  QCryptographicHash m_hash{QCryptographicHash::Sha256};
  FileDescriptor m_file;
  std::optional<Clock::time_point> m_lastReport;
};

NetworkTransport::NetworkTransport() : NetworkTransport(Timing()) {}

NetworkTransport::NetworkTransport(const Timing& timing) : m_timing(timing) {
  HttpSession::Configuration pages;
  pages.userAgent = userAgent;
  pages.cookies = true;
  pages.cacheCapacity = 16'777'216;
  pages.connectionsPerHost = 4;
  m_session = std::make_unique<HttpSession>(pages);
  HttpSession::Configuration resources;
  resources.cacheCapacity = 8'388'608;
  resources.connectionsPerHost = 6;
  m_resourceSession = std::make_unique<HttpSession>(resources);
}

NetworkTransport::~NetworkTransport() = default;

void NetworkTransport::clearCache() {
  m_session->cache().clear();
  m_resourceSession->cache().clear();
}

void NetworkTransport::clearCookies() {
  m_session->clearCookies();
}

void NetworkTransport::close() {
  m_session->close();
  m_resourceSession->close();
}

bool NetworkTransport::isAllowed(const QUrl& url) {
  if (!url.isValid()) return false;
  if (!sameSchemeIgnoringCase(url, "http") && !sameSchemeIgnoringCase(url, "https")) return false;
  if (url.host().isEmpty()) return false;
  return url.userName().isEmpty() && url.password().isEmpty();
}

QString NetworkTransport::safeFilename(const QString& name) {
  // Every separator and control or format character becomes "_".
  QString joined;
  joined.reserve(name.size());
  for (const char32_t c : name.toUcs4()) {
    if (isSeparator(c)) {
      joined.append(QLatin1Char('_'));
    } else {
      joined.append(QString::fromUcs4(&c, 1));
    }
  }
  // Trim white space at both ends.
  const QList<uint> points = joined.toUcs4();
  qsizetype begin = 0;
  qsizetype end = points.size();
  while (begin < end && isWhiteSpace(points[begin])) ++begin;
  while (end > begin && isWhiteSpace(points[end - 1])) --end;
  const QString trimmedName = QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData()) + begin, end - begin);
  // Nothing left, or a hidden or relative name.
  if (trimmedName.isEmpty() || trimmedName.startsWith(QLatin1Char('.'))) return kFallbackFilename;
  // At most 180 characters, and within the file system's 255 bytes.
  return TextDecoding::leadingCharactersWithinBytes(TextDecoding::leadingCharacters(trimmedName, kFilenameCharacters),
                                                    kFilenameBytes);
}

bool NetworkTransport::followsRedirect(const QUrl& from, const QUrl& to) {
  // Only allowed targets.
  if (!isAllowed(to)) return false;
  // Never from an encrypted address to an unencrypted one.
  return !(sameSchemeIgnoringCase(from, "https") && sameSchemeIgnoringCase(to, "http"));
}

HttpRequest NetworkTransport::request(const QUrl& url, bool bypass) const {
  // The URL policy.
  if (!isAllowed(url)) throw BridgeError(kNotAllowed);
  // A plain request that follows the redirect policy.
  HttpRequest built;
  built.url = url;
  built.followRedirect = &NetworkTransport::followsRedirect;
  // A bypassing request drops the page session's stored answer and asks
  //    every cache on the way not to answer.
  if (bypass) {
    m_session->cache().remove(url);
    built.bypass = true;
  }
  return built;
}

void NetworkTransport::exchange(HttpSession& session, const HttpRequest& request, HttpSink& sink,
                                std::stop_token stop) {
  try {
    session.exchange(request, sink, std::move(stop));
  } catch (const NetworkError& error) {
    // An oversized head is the server's fault, told in the user's words like
    // the other refusals of an answer.
    if (error.kind() == NetworkError::Kind::headTooLarge) throw BridgeError(kHeadTooLarge);
    throw;
  }
}

void NetworkTransport::checked(const HttpHead& head) {
  // Two different lengths leave no way to tell where the body ends.
  if (!isAllowed(head.url) || head.hasConflictingLengths()) throw BridgeError(kInvalidResponse);
  if (head.status < 200 || head.status > 299) {
    throw BridgeError(QStringLiteral("Sunucu HTTP ") + QString::number(head.status) +
                      QStringLiteral(" yanıtı verdi. Yönlendirme veya sayfa yüklenemedi."));
  }
}

NetworkResponse NetworkTransport::page(const QUrl& url, bool bypass, bool allowJSON, std::stop_token stop) {
  // Start the clock and build the request.
  const auto start = Clock::now();
  HttpRequest built = request(url, bypass);
  built.idleTimeout = m_timing.pageIdle;
  built.deadline = start + m_timing.pageWhole;
  // Fetch, check, classify and read within the limit.
  PageSink sink(allowJSON);
  exchange(*m_session, built, sink, stop);
  KIVO_CHECK(sink.m_seen);
  NetworkResponse response;
  response.url = sink.m_head.url;
  response.status = sink.m_head.status;
  response.mime = sink.m_mime;
  response.suggestedFilename = sink.m_filename;
  if (sink.m_download) {
    response.elapsed = secondsSince(start);
    return response;
  }
  // Decode in the charset the answer names.
  const std::optional<TextDecoding::Charset> charset = TextDecoding::charsetNamed(sink.m_head.charset());
  if (!charset) throw BridgeError(kUnsupportedCharset);
  std::optional<QByteArray> text = TextDecoding::toUtf8(sink.m_body, *charset);
  if (!text) throw BridgeError(kUndecodable);
  // One leading byte-order mark goes.
  if (text->startsWith("\xEF\xBB\xBF")) text->remove(0, 3);
  // Plain text becomes one escaped paragraph.
  if (response.mime == QLatin1String("text/plain")) {
    text->replace("&", "&amp;");
    text->replace("<", "&lt;");
    text->replace(">", "&gt;");
    text->prepend("<html><body><p>");
    text->append("</p></body></html>");
  }
  // The decoded document keeps the same limit.
  if (text->size() > documentLimit) throw BridgeError(kDecodedTooLarge);
  // The page.
  response.byteCount = sink.m_body.size();
  response.source = std::move(*text);
  response.elapsed = secondsSince(start);
  return response;
}

QByteArray NetworkTransport::resource(const QUrl& url, qint64 kind, qint64 limit, double timeout, bool bypass,
                                      std::stop_token stop) {
  // An exhausted budget opens no connection.
  if (limit < 1 || !(timeout > 0)) throw BridgeError(kResourceBudget);
  // The transfer races the caller's time limit; the limit is also the
  //    transfer's own deadline, so the loser stops at once.
  const auto start = Clock::now();
  const auto granted = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(std::min(timeout, 86'400.0)));
  const auto timerEnd = start + granted;
  HttpRequest built = request(url, bypass);
  built.accept = kind == kStylesheet ? QByteArray("text/css") : QByteArray("image/png,image/jpeg,image/gif");
  const auto grantedMilliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(granted);
  built.idleTimeout = std::min<std::chrono::milliseconds>(m_timing.resourceIdle, grantedMilliseconds + 1ms);
  built.deadline = std::min(start + m_timing.resourceWhole, timerEnd);
  ResourceSink sink(kind, limit);
  try {
    exchange(*m_resourceSession, built, sink, stop);
  } catch (const NetworkError& error) {
    // The timer wins when the time ran out at the caller's limit, whichever
    // limit noticed it first. The transfer library's clock may run a
    // millisecond apart from ours.
    const bool outOfTime = error.kind() == NetworkError::Kind::timedOut || error.kind() == NetworkError::Kind::stalled;
    if (outOfTime && Clock::now() + 5ms >= timerEnd) throw BridgeError(kResourceTimedOut);
    throw;
  }
  return std::move(sink.m_body);
}

QUrl NetworkTransport::download(const QUrl& url, const QString& destination,
                                const std::optional<QString>& expectedSHA256, const std::optional<qint64>& expectedBytes,
                                const Progress& progress, std::stop_token stop) {
  // Always from the network, never into the cache, byte for byte.
  HttpRequest built = request(url, true);
  built.mayStore = false;
  built.decodeContent = false;
  // A download lasts as long as data keeps coming: only the idle time
  // bounds it, never the page's whole-transfer time.
  built.idleTimeout = m_timing.pageIdle;
  // Stream the body into the file.
  DownloadSink sink(destination, progress);
  exchange(*m_session, built, sink, stop);
  // Finish, verify, flush and report.
  return sink.finish(expectedSHA256, expectedBytes, stop);
}
