#include "style/values.h"

#include "dom/result.h"

namespace kivo_style {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

const std::vector<Track>& TrackList::initial() {
  static const std::vector<Track> kInitial(1, Track::fr(1));
  return kInitial;
}

void Style::inherit_from(const Style& parent) {
  color = parent.color;
  font_size = parent.font_size;
  bold = parent.bold;
  line_height = parent.line_height;
}

void Property::apply(const Property& property, Style& style) {
  using P = Property;
  std::visit(
      Overloaded{
          [&](const P::Color& p) { style.color = p.value; },
          [&](const P::Background& p) { style.background_color = p.value; },
          [&](const P::FontSize& p) { style.font_size = p.value; },
          [&](const P::FontWeight& p) { style.bold = p.bold; },
          [&](const P::LineHeight& p) { style.line_height = p.value; },
          [&](const P::Margin& p) {
            style.margin = p.value;
            style.margin_auto = p.is_auto;
          },
          [&](const P::Padding& p) { style.padding = p.value; },
          [&](const P::MarginEdge& p) {
            KIVO_CHECK(p.edge < 4);
            style.margin[p.edge] = p.value;
            style.margin_auto[p.edge] = p.is_auto;
          },
          [&](const P::PaddingEdge& p) {
            KIVO_CHECK(p.edge < 4);
            style.padding[p.edge] = p.value;
          },
          [&](const P::Border& p) {
            style.border_width = p.width;
            style.border_color = p.color;
          },
          [&](const P::BorderRadius& p) { style.border_radius = p.value; },
          [&](const P::Width& p) { style.width = p.value; },
          [&](const P::MaxWidth& p) { style.max_width = p.value; },
          [&](const P::Display& p) { style.display = p.value; },
          [&](const P::BoxSizing& p) { style.box_sizing = p.value; },
          [&](const P::GridTemplateColumns& p) { style.grid_template_columns = p.tracks; },
          [&](const P::MinWidth& p) { style.min_width = p.value; },
          [&](const P::Height& p) { style.height = p.value; },
          [&](const P::MinHeight& p) { style.min_height = p.value; },
          [&](const P::FlexDirection& p) { style.flex_direction = p.value; },
          [&](const P::FlexWrap& p) { style.flex_wrap = p.value; },
          [&](const P::FlexGrow& p) { style.flex_grow = p.value; },
          [&](const P::FlexShrink& p) { style.flex_shrink = p.value; },
          [&](const P::FlexBasis& p) { style.flex_basis = p.value; },
          [&](const P::Flex& p) {
            style.flex_grow = p.grow;
            style.flex_shrink = p.shrink;
            style.flex_basis = p.basis;
          },
          [&](const P::Gap& p) { style.gap = {p.row, p.column}; },
          [&](const P::GapAxis& p) {
            KIVO_CHECK(p.axis < 2);
            style.gap[p.axis] = p.value;
          },
          [&](const P::AlignItems& p) { style.align_items = p.value; },
          [&](const P::AlignSelf& p) { style.align_self = p.value; },
          [&](const P::JustifyContent& p) { style.justify_content = p.value; },
      },
      property.value);
}

}  // namespace kivo_style
