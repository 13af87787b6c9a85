// A stand-in for the renderer kivo-document, started by the application's
// bridge tests in its place. It reads the input frame like the renderer, takes
// the first line of the payload as the name of a behaviour (with an optional
// argument after a space), and then acts it out: a well-behaved scene run
// with a measurement exchange, or one particular misbehaviour (a crash line,
// a hang, oversized output, broken lines, bad requests).
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "support/frame_length.h"

namespace {

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) std::_Exit(3);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void out(std::string_view bytes) {
  writeAll(STDOUT_FILENO, bytes);
}

[[noreturn]] void failWith(std::string_view line) {
  writeAll(STDERR_FILENO, line);
  std::_Exit(1);
}

bool readExactly(std::string& into, std::size_t count) {
  std::size_t done = into.size();
  into.resize(done + count);
  while (done < into.size()) {
    const ssize_t n = ::read(STDIN_FILENO, into.data() + done, into.size() - done);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// One answer line, at most 64 bytes, without its line feed.
std::string readAnswer() {
  std::string line;
  char c;
  while (line.size() < 64 && ::read(STDIN_FILENO, &c, 1) == 1) {
    if (c == '\n') return line;
    line += c;
  }
  failWith("incomplete measurement response\n");
}

[[noreturn]] void hang() {
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(60));
}

std::string request(std::string_view size, std::string_view text, bool bold = false) {
  return std::string("{\"measure\":true,\"size\":") + std::string(size) + ",\"bold\":" + (bold ? "true" : "false") +
         ",\"text\":\"" + std::string(text) + "\"}\n";
}

// A scene line whose title and first text command carry `title` and `width`,
// with `padding` spaces before the closing brace.
std::string scene(std::string_view title, std::string_view width, std::size_t padding = 0, int version = 2) {
  std::string line = "{\"version\":" + std::to_string(version) +
                     ",\"width\":997,\"height\":120,\"title\":\"" + std::string(title) +
                     "\",\"warnings\":[\"unsupported display: table\"],\"anchors\":{\"top\":0,\"end\":80.5},"
                     "\"commands\":[{\"kind\":\"box\",\"x\":0,\"y\":0,\"width\":997,\"height\":120,"
                     "\"background\":4294967295,\"border\":0,\"borderWidth\":0,\"radius\":0,\"href\":null},"
                     "{\"kind\":\"text\",\"x\":8,\"y\":8,\"width\":" + std::string(width) +
                     ",\"height\":19,\"size\":16,\"bold\":false,\"color\":690698495,\"text\":\"Merhaba\","
                     "\"href\":\"https://example.com/\"}],"
                     "\"nodes\":[{\"id\":0,\"depth\":0,\"parent\":null,\"name\":\"#document\",\"text\":\"\","
                     "\"attributes\":{},\"computed\":{},\"bounds\":null}],\"inspectorTruncated\":false";
  line.append(padding, ' ');
  line += "}\n";
  return line;
}

// A scene line of exactly `total` bytes including its line feed.
std::string sceneOfSize(std::size_t total) {
  const std::size_t bare = scene("sized", "40").size();
  if (total < bare) failWith("requested output shorter than a scene\n");
  return scene("sized", "40", total - bare);
}

std::string manifestOfSize(std::size_t total) {
  const std::string head = "{\"resources\":[{\"id\":0,\"kind\":1,\"url\":\"a.css\"}],\"base\":null,\"limited\":false";
  if (total < head.size() + 2) failWith("requested output shorter than a manifest\n");
  return head + std::string(total - head.size() - 2, ' ') + "}\n";
}

std::size_t number(std::string_view text) {
  std::size_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

int manifestMode(std::string_view behaviour, std::string_view argument) {
  if (behaviour == "manifest") {
    out("{\"resources\":[{\"id\":0,\"kind\":1,\"url\":\"style/site.css\"},{\"id\":1,\"kind\":2,\"url\":\"logo.png\"}],"
        "\"base\":null,\"limited\":false}\n");
  } else if (behaviour == "manifest-size") {
    out(manifestOfSize(number(argument)));
  } else if (behaviour == "manifest-fail") {
    failWith("manifest refused\n");
  } else if (behaviour == "manifest-hang") {
    hang();
  } else if (behaviour == "manifest-bad-item") {
    out("{\"resources\":[{\"id\":0,\"kind\":\"1\",\"url\":\"a.css\"}],\"base\":null,\"limited\":false}\n");
  } else {
    failWith("unknown behaviour\n");
  }
  return 0;
}

int sceneMode(std::string_view behaviour, std::string_view argument, std::string_view width, std::size_t payloadSize) {
  if (behaviour == "scene") {
    out(request("16", "Merhaba"));
    const std::string answer = readAnswer();
    out(scene(answer, answer));
  } else if (behaviour == "split-request") {
    const std::string line = request("16", "Merhaba");
    out(line.substr(0, 20));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    out(line.substr(20));
    const std::string answer = readAnswer();
    out(scene(answer, answer));
  } else if (behaviour == "bold-and-space") {
    // Three requests; the title carries the three answers.
    out(request("16", "Merhaba"));
    const std::string regular = readAnswer();
    out(request("16", "Merhaba", true));
    const std::string bold = readAnswer();
    out(request("13.5", " "));
    const std::string space = readAnswer();
    out(scene(regular + " " + bold + " " + space, regular));
  } else if (behaviour == "echo-input") {
    // The title carries the width argument and the payload's size.
    out(scene(std::string(width) + " " + std::to_string(payloadSize), "40"));
  } else if (behaviour == "echo-process") {
    // The title carries the width argument and the process's id.
    out(scene(std::string(width) + " " + std::to_string(::getpid()), "40"));
  } else if (behaviour == "requests") {
    const std::size_t count = number(argument);
    for (std::size_t i = 0; i < count; ++i) {
      out(request("16", "w" + std::to_string(i)));
      readAnswer();
    }
    out(scene("requests", "40"));
  } else if (behaviour == "size") {
    out(request(argument, "Merhaba"));
    const std::string answer = readAnswer();
    out(scene(answer, answer));
  } else if (behaviour == "after-document") {
    out(scene("first", "40"));
    out(request("16", "late"));
    readAnswer();
  } else if (behaviour == "two-documents") {
    out(scene("first", "40"));
    out(scene("second", "40"));
  } else if (behaviour == "not-json") {
    out("this is not json\n");
  } else if (behaviour == "empty-line") {
    out("\n");
  } else if (behaviour == "measure-false") {
    out("{\"measure\":false,\"size\":16,\"bold\":false,\"text\":\"x\"}\n");
  } else if (behaviour == "missing-warnings") {
    out("{\"version\":2,\"width\":997,\"height\":10,\"title\":\"\",\"anchors\":{},\"commands\":[]}\n");
  } else if (behaviour == "invalid-scene") {
    out(scene("old", "40", 0, 1));
  } else if (behaviour == "unterminated") {
    std::string line = scene("cut", "40");
    line.pop_back();
    out(line);
  } else if (behaviour == "silent") {
  } else if (behaviour == "fail") {
    failWith("invalid style viewport\n");
  } else if (behaviour == "fail-invalid-utf8") {
    failWith("\xff\xfe broken\n");
  } else if (behaviour == "fail-long") {
    std::string line;
    for (int i = 0; i < 1000; ++i) line += "ğ";
    failWith(line + "\n");
  } else if (behaviour == "flood-error") {
    // More standard error than a pipe holds, before any output.
    writeAll(STDERR_FILENO, std::string(1024 * 1024, 'e'));
    out(scene("flooded", "40"));
  } else if (behaviour == "output") {
    out(sceneOfSize(number(argument)));
  } else if (behaviour == "hang") {
    hang();
  } else {
    failWith("unknown behaviour\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::string_view(argv[1]) != "--stdin") failWith("expected --stdin and a width\n");
  std::string header;
  if (!readExactly(header, kivo_wire::kFrameLengthBytes)) failWith("failed to fill whole buffer\n");
  const std::uint32_t length = kivo_wire::read_be32(header);
  // The behaviour's name is on the payload's first line.
  std::string payload;
  const std::size_t head = length < 128 ? length : 128;
  if (!readExactly(payload, head)) failWith("failed to fill whole buffer\n");
  const std::size_t lineEnd = payload.find('\n');
  const std::string line = payload.substr(0, lineEnd);
  const std::size_t space = line.find(' ');
  const std::string behaviour = line.substr(0, space);
  const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
  if (behaviour == "ignore-input") hang();
  if (!readExactly(payload, length - head)) failWith("failed to fill whole buffer\n");

  const std::string_view width = argv[2];
  if (width == "0") return manifestMode(behaviour, argument);
  return sceneMode(behaviour, argument, width, payload.size());
}
