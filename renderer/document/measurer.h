// The renderer's text measurer: it asks whoever started the process for every
// width it has not seen yet, one request line on standard output, one answer
// line on standard input, strictly alternating.
//
// Request: {"measure":true,"size":F,"bold":B,"text":S} and a line feed.
// Answer:  at most 64 bytes ending in a line feed: a float in the grammar of
//          parse_f32, optionally surrounded by white space.
// Answers are matched to requests by order alone. Every answered (text, size,
// bold) is cached for the measurer's life, so a repeat costs no exchange. The
// width is returned unchecked; layout decides which values it accepts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/reader.h"
#include "document/width_cache.h"
#include "dom/result.h"
#include "json/io.h"
#include "layout/text_measurer.h"
#include "support/wire_contract.h"

namespace kivo_document {

class RemoteMeasurer final : public kivo_layout::TextMeasurer {
 public:
  // Longest answer line read, its line feed included.
  static constexpr std::size_t kMaxAnswerBytes = kivo_wire::kMaxAnswerBytes;

  // Both streams are borrowed and must outlive the measurer.
  RemoteMeasurer(kivo_json::Output& output, Reader& input);

  kivo_dom::Result<float, std::string> width(std::string_view text, float size, bool bold) override;

  // Number of distinct keys answered so far.
  std::size_t cached() const { return m_cache.size(); }

 private:
  kivo_dom::Result<void, kivo_json::IoError> write_request(std::string_view text, float size, bool bold);

  kivo_json::Output& m_output;
  Reader& m_input;
  WidthCache m_cache;
  // The request line being built; kept to reuse its memory.
  std::string m_request;
};

}  // namespace kivo_document
