#include "engine/node_report.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "engine/scene_json.h"

namespace kivo_engine::inspection {
namespace {

using kivo_json::StringOutput;
using scene_json::non_finite_number_error;
using kivo_style::Length;
using kivo_style::LineHeight;
using kivo_style::Style;
using kivo_style::Track;

std::string computed_json(const Style* style) {
  StringOutput out;
  EXPECT_TRUE(write_computed(style, out).ok());
  return out.text;
}

TEST(InspectionTest, InitialStyleGivesAllThirtyEntriesInOrder) {
  const Style style = Style::initial();
  EXPECT_EQ(computed_json(&style),
            "{\"display\":\"block\",\"color\":\"#292b38ff\",\"background-color\":\"#00000000\","
            "\"font-size\":\"16px\",\"width\":\"auto\",\"max-width\":\"none\",\"height\":\"auto\","
            "\"min-height\":\"0px\",\"min-width\":\"auto\",\"flex-direction\":\"row\",\"flex-wrap\":\"nowrap\","
            "\"flex-grow\":\"0\",\"flex-shrink\":\"1\",\"flex-basis\":\"auto\",\"row-gap\":\"0px\","
            "\"column-gap\":\"0px\",\"grid-template-columns\":\"1fr\",\"font-weight\":\"400\","
            "\"line-height\":\"24px\",\"border\":\"0px solid #292b38ff\",\"border-radius\":\"0px\","
            "\"box-sizing\":\"content-box\",\"margin-top\":\"0px\",\"padding-top\":\"0px\","
            "\"margin-right\":\"0px\",\"padding-right\":\"0px\",\"margin-bottom\":\"0px\","
            "\"padding-bottom\":\"0px\",\"margin-left\":\"0px\",\"padding-left\":\"0px\"}");
}

TEST(InspectionTest, MissingStyleGivesEmptyObject) { EXPECT_EQ(computed_json(nullptr), "{}"); }

TEST(InspectionTest, EveryStyleFieldReachesItsEntry) {
  Style s;
  s.display = kivo_style::Display::Grid;
  s.color = 0x000000FF;
  s.background_color = 0xFFFFFFFF;
  s.font_size = 13.5f;
  s.bold = true;
  s.line_height = LineHeight::px(30);
  s.width = Length::percent(50);
  s.max_width = Length::px(640);
  s.min_width = Length::px(0.5f);
  s.height = 120;
  s.min_height = 10;
  s.flex_direction = kivo_style::FlexDirection::Column;
  s.flex_wrap = kivo_style::FlexWrap::Wrap;
  s.flex_grow = 2;
  s.flex_shrink = 0.25f;
  s.flex_basis = Length::percent(12.5f);
  s.gap = {4, 8};
  s.grid_template_columns = {Track::fr(1), Track::px(200)};
  s.border_width = 1;
  s.border_color = 0x12AB00FF;
  s.border_radius = 6;
  s.box_sizing = kivo_style::BoxSizing::BorderBox;
  s.margin = {1, 0, 3, 0};
  s.margin_auto = {false, true, false, true};
  s.padding = {5, 6, 7, 8};
  EXPECT_EQ(computed_json(&s),
            "{\"display\":\"grid\",\"color\":\"#000000ff\",\"background-color\":\"#ffffffff\","
            "\"font-size\":\"13.5px\",\"width\":\"50%\",\"max-width\":\"640px\",\"height\":\"120px\","
            "\"min-height\":\"10px\",\"min-width\":\"0.5px\",\"flex-direction\":\"column\",\"flex-wrap\":\"wrap\","
            "\"flex-grow\":\"2\",\"flex-shrink\":\"0.25\",\"flex-basis\":\"12.5%\",\"row-gap\":\"4px\","
            "\"column-gap\":\"8px\",\"grid-template-columns\":\"1fr 200px\",\"font-weight\":\"700\","
            "\"line-height\":\"30px\",\"border\":\"1px solid #12ab00ff\",\"border-radius\":\"6px\","
            "\"box-sizing\":\"border-box\",\"margin-top\":\"1px\",\"padding-top\":\"5px\","
            "\"margin-right\":\"auto\",\"padding-right\":\"6px\",\"margin-bottom\":\"3px\","
            "\"padding-bottom\":\"7px\",\"margin-left\":\"auto\",\"padding-left\":\"8px\"}");
}

// Reads one entry's value out of the computed object (keys are unique and plain).
std::string entry(const std::string& json, const std::string& key) {
  const std::string needle = "\"" + key + "\":\"";
  const auto start = json.find(needle);
  if (start == std::string::npos) return "<missing>";
  const auto value = start + needle.size();
  return json.substr(value, json.find('"', value) - value);
}

TEST(InspectionTest, LineHeightIsNeverBelowTheFontSize) {
  struct Case {
    LineHeight line_height;
    float font_size;
    const char* expected;
  };
  const Case cases[] = {
      {LineHeight::number(1.5f), 16, "24px"},
      {LineHeight::px(10), 16, "16px"},
      {LineHeight::number(0.5f), 20, "20px"},
      {LineHeight::number(1.2f), 15, "18px"},
      {LineHeight::px(17.25f), 16, "17.25px"},
  };
  for (const auto& c : cases) {
    Style s;
    s.line_height = c.line_height;
    s.font_size = c.font_size;
    EXPECT_EQ(entry(computed_json(&s), "line-height"), c.expected);
  }
}

TEST(InspectionTest, TrackListForms) {
  const std::pair<std::vector<Track>, const char*> cases[] = {
      {{Track::fr(1)}, "1fr"},
      {{Track::fr(1), Track::px(200)}, "1fr 200px"},
      {{}, ""},
      {{Track::fr(0.5f), Track::fr(2), Track::px(0)}, "0.5fr 2fr 0px"},
  };
  for (const auto& [tracks, expected] : cases) {
    Style s;
    s.grid_template_columns = tracks;
    EXPECT_EQ(entry(computed_json(&s), "grid-template-columns"), expected);
  }
}

TEST(InspectionTest, NonFiniteStyleNumberFailsWithoutWriting) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<Style> styles(6);
  styles[0].font_size = nan;
  styles[1].width = Length::px(inf);
  styles[2].gap[1] = -inf;
  styles[3].grid_template_columns = {Track::fr(nan)};
  styles[4].margin[2] = nan;
  // Finite factors whose product overflows.
  styles[5].line_height = LineHeight::number(3e38f);
  styles[5].font_size = 100;
  for (const auto& s : styles) {
    StringOutput out;
    const auto result = write_computed(&s, out);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().display(), non_finite_number_error().display());
    EXPECT_EQ(out.text, "");
  }
}

