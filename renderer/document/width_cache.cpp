#include "document/width_cache.h"

#include <cstring>

namespace kivo_document {
namespace {

constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ULL;
constexpr std::size_t kFirstSlots = 64;

std::uint64_t load8(const char* bytes) {
  std::uint64_t value;
  std::memcpy(&value, bytes, 8);
  return value;
}

std::uint32_t load4(const char* bytes) {
  std::uint32_t value;
  std::memcpy(&value, bytes, 4);
  return value;
}

// One to eight bytes as one number, with fixed-size loads only (a word is
// usually that short): two loads that may overlap, or three single bytes.
std::uint64_t load_tail(const char* bytes, std::size_t count) {
  if (count >= 4) return std::uint64_t{load4(bytes)} << 32 | load4(bytes + count - 4);
  const auto byte = [&](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(bytes[i])}; };
  return byte(0) << 16 | byte(count / 2) << 8 | byte(count - 1);
}

std::uint64_t mix(std::uint64_t value) {
  value ^= value >> 32;
  value *= kMultiplier;
  value ^= value >> 29;
  return value;
}

}  // namespace

std::uint64_t WidthCache::hash_of(std::string_view text, std::uint32_t size_bits, bool bold) {
  std::uint64_t h = (std::uint64_t{size_bits} << 1 | (bold ? 1 : 0)) ^ (text.size() * kMultiplier);
  const char* p = text.data();
  std::size_t left = text.size();
  for (; left > 8; left -= 8, p += 8) h = mix(h ^ load8(p)) + kMultiplier;
  if (left > 0) h = mix(h ^ load_tail(p, left));
  return mix(h);
}

bool WidthCache::matches(const Slot& slot, std::uint64_t hash, std::string_view text, std::uint32_t size_bits,
                         bool bold) const {
  return slot.hash == hash && slot.size_bits == size_bits && slot.bold == bold && slot.length == text.size() &&
         std::memcmp(m_texts.data() + slot.offset, text.data(), text.size()) == 0;
}

std::optional<float> WidthCache::find(std::string_view text, std::uint32_t size_bits, bool bold) const {
  if (m_count == 0) return std::nullopt;
  const std::uint64_t hash = hash_of(text, size_bits, bold);
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = m_slots[i];
    if (!slot.used) return std::nullopt;
    if (matches(slot, hash, text, size_bits, bold)) return slot.width;
  }
}

void WidthCache::insert(std::string_view text, std::uint32_t size_bits, bool bold, float width) {
  if (2 * (m_count + 1) > m_slots.size()) grow();
  const std::uint64_t hash = hash_of(text, size_bits, bold);
  const std::size_t mask = m_slots.size() - 1;
  std::size_t i = hash & mask;
  while (m_slots[i].used) i = (i + 1) & mask;
  m_slots[i] = Slot{hash, m_texts.size(), static_cast<std::uint32_t>(text.size()), size_bits, width, bold, true};
  m_texts.append(text);
  ++m_count;
}

void WidthCache::grow() {
  std::vector<Slot> old(m_slots.empty() ? kFirstSlots : 2 * m_slots.size());
  old.swap(m_slots);
  const std::size_t mask = m_slots.size() - 1;
  for (const Slot& slot : old) {
    if (!slot.used) continue;
    std::size_t i = slot.hash & mask;
    while (m_slots[i].used) i = (i + 1) & mask;
    m_slots[i] = slot;
  }
}

}  // namespace kivo_document
