#include "loading/scene_decoder.h"

#include <string>

#include "base/decoding_error.h"
#include "loading/json_scanner.h"
#include "loading/scene_handler.h"
#include "loading/scene_plain_forms.h"

struct SceneLineDecoder::State {
  SceneHandler handler;
  JsonScanner scanner;
  // The bytes given but not yet consumed: the start of an unfinished token.
  std::string buffer;
  // A long unfinished token is scanned again only once the buffer has
  // doubled, so that a huge token arriving in small pieces costs linear time.
  std::size_t retryAt = 0;
  bool failed = false;
};

SceneLineDecoder::SceneLineDecoder() : m_state(std::make_unique<State>()) {}

SceneLineDecoder::~SceneLineDecoder() = default;

void SceneLineDecoder::feed(std::string_view bytes) {
  State& s = *m_state;
  if (s.failed || bytes.empty()) return;
  JsonScanner::Token progress;
  if (s.buffer.empty()) {
    s.scanner.feed(bytes, false);
    progress = s.handler.take(s.scanner);
    if (progress == JsonScanner::Token::NeedMore) s.buffer.assign(bytes.substr(s.scanner.consumed()));
  } else {
    s.buffer.append(bytes);
    if (s.buffer.size() < s.retryAt) return;
    s.scanner.feed(s.buffer, false);
    progress = s.handler.take(s.scanner);
    s.buffer.erase(0, s.scanner.consumed());
  }
  if (progress == JsonScanner::Token::Failed) {
    s.failed = true;
    s.buffer.clear();
    return;
  }
  s.retryAt = 2 * s.buffer.size();
}

SceneLine SceneLineDecoder::finish() {
  State& s = *m_state;
  bool parsed = false;
  if (!s.failed) {
    s.scanner.feed(s.buffer, true);
    parsed = s.handler.take(s.scanner) == JsonScanner::Token::End;
  }
  if (!parsed) s.handler.noteSyntaxError(s.scanner.error());
  return s.handler.finish(parsed);
}

SceneLine decodeSceneLine(std::string_view line) {
  if (std::optional<SceneLine> request = readPlainRequest(line)) return std::move(*request);
  SceneHandler handler;
  JsonScanner scanner;
  scanner.feed(line, true);
  const bool scanned = handler.take(scanner) == JsonScanner::Token::End;
  if (!scanned) handler.noteSyntaxError(scanner.error());
  return handler.finish(scanned);
}

// The document is the scene decoder's to read: the page document's own code
// knows nothing of the JSON, so that the decoder depends on the document's
// types and never the other way round.
PageDocument PageDocument::fromJson(std::string_view text) {
  SceneLine line = decodeSceneLine(text);
  if (!line.document) throw DecodingError(line.error);
  return std::move(*line.document);
}
