// Decodes one line of the renderer's scene-mode output in a single streaming
// pass, without building a JSON tree: the line is either a measurement
// request or the scene document. A scene of 24 MiB thus costs one scan and the
// document's own values, not a tree of every member that is then copied and
// freed.
//
// This is the line facade: a line goes first to the short path for the
// renderer's own request form (scene_plain_forms.h) and otherwise to the
// generic scene handler (scene_handler.h).
//
// Limits: the caller bounds the line (the bridge's output budget); nesting is
// followed with an explicit stack, so deep input costs no call depth. A line
// that arrives in pieces is decoded as they come (SceneLineDecoder), keeping
// only the start of an unfinished token, never the whole line.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "loading/page_document.h"
#include "support/wire_contract.h"

// The longest text of one paint command, in UTF-8 bytes. Every text the
// renderer paints comes out of its input's HTML (a text node or an image's
// alternative text), so no real one is longer than that; a longer one is
// refused with its scene, before it reaches a view.
inline constexpr std::size_t kMaxCommandTextBytes = kivo_wire::kMaxHtmlBytes;

// A request of the renderer for the width of a text.
struct MeasurementRequest {
  std::string text;
  double size = 0;
  bool bold = false;
};

// What one line holds.
struct SceneLine {
  std::optional<MeasurementRequest> request;  // set when the line is a request
  std::optional<PageDocument> document;       // set when it decodes as a document
  std::string error;                          // why it does not, when it does not
};

// A line is a request when it is a JSON object with the members "measure"
// (true), "text" (string), "size" (number) and "bold" (boolean); a request
// comes first, whatever else the line holds. The line is also decoded as a
// document: a missing or mistyped member, a command's text longer than
// kMaxCommandTextBytes, or text that is not JSON, gives the error instead.
SceneLine decodeSceneLine(std::string_view line);

// Decodes one line that arrives in pieces, as far as each piece allows, so
// that a long scene is decoded while the renderer is still writing it. The
// result is exactly decodeSceneLine's for the whole line, whatever the pieces.
class SceneLineDecoder {
public:
  SceneLineDecoder();
  ~SceneLineDecoder();
  SceneLineDecoder(const SceneLineDecoder&) = delete;
  SceneLineDecoder& operator=(const SceneLineDecoder&) = delete;

  // Takes the next bytes of the line (without its line feed).
  void feed(std::string_view bytes);
  // The line has ended: what it holds. Call once, after the last feed().
  SceneLine finish();

private:
  struct State;
  std::unique_ptr<State> m_state;
};
