// Computed style values: the small value types that CSS declarations parse
// into, the tagged `Property` a declaration carries, and the `Style` record the
// cascade computes for every node and layout reads.
//
// Limits: every float here is finite and not negative; values that come from a
// declaration stay within the bounds of their grammar (declarations.h); a track
// list holds 1 to 12 tracks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace kivo_style {

// Box kind of a node.
enum class Display : std::uint8_t { Block = 0, Inline = 1, Flex = 2, Grid = 3, None = 4 };

// Whether width and height include padding and border.
enum class BoxSizing : std::uint8_t { ContentBox = 0, BorderBox = 1 };

// Main axis of a flex container.
enum class FlexDirection : std::uint8_t { Row = 0, Column = 1 };

// Whether a flex container wraps its items into lines.
enum class FlexWrap : std::uint8_t { NoWrap = 0, Wrap = 1 };

// Cross-axis alignment.
enum class Align : std::uint8_t { Start = 0, Center = 1, End = 2, Stretch = 3 };

// Main-axis distribution.
enum class Justify : std::uint8_t {
  Start = 0,
  Center = 1,
  End = 2,
  SpaceBetween = 3,
  SpaceAround = 4,
  SpaceEvenly = 5,
};

// An edge of a box, in the order of the four-edge arrays of a style (margin,
// margin_auto, padding).
enum class Edge : std::uint8_t { Top = 0, Right = 1, Bottom = 2, Left = 3 };

// The entry of an edge in a four-edge array.
template <class T>
constexpr T& edge(std::array<T, 4>& edges, Edge which) {
  return edges[static_cast<std::size_t>(which)];
}
template <class T>
constexpr const T& edge(const std::array<T, 4>& edges, Edge which) {
  return edges[static_cast<std::size_t>(which)];
}

// A length in CSS pixels or a percentage (0 to 100) of the containing width.
// Where a property allows auto or none, it is held as std::optional<Length>
// whose absence means that keyword.
struct Length {
  enum Kind : std::uint8_t { Px = 0, Percent = 1 };
  Kind kind = Px;
  float value = 0;

  static constexpr Length px(float v) { return Length{Px, v}; }
  static constexpr Length percent(float v) { return Length{Percent, v}; }
  bool operator==(const Length&) const = default;
};

// One grid column: a fixed width in pixels or a flexible fraction.
struct Track {
  enum Kind : std::uint8_t { Px = 0, Fr = 1 };
  Kind kind = Px;
  float value = 0;

  static constexpr Track px(float v) { return Track{Px, v}; }
  static constexpr Track fr(float v) { return Track{Fr, v}; }
  bool operator==(const Track&) const = default;
};

// The grid columns of a style, read like a constant std::vector<Track>.
// Nearly every node keeps the initial single 1fr column, so that list is one
// shared constant rather than a heap block per node; a list set by CSS is
// shared between the copies of a style and copied only when a copy changes it.
class TrackList {
 public:
  using value_type = Track;
  using size_type = std::size_t;
  using const_iterator = std::vector<Track>::const_iterator;
  using iterator = const_iterator;

  // The initial list: one 1fr column.
  TrackList() = default;
  TrackList(std::vector<Track> tracks) : m_own(std::make_shared<const std::vector<Track>>(std::move(tracks))) {}
  TrackList(std::initializer_list<Track> tracks) : TrackList(std::vector<Track>(tracks)) {}

  TrackList& operator=(std::vector<Track> tracks) { return *this = TrackList(std::move(tracks)); }
  TrackList& operator=(std::initializer_list<Track> tracks) { return *this = TrackList(tracks); }

  // The tracks as a vector; the reference stays valid until this list changes.
  const std::vector<Track>& tracks() const { return m_own ? *m_own : initial(); }
  operator const std::vector<Track>&() const { return tracks(); }

  std::size_t size() const { return tracks().size(); }
  const Track& operator[](std::size_t i) const { return tracks()[i]; }
  const Track& back() const { return tracks().back(); }
  const_iterator begin() const { return tracks().begin(); }
  const_iterator end() const { return tracks().end(); }

