// The short path for the renderer's own forms: the paint commands and the
// measurement requests that kivo-document writes, always in one fixed shape
// each, are read here directly, without the JSON scanner. What they read is
// exactly what the scene handler makes of the same text; anything not in
// those forms is left to the handler.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "loading/page_document.h"
#include "loading/scene_decoder.h"

// Reads a paint command in one of the renderer's forms at the start of
// `text` into `command`; returns the bytes it took, or 0 when the text does
// not start with one of the forms (`command` is then to be discarded).
std::size_t readPlainCommand(std::string_view text, PaintCommand& command);

// A whole line that is a measurement request in the renderer's form, as
// decodeSceneLine gives it; nothing for any other line.
std::optional<SceneLine> readPlainRequest(std::string_view line);
