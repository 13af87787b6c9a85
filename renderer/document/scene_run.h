// Scene mode: styles the parsed document at the width, lays it out while
// asking for every text width over the run's streams, and writes the scene.
// On success the output holds the measurement requests, in the order layout
// asked for them, followed by exactly one scene line. The output is not
// flushed at the end; the driver does that.
#pragma once

#include <string_view>

#include "document/reader.h"
#include "document/run_error.h"
#include "dom/document.h"
#include "dom/result.h"
#include "json/io.h"

namespace kivo_document {

// document: the parsed HTML; blob: the resource blob of the input (empty for
// plain HTML), a view into the driver's input buffer; width: the parsed width
// argument, neither zero nor negative zero (any other value, NaN included, may
// arrive and must be refused here); out: the run's buffered standard output;
// in: the run's standard input, positioned after the input frame.
kivo_dom::Result<void, RunError> run_scene(const kivo_dom::Document& document, std::string_view blob, float width,
                                           kivo_json::Output& out, Reader& in);

}  // namespace kivo_document
