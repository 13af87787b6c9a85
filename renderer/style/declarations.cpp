#include "style/declarations.h"

#include <charconv>
#include <cmath>

#include "dom/node.h"
#include "dom/text.h"
#include "support/wire_contract.h"

namespace kivo_style::parser {

namespace {

using kivo_dom::text::trim_unicode_white_space;

constexpr std::string_view kInvalidDeclaration = "invalid CSS declaration";
constexpr std::string_view kUnsupportedValue = "unsupported CSS property or value";
constexpr std::string_view kImportant = "!important";

constexpr float kMaxEdge = 1024;
constexpr float kMaxLengthPx = 4096;
constexpr float kMaxPercent = 100;
constexpr float kMaxFactor = 1000;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_hex_digit(char c) {
  return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::uint32_t hex_value(char c) {
  if (is_digit(c)) return static_cast<std::uint32_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint32_t>(c - 'a' + 10);
  return static_cast<std::uint32_t>(c - 'A' + 10);
}

// The number in front of a unit suffix; absent when the suffix is missing or
// nothing stands before it.
std::optional<std::string_view> before_suffix(std::string_view text, std::string_view suffix) {
  if (text.size() <= suffix.size() || !text.ends_with(suffix)) return std::nullopt;
  return text.substr(0, text.size() - suffix.size());
}

// Expands one to four edge values to (top, right, bottom, left).
template <class T>
std::array<T, 4> expand_edges(const std::vector<T>& v) {
  KIVO_CHECK(!v.empty() && v.size() <= 4);
  switch (v.size()) {
    case 1:
      return {v[0], v[0], v[0], v[0]};
    case 2:
      return {v[0], v[1], v[0], v[1]};
    case 3:
      return {v[0], v[1], v[2], v[1]};
    default:
      return {v[0], v[1], v[2], v[3]};
  }
}

// The first character with the Unicode White_Space property, or the end.
std::size_t find_unicode_white_space(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t next = i;
    if (kivo_dom::text::is_unicode_white_space(kivo_dom::text::decode_utf8(text, next))) return i;
    i = next;
  }
  return text.size();
}

bool starts_with_unicode_white_space(std::string_view text) {
  return !text.empty() && find_unicode_white_space(text) == 0;
}

// "auto" (absent) or a length.
std::optional<std::optional<Length>> length_or(std::string_view text, std::string_view keyword) {
  if (text == keyword) return std::optional<Length>();
  if (auto l = length(text)) return std::optional<Length>(*l);
  return std::nullopt;
}

std::optional<Property> make(Property::Value value) { return Property{std::move(value)}; }

std::optional<Property> parse_font_size(std::string_view v) {
  const auto digits = before_suffix(v, "px");
  if (!digits) return std::nullopt;
  // The font sizes the application measures are the only ones a page may use.
  const auto n = number(*digits, kivo_wire::kMaxFontSize);
  if (!n || *n < kivo_wire::kMinFontSize) return std::nullopt;
  return make(Property::FontSize{*n});
}

std::optional<Property> parse_font_weight(std::string_view v) {
  if (v == "400" || v == "normal") return make(Property::FontWeight{false});
  if (v == "700" || v == "bold") return make(Property::FontWeight{true});
  return std::nullopt;
}

std::optional<Property> parse_line_height(std::string_view v) {
  if (v == "normal") return make(Property::LineHeight{LineHeight::number(1.5f)});
  if (v.ends_with("px")) {
    const auto p = px(v, 256);
    if (!p) return std::nullopt;
    return make(Property::LineHeight{LineHeight::px(*p)});
  }
  const auto n = number(v, 4);
  if (!n || *n < 1) return std::nullopt;
  return make(Property::LineHeight{LineHeight::number(*n)});
}

std::optional<Property> parse_margin(std::string_view v) {
  const auto ws = words(v);
  if (ws.empty() || ws.size() > 4) return std::nullopt;
  std::vector<float> values;
  std::vector<bool> autos;
  for (const auto w : ws) {
    if (w == "auto") {
      values.push_back(0);
      autos.push_back(true);
      continue;
    }
    const auto p = px(w, kMaxEdge);
    if (!p) return std::nullopt;
    values.push_back(*p);
    autos.push_back(false);
  }
  return make(Property::Margin{expand_edges(values), expand_edges(autos)});
}

std::optional<Property> parse_padding(std::string_view v) {
  const auto e = edges(v);
  if (!e) return std::nullopt;
  return make(Property::Padding{*e});
}

std::optional<Property> parse_margin_edge(std::string_view v, std::uint8_t edge) {
  if (v == "auto") return make(Property::MarginEdge{edge, 0, true});
  const auto p = px(v, kMaxEdge);
  if (!p) return std::nullopt;
  return make(Property::MarginEdge{edge, *p, false});
}

std::optional<Property> parse_padding_edge(std::string_view v, std::uint8_t edge) {
  const auto p = px(v, kMaxEdge);
  if (!p) return std::nullopt;
  return make(Property::PaddingEdge{edge, *p});
}

std::optional<Property> parse_border(std::string_view v) {
  if (v == "0" || v == "none") return make(Property::Border{0, 0x00000000});
  const auto ws = words(v);
  if (ws.size() != 3 || ws[1] != "solid") return std::nullopt;
  const auto width = px(ws[0], 32);
  const auto c = color(ws[2]);
  if (!width || !c) return std::nullopt;
  return make(Property::Border{*width, *c});
}

std::optional<Property> parse_display(std::string_view v) {
  if (v == "block") return make(Property::Display{Display::Block});
  if (v == "inline") return make(Property::Display{Display::Inline});
  if (v == "flex") return make(Property::Display{Display::Flex});
  if (v == "grid") return make(Property::Display{Display::Grid});
  if (v == "none") return make(Property::Display{Display::None});
  return std::nullopt;
}

std::optional<Property> parse_box_sizing(std::string_view v) {
  if (v == "content-box") return make(Property::BoxSizing{BoxSizing::ContentBox});
  if (v == "border-box") return make(Property::BoxSizing{BoxSizing::BorderBox});
  return std::nullopt;
}

std::optional<Property> parse_flex(std::string_view v) {
  const auto ws = words(v);
  const auto zero_percent = std::optional<Length>(Length::percent(0));
  if (ws.size() == 1) {
    const auto w = ws[0];
    if (w == "none") return make(Property::Flex{0, 0, std::nullopt});
    if (w == "auto") return make(Property::Flex{1, 1, std::nullopt});
    if (w == "initial") return make(Property::Flex{0, 1, std::nullopt});
    if (const auto n = number(w, kMaxFactor)) return make(Property::Flex{*n, 1, zero_percent});
    if (const auto l = length(w)) return make(Property::Flex{1, 1, *l});
    return std::nullopt;
  }
  if (ws.size() == 2) {
    const auto grow = number(ws[0], kMaxFactor);
    if (!grow) return std::nullopt;
    if (const auto shrink = number(ws[1], kMaxFactor)) {
      return make(Property::Flex{*grow, *shrink, zero_percent});
    }
    if (const auto l = length(ws[1])) return make(Property::Flex{*grow, 1, *l});
    return std::nullopt;
  }
  if (ws.size() == 3) {
    const auto grow = number(ws[0], kMaxFactor);
    const auto shrink = number(ws[1], kMaxFactor);
    const auto basis = length_or(ws[2], "auto");
    if (!grow || !shrink || !basis) return std::nullopt;
    return make(Property::Flex{*grow, *shrink, *basis});
  }
  return std::nullopt;
}

std::optional<Property> parse_gap(std::string_view v) {
  const auto ws = words(v);
  if (ws.empty() || ws.size() > 2) return std::nullopt;
  const auto row = px(ws[0], kMaxEdge);
  const auto column = ws.size() == 2 ? px(ws[1], kMaxEdge) : row;
  if (!row || !column) return std::nullopt;
  return make(Property::Gap{*row, *column});
}

std::optional<Property> parse_justify(std::string_view v) {
  if (v == "start" || v == "flex-start") return make(Property::JustifyContent{Justify::Start});
  if (v == "center") return make(Property::JustifyContent{Justify::Center});
  if (v == "end" || v == "flex-end") return make(Property::JustifyContent{Justify::End});
  if (v == "space-between") return make(Property::JustifyContent{Justify::SpaceBetween});
  if (v == "space-around") return make(Property::JustifyContent{Justify::SpaceAround});
  if (v == "space-evenly") return make(Property::JustifyContent{Justify::SpaceEvenly});
  return std::nullopt;
}

// One row of the property table: a name and the grammar of its value.
struct PropertyRow {
  std::string_view name;
  std::optional<Property> (*parse)(std::string_view value);
};

const PropertyRow kProperties[] = {
    {"color",
     [](std::string_view v) {
       const auto c = color(v);
       return c ? make(Property::Color{*c}) : std::nullopt;
     }},
    {"background",
     [](std::string_view v) {
       const auto c = color(v);
       return c ? make(Property::Background{*c}) : std::nullopt;
     }},
    {"background-color",
     [](std::string_view v) {
       const auto c = color(v);
       return c ? make(Property::Background{*c}) : std::nullopt;
     }},
    {"font-size", parse_font_size},
    {"font-weight", parse_font_weight},
    {"line-height", parse_line_height},
    {"margin", parse_margin},
    {"padding", parse_padding},
    {"margin-top", [](std::string_view v) { return parse_margin_edge(v, 0); }},
    {"margin-right", [](std::string_view v) { return parse_margin_edge(v, 1); }},
    {"margin-bottom", [](std::string_view v) { return parse_margin_edge(v, 2); }},
    {"margin-left", [](std::string_view v) { return parse_margin_edge(v, 3); }},
    {"padding-top", [](std::string_view v) { return parse_padding_edge(v, 0); }},
    {"padding-right", [](std::string_view v) { return parse_padding_edge(v, 1); }},
    {"padding-bottom", [](std::string_view v) { return parse_padding_edge(v, 2); }},
    {"padding-left", [](std::string_view v) { return parse_padding_edge(v, 3); }},
    {"border", parse_border},
    {"border-radius",
     [](std::string_view v) {
       const auto p = px(v, 128);
       return p ? make(Property::BorderRadius{*p}) : std::nullopt;
     }},
    {"width",
     [](std::string_view v) {
       const auto l = length_or(v, "auto");
       return l ? make(Property::Width{*l}) : std::nullopt;
     }},
    {"max-width",
     [](std::string_view v) {
       const auto l = length_or(v, "none");
       return l ? make(Property::MaxWidth{*l}) : std::nullopt;
     }},
    {"min-width",
     [](std::string_view v) {
       const auto l = length_or(v, "auto");
       return l ? make(Property::MinWidth{*l}) : std::nullopt;
     }},
    {"height",
     [](std::string_view v) {
       if (v == "auto") return make(Property::Height{std::nullopt});
       const auto p = px(v, 8192);
       return p ? make(Property::Height{*p}) : std::nullopt;
     }},
    {"min-height",
     [](std::string_view v) {
       const auto p = px(v, 8192);
       return p ? make(Property::MinHeight{*p}) : std::nullopt;
     }},
    {"display", parse_display},
    {"box-sizing", parse_box_sizing},
    {"grid-template-columns",
     [](std::string_view v) {
       auto tracks = grid_tracks::list(v);
       return tracks ? make(Property::GridTemplateColumns{std::move(*tracks)}) : std::nullopt;
     }},
    {"flex-direction",
     [](std::string_view v) {
       if (v == "row") return make(Property::FlexDirection{FlexDirection::Row});
       if (v == "column") return make(Property::FlexDirection{FlexDirection::Column});
       return std::optional<Property>();
     }},
    {"flex-wrap",
     [](std::string_view v) {
       if (v == "nowrap") return make(Property::FlexWrap{FlexWrap::NoWrap});
       if (v == "wrap") return make(Property::FlexWrap{FlexWrap::Wrap});
       return std::optional<Property>();
     }},
    {"flex-grow",
     [](std::string_view v) {
       const auto n = number(v, kMaxFactor);
       return n ? make(Property::FlexGrow{*n}) : std::nullopt;
     }},
    {"flex-shrink",
     [](std::string_view v) {
       const auto n = number(v, kMaxFactor);
       return n ? make(Property::FlexShrink{*n}) : std::nullopt;
     }},
    {"flex-basis",
     [](std::string_view v) {
       const auto l = length_or(v, "auto");
       return l ? make(Property::FlexBasis{*l}) : std::nullopt;
     }},
    {"flex", parse_flex},
    {"gap", parse_gap},
    {"row-gap",
     [](std::string_view v) {
       const auto p = px(v, kMaxEdge);
       return p ? make(Property::GapAxis{0, *p}) : std::nullopt;
     }},
    {"column-gap",
     [](std::string_view v) {
       const auto p = px(v, kMaxEdge);
       return p ? make(Property::GapAxis{1, *p}) : std::nullopt;
     }},
    {"align-items",
     [](std::string_view v) {
       const auto a = align(v);
       return a ? make(Property::AlignItems{*a}) : std::nullopt;
     }},
    {"align-self",
     [](std::string_view v) {
       if (v == "auto") return make(Property::AlignSelf{std::nullopt});
       const auto a = align(v);
       return a ? make(Property::AlignSelf{*a}) : std::nullopt;
     }},
    {"justify-content", parse_justify},
};

}  // namespace

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && kivo_dom::text::is_ascii_white_space(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !kivo_dom::text::is_ascii_white_space(text[i])) ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

std::optional<float> number(std::string_view text, float max) {
  if (text.empty()) return std::nullopt;
  std::size_t dots = 0;
  std::size_t digits = 0;
  bool nonzero_integer_digit = false;
  for (const char c : text) {
    if (c == '.') {
      ++dots;
    } else if (is_digit(c)) {
      ++digits;
      if (dots == 0 && c != '0') nonzero_integer_digit = true;
    } else {
      return std::nullopt;
    }
  }
  if (dots > 1 || digits == 0) return std::nullopt;
  float value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // Out of range is either an overflow (a value of at least 1, which rounds
    // to infinity) or an underflow below the smallest subnormal, which rounds
    // to zero.
    if (nonzero_integer_digit) return std::nullopt;
    value = 0;
  } else if (ec != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  // The comparison uses the value already rounded to f32, as layout sees it.
  if (!std::isfinite(value) || value > max) return std::nullopt;
  return value;
}

std::optional<float> px(std::string_view text, float max) {
  if (text == "0") return 0.0f;
  const auto digits = before_suffix(text, "px");
  if (!digits) return std::nullopt;
  return number(*digits, max);
}

std::optional<Length> length(std::string_view text) {
  if (text == "0") return Length::px(0);
  if (const auto digits = before_suffix(text, "px")) {
    const auto n = number(*digits, kMaxLengthPx);
    if (!n) return std::nullopt;
    return Length::px(*n);
  }
  if (const auto digits = before_suffix(text, "%")) {
    const auto n = number(*digits, kMaxPercent);
    if (!n) return std::nullopt;
    return Length::percent(*n);
  }
  return std::nullopt;
}

std::optional<std::uint32_t> color(std::string_view text) {
  struct Keyword {
    std::string_view name;
    std::uint32_t value;
  };
  static constexpr Keyword kKeywords[] = {
      {"black", 0x000000FF},  {"white", 0xFFFFFFFF},         {"gray", 0x808080FF},
      {"grey", 0x808080FF},   {"red", 0xFF0000FF},           {"green", 0x008000FF},
      {"blue", 0x0000FFFF},   {"purple", 0x800080FF},        {"rebeccapurple", 0x663399FF},
      {"transparent", 0x00000000},
  };
  for (const auto& k : kKeywords) {
    if (text == k.name) return k.value;
  }
  if (text.empty() || text.front() != '#') return std::nullopt;
  const std::string_view hex = text.substr(1);
  if (hex.size() != 3 && hex.size() != 6) return std::nullopt;
  for (const char c : hex) {
    if (!is_hex_digit(c)) return std::nullopt;
  }
  std::uint32_t rgb = 0;
  if (hex.size() == 3) {
    for (const char c : hex) rgb = (rgb << 8) | (hex_value(c) * 17);
  } else {
    for (const char c : hex) rgb = (rgb << 4) | hex_value(c);
  }
  return (rgb << 8) | 0xFF;
}

std::optional<std::array<float, 4>> edges(std::string_view text) {
  const auto ws = words(text);
  if (ws.empty() || ws.size() > 4) return std::nullopt;
  std::vector<float> values;
  for (const auto w : ws) {
    const auto p = px(w, kMaxEdge);
    if (!p) return std::nullopt;
    values.push_back(*p);
  }
  return expand_edges(values);
}

std::optional<Align> align(std::string_view text) {
  if (text == "start" || text == "flex-start") return Align::Start;
  if (text == "center") return Align::Center;
  if (text == "end" || text == "flex-end") return Align::End;
  if (text == "stretch") return Align::Stretch;
  return std::nullopt;
}

namespace grid_tracks {

std::optional<Track> track(std::string_view text) {
  if (text == "0") return Track::px(0);
  if (const auto digits = before_suffix(text, "fr")) {
    const auto n = number(*digits, kMaxFactor);
    if (!n || *n <= 0) return std::nullopt;
    return Track::fr(*n);
  }
  if (const auto digits = before_suffix(text, "px")) {
    const auto n = number(*digits, kMaxLengthPx);
    if (!n) return std::nullopt;
    return Track::px(*n);
  }
  return std::nullopt;
}

namespace {

constexpr std::string_view kRepeat = "repeat(";

// Reads one repeat(count, tracks...) group at the start of `rest`, appends its
// tracks and advances `rest` past the ")"; false when the group is invalid.
bool read_repeat(std::string_view& rest, std::vector<Track>& tracks) {
  const std::size_t close = rest.find(')', kRepeat.size());
  if (close == std::string_view::npos) return false;
  const std::string_view argument = rest.substr(kRepeat.size(), close - kRepeat.size());
  const std::size_t comma = argument.find(',');
  if (comma == std::string_view::npos) return false;
  const auto count = syntax::unsigned_decimal(trim_unicode_white_space(argument.substr(0, comma)));
  if (!count || *count < 1 || *count > kMaxTracks) return false;
  const auto ws = words(argument.substr(comma + 1));
  if (ws.empty()) return false;
  // Checked before anything is appended, so a long word list never allocates.
  if (tracks.size() + *count * ws.size() > kMaxTracks) return false;
  std::vector<Track> group;
  for (const auto w : ws) {
    const auto t = track(w);
    if (!t) return false;
    group.push_back(*t);
  }
  for (std::uint64_t i = 0; i < *count; ++i) tracks.insert(tracks.end(), group.begin(), group.end());
  const std::string_view after = rest.substr(close + 1);
  if (!after.empty() && !starts_with_unicode_white_space(after)) return false;
  rest = after;
  return true;
}

}  // namespace

std::optional<std::vector<Track>> list(std::string_view text) {
  std::vector<Track> tracks;
  std::string_view rest = trim_unicode_white_space(text);
  while (!rest.empty()) {
    if (rest.starts_with(kRepeat)) {
      if (!read_repeat(rest, tracks)) return std::nullopt;
    } else {
      const std::size_t end = find_unicode_white_space(rest);
      const auto t = track(rest.substr(0, end));
      if (!t) return std::nullopt;
      tracks.push_back(*t);
      rest = rest.substr(end);
    }
    if (tracks.size() > kMaxTracks) return std::nullopt;
    rest = trim_unicode_white_space(rest);
  }
  if (tracks.empty()) return std::nullopt;
  return tracks;
}

}  // namespace grid_tracks

std::optional<Property> property(std::string_view name, std::string_view value) {
  for (const auto& row : kProperties) {
    if (row.name == name) return row.parse(value);
  }
  return std::nullopt;
}

kivo_dom::Result<std::vector<Declaration>, std::string> declarations(std::string_view text,
                                                                     WarningList& warnings) {
  // 1. Remove comments. A text without "/*" has none (a rule body from a
  // style sheet never has: the sheet's comments are already gone), so it is
  // read as it is instead of through a copy.
  std::string cleaned;
  std::string_view rest = text;
  if (text.find("/*") != std::string_view::npos) {
    KIVO_TRY_ASSIGN(cleaned, syntax::remove_comments(text));
    rest = cleaned;
  }

  // 2. Read the pieces between top-level ";" one by one.
  std::vector<Declaration> out;
  std::size_t pieces = 0;
  while (!rest.empty()) {
    if (pieces == kMaxDeclarationPieces) {
      return kivo_dom::err(std::string("CSS declaration limit exceeded"));
    }
    KIVO_TRY_ASSIGN(const std::optional<std::size_t> stop, syntax::boundary(rest, ";"));
    std::string_view piece = rest;
    if (stop) {
      piece = rest.substr(0, *stop);
      rest = rest.substr(*stop + 1);
    } else {
      rest = {};
    }
    ++pieces;

    piece = trim_unicode_white_space(piece);
    if (piece.empty()) continue;
    const std::size_t colon = piece.find(':');
    if (colon == std::string_view::npos) {
      warn(warnings, kInvalidDeclaration);
      continue;
    }
    const std::string name = kivo_dom::ascii_lowercase(trim_unicode_white_space(piece.substr(0, colon)));
    const std::string lowered = kivo_dom::ascii_lowercase(trim_unicode_white_space(piece.substr(colon + 1)));
    std::string_view value = lowered;
    bool important = false;
    if (value.size() >= kImportant.size() && value.ends_with(kImportant)) {
      value = trim_unicode_white_space(value.substr(0, value.size() - kImportant.size()));
      important = true;
    }
    auto parsed = property(name, value);
    if (!parsed) {
      warn(warnings, kUnsupportedValue);
      continue;
    }
    out.push_back(Declaration{std::move(*parsed), important});
  }
  return out;
}

}  // namespace kivo_style::parser