  // Appends a track to this list only; other styles sharing it keep theirs.
  void push_back(Track track) {
    std::vector<Track> grown = tracks();
    grown.push_back(track);
    *this = std::move(grown);
  }

  friend bool operator==(const TrackList& a, const TrackList& b) { return a.tracks() == b.tracks(); }

 private:
  static const std::vector<Track>& initial();

  // Absent for the initial list.
  std::shared_ptr<const std::vector<Track>> m_own;
};

// Line height as a multiplier of the font size or in pixels. A multiplier is
// inherited as a multiplier, so it scales with the child's own font size.
struct LineHeight {
  enum Kind : std::uint8_t { Number = 0, Px = 1 };
  Kind kind = Number;
  float value = 1.5f;

  static constexpr LineHeight number(float v) { return LineHeight{Number, v}; }
  static constexpr LineHeight px(float v) { return LineHeight{Px, v}; }
  bool operator==(const LineHeight&) const = default;
};

struct Style;

// One parsed property value, tagged with the property it sets. Shorthands are
// already expanded by the parser, so applying never expands anything. The
// variant index is the property's one-byte tag (0 to 29).
struct Property {
  struct Color {
    std::uint32_t value = 0;
    bool operator==(const Color&) const = default;
  };
  struct Background {
    std::uint32_t value = 0;
    bool operator==(const Background&) const = default;
  };
  struct FontSize {
    float value = 0;
    bool operator==(const FontSize&) const = default;
  };
  struct FontWeight {
    bool bold = false;
    bool operator==(const FontWeight&) const = default;
  };
  struct LineHeight {
    kivo_style::LineHeight value;
    bool operator==(const LineHeight&) const = default;
  };
  // Edges are ordered top, right, bottom, left; an auto edge holds 0.
  struct Margin {
    std::array<float, 4> value{};
    std::array<bool, 4> is_auto{};
    bool operator==(const Margin&) const = default;
  };
  struct Padding {
    std::array<float, 4> value{};
    bool operator==(const Padding&) const = default;
  };
  // Edge index 0 top, 1 right, 2 bottom, 3 left.
  struct MarginEdge {
    std::uint8_t edge = 0;
    float value = 0;
    bool is_auto = false;
    bool operator==(const MarginEdge&) const = default;
  };
  struct PaddingEdge {
    std::uint8_t edge = 0;
    float value = 0;
    bool operator==(const PaddingEdge&) const = default;
  };
  struct Border {
    float width = 0;
    std::uint32_t color = 0;
    bool operator==(const Border&) const = default;
  };
  struct BorderRadius {
    float value = 0;
    bool operator==(const BorderRadius&) const = default;
  };
  // Absent means auto.
  struct Width {
    std::optional<Length> value;
    bool operator==(const Width&) const = default;
  };
  // Absent means none.
  struct MaxWidth {
    std::optional<Length> value;
    bool operator==(const MaxWidth&) const = default;
  };
  struct Display {
    kivo_style::Display value = kivo_style::Display::Block;
    bool operator==(const Display&) const = default;
  };
  struct BoxSizing {
    kivo_style::BoxSizing value = kivo_style::BoxSizing::ContentBox;
    bool operator==(const BoxSizing&) const = default;
  };
  struct GridTemplateColumns {
    std::vector<Track> tracks;
    bool operator==(const GridTemplateColumns&) const = default;
  };
  // Absent means auto.
  struct MinWidth {
    std::optional<Length> value;
    bool operator==(const MinWidth&) const = default;
  };
  // Absent means auto.
  struct Height {
    std::optional<float> value;
    bool operator==(const Height&) const = default;
  };
  struct MinHeight {
    float value = 0;
    bool operator==(const MinHeight&) const = default;
  };
  struct FlexDirection {
    kivo_style::FlexDirection value = kivo_style::FlexDirection::Row;
    bool operator==(const FlexDirection&) const = default;
  };
  struct FlexWrap {
    kivo_style::FlexWrap value = kivo_style::FlexWrap::NoWrap;
    bool operator==(const FlexWrap&) const = default;
  };
  struct FlexGrow {
    float value = 0;
    bool operator==(const FlexGrow&) const = default;
  };
  struct FlexShrink {
    float value = 0;
    bool operator==(const FlexShrink&) const = default;
  };
  // Absent means auto.
  struct FlexBasis {
    std::optional<Length> value;
    bool operator==(const FlexBasis&) const = default;
  };
  // The flex shorthand; an absent basis means auto.
  struct Flex {
    float grow = 0;
    float shrink = 0;
    std::optional<Length> basis;
    bool operator==(const Flex&) const = default;
  };
  // Index 0 the row gap, index 1 the column gap.
  struct Gap {
    float row = 0;
    float column = 0;
    bool operator==(const Gap&) const = default;
  };
  // Axis 0 row, 1 column.
  struct GapAxis {
    std::uint8_t axis = 0;
    float value = 0;
    bool operator==(const GapAxis&) const = default;
  };
  struct AlignItems {
    Align value = Align::Stretch;
    bool operator==(const AlignItems&) const = default;
  };
  // Absent means auto: the container's align_items decides.
  struct AlignSelf {
    std::optional<Align> value;
    bool operator==(const AlignSelf&) const = default;
  };
  struct JustifyContent {
    Justify value = Justify::Start;
    bool operator==(const JustifyContent&) const = default;
  };

