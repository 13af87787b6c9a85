// Flex layout: the children of a display flex container laid out as flex
// items, in rows (wrapping, growing, shrinking, justified and aligned) or in a
// stacked column. The entry points are Context::flex_children,
// Context::intrinsic and Context::translate (context.h); this module holds
// the items, the distribution of one line and what grid layout shares.
//
// Limits:
// - at most 512 items per container; the 513th fails with "flex item budget
//   exceeded" before it is measured;
// - intrinsic sizing descends at most to nesting depth 128 and fails with
//   "intrinsic layout depth limit exceeded" beyond it; it walks with an
//   explicit stack of at most 129 frames;
// - distribute runs at most n + 1 passes over a line of n items. Each pass sums
//   the whole line in item order, because every sum is a 32-bit float sum
//   taken in that order; with n at most 512 a line costs at most 513 × 512
//   steps, and real lines finish in one to three passes.
// Every item is measured over its whole subtree before it is laid out, so a
// flex container nested inside flex items is measured once per flex ancestor
// (at most 128); the measurements count against the run's 40,000 requests.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "dom/node.h"
#include "layout/context.h"
#include "style/values.h"

namespace kivo_layout {

inline constexpr std::size_t kMaxFlexItems = 512;
// The width that stands in for "no limit" in item sizing and intrinsic sizing.
inline constexpr float kUnlimitedWidth = 200'000.0f;

inline constexpr std::string_view kFlexItemBudgetError = "flex item budget exceeded";
inline constexpr std::string_view kMissingFlexItemError = "missing flex item";
inline constexpr std::string_view kIntrinsicDepthError = "intrinsic layout depth limit exceeded";
inline constexpr std::string_view kMissingIntrinsicNodeError = "missing intrinsic node";

// True when a child of a flex or grid container (or of a node being measured)
// takes part: it is displayed and is not a text of white space only (Unicode
// White_Space, so no-break spaces count as white space here).
bool takes_part(const kivo_style::Style& style, const kivo_dom::Node& node);

// The cross-axis alignment of an item: its own align-self, else the container's align-items.
kivo_style::Align item_alignment(const kivo_style::Style& item, const kivo_style::Style& container);

// f32 clamp with the bounds tested in this order; min must not exceed max.
inline float clamp_f(float value, float min, float max) {
  if (value < min) value = min;
  if (value > max) value = max;
  return value;
}

// One item of a flex or grid line after its layout: what alignment needs to
// move it or to stretch its box.
struct PlacedItem {
  kivo_dom::NodeId node;
  // The paints its layout pushed: first inclusive, end exclusive.
  std::size_t first = 0;
  std::size_t end = 0;
  // Its margin-box height.
  float height = 0;
  kivo_style::Align align = kivo_style::Align::Stretch;
  bool auto_height = true;
};

// Aligns the items of one flex line or grid row of the given cross size:
// centre and end move them down, stretch lengthens the box of an item of auto
// height. Every item goes through Context::translate, also when it stays.
LayoutResult<void> align_placed(Context& context, std::span<const PlacedItem> items, float cross);

namespace flex {

// One flex item of the container being laid out. Widths are content-box widths.
struct Item {
  // The item's computed style; it lives in the styled document for the whole run.
  const kivo_style::Style* style = nullptr;
  kivo_dom::NodeId node;
  // Flex base size: the content width the item asks for, at least 0.
  float basis = 0;
  // Smallest allowed content width.
  float min = 0;
  // Largest allowed content width; never below min.
  float max = 0;
  // Margin-left + margin-right + horizontal extras.
  float outer = 0;
  // The hypothetical size clamp(basis, min, max), then the resolved size.
  float size = 0;
  // distribute's working state: the item's size is final, and how far the
  // last pass clamped it.
  bool frozen = false;
  float violation = 0;
};

// Grows or shrinks the items of one line so that, with their outer widths,
// they fill the available width as far as their limits allow. Rewrites size.
void distribute(std::span<Item> items, float available);

}  // namespace flex

}  // namespace kivo_layout
