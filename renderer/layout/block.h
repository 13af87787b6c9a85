// Block layout: the box model shared by block, flex and grid layout. The block
// layout of one node itself is Context::sized_block (context.h); these helpers
// are the sums and resolutions every layout kind takes in the same order.
#pragma once

#include "style/values.h"

namespace kivo_layout {

// Padding-left + padding-right + twice the border width.
float horizontal_extras(const kivo_style::Style& style);

// Padding-top + padding-bottom + twice the border width.
float vertical_extras(const kivo_style::Style& style);

// A length in pixels; a percentage is taken of the reference width.
float resolve_length(const kivo_style::Length& length, float reference);

// A specified width as a content width: the length (a percentage taken of the
// reference width) less the extras that border-box sizing includes, never negative.
float specified_content(const kivo_style::Length& length, float reference, float extras, bool border_box);

// True when specified sizes include padding and border.
inline bool is_border_box(const kivo_style::Style& style) {
  return style.box_sizing == kivo_style::BoxSizing::BorderBox;
}

}  // namespace kivo_layout
