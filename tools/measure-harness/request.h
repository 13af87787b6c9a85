// The harness's side of the measurement exchange: reading one request line of
// the renderer and the fixed width rule it answers with.
//
// Width rule: every character (Unicode scalar) of the text is 0.5 x size wide;
// bold text is 10% wider. The width is computed in double precision and
// rounded once to a 32-bit float, then written in its shortest form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace measure_harness {

struct Request {
  double size = 0;
  bool bold = false;
  // The text's length in Unicode scalars.
  std::size_t characters = 0;
};

// Reads {"measure":true,"size":F,"bold":B,"text":S} (without its line feed);
// nothing for any other line.
std::optional<Request> parse_request(std::string_view line);

// The width the rule gives for a request.
float rule_width(const Request& request);

// The answer line for a request, line feed included.
std::string answer_line(const Request& request);

}  // namespace measure_harness
