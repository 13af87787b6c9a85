#include "layout/grid.h"

#include <algorithm>
#include <utility>

#include "layout/block.h"
#include "layout/context.h"
#include "layout/flex.h"

namespace kivo_layout {

namespace {

using kivo_dom::NodeId;
using kivo_style::Edge;
using kivo_style::Style;

constexpr std::size_t kRowGap = 0;
constexpr std::size_t kColumnGap = 1;

// Where an item sits in its cell: its content width and its offset from the
// cell's left edge.
struct CellPlacement {
  float width = 0;
  float offset = 0;
};

// An item that takes part, with what laying it out needs.
struct GridItem {
  NodeId id;
  const kivo_dom::Node* node = nullptr;
  const Style* style = nullptr;
};

CellPlacement place_in_cell(const Style& s, float track) {
  const float extras = horizontal_extras(s);
  const bool border_box = is_border_box(s);
  const float margins = edge(s.margin, Edge::Left) + edge(s.margin, Edge::Right);
  // 1. The width asked for, or the whole track.
  float w = s.width ? specified_content(*s.width, track, extras, border_box) : max_f(track - extras - margins, 0);
  // 2. The limits, the minimum last.
  if (s.max_width) w = min_f(w, specified_content(*s.max_width, track, extras, border_box));
  if (s.min_width) w = max_f(w, specified_content(*s.min_width, track, extras, border_box));
  // 3. An auto margin-left pushes the item right, or centres it with an auto margin-right.
  float offset = 0;
  if (edge(s.margin_auto, Edge::Left)) {
    offset = max_f(track - w - extras - margins, 0);
    if (edge(s.margin_auto, Edge::Right)) offset = offset / 2;
  }
  return CellPlacement{w, offset};
}

}  // namespace

namespace grid {

std::vector<float> track_widths(std::span<const kivo_style::Track> tracks, float width, float column_gap) {
  float fixed = 0;
  float fractions = 0;
  for (const kivo_style::Track& track : tracks) {
    if (track.kind == kivo_style::Track::Px) {
      fixed = fixed + track.value;
    } else {
      fractions = fractions + track.value;
    }
  }
  const float gaps = column_gap * static_cast<float>(tracks.size() - 1);
  const float free = max_f(width - fixed - gaps, 0);
  std::vector<float> widths;
  widths.reserve(tracks.size());
  for (const kivo_style::Track& track : tracks) {
    widths.push_back(track.kind == kivo_style::Track::Px ? track.value : free * track.value / max_f(fractions, 1));
  }
  return widths;
}

}  // namespace grid

LayoutResult<float> Context::grid_children(std::span<const NodeId> children, const Style& style, std::size_t depth,
                                           std::optional<std::string_view> link, float x, float y, float width) {
  // 1. Refuse a track list outside 1 to 12 tracks, children or not.
  const std::vector<kivo_style::Track>& tracks = style.grid_template_columns;
  if (tracks.empty() || tracks.size() > kMaxGridTracks) return kivo_dom::err(layout_error(kGridTrackBudgetError));

  // 2. Size the tracks and find where each column starts.
  const float column_gap = style.gap[kColumnGap];
  const std::vector<float> widths = grid::track_widths(tracks, width, column_gap);
  std::vector<float> column_x(widths.size(), 0);
  float offset = 0;
  for (std::size_t c = 0; c < widths.size(); ++c) {
    column_x[c] = x + offset;
    offset = offset + (widths[c] + column_gap);
  }

  // 3. Collect the items that take part.
  std::vector<GridItem> items;
  items.reserve(std::min(children.size(), kMaxGridItems));
  for (const NodeId child : children) {
    KIVO_TRY_ASSIGN(const Style* styled, this->style(child));
    if (!document.contains(child)) return kivo_dom::err(layout_error(kMissingGridItemError));
    const kivo_dom::Node& node = document.node(child);
    if (!takes_part(*styled, node)) continue;
    if (items.size() >= kMaxGridItems) return kivo_dom::err(layout_error(kGridItemBudgetError));
    items.push_back(GridItem{child, &node, styled});
  }

  // 4. Without items the content is empty.
  if (items.empty()) return 0.0f;

  // 5. Fill the rows in order, one item per column.
  std::vector<PlacedItem> cells;
  cells.reserve(widths.size());
  float top = y;
  float row_height = 0;
  for (std::size_t begin = 0; begin < items.size(); begin += widths.size()) {
    if (begin > 0) top = top + row_height + style.gap[kRowGap];
    const std::size_t end = std::min(begin + widths.size(), items.size());

    // 6. Lay out each item in its cell; the row is as tall as its tallest item.
    cells.clear();
    row_height = 0;
    for (std::size_t i = begin; i < end; ++i) {
      const GridItem& item = items[i];
      const Style& s = *item.style;
      const std::size_t column = i - begin;
      const float track = widths[column];
      const CellPlacement placement = place_in_cell(s, track);
      const std::size_t first = scene.paints.size();
      // The item's style and node are at hand.
      KIVO_TRY(block_limits(depth, top));
      KIVO_TRY_ASSIGN(const float height, styled_block(item.id, *item.node, s, depth, link, placement.width,
                                                       column_x[column] + placement.offset, top, track));
      cells.push_back(PlacedItem{item.id, first, scene.paints.size(), height, item_alignment(s, style), !s.height});
      row_height = max_f(row_height, height);
    }

    // 7. Align the cells in the row.
    KIVO_TRY(align_placed(*this, cells, row_height));
  }

  // 8. The height reaches the bottom of the last row.
  return top + row_height - y;
}

}  // namespace kivo_layout
