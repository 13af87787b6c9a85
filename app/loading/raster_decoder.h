// Decodes one subresource image into the bitmap the application keeps. The
// format is decided by the content's magic bytes, never by the MIME type or
// the address, and the size is read and checked before any pixel is decoded.
//
// Limits: PNG, JPEG and GIF only; width and height each 1 to 4,096 pixels;
// width times height within the caller's pixel allowance; only the first
// frame of an animation.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

#include "loading/subresource_records.h"
#include "support/wire_contract.h"

namespace RasterDecoder {

enum class Format { png, jpeg, gif };

inline constexpr int kMaximumSide = kivo_wire::kMaxImageSide;

// The format the leading bytes announce, if it is one we decode.
std::optional<Format> sniff(QByteArrayView bytes);

// Decodes the first image of `bytes` when it fits `pixelAllowance` pixels.
// Throws BridgeError "Görsel bozuk veya piksel bütçesini aşıyor." for an
// unknown format, a bad header, a size out of bounds or over the allowance
// and a failed decode, and "Görsel boyutları tutarsız." when the decoded
// bitmap's size differs from the header's.
RasterImage decode(const QByteArray& bytes, qint64 pixelAllowance);

}  // namespace RasterDecoder
