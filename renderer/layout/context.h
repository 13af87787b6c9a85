// The layout context: the scene under construction, the inputs and the budgets
// of one layout run, and the operations through which every paint and every
// text width passes.
//
// Limits (all enforced while laying out, each with its own error text):
// - 20,000 paints and 8,388,608 bytes of paint data (128 per paint plus its
//   link and its text or alternative text);
// - 40,000 width requests per run, repeated texts included;
// - a nesting depth of 128 below the root for blocks and inline elements;
// - document height 200,000 px: no block or text run may start below it and no
//   box may end below it;
// - links of at most 4,096 bytes.
// The natural sizes in the image table must be positive; the resource
// envelope only delivers sizes of 1 to 4,096 px.
//
// Block, inline, flex and grid layout call each other once per nesting level,
// so the call depth is bounded by the depth limit above (at most three frames
// per level: sized_block, then inline_node or a flex or grid container's
// children), not by the document: a document deeper than 128 levels fails with
// "layout depth limit exceeded" before the stack grows further. The HTML
// parser already refuses documents with more than 128 open elements. Intrinsic
// sizing and the moves of translate walk subtrees with explicit stacks.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dom/document.h"
#include "dom/node.h"
#include "dom/result.h"
#include "layout/image_table.h"
#include "layout/scene.h"
#include "layout/text_measurer.h"
#include "style/cascade.h"
#include "style/values.h"
#include "support/wire_contract.h"

namespace kivo_layout {

// Every failure of layout: one fixed message, or the measurer's own message.
struct LayoutError {
  std::string message;

  // The message, unchanged.
  const std::string& display() const { return message; }
};

template <class T>
using LayoutResult = kivo_dom::Result<T, LayoutError>;

inline constexpr std::size_t kMaxPaints = kivo_wire::kMaxPaints;
inline constexpr std::uint64_t kMaxPaintBytes = 8'388'608;
inline constexpr std::uint64_t kPaintBaseBytes = 128;
inline constexpr std::uint64_t kMaxMeasurements = kivo_wire::kMaxMeasurements;
inline constexpr std::size_t kMaxLayoutDepth = 128;
inline constexpr float kMaxDocumentHeight = kivo_wire::kMaxDocumentHeight;
inline constexpr std::size_t kMaxLinkBytes = 4'096;
inline constexpr float kMaxMeasuredWidth = kivo_wire::kMaxMeasuredWidth;
inline constexpr float kMaxImageExtent = 8'192.0f;
inline constexpr float kMinViewportWidth = kivo_wire::kMinViewportWidth;
inline constexpr float kMaxViewportWidth = kivo_wire::kMaxViewportWidth;

inline constexpr std::string_view kViewportWidthError = "viewport width must be 160\xE2\x80\x93" "8192 px";
inline constexpr std::string_view kMissingStyleError = "missing computed style";
inline constexpr std::string_view kMissingNodeError = "missing node";
inline constexpr std::string_view kDepthError = "layout depth limit exceeded";
inline constexpr std::string_view kHeightError = "document height limit exceeded";
inline constexpr std::string_view kLinkError = "link target exceeds 4 KiB";
inline constexpr std::string_view kPaintCountError = "paint command limit exceeded";
inline constexpr std::string_view kPaintBytesError = "paint data budget exceeded";
inline constexpr std::string_view kMeasurementLimitError = "text measurement limit exceeded";
inline constexpr std::string_view kInvalidMeasurementError = "invalid text measurement";

// Builds the error of one fixed message.
inline LayoutError layout_error(std::string_view message) { return LayoutError{std::string(message)}; }

// The larger of two floats; a NaN operand yields the other one, and +0 wins over -0.
inline float max_f(float a, float b) {
  // Two ordered, different operands need no more than these two tests.
  if (a < b) return b;
  if (b < a) return a;
  if (a != a) return b;
  if (b != b) return a;
  return (a == 0 && std::signbit(a)) ? b : a;
}

// The smaller of two floats; a NaN operand yields the other one, and -0 wins over +0.
inline float min_f(float a, float b) {
  // Two ordered, different operands need no more than these two tests.
  if (a < b) return a;
  if (b < a) return b;
  if (a != a) return b;
  if (b != b) return a;
  return (a == 0 && std::signbit(b)) ? b : a;
}

// The line height of a style: a multiplier of the font size or pixels, never
// below the font size.
float line_height(const kivo_style::Style& style);

// An attribute value read whole as a 32-bit float (sign, digits with an optional
// point and exponent, or inf, infinity and nan in any case); nullopt when the
// text is not such a number, for example with white space or a unit.
std::optional<float> parse_attribute_f32(std::string_view text);

// The running state of one block's content: where the current line starts, how
// far it is filled and how tall it is so far.
struct LineBox {
  // The left edge of the content box.
  float x = 0;
  // The top of the current line.
  float y = 0;
  // The width available to every line.
  float width = 0;
  // The advance already used on the current line.
  float cursor = 0;
  // The tallest run on the current line.
  float height = 0;
  // A collapsed white space is pending before the next word.
  bool space = false;

