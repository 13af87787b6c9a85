// Presentation blocks: a flat list of the document's text blocks (headings,
// paragraphs, list items) read from the parsed tree without styles or layout,
// and the document's title. Both walks use an explicit stack and visit each
// node once (the title walk reads the text below a title or h1 a second time),
// so their cost is linear in the document's size, which the parser bounds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dom/document.h"
#include "dom/result.h"
#include "json/io.h"

namespace kivo_engine::presentation {

// One text block. The text is never empty and has no space or line feed at
// either end; it may hold single line feeds from line breaks.
struct Block {
  std::string text;
  // 1 to 6 for text under h1 to h6, 0 for everything else.
  std::uint8_t heading = 0;

  friend bool operator==(const Block&, const Block&) = default;
};

// The heading level of an element name: 1 to 6 for "h1" to "h6", else 0.
std::uint8_t heading_level(std::string_view name);

// Trims spaces and line feeds from the pending text, appends the rest as a
// block if it is not empty, and empties the pending text.
void flush(std::vector<Block>& blocks, std::string& pending, std::uint8_t heading);

// The document's text blocks in document order.
std::vector<Block> blocks(const kivo_dom::Document& document);

// The title: the first "title" with text, else the first "h1" with text, each
// trimmed and cut to 120 characters, else "Yerel belge". Never empty.
std::string document_title(const kivo_dom::Document& document);

// The same title under the name the driver and the scene run call.
std::string title(const kivo_dom::Document& document);

// Writes {"version":1,"blocks":[...]} and one line feed; the first error of
// the output ends the writing and is returned unchanged.
kivo_dom::Result<void, kivo_json::IoError> write_json(const kivo_dom::Document& document, kivo_json::Output& out);

}  // namespace kivo_engine::presentation
