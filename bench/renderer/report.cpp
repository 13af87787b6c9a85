#include "report.h"

#include <cstdio>
#include <string_view>

namespace bench_renderer {
namespace {

// The targets the renderer is held to on an idle machine.
constexpr double kTypicalCpuMs = 5;
constexpr double kCaseCpuMs = 300;
constexpr double kFailureCpuMs = 300;
constexpr double kMaxRssMib = 64;
// A doubling that costs more than this factor is reported as faster than linear.
constexpr double kLinearRatio = 2.6;

std::string format(const char* pattern, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, value);
  return buffer;
}

std::string pad(std::string text, std::size_t width, bool right) {
  if (text.size() >= width) return text;
  return right ? std::string(width - text.size(), ' ') + text : text + std::string(width - text.size(), ' ');
}

double mib(std::uint64_t kib) { return static_cast<double>(kib) / 1024.0; }

void json_string(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char buffer[8];
      std::snprintf(buffer, sizeof buffer, "\\u%04x", byte);
      out += buffer;
    } else {
      out += c;
    }
  }
  out += '"';
}

void json_number(std::string& out, double value) { out += format("%.3f", value); }

// Marks a doubling whose processor time or width requests grew faster than linearly.
std::string flag(const Growth& g) {
  std::string out;
  if (g.ratio > kLinearRatio) out += "  cpu faster than linear?";
  if (g.small_asked > 0 &&
      static_cast<double>(g.large_asked) > kLinearRatio * static_cast<double>(g.small_asked)) {
    out += "  widths asked faster than linear";
  }
  return out;
}

}  // namespace

bool as_expected(const Measurement& m) {
  if (m.expected_error.empty()) return m.run.status == 0;
  return m.run.status == 1 && m.run.error_line == m.expected_error;
}

std::string outcome(const Measurement& m) {
  std::string text;
  if (m.run.status == 0) {
    text = m.tally.fallback ? "ok, fallback" : "ok";
  } else {
    text = as_expected(m) ? "limit: " : "FAILED: ";
    text += m.run.error_line.empty() ? "status " + std::to_string(m.run.status) : m.run.error_line;
  }
  // The renderer's cache should make every request line on the pipe distinct.
  if (m.run.requests > m.run.distinct_requests) {
    text += " (" + std::to_string(m.run.requests - m.run.distinct_requests) + " repeated requests)";
  }
  return text;
}

std::string format_table(const Report& report) {
  struct Column {
    const char* title;
    std::size_t width;
    bool right;
  };
  static constexpr Column kColumns[] = {
      {"case", 22, false},     {"delay", 5, true},  {"in KiB", 7, true},   {"in-proc", 7, true}, {"wall ms", 8, true},
      {"cpu ms", 7, true},     {"sys ms", 7, true},  {"blocked", 8, true}, {"answer", 7, true},  {"asked", 6, true},
      {"sent", 6, true},       {"hits", 6, true},    {"out KiB", 8, true}, {"rss MiB", 7, true},
      {"result", 0, false},
  };
  std::string out;
  const auto row = [&out](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      out += pad(cells[i], kColumns[i].width, kColumns[i].right);
      out += i + 1 < cells.size() ? "  " : "\n";
    }
  };
  std::vector<std::string> titles;
  for (const Column& c : kColumns) titles.emplace_back(c.title);
  row(titles);
  for (const Measurement& m : report.measurements) {
    const std::uint64_t hits = m.tally.widths_asked > m.run.requests ? m.tally.widths_asked - m.run.requests : 0;
    row({m.name, std::to_string(m.delay_us) + "us", format("%.1f", static_cast<double>(m.input_bytes) / 1024),
         format("%.2f", m.tally.total_ms), format("%.2f", m.run.wall_ms), format("%.2f", m.run.cpu_ms), format("%.2f", m.run.system_ms),
         format("%.2f", m.run.blocked_ms),
         format("%.2f", m.run.answer_ms), std::to_string(m.tally.widths_asked), std::to_string(m.run.requests),
         std::to_string(hits), format("%.1f", static_cast<double>(m.run.bytes_out) / 1024),
         format("%.1f", mib(m.run.max_rss_kib)), outcome(m)});
  }
  out += "\nin-proc: the same run inside this process, with no process and instant answers (ms, wall);\n"
         "wall - in-proc is what the process, its start and the exchanges add.\n"
         "cpu: the renderer's user+system time (wait4); sys: its system part (where the kernel samples\n"
         "by tick, the split is rough and only the sum counts); blocked: wall - cpu; answer: time from a\n"
         "request's arrival to its answer written; asked: widths layout asked for (in-process count,\n"
         "cache hits included); sent: request lines on the pipe; hits: asked - sent; rss: peak resident\n"
         "memory (at least the small spawn helper's). Medians of the repeats.\n";

  if (!report.growth.empty()) {
    out += "\ndoubling (instant answers, cpu above the " + format("%.2f", report.baseline_cpu_ms) +
           " ms of an empty run)\n";
    out += "case                    in KiB      x2   cpu ms      x2    asked      x2   ratio\n";
    for (const Growth& g : report.growth) {
      out += pad(g.name, 22, false) + pad(format("%.1f", static_cast<double>(g.small_bytes) / 1024), 8, true) +
             pad(format("%.1f", static_cast<double>(g.large_bytes) / 1024), 8, true) +
             pad(format("%.2f", g.small_cpu_ms), 9, true) + pad(format("%.2f", g.large_cpu_ms), 8, true) +
             pad(std::to_string(g.small_asked), 9, true) + pad(std::to_string(g.large_asked), 8, true) +
             pad(format("%.2f", g.ratio), 8, true) + flag(g) + "\n";
    }
  }

  out += "\ntargets (meaningful on an idle machine)\n";
  for (const Measurement& m : report.measurements) {
    if (m.delay_us != 0) continue;
    const bool failure = !m.expected_error.empty();
    const double limit = m.name == "typical" ? kTypicalCpuMs : failure ? kFailureCpuMs : kCaseCpuMs;
    const bool cpu_ok = m.run.cpu_ms <= limit;
    const bool rss_ok = mib(m.run.max_rss_kib) <= kMaxRssMib;
    out += "  " + pad(m.name, 22, false) + " cpu " + format("%.2f", m.run.cpu_ms) + " ms <= " +
           format("%.0f", limit) + (cpu_ok ? " ok" : " OVER") + ", rss " + format("%.1f", mib(m.run.max_rss_kib)) +
           " MiB <= 64" + (rss_ok ? " ok" : " OVER") + (as_expected(m) ? "" : ", UNEXPECTED OUTCOME") + "\n";
  }
  return out;
}

