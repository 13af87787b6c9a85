// Turns a fetched page into its renderer input: the renderer lists the page's
// subresources, the page's transport fetches them one after another, the
// stylesheets are kept as text and the images decoded, and everything is
// written into the resource envelope of the renderer's scene run.
//
// Limits of one preparation: at most 16 subresources (more fail it); no
// fetch starts 20 s after the listing, and each gets at most 6 s; 8 MiB of
// bytes charged to all fetches, 64 KiB of stylesheet text, 2 MiB per image,
// each image side 1 to 4,096 pixels and 4,000,000 pixels in all. A raw
// address is at most 4,096 bytes.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <stop_token>
#include <utility>

#include "loading/engine_bridge.h"
#include "loading/subresource_records.h"
#include "support/wire_contract.h"

class NetworkTransport;

namespace WebResources {

inline constexpr qsizetype kItemLimit = kivo_wire::kMaxResources;
inline constexpr qint64 kByteBudget = 8'388'608;
inline constexpr qint64 kStylesheetBudget = kivo_wire::kMaxStylesheetBytes;
inline constexpr qint64 kImageBytes = 2'097'152;
inline constexpr qint64 kPixelBudget = kivo_wire::kMaxImagePixels;
inline constexpr qsizetype kAddressBytes = kivo_wire::kMaxResourceUrlBytes;
inline constexpr qsizetype kWarningAddressCharacters = 160;

// The absolute address of the raw subresource address `raw`, resolved against
// `base`. Throws BridgeError "Alt kaynak adresi veya HTTPS politikası uygun
// değil." when it is too long, does not parse, fails the URL policy, or is
// http under the https page `document`.
QUrl resolve(const QString& raw, const QUrl& base, const QUrl& document);

// Lists the subresources of the page `source` (its UTF-8 HTML) found at
// `address`, fetches them through `network` (bypassing the caches when
// `bypass`), and returns the envelope, the decoded images and one warning per
// subresource left out. Blocks its thread. Throws the listing's errors,
// BridgeError "Alt kaynak sayısı geçersiz." for more than 16 items, and
// NetworkError::cancellation() when `stop` asks before an item or after a
// failed one.
WebResourcePack prepare(const QByteArray& source, const QUrl& address, NetworkTransport& network, bool bypass,
                        std::stop_token stop = {});
WebResourcePack prepare(const EngineBridge::Runner& runner, const QByteArray& source, const QUrl& address,
                        NetworkTransport& network, bool bypass, std::stop_token stop = {});

// The resource envelope: the magic "KIVO-R1" and a zero byte, the source with
// its length, then each (manifest id, payload) entry with its length; all
// numbers unsigned 32-bit big-endian.
QByteArray envelope(const QByteArray& source, const QList<std::pair<qint64, QByteArray>>& entries);

}  // namespace WebResources
