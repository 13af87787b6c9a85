// The contract between the application and the renderer process: the bounds
// both sides of the pipe must agree on. The renderer enforces them on what it
// reads and writes; the application on what it sends and accepts. Each side
// keeps its own names for them, defined from these, so that one number can
// never drift on one side alone. Standard C++ only: the two programs share
// this header and nothing else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kivo_wire {

// The input frame and the resource envelope.

// Largest HTML text in any input: a frame's plain HTML or envelope text, a
// file source, the source of a manifest run.
inline constexpr std::size_t kMaxHtmlBytes = 1'048'576;
// First bytes of a resource envelope: "KIVO-R1" and a zero byte.
inline constexpr std::string_view kEnvelopeMagic{"KIVO-R1\0", 8};
// An envelope's bytes before its HTML text: the magic and the text's length.
inline constexpr std::size_t kEnvelopeHeaderBytes = kEnvelopeMagic.size() + 4;
// Stylesheet payloads of one envelope, summed.
inline constexpr std::size_t kMaxStylesheetBytes = 65'536;
// An envelope's resource blob: the stylesheets plus room for the entry
// framing and the image sizes.
inline constexpr std::size_t kMaxBlobBytes = kMaxStylesheetBytes + 1'024;
// Largest frame payload: the largest resource envelope.
inline constexpr std::uint32_t kMaxFrameBytes = kEnvelopeHeaderBytes + kMaxHtmlBytes + kMaxBlobBytes;
static_assert(kMaxFrameBytes == 1'115'148);
// Resources of one page: entries of the manifest and of the envelope.
inline constexpr std::size_t kMaxResources = 16;
// A resource address in the manifest, in bytes.
inline constexpr std::size_t kMaxResourceUrlBytes = 4'096;
// An image's natural width and height in the envelope, each from 1 to this.
inline constexpr std::uint32_t kMaxImageSide = 4'096;
// The images' widths times heights, summed over one envelope.
inline constexpr std::uint64_t kMaxImagePixels = 4'000'000;

// The narrowest viewport of a scene run, in CSS pixels (included).
inline constexpr int kMinViewportWidth = 160;
// The widest viewport of a scene run, in CSS pixels (included).
inline constexpr int kMaxViewportWidth = 8'192;

// The measurement exchange of a scene run.

// Width requests of one run, repeats answered from the renderer's cache included.
inline constexpr std::size_t kMaxMeasurements = 40'000;
// The smallest font size of a request and of a text run, in CSS pixels (included).
inline constexpr int kMinFontSize = 6;
// The largest font size of a request and of a text run, in CSS pixels (included).
inline constexpr int kMaxFontSize = 128;
// One answer line the renderer reads, its line feed included.
inline constexpr std::size_t kMaxAnswerBytes = 64;
// A width answer the renderer accepts: finite, from 0 to this.
inline constexpr int kMaxMeasuredWidth = 1'000'000;

// The scene and the outputs.

// The format version of the scene JSON.
inline constexpr int kSceneVersion = 2;
// Paint commands of one scene.
inline constexpr std::size_t kMaxPaints = 20'000;
// A scene's document height, in CSS pixels.
inline constexpr int kMaxDocumentHeight = 200'000;
// Everything a scene run writes to standard output: requests and scene line.
inline constexpr std::size_t kMaxSceneOutputBytes = 25'165'824;
// Everything a manifest run writes to standard output.
inline constexpr std::size_t kMaxManifestOutputBytes = 524'288;

}  // namespace kivo_wire
