#include "loading/web_resources.h"

#include <QtEndian>

#include <chrono>
#include <exception>

#include "base/bridge_error.h"
#include "loading/raster_decoder.h"
#include "network/network_error.h"
#include "network/network_transport.h"
#include "network/text_decoding.h"
#include "platform/check.h"

namespace WebResources {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const QString kBadAddress = QStringLiteral("Alt kaynak adresi veya HTTPS politikası uygun değil.");
const QString kBadCount = QStringLiteral("Alt kaynak sayısı geçersiz.");
const QString kTooMany = QStringLiteral("Bu sayfa 16 alt kaynak sınırını aşıyor; kalan kaynaklar yüklenmedi.");
const QString kPageBudget = QStringLiteral("Sayfanın alt kaynak bütçesi doldu.");
const QString kStylesheetNotUtf8 = QStringLiteral("CSS UTF-8 olarak çözülemedi.");

constexpr auto kTimeBudget = 20s;
constexpr auto kFetchTime = 6s;

void appendNumber(QByteArray& out, qint64 value) {
  KIVO_CHECK(value >= 0 && value <= 0xFFFFFFFFLL);
  char bytes[4];
  qToBigEndian(static_cast<quint32>(value), bytes);
  out.append(bytes, 4);
}

// The running totals of one preparation.
struct Budget {
  Clock::time_point start;
  qint64 charged = 0;
  qint64 stylesheetBytes = 0;
  qint64 pixels = 0;
};

// Checks, resolves and fetches one item within the budget and adds what it
// delivers to the pack; throws the item's failure.
void fetchItem(const ResourceManifest::Item& item, const QUrl& base, const QUrl& address, NetworkTransport& network,
               bool bypass, const std::stop_token& stop, Budget& budget, WebResourcePack& pack,
               QList<std::pair<qint64, QByteArray>>& entries) {
  // Only a valid item while time and bytes remain.
  const auto spent = Clock::now() - budget.start;
  if (item.id < 0 || item.id >= kItemLimit || (item.kind != NetworkTransport::kStylesheet && item.kind != NetworkTransport::kImage) ||
      spent >= kTimeBudget || budget.charged >= kByteBudget) {
    throw BridgeError(kPageBudget);
  }
  // Resolve the address.
  const QUrl url = resolve(item.url, base, address);
  // Charge the whole limit up front.
  const qint64 allowance =
      item.kind == NetworkTransport::kStylesheet ? kStylesheetBudget - budget.stylesheetBytes : kImageBytes;
  const qint64 limit = std::min(allowance, kByteBudget - budget.charged);
  budget.charged += limit;
  // The rest of the time budget, at most 6 s.
  const double timeout = std::chrono::duration<double>(std::min<Clock::duration>(kFetchTime, kTimeBudget - spent)).count();
  // Fetch; only a success gives back the unused part of the charge.
  const QByteArray body = network.resource(url, item.kind, limit, timeout, bypass, stop);
  budget.charged -= limit - body.size();
  if (item.kind == NetworkTransport::kStylesheet) {
    // A stylesheet is kept as UTF-8 text without a byte-order mark.
    if (!TextDecoding::isValidUtf8(body)) throw BridgeError(kStylesheetNotUtf8);
    QByteArray text = body;
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    budget.stylesheetBytes += text.size();
    entries.append({item.id, text});
    return;
  }
  // An image is decoded now; only its size goes to the renderer.
  RasterImage image = RasterDecoder::decode(body, kPixelBudget - budget.pixels);
  const QSize size = image.image.size();
  budget.pixels += static_cast<qint64>(size.width()) * size.height();
  pack.images.insert(item.id, std::move(image));
  QByteArray payload;
  appendNumber(payload, size.width());
  appendNumber(payload, size.height());
  entries.append({item.id, payload});
}

}  // namespace

QUrl resolve(const QString& raw, const QUrl& base, const QUrl& document) {
  // A bounded address.
  if (raw.isEmpty() || raw.toUtf8().size() > kAddressBytes) throw BridgeError(kBadAddress);
  // It must parse.
  const QUrl relative(raw, QUrl::TolerantMode);
  if (!relative.isValid()) throw BridgeError(kBadAddress);
  // Its absolute form must pass the URL policy.
  const QUrl absolute = base.resolved(relative);
  if (!absolute.isValid() || !NetworkTransport::isAllowed(absolute)) throw BridgeError(kBadAddress);
  // No unencrypted subresource under an encrypted page.
  if (document.scheme() == QLatin1String("https") && absolute.scheme() == QLatin1String("http")) {
    throw BridgeError(kBadAddress);
  }
  return absolute;
}

QByteArray envelope(const QByteArray& source, const QList<std::pair<qint64, QByteArray>>& entries) {
  KIVO_CHECK(entries.size() <= kItemLimit);
  QByteArray out;
  qsizetype size = static_cast<qsizetype>(kivo_wire::kEnvelopeHeaderBytes) + source.size() + 4;
  for (const auto& entry : entries) size += 8 + entry.second.size();
  out.reserve(size);
  // The magic.
  out.append(kivo_wire::kEnvelopeMagic.data(), static_cast<qsizetype>(kivo_wire::kEnvelopeMagic.size()));
  // The page.
  appendNumber(out, source.size());
  out.append(source);
  // The entries, in manifest order.
  appendNumber(out, entries.size());
  for (const auto& [id, payload] : entries) {
    appendNumber(out, id);
    appendNumber(out, payload.size());
    out.append(payload);
  }
  return out;
}

WebResourcePack prepare(const QByteArray& source, const QUrl& address, NetworkTransport& network, bool bypass,
                        std::stop_token stop) {
  return prepare(EngineBridge::Runner::standard(), source, address, network, bypass, std::move(stop));
}

WebResourcePack prepare(const EngineBridge::Runner& runner, const QByteArray& source, const QUrl& address,
                        NetworkTransport& network, bool bypass, std::stop_token stop) {
  // The renderer lists the subresources; it runs to its end even when the
  //    caller cancels, which is seen at the first item.
  const ResourceManifest manifest = EngineBridge::resources(runner, source);
  // More than the renderer may list is a broken listing.
  if (manifest.resources.size() > kItemLimit) throw BridgeError(kBadCount);
  // A usable base element changes the base; an unusable one is ignored.
  QUrl base = address;
  if (manifest.base) {
    try {
      base = resolve(*manifest.base, address, address);
    } catch (const BridgeError&) {
    }
  }
  // Empty results and the start of the time budget.
  WebResourcePack pack;
  if (manifest.limited.value_or(false)) pack.warnings.append(kTooMany);
  QList<std::pair<qint64, QByteArray>> entries;
  Budget budget;
  budget.start = Clock::now();
  // Each item in order; a failure becomes a warning.
  for (const ResourceManifest::Item& item : manifest.resources) {
    if (stop.stop_requested()) throw NetworkError::cancellation();
    try {
      fetchItem(item, base, address, network, bypass, stop, budget, pack, entries);
    } catch (...) {
      if (stop.stop_requested()) throw NetworkError::cancellation();
      pack.warnings.append(QStringLiteral("Alt kaynak ") +
                           TextDecoding::leadingCharacters(item.url, kWarningAddressCharacters) + QStringLiteral(": ") +
                           diagnosticMessage(std::current_exception()));
    }
  }
  // The envelope.
  pack.source = envelope(source, entries);
  return pack;
}

}  // namespace WebResources
