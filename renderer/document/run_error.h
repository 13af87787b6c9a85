// The one error of a failed renderer run. Every stage's failure is turned into
// it where it happens, keeping its kind and the exact text that the process
// prints as its error line.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "json/io.h"

namespace kivo_document {

struct RunError {
  enum class Kind : std::uint8_t {
    // A fixed text of the driver ("expected a regular file", ...).
    Message,
    // A system or stream error: "<description> (os error N)", a short read, a refused envelope.
    Io,
    // The width argument is not a float.
    FloatParse,
    // The HTML parser refused the text: "<message> at byte <offset>".
    Parse,
    // The cascade refused the document.
    Style,
    // Layout failed, measurement failures included.
    Layout,
  };

  Kind kind = Kind::Message;
  // The display text, without the line feed.
  std::string text;

  static RunError message(std::string text) { return RunError{Kind::Message, std::move(text)}; }
  static RunError io(const kivo_json::IoError& error) { return RunError{Kind::Io, error.display()}; }
  static RunError float_parse(std::string text) { return RunError{Kind::FloatParse, std::move(text)}; }
  static RunError parse(std::string display) { return RunError{Kind::Parse, std::move(display)}; }
  static RunError style(std::string text) { return RunError{Kind::Style, std::move(text)}; }
  static RunError layout(std::string text) { return RunError{Kind::Layout, std::move(text)}; }

  // The error line's text.
  const std::string& display() const { return text; }
};

}  // namespace kivo_document
