// Deterministic made-up text for generated benchmark pages: the same bytes on
// every platform and in every program that includes this header, so that two
// benchmarks given the same seed measure the same page. Standard C++ only.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace bench_pages {

// A small deterministic generator (xorshift64*), the same on every platform.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed | 1) {}
  std::uint64_t next() {
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return m_state * 0x2545F4914F6CDD1DULL;
  }
  // Uniform in [0, bound).
  std::size_t below(std::size_t bound) { return static_cast<std::size_t>(next() % bound); }
  // Uniform in [0, 1).
  double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }

 private:
  std::uint64_t m_state;
};

// Words of a made-up language drawn with a skew, so that frequent words repeat
// the way they do in real text and the measurement cache meets real hit rates.
class Words {
 public:
  Words(std::uint64_t seed, std::size_t vocabulary) : m_random(seed) {
    static constexpr std::string_view kSyllables[] = {"ka", "le", "mi", "no", "ru", "sa", "te", "vi", "yo",
                                                      "zu", "bar", "den", "gor", "hal", "kin", "lor", "mes",
                                                      "nar", "pel", "sit", "tor", "\xC3\xBC" "n", "\xC5\x9F" "e"};
    constexpr std::size_t kCount = std::size(kSyllables);
    for (std::size_t i = 0; i < vocabulary; ++i) {
      std::string word;
      std::size_t n = i;
      do {
        word += kSyllables[n % kCount];
        n /= kCount;
      } while (n > 0);
      m_vocabulary.push_back(std::move(word));
    }
  }

  const std::string& next() {
    const double u = m_random.unit();
    return m_vocabulary[std::min(m_vocabulary.size() - 1,
                                 static_cast<std::size_t>(static_cast<double>(m_vocabulary.size()) * u * u * u))];
  }

  // `count` words separated by single spaces.
  std::string run(std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
      if (i > 0) out += ' ';
      out += next();
    }
    return out;
  }

  Random& random() { return m_random; }

 private:
  Random m_random;
  std::vector<std::string> m_vocabulary;
};

// `nominal` at `scale`, rounded to a whole count.
inline std::size_t scaled(double nominal, double scale) {
  return static_cast<std::size_t>(std::llround(nominal * scale));
}

}  // namespace bench_pages
