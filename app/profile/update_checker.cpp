#include "profile/update_checker.h"

#include <QCoreApplication>
#include <QPointer>

#include <charconv>
#include <exception>
#include <vector>

#include "base/bridge_error.h"
#include "base/decoding_error.h"
#include "base/json_reader.h"
#include "network/network_error.h"
#include "network/network_transport.h"

namespace {

// The update server's downloads folder; the manifest and the packages live
// directly in it.
constexpr const char* kDownloadBaseText = "https://updates.kivo-browser.example/downloads/";

const QString kInvalidResponse = QStringLiteral("Geçersiz sürüm yanıtı.");
const QString kInvalidPackage = QStringLiteral("Sürüm paketi doğrulanamadı.");

bool isAsciiDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// One to six ASCII digits.
bool isVersionGroup(QStringView group) {
  if (group.isEmpty() || group.size() > 6) return false;
  for (const QChar c : group) {
    if (!isAsciiDigit(c)) return false;
  }
  return true;
}

bool validVersion(const QString& version) {
  const QList<QStringView> groups = QStringView(version).split(QLatin1Char('.'));
  if (groups.size() != 3) return false;
  for (const QStringView group : groups) {
    if (!isVersionGroup(group)) return false;
  }
  return true;
}

// "Kivo-", then ASCII letters, digits, ".", "_" or "-", then ".zip".
bool validFileName(const QString& file) {
  const QString prefix = QStringLiteral("Kivo-");
  const QString suffix = QStringLiteral(".zip");
  if (!file.startsWith(prefix) || !file.endsWith(suffix)) return false;
  const qsizetype middle = file.size() - prefix.size() - suffix.size();
  if (middle < 1) return false;
  for (const QChar c : QStringView(file).mid(prefix.size(), middle)) {
    const char16_t u = c.unicode();
    const bool allowed = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ||
                         u == u'.' || u == u'_' || u == u'-';
    if (!allowed) return false;
  }
  return true;
}

bool validDigest(const QString& digest) {
  if (digest.size() != 64) return false;
  for (const QChar c : digest) {
    const char16_t u = c.unicode();
    if (!((u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f'))) return false;
  }
  return true;
}

// The numeric pieces of a version: split at ".", empty pieces dropped, and a
// piece kept only when it is an optional sign and ASCII digits within 64 bits.
std::vector<qint64> versionNumbers(const QString& version) {
  std::vector<qint64> numbers;
  for (const QStringView piece : QStringView(version).split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
    QByteArray text = piece.toLatin1();
    if (piece.toString() != QString::fromLatin1(text)) continue;  // not plain ASCII
    qsizetype start = 0;
    if (!text.isEmpty() && (text[0] == '+' || text[0] == '-')) start = 1;
    if (start == text.size()) continue;
    bool digits = true;
    for (qsizetype i = start; i < text.size(); ++i) digits = digits && text[i] >= '0' && text[i] <= '9';
    if (!digits) continue;
    if (text[0] == '+') text.remove(0, 1);
    qint64 value = 0;
    const auto result = std::from_chars(text.constData(), text.constData() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.constData() + text.size()) continue;
    numbers.push_back(value);
  }
  return numbers;
}

ReleasePackage decodePackage(const nlohmann::json& value) {
  const JsonReader reader(value, "package");
  ReleasePackage package;
  package.version = reader.string("version");
  package.file = reader.string("file");
  package.bytes = reader.integer("bytes");
  package.sha256 = reader.string("sha256");
  return package;
}

}  // namespace

QUrl ReleasePackage::url(const QUrl& base) const {
  QUrl joined = base;
  joined.setPath(base.path() + file);
  return joined;
}

QUrl ReleasePackage::url() const {
  return url(UpdateChecker::downloadBase());
}

UpdateChecker::UpdateChecker(QObject* parent) : UpdateChecker(Settings{}, parent) {}

UpdateChecker::UpdateChecker(Settings settings, QObject* parent)
    : QObject(parent),
      m_settings(std::move(settings)),
      m_message(QStringLiteral("Yeni sürümleri kontrol etmek için düğmeye bas. Kontrol otomatik yapılmaz.")) {}

UpdateChecker::~UpdateChecker() = default;

QUrl UpdateChecker::downloadBase() {
  static const QUrl base(QString::fromLatin1(kDownloadBaseText), QUrl::StrictMode);
  return base;
}

QString UpdateChecker::currentVersion() {
  const QString version = QCoreApplication::applicationVersion();
  return version.isEmpty() ? QStringLiteral("0.0.0") : version;
}

bool UpdateChecker::valid(const ReleasePackage& package) {
  return validVersion(package.version) && validFileName(package.file) && validDigest(package.sha256) &&
         package.bytes >= 1 && package.bytes <= NetworkTransport::downloadLimit;
}

bool UpdateChecker::isNewer(const QString& candidate, const QString& current) {
  const std::vector<qint64> candidateNumbers = versionNumbers(candidate);
  const std::vector<qint64> currentNumbers = versionNumbers(current);
  return std::lexicographical_compare(currentNumbers.begin(), currentNumbers.end(), candidateNumbers.begin(),
                                      candidateNumbers.end());
}

ReleasePackage UpdateChecker::decodeManifest(const QByteArray& text) {
  const nlohmann::json root = JsonReader::parse(std::string_view(text.constData(), static_cast<size_t>(text.size())));
  const JsonReader reader(root, "manifest");
  const nlohmann::json* packages = reader.optionalMember("packages");
  if (!packages) throw DecodingError("manifest: missing member \"packages\"");
  if (!packages->is_object()) throw DecodingError("manifest: member \"packages\" is not an object");
  // Every platform's member must be a whole package, not only ours.
  std::optional<ReleasePackage> ours;
  for (auto member = packages->begin(); member != packages->end(); ++member) {
    ReleasePackage package = decodePackage(member.value());
    if (member.key() == kPlatformKey) ours = std::move(package);
  }
  if (!ours || !valid(*ours)) throw BridgeError(kInvalidPackage);
  return *ours;
}

UpdateChecker::Outcome UpdateChecker::evaluate(const NetworkResponse& response, const QUrl& manifest,
                                               const QString& currentVersion) {
  // Only the manifest's own address, with a body within the limit.
  if (response.url.toString(QUrl::FullyEncoded) != manifest.toString(QUrl::FullyEncoded) || !response.source ||
      response.source->size() > kManifestLimit) {
    throw BridgeError(kInvalidResponse);
  }
  // Decode the manifest and validate our package.
  const ReleasePackage package = decodeManifest(*response.source);
  // Offer it when it is newer.
  Outcome outcome;
  if (isNewer(package.version, currentVersion)) {
    outcome.available = package;
    outcome.message = QStringLiteral("Kivo ") + package.version +
                      QStringLiteral(" hazır. İndirilen ZIP dosyasının SHA-256 değeri doğrulanır; kurulumu sen yaparsın.");
  } else {
    outcome.message = QStringLiteral("Kivo ") + currentVersion + QStringLiteral(" güncel. Otomatik kurulum yapılmaz.");
  }
  return outcome;
}

void UpdateChecker::check() {
  // One check at a time.
  if (m_checking) return;
  // The previous offer disappears while the check runs.
  setChecking(true);
  setAvailable(std::nullopt);
  if (m_worker.joinable()) m_worker.join();
  const Settings settings = m_settings;
  QPointer<UpdateChecker> self(this);
  m_worker = std::jthread([settings, self](std::stop_token stop) {
    // A transport of this check's own, and the manifest's address.
    const std::shared_ptr<NetworkTransport> transport =
        settings.transport ? settings.transport() : std::make_shared<NetworkTransport>();
    QUrl manifest = settings.base;
    manifest.setPath(settings.base.path() + QStringLiteral("releases.json"));
    Outcome outcome;
    try {
      // Fetch the manifest without the cache, JSON allowed, then judge the
      // answer.
      const NetworkResponse response = transport->page(manifest, true, true, stop);
      outcome = evaluate(response, manifest, settings.currentVersion);
    } catch (const std::exception& error) {
      // Every failure becomes the message; the details go to developers.
      outcome = Outcome{std::nullopt,
                        QStringLiteral("Güncellemeler kontrol edilemedi: ") + userMessage(std::current_exception())};
      NetworkError::logDetail("Kivo update check failed", error);
    }
    // The transport is closed before the check ends.
    transport->close();
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    QMetaObject::invokeMethod(
        application, [self, outcome] {
          if (self) self->apply(outcome);
        },
        Qt::QueuedConnection);
  });
}

void UpdateChecker::apply(const Outcome& outcome) {
  setAvailable(outcome.available);
  if (m_message != outcome.message) {
    m_message = outcome.message;
    Q_EMIT messageChanged();
  }
  // The check is over.
  setChecking(false);
}

void UpdateChecker::setAvailable(const std::optional<ReleasePackage>& package) {
  if (m_available == package) return;
  m_available = package;
  Q_EMIT availableChanged();
}

void UpdateChecker::setChecking(bool checking) {
  if (m_checking == checking) return;
  m_checking = checking;
  Q_EMIT checkingChanged();
}
