// The generic scene handler: the scene's schema over the tokens of the JSON
// scanner. It builds the document (and a measurement request) as the tokens
// come, following where each value belongs on a stack of its own, so that a
// line can be handed over in pieces. A value that does not fit the schema is
// noted as the line's error and the rest is still read, so that a request
// line is told apart whatever else it holds. Commands in the renderer's own
// form are taken through the short path.
#pragma once

#include <memory>
#include <string>

#include "loading/json_scanner.h"
#include "loading/scene_decoder.h"

class SceneHandler {
public:
  SceneHandler();
  ~SceneHandler();
  SceneHandler(const SceneHandler&) = delete;
  SceneHandler& operator=(const SceneHandler&) = delete;

  // Takes the scanner's tokens until it needs more bytes, has read the
  // whole value or finds the text is not JSON; returns that token.
  JsonScanner::Token take(JsonScanner& scanner);
  // The scanner's reason when the text is not JSON.
  void noteSyntaxError(const std::string& error);
  // What the line holds, once the scanner has stopped; `parsed` tells
  // whether it read the whole value.
  SceneLine finish(bool parsed);

private:
  class Schema;
  std::unique_ptr<Schema> m_schema;
};
