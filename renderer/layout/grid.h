// Grid layout: the children of a display grid container placed in its column
// tracks (pixels or fractions of the free space), one cell per item, row by
// row in document order. The entry point is Context::grid_children
// (context.h); this module holds the track sizing.
//
// Limits: 1 to 12 column tracks (checked before anything else, "grid track
// budget exceeded") and at most 512 items per container (the 513th fails with
// "grid item budget exceeded"). Items are not measured before layout: their
// widths follow from the tracks alone, and each item is laid out once.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "style/values.h"

namespace kivo_layout {

inline constexpr std::size_t kMaxGridTracks = 12;
inline constexpr std::size_t kMaxGridItems = 512;

inline constexpr std::string_view kGridTrackBudgetError = "grid track budget exceeded";
inline constexpr std::string_view kGridItemBudgetError = "grid item budget exceeded";
inline constexpr std::string_view kMissingGridItemError = "missing grid item";

namespace grid {

// The width of each column track in a content box of the given width: pixel
// tracks keep their value and are never shrunk; fraction tracks share what the
// pixel tracks and the gaps leave, in proportion to their values, and
// fractions that add up to less than 1 leave part of it empty.
std::vector<float> track_widths(std::span<const kivo_style::Track> tracks, float width, float column_gap);

}  // namespace grid

}  // namespace kivo_layout
