// The numbers of the renderer's input: the length before a frame's payload
// and the counts, lengths and sizes of a resource envelope, each an unsigned
// 32-bit number written most significant byte first. Standard C++ only: both
// programs, the tools and the benchmarks write and read them through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kivo_wire {

// The bytes of one number, and so of a frame's length before its payload.
inline constexpr std::size_t kFrameLengthBytes = 4;

// Appends `value`, most significant byte first.
inline void append_be32(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>((value >> 24) & 0xFF));
  out.push_back(static_cast<char>((value >> 16) & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
  out.push_back(static_cast<char>(value & 0xFF));
}

// The four bytes of `value`, most significant first: a frame's header when
// `value` is its payload's length.
inline std::string be32(std::uint32_t value) {
  std::string out;
  out.reserve(kFrameLengthBytes);
  append_be32(out, value);
  return out;
}

// The number in the first four bytes of `bytes`, which holds at least four.
inline std::uint32_t read_be32(std::string_view bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < kFrameLengthBytes; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
  return value;
}

}  // namespace kivo_wire
