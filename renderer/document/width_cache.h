// The measurer's cache of answered widths: (text, size, bold) to width, only
// looked up and added to, never iterated or emptied during a run.
//
// Layout asks for the same words again and again (intrinsic sizing, then the
// lines themselves), so a lookup is on the path of every measurement. The
// table is open-addressed with linear probing over slots that hold the key's
// hash, its size and boldness, and where its text lies in one shared text
// store: a repeat costs one short hash and usually one slot, and an added key
// costs no allocation of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo_document {

class WidthCache {
 public:
  // The width answered for the key, if any.
  std::optional<float> find(std::string_view text, std::uint32_t size_bits, bool bold) const;
  // Adds a key that find() does not hold.
  void insert(std::string_view text, std::uint32_t size_bits, bool bold, float width);
  // Number of keys held.
  std::size_t size() const { return m_count; }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::size_t offset = 0;
    std::uint32_t length = 0;
    std::uint32_t size_bits = 0;
    float width = 0;
    bool bold = false;
    bool used = false;
  };

  static std::uint64_t hash_of(std::string_view text, std::uint32_t size_bits, bool bold);
  bool matches(const Slot& slot, std::uint64_t hash, std::string_view text, std::uint32_t size_bits,
               bool bold) const;
  void grow();

  // A power of two in length, at most half used.
  std::vector<Slot> m_slots;
  // The texts of all keys, one after the other.
  std::string m_texts;
  std::size_t m_count = 0;
};

}  // namespace kivo_document