  // Moves to the start of the next line.
  void break_line() {
    y = y + max_f(height, 0);
    cursor = 0;
    height = 0;
    space = false;
  }
};

// The narrowest and the widest border-box width a subtree can take, without
// its margins.
struct IntrinsicWidths {
  float minimum = 0;
  float maximum = 0;
};

// A node whose children intrinsic sizing is measuring: what it has summed so far.
struct IntrinsicFrame {
  const kivo_dom::Node* node = nullptr;
  const kivo_style::Style* style = nullptr;
  std::size_t depth = 0;
  std::size_t next_child = 0;
  bool row = false;
  // A child was counted already, so the next one comes after a column gap.
  bool counted = false;
  float minimum = 0;
  float maximum = 0;
  // The inline content placed side by side since the last block child.
  float run = 0;
  // Margin-left + margin-right of the child being measured, and whether it flows inline.
  float child_margins = 0;
  bool child_inline = false;
};

// The state of one layout run. Only the scene leaves it.
class Context {
 public:
  Context(const kivo_dom::Document& document, const kivo_style::StyledDocument& styles,
          TextMeasurer& measurer, const ImageTable& images, float viewport_width);

  Scene scene;
  const kivo_dom::Document& document;
  const ImageTable& images;
  const kivo_style::StyledDocument& styles;
  TextMeasurer& measurer;
  // By node index, whether the node recorded the anchor of its id (it was the
  // first with that name), so that moved boxes can take their anchors along.
  // Sized when an anchor is recorded.
  std::vector<bool> anchor_owners;
  // Width requests made so far.
  std::uint64_t measurements = 0;
  // Running paint data total.
  std::uint64_t paint_bytes = 0;

  // The node's computed style, or "missing computed style". The pointer stays
  // valid for the whole run: the styled document is never changed.
  LayoutResult<const kivo_style::Style*> style(kivo_dom::NodeId node) const;

  // The node, or "missing node" when the id does not name a node of this document.
  LayoutResult<const kivo_dom::Node*> find_node(kivo_dom::NodeId node) const;

  // Records a fragment anchor unless the name is already taken. The name is
  // the node's id attribute.
  void anchor(kivo_dom::NodeId node, std::string_view name, float y);

  // True when the node recorded the anchor of its id.
  bool owns_anchor(kivo_dom::NodeId node) const {
    return node.document == document.id && node.index < anchor_owners.size() && anchor_owners[node.index];
  }

  // The only way a paint enters the scene: checks the paint count and data budgets.
  LayoutResult<void> push(Paint paint);

  // What push does for a paint built in place: checks the budgets for one
  // more paint whose link and text or alternative text hold `data` bytes, then
  // appends a box paint with the rect and the link for the caller to fill in.
  LayoutResult<Paint*> append_paint(const Rect& rect, std::optional<std::string_view> link, std::size_t data) {
    KIVO_TRY(admit_paint((link ? link->size() : 0) + data));
    Paint& paint = scene.paints.emplace_back(Paint{rect, std::nullopt, Paint::Box{}});
    if (link) paint.href.emplace(*link);
    return &paint;
  }

  // Emits one text run at the line's cursor and advances the line.
  LayoutResult<void> paint_text(std::string_view text, const kivo_style::Style& style, LineBox& line,
                                std::optional<std::string_view> link, float width);

  // Lays out one node as a block whose margin box starts at (x, y), and returns
  // the margin box's height. A forced width (from a flex or grid container)
  // replaces the content width and disables auto margins.
  LayoutResult<float> sized_block(kivo_dom::NodeId node, std::size_t depth, std::optional<std::string_view> link,
                                  std::optional<float> forced_width, float x, float y, float available_width);

