#include "style/values.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "style/declarations.h"

namespace kivo_style {
namespace {

// Applies every declaration of a block, in order, to a fresh initial style.
Style apply_block(const std::string& block, Style style = Style::initial()) {
  WarningList warnings;
  auto parsed = parser::declarations(block, warnings);
  KIVO_CHECK(parsed.ok());
  EXPECT_TRUE(warnings.empty()) << block;
  for (const auto& d : parsed.value()) Property::apply(d.property, style);
  return style;
}

TEST(Style, InitialValues) {
  const Style s = Style::initial();
  EXPECT_EQ(s.display, Display::Block);
  EXPECT_EQ(s.color, 0x292B38FFu);
  EXPECT_EQ(s.background_color, 0u);
  EXPECT_EQ(s.font_size, 16.0f);
  EXPECT_FALSE(s.bold);
  EXPECT_EQ(s.line_height, LineHeight::number(1.5f));
  EXPECT_EQ(s.margin, (std::array<float, 4>{0, 0, 0, 0}));
  EXPECT_EQ(s.margin_auto, (std::array<bool, 4>{false, false, false, false}));
  EXPECT_EQ(s.padding, (std::array<float, 4>{0, 0, 0, 0}));
  EXPECT_EQ(s.border_width, 0.0f);
  EXPECT_EQ(s.border_color, 0x292B38FFu);
  EXPECT_EQ(s.border_radius, 0.0f);
  EXPECT_FALSE(s.width.has_value());
  EXPECT_FALSE(s.max_width.has_value());
  EXPECT_FALSE(s.min_width.has_value());
  EXPECT_FALSE(s.height.has_value());
  EXPECT_EQ(s.min_height, 0.0f);
  EXPECT_EQ(s.box_sizing, BoxSizing::ContentBox);
  EXPECT_EQ(s.grid_template_columns, std::vector<Track>{Track::fr(1)});
  EXPECT_EQ(s.flex_direction, FlexDirection::Row);
  EXPECT_EQ(s.flex_wrap, FlexWrap::NoWrap);
  EXPECT_EQ(s.flex_grow, 0.0f);
  EXPECT_EQ(s.flex_shrink, 1.0f);
  EXPECT_FALSE(s.flex_basis.has_value());
  EXPECT_EQ(s.gap, (std::array<float, 2>{0, 0}));
  EXPECT_EQ(s.align_items, Align::Stretch);
  EXPECT_FALSE(s.align_self.has_value());
  EXPECT_EQ(s.justify_content, Justify::Start);
}

TEST(Style, InheritsExactlyFourFields) {
  const Style parent = apply_block(
      "color:red; font-size:20px; font-weight:bold; line-height:2; background:blue; margin:5px;"
      "padding:5px; border:1px solid red; width:10px; display:flex; flex-grow:2; gap:3px");
  Style child = Style::initial();
  child.inherit_from(parent);

  Style expected = Style::initial();
  expected.color = 0xFF0000FF;
  expected.font_size = 20;
  expected.bold = true;
  expected.line_height = LineHeight::number(2);
  EXPECT_EQ(child, expected);
}

TEST(Style, MultiplierIsInheritedAsMultiplier) {
  const Style parent = apply_block("line-height:2; font-size:20px");
  Style child = Style::initial();
  child.inherit_from(parent);
  child = apply_block("font-size:10px", child);
  EXPECT_EQ(child.line_height, LineHeight::number(2));
  EXPECT_EQ(child.font_size, 10.0f);
}

struct ApplyCase {
  std::string block;
  std::function<void(const Style&)> check;
};

TEST(PropertyApply, EachVariantWritesItsFields) {
  const std::vector<ApplyCase> cases = {
      {"color:#abc", [](const Style& s) { EXPECT_EQ(s.color, 0xAABBCCFFu); }},
      {"background:red", [](const Style& s) { EXPECT_EQ(s.background_color, 0xFF0000FFu); }},
      {"font-size:20px", [](const Style& s) { EXPECT_EQ(s.font_size, 20.0f); }},
      {"font-weight:bold", [](const Style& s) { EXPECT_TRUE(s.bold); }},
      {"line-height:20px", [](const Style& s) { EXPECT_EQ(s.line_height, LineHeight::px(20)); }},
      {"padding:1px 2px 3px 4px",
       [](const Style& s) { EXPECT_EQ(s.padding, (std::array<float, 4>{1, 2, 3, 4})); }},
      {"padding:1px; padding-bottom:9px",
       [](const Style& s) { EXPECT_EQ(s.padding, (std::array<float, 4>{1, 1, 9, 1})); }},
      {"border:2px solid red",
       [](const Style& s) {
         EXPECT_EQ(s.border_width, 2.0f);
         EXPECT_EQ(s.border_color, 0xFF0000FFu);
       }},
      {"border:none",
       [](const Style& s) {
         EXPECT_EQ(s.border_width, 0.0f);
         EXPECT_EQ(s.border_color, 0u);
       }},
      {"border-radius:4px", [](const Style& s) { EXPECT_EQ(s.border_radius, 4.0f); }},
      {"max-width:50%", [](const Style& s) { EXPECT_EQ(s.max_width, Length::percent(50)); }},
      {"min-width:10px", [](const Style& s) { EXPECT_EQ(s.min_width, Length::px(10)); }},
      {"height:30px; min-height:5px",
       [](const Style& s) {
         EXPECT_EQ(s.height, 30.0f);
         EXPECT_EQ(s.min_height, 5.0f);
       }},
      {"height:30px; height:auto", [](const Style& s) { EXPECT_FALSE(s.height.has_value()); }},
      {"display:grid", [](const Style& s) { EXPECT_EQ(s.display, Display::Grid); }},
      {"box-sizing:border-box", [](const Style& s) { EXPECT_EQ(s.box_sizing, BoxSizing::BorderBox); }},
      {"flex-direction:column; flex-wrap:wrap",
       [](const Style& s) {
         EXPECT_EQ(s.flex_direction, FlexDirection::Column);
         EXPECT_EQ(s.flex_wrap, FlexWrap::Wrap);
       }},
      {"flex-grow:2; flex-shrink:3",
       [](const Style& s) {
         EXPECT_EQ(s.flex_grow, 2.0f);
         EXPECT_EQ(s.flex_shrink, 3.0f);
       }},
      {"gap:1px 2px", [](const Style& s) { EXPECT_EQ(s.gap, (std::array<float, 2>{1, 2})); }},
      {"gap:1px 2px; column-gap:7px",
       [](const Style& s) { EXPECT_EQ(s.gap, (std::array<float, 2>{1, 7})); }},
      {"gap:1px 2px; row-gap:7px", [](const Style& s) { EXPECT_EQ(s.gap, (std::array<float, 2>{7, 2})); }},
      {"align-items:center; align-self:end; justify-content:space-around",
       [](const Style& s) {
         EXPECT_EQ(s.align_items, Align::Center);
         EXPECT_EQ(s.align_self, Align::End);
         EXPECT_EQ(s.justify_content, Justify::SpaceAround);
       }},
      {"align-self:end; align-self:auto", [](const Style& s) { EXPECT_FALSE(s.align_self.has_value()); }},
      // Shorthand then edge: only the named edge changes.
      {"margin:10px auto; margin-left:5px",
       [](const Style& s) {
         EXPECT_EQ(s.margin, (std::array<float, 4>{10, 0, 10, 5}));
         EXPECT_EQ(s.margin_auto, (std::array<bool, 4>{false, true, false, false}));
       }},
      {"margin-top:auto; margin:1px",
       [](const Style& s) {
         EXPECT_EQ(s.margin, (std::array<float, 4>{1, 1, 1, 1}));
         EXPECT_EQ(s.margin_auto, (std::array<bool, 4>{false, false, false, false}));
       }},
      // The flex shorthand overwrites a basis set earlier, and the other way round.
      {"flex-basis:100px; flex:1",
       [](const Style& s) {
         EXPECT_EQ(s.flex_basis, Length::percent(0));
         EXPECT_EQ(s.flex_grow, 1.0f);
         EXPECT_EQ(s.flex_shrink, 1.0f);
       }},
      {"flex:1; flex-basis:100px", [](const Style& s) { EXPECT_EQ(s.flex_basis, Length::px(100)); }},
      {"width:50%; width:auto", [](const Style& s) { EXPECT_FALSE(s.width.has_value()); }},
      {"grid-template-columns:1fr 2fr; grid-template-columns:10px",
       [](const Style& s) { EXPECT_EQ(s.grid_template_columns, std::vector<Track>{Track::px(10)}); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.block);
    c.check(apply_block(c.block));
  }
}

TEST(PropertyApply, TrackListIsCopiedNotShared) {
  const Property first{Property::GridTemplateColumns{{Track::fr(1), Track::fr(2)}}};
  const Property second{Property::GridTemplateColumns{{Track::px(5)}}};
  Style style;
  Property::apply(first, style);
  Property::apply(second, style);
  EXPECT_EQ(style.grid_template_columns, std::vector<Track>{Track::px(5)});
  EXPECT_EQ(std::get<Property::GridTemplateColumns>(first.value).tracks,
            (std::vector<Track>{Track::fr(1), Track::fr(2)}));
  // A copied style owns its own list.
  Style copy = style;
  copy.grid_template_columns.push_back(Track::fr(3));
  EXPECT_EQ(style.grid_template_columns.size(), 1u);
}

// The list reads like the vector it replaced: every way of setting it gives
// exactly the tracks written, including none, and the initial list compares
// equal to an explicit single 1fr column.
TEST(TrackList, SetFormsGiveTheTracksWritten) {
  const std::vector<Track> two{Track::fr(1), Track::px(200)};
  TrackList from_braces;
  from_braces = {Track::fr(1), Track::px(200)};
  TrackList from_vector;
  from_vector = two;
  TrackList emptied;
  emptied = {};
  TrackList emptied_by_vector;
  emptied_by_vector = std::vector<Track>{};
  const std::pair<const TrackList*, std::vector<Track>> cases[] = {
      {&from_braces, two},
      {&from_vector, two},
      {&emptied, {}},
      {&emptied_by_vector, {}},
  };
  for (const auto& [list, expected] : cases) {
    EXPECT_EQ(list->tracks(), expected);
    EXPECT_EQ(list->size(), expected.size());
    EXPECT_EQ(std::vector<Track>(list->begin(), list->end()), expected);
  }
  EXPECT_EQ(TrackList{}, TrackList{Track::fr(1)});
  EXPECT_NE(TrackList{}, emptied);
}

// Copies share one list; changing a copy leaves the original and its other
// copies as they were, for the initial list as for a set one.
TEST(TrackList, ChangingACopyLeavesTheOthers) {
  for (const TrackList& original : {TrackList{}, TrackList{Track::px(5), Track::fr(2)}}) {
    const std::vector<Track> before = original.tracks();
    TrackList first = original;
    const TrackList second = original;
    first.push_back(Track::fr(3));
    EXPECT_EQ(original.tracks(), before);
    EXPECT_EQ(second.tracks(), before);
    EXPECT_EQ(first.size(), before.size() + 1);
    EXPECT_EQ(first.back(), Track::fr(3));
  }
  EXPECT_EQ(TrackList{}.tracks(), std::vector<Track>{Track::fr(1)});
}

}  // namespace
}  // namespace kivo_style