std::string format_json(const Report& report) {
  std::string out = "{\"baseline_cpu_ms\":";
  json_number(out, report.baseline_cpu_ms);
  out += ",\"cases\":[";
  for (std::size_t i = 0; i < report.measurements.size(); ++i) {
    const Measurement& m = report.measurements[i];
    if (i > 0) out += ',';
    out += "{\"name\":";
    json_string(out, m.name);
    out += ",\"summary\":";
    json_string(out, m.summary);
    out += ",\"width\":";
    json_string(out, m.width);
    out += ",\"delay_us\":" + std::to_string(m.delay_us) + ",\"repeats\":" + std::to_string(m.repeats) +
           ",\"input_bytes\":" + std::to_string(m.input_bytes) + ",\"status\":" + std::to_string(m.run.status) +
           ",\"error\":";
    json_string(out, m.run.error_line);
    out += ",\"expected_error\":";
    json_string(out, m.expected_error);
    out += std::string(",\"as_expected\":") + (as_expected(m) ? "true" : "false");
    out += std::string(",\"fallback\":") + (m.tally.fallback ? "true" : "false");
    const std::pair<const char*, double> times[] = {
        {"wall_ms", m.run.wall_ms},         {"cpu_ms", m.run.cpu_ms},         {"system_ms", m.run.system_ms},
        {"blocked_ms", m.run.blocked_ms},
        {"answer_ms", m.run.answer_ms},     {"parse_ms", m.tally.parse_ms},   {"style_ms", m.tally.style_ms},
        {"layout_ms", m.tally.layout_ms},   {"write_ms", m.tally.write_ms},  {"in_process_ms", m.tally.total_ms},
    };
    for (const auto& [key, value] : times) {
      out += ",\"" + std::string(key) + "\":";
      json_number(out, value);
    }
    const std::uint64_t hits = m.tally.widths_asked > m.run.requests ? m.tally.widths_asked - m.run.requests : 0;
    const std::pair<const char*, std::uint64_t> counts[] = {
        {"widths_asked", m.tally.widths_asked}, {"requests", m.run.requests},
        {"distinct_requests", m.run.distinct_requests}, {"cache_hits", hits},
        {"paints", m.tally.paints},             {"nodes", m.tally.nodes},
        {"bytes_out", m.run.bytes_out},         {"result_bytes", m.run.result_bytes},
        {"max_rss_kib", m.run.max_rss_kib},
    };
    for (const auto& [key, value] : counts) out += ",\"" + std::string(key) + "\":" + std::to_string(value);
    out += '}';
  }
  out += "],\"growth\":[";
  for (std::size_t i = 0; i < report.growth.size(); ++i) {
    const Growth& g = report.growth[i];
    if (i > 0) out += ',';
    out += "{\"name\":";
    json_string(out, g.name);
    out += ",\"small_bytes\":" + std::to_string(g.small_bytes) + ",\"large_bytes\":" + std::to_string(g.large_bytes) +
           ",\"small_asked\":" + std::to_string(g.small_asked) + ",\"large_asked\":" + std::to_string(g.large_asked) +
           ",\"small_cpu_ms\":";
    json_number(out, g.small_cpu_ms);
    out += ",\"large_cpu_ms\":";
    json_number(out, g.large_cpu_ms);
    out += ",\"ratio\":";
    json_number(out, g.ratio);
    out += '}';
  }
  out += "]}\n";
  return out;
}

}  // namespace bench_renderer
