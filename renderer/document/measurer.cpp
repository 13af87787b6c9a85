#include "document/measurer.h"

#include <bit>
#include <optional>

#include "dom/float_parse.h"
#include "dom/text.h"
#include "json/write.h"

namespace kivo_document {

using kivo_json::IoError;

RemoteMeasurer::RemoteMeasurer(kivo_json::Output& output, Reader& input) : m_output(output), m_input(input) {}

kivo_dom::Result<void, IoError> RemoteMeasurer::write_request(std::string_view text, float size, bool bold) {
  // The line is built whole and written once.
  m_request.assign("{\"measure\":true,\"size\":");
  kivo_json::append_f32(m_request, size);
  m_request += bold ? ",\"bold\":true,\"text\":" : ",\"bold\":false,\"text\":";
  kivo_json::append_string(m_request, text);
  m_request += "}\n";
  return m_output.write(m_request);
}

kivo_dom::Result<float, std::string> RemoteMeasurer::width(std::string_view text, float size, bool bold) {
  // Serve a repeat from the cache without any exchange.
  const auto size_bits = std::bit_cast<std::uint32_t>(size);
  if (const std::optional<float> found = m_cache.find(text, size_bits, bold)) return *found;

  // Write the request and put the whole line on the pipe before waiting.
  if (auto r = write_request(text, size, bold); !r) return kivo_dom::err(r.error().display());
  if (auto r = m_output.flush(); !r) return kivo_dom::err(r.error().display());

  // Take one answer line, never more than the bound.
  auto read = m_input.read_line(kMaxAnswerBytes);
  if (!read) return kivo_dom::err(read.error().display());
  const std::string& line = *read;

  // The answer must be UTF-8 and end in a line feed within the bound.
  if (!kivo_dom::text::is_valid_utf8(line)) return kivo_dom::err(std::string("stream did not contain valid UTF-8"));
  if (line.empty() || line.back() != '\n') return kivo_dom::err(std::string("incomplete measurement response"));

  // Trim the surrounding white space and read the number.
  KIVO_TRY_ASSIGN(const float parsed, kivo_dom::parse_f32(kivo_dom::text::trim_unicode_white_space(line)));

  // Remember the answer for the rest of the run.
  m_cache.insert(text, size_bits, bold, parsed);
  return parsed;
}

}  // namespace kivo_document