TEST(InspectionTest, ColorAndLengthForms) {
  EXPECT_EQ(color_text(0x000000FF), "#000000ff");
  EXPECT_EQ(color_text(0x292B38FF), "#292b38ff");
  EXPECT_EQ(color_text(0), "#00000000");
  EXPECT_EQ(color_text(0xFFFFFFFF), "#ffffffff");
  EXPECT_EQ(length(Length::percent(50)), "50%");
  EXPECT_EQ(length(Length::px(12.5f)), "12.5px");
  EXPECT_EQ(length(Length::px(0)), "0px");
}

TEST(InspectionTest, CutsCountScalarsNotBytes) {
  struct Case {
    std::string text;
    std::size_t max;
    std::string expected;
  };
  std::string ascii200(200, 'a');
  std::string ccedilla160;
  for (int i = 0; i < 160; ++i) ccedilla160 += "ç";
  std::string emoji161 = ccedilla160 + "\xF0\x9F\x98\x80";
  const Case cases[] = {
      {ascii200, 160, std::string(160, 'a')},
      {ccedilla160, 160, ccedilla160},
      {emoji161, 160, ccedilla160},
      {"ağaç", 2, "ağ"},
      {"ağaç", 3, "ağa"},
      {"\xE2\x82\xAC\xE2\x82\xAC", 1, "\xE2\x82\xAC"},
      {"", 5, ""},
      {"abc", 0, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(cut_chars(c.text, c.max), c.expected) << c.text;
}

}  // namespace
}  // namespace kivo_engine::inspection
