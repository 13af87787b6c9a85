#include "document/heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace kivo_document::heap {
namespace {

// The allocator of a sanitizer build is the sanitizer's own; nothing here
// applies to it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kOwnAllocator = false;
#else
constexpr bool kOwnAllocator = true;
#endif

// The size of a transparent huge page on x86-64.
constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
// Blocks up to the allocator's largest mapping threshold come from the heap;
// the renderer allocates nothing larger.
constexpr int kLargestHeapBlock = 32 << 20;
// What every run needs besides its input: the parser's, the cascade's and
// layout's tables, the scene and the writers' buffers.
constexpr std::size_t kBaseReserve = std::size_t{4} << 20;
// Per input byte: the tree, the computed styles, the paints and the texts
// they copy. Most pages use 3 to 12 bytes per input byte, pages of many small
// elements up to about 60. A reserve that is never touched costs no memory,
// only address space, while every block beyond it is a fault of its own.
constexpr std::size_t kReservePerInputByte = 64;
// Fewer small pages than this before the first huge page are not worth a
// block of their own.
constexpr std::uintptr_t kSmallestSkip = 64 << 10;
// The reserve and the room to align it stay below the largest heap block, so
// that the probe still comes from the heap.
constexpr std::size_t kLargestReserve = std::size_t{kLargestHeapBlock} - 2 * kHugePage;
// How far the heap grows beyond a request once the reserve is used up.
constexpr int kLaterGrowth = 4 << 20;

bool g_configured = false;
bool g_grown = false;

std::uintptr_t align_up(std::uintptr_t value) { return (value + kHugePage - 1) & ~(kHugePage - 1); }
std::uintptr_t align_down(std::uintptr_t value) { return value & ~(kHugePage - 1); }

}  // namespace

void configure() {
  if (!kOwnAllocator) return;
  // 1. Every block from the main heap: a block mapped on its own would be
  // touched afresh and unmapped again when freed.
  if (::mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock) != 1) return;
  // 2. Never shrink the heap: a freed block is reused by the next one.
  (void)::mallopt(M_TRIM_THRESHOLD, INT_MAX);
  g_configured = true;
}

std::size_t reserve_for_input(std::size_t input_bytes) {
  return std::min(kBaseReserve + kReservePerInputByte * input_bytes, kLargestReserve);
}

void grow_for_input(std::size_t input_bytes) {
  if (!g_configured || g_grown) return;
  g_grown = true;
  // 1. Grow the heap by the whole reserve at once, with room to start it on a
  // huge page: a probe that large cannot come from the heap's free end, so
  // the allocator extends the heap by it (and by the usual step beyond).
  (void)::mallopt(M_TOP_PAD, kLaterGrowth);
  const std::size_t probe_bytes = reserve_for_input(input_bytes) + kHugePage;
  void* probe = std::malloc(probe_bytes);
  if (probe == nullptr) return;
  const auto start = reinterpret_cast<std::uintptr_t>(probe);
  const auto end = reinterpret_cast<std::uintptr_t>(::sbrk(0));
  // A probe that came from a mapping of its own says the heap could not grow.
  if (end < start + probe_bytes) {
    std::free(probe);
    return;
  }
  // 2. Ask for huge pages on every whole one inside the probe and the step
  // beyond it, up to the heap's new end. Nothing has touched them yet: the
  // allocator wrote only the probe's header before the probe and the free
  // end's header after it, and a page touched as a small one keeps its whole
  // huge page small (the one that holds that header). A kernel without huge
  // pages refuses, and the pages stay small.
  const std::uintptr_t first = align_up(start);
  const std::uintptr_t last = align_down(end);
  if (last > first) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  // 3. The probe goes back to the heap's free end, where the run's blocks
  // will come from.
  std::free(probe);
  // 4. Start the run's blocks on the first huge page: one block, kept and
  // never written beyond its header, covers the small pages before it.
  if (first - start >= kSmallestSkip) {
    void* skip = std::malloc(first - start);
    if (skip != probe) std::free(skip);
  }
}

}  // namespace kivo_document::heap