  using Value = std::variant<Color, Background, FontSize, FontWeight, LineHeight, Margin, Padding,
                             MarginEdge, PaddingEdge, Border, BorderRadius, Width, MaxWidth, Display,
                             BoxSizing, GridTemplateColumns, MinWidth, Height, MinHeight,
                             FlexDirection, FlexWrap, FlexGrow, FlexShrink, FlexBasis, Flex, Gap,
                             GapAxis, AlignItems, AlignSelf, JustifyContent>;

  Value value;

  // The one-byte tag of the variant, 0 to 29 in declaration order.
  std::uint8_t tag() const { return static_cast<std::uint8_t>(value.index()); }

  // Writes one parsed value into a style; later calls overwrite earlier ones.
  static void apply(const Property& property, Style& style);

  bool operator==(const Property&) const = default;
};

// One declaration of a rule or a style attribute.
struct Declaration {
  Property property;
  bool important = false;

  bool operator==(const Declaration&) const = default;
};

// The computed values of one node. Default construction gives the initial
// style; exactly color, font_size, bold and line_height are inherited.
struct Style {
  Display display = Display::Block;
  std::uint32_t color = 0x292B38FF;
  std::uint32_t background_color = 0x00000000;
  float font_size = 16;
  bool bold = false;
  LineHeight line_height = LineHeight::number(1.5f);
  // Edges are ordered top, right, bottom, left (index them with edge()). An
  // auto edge holds 0.
  std::array<float, 4> margin{};
  std::array<bool, 4> margin_auto{};
  std::array<float, 4> padding{};
  float border_width = 0;
  std::uint32_t border_color = 0x292B38FF;
  float border_radius = 0;
  std::optional<Length> width;      // absent: auto
  std::optional<Length> max_width;  // absent: none
  std::optional<Length> min_width;  // absent: auto
  std::optional<float> height;      // absent: auto
  float min_height = 0;
  BoxSizing box_sizing = BoxSizing::ContentBox;
  TrackList grid_template_columns;  // initially one 1fr column
  FlexDirection flex_direction = FlexDirection::Row;
  FlexWrap flex_wrap = FlexWrap::NoWrap;
  float flex_grow = 0;
  float flex_shrink = 1;
  std::optional<Length> flex_basis;  // absent: auto
  std::array<float, 2> gap{};        // index 0 row gap, 1 column gap
  Align align_items = Align::Stretch;
  std::optional<Align> align_self;  // absent: auto
  Justify justify_content = Justify::Start;

  // A fresh record holding the initial values.
  static Style initial() { return Style{}; }

  // Copies the four inherited fields from the parent's computed style.
  void inherit_from(const Style& parent);

  bool operator==(const Style&) const = default;
};

}  // namespace kivo_style