  // The limits sized_block checks first, in its order: the depth, then the
  // height at which the block would start.
  LayoutResult<void> block_limits(std::size_t depth, float y) const {
    if (depth > kMaxLayoutDepth) return kivo_dom::err(layout_error(kDepthError));
    if (y > kMaxDocumentHeight) return kivo_dom::err(layout_error(kHeightError));
    return {};
  }

  // sized_block for a displayed node whose style and node the caller has
  // already found, at a depth and y that passed block_limits.
  LayoutResult<float> styled_block(kivo_dom::NodeId node, const kivo_dom::Node& element,
                                   const kivo_style::Style& style, std::size_t depth,
                                   std::optional<std::string_view> link, std::optional<float> forced_width, float x,
                                   float y, float available_width);

  // intrinsic for a displayed node whose style and node the caller has already found.
  LayoutResult<IntrinsicWidths> styled_intrinsic(kivo_dom::NodeId node, const kivo_dom::Node& element,
                                                 const kivo_style::Style& style, std::size_t depth);

  // Places one child of a block on the block's lines: text, inline elements,
  // line breaks and images; block-level children go back to sized_block.
  LayoutResult<void> inline_node(kivo_dom::NodeId node, LineBox& line, std::size_t depth,
                                 std::optional<std::string_view> link);

  // Breaks a text into words, measures them, wraps them onto the line and paints them.
  LayoutResult<void> text(std::string_view text, const kivo_style::Style& style, LineBox& line,
                          std::optional<std::string_view> link);

  // The width of a text, asked of the measurer. Every call counts against the
  // 40,000 requests; an answer that is not finite or lies outside 0 to
  // 1,000,000 is refused.
  LayoutResult<float> measured(std::string_view text, float size, bool bold);

  // Lays out the children of a flex container as flex items in its content box
  // (top-left corner x, y and width W) and returns the height they use. depth
  // is the items' nesting depth (flex.h).
  LayoutResult<float> flex_children(std::span<const kivo_dom::NodeId> children, const kivo_style::Style& style,
                                    std::size_t depth, std::optional<std::string_view> link, float x, float y,
                                    float width);

  // Lays out the children of a grid container in its column tracks, row by
  // row, and returns the height of the rows (grid.h).
  LayoutResult<float> grid_children(std::span<const kivo_dom::NodeId> children, const kivo_style::Style& style,
                                    std::size_t depth, std::optional<std::string_view> link, float x, float y,
                                    float width);

  // The narrowest and widest width of a node's subtree, measuring its texts.
  LayoutResult<IntrinsicWidths> intrinsic(kivo_dom::NodeId node, std::size_t depth);

  // Moves the paints [first, end) that one item's layout pushed down by dy,
  // with the bounds and anchors of the item's subtree, and raises the page's
  // extent to the moved paints (also for a move by zero).
  LayoutResult<void> translate(kivo_dom::NodeId node, std::size_t first, std::size_t end, float dy);

 private:
  // Counts one more paint of that many data bytes against the paint count and
  // data budgets, in push's order of checks.
  LayoutResult<void> admit_paint(std::size_t data) {
    // 1. Refuse a paint beyond the count limit.
    if (scene.paints.size() >= kMaxPaints) return kivo_dom::err(layout_error(kPaintCountError));
    // 2. Count its data before testing the budget.
    paint_bytes += kPaintBaseBytes + data;
    // 3. Refuse it when the data total now exceeds the budget.
    if (paint_bytes > kMaxPaintBytes) return kivo_dom::err(layout_error(kPaintBytesError));
    return {};
  }

  // Lays out the content of a block (its image, text or children) into its line box.
  LayoutResult<void> block_content(kivo_dom::NodeId node, const kivo_dom::Node& element,
                                   const kivo_style::Style& style, std::size_t depth,
                                   std::optional<std::string_view> link, float content_width, LineBox& line);

  // Hands every child of a block to inline_node, one level deeper.
  LayoutResult<void> flow_children(const kivo_dom::Node& element, std::size_t depth,
                                   std::optional<std::string_view> link, LineBox& line);

  // Working lists that intrinsic and translate reuse from call to call, so
  // that measuring or moving an item allocates nothing; neither is called
  // while another call of the same function runs.
  std::vector<IntrinsicFrame> m_intrinsic_stack;
  std::vector<kivo_dom::NodeId> m_translate_stack;

  // Places an img element on the current line, or its alternative text.
  LayoutResult<void> inline_image(kivo_dom::NodeId node, const kivo_dom::Node& element,
                                  const kivo_style::Style& style, LineBox& line,
                                  std::optional<std::string_view> link);
};

}  // namespace kivo_layout
