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
// The input the heap is first grown for, before any input is read: most pages
// are smaller, and the program's own first blocks then come from huge pages
// too.
constexpr std::size_t kFirstInputBytes = 64 << 10;

bool g_configured = false;
// The reserve the heap has been grown by so far.
std::size_t g_reserved = 0;

std::uintptr_t align_up(std::uintptr_t value) { return (value + kHugePage - 1) & ~(kHugePage - 1); }
std::uintptr_t align_down(std::uintptr_t value) { return value & ~(kHugePage - 1); }

}  // namespace

std::size_t reserve_for_input(std::size_t input_bytes) {
  return std::min(kBaseReserve + kReservePerInputByte * input_bytes, kLargestReserve);
}

namespace {

// Grows the heap by `reserve` bytes and asks for huge pages on them. The
// first growth also moves the start of the run's blocks onto a huge page.
void grow_by(std::size_t reserve) {
  const bool first_growth = g_reserved == 0;
  g_reserved = reserve;
  // 1. Grow the heap by the whole reserve at once, with room to start it on a
  // huge page: a probe that large cannot come from the heap's free end, so
  // the allocator extends the heap by it (and by the usual step beyond).
  (void)::mallopt(M_TOP_PAD, kLaterGrowth);
  const std::size_t probe_bytes = reserve + kHugePage;
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
  // pages refuses, and the pages stay small. A later growth starts inside the
  // range asked for before, which a second request leaves as it is.
  const std::uintptr_t first = align_up(start);
  const std::uintptr_t last = align_down(end);
  if (last > first) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  // 3. The probe goes back to the heap's free end, where the run's blocks
  // will come from.
  std::free(probe);
  // 4. Start the run's blocks on the first huge page: one block, kept and
  // never written beyond its header, covers the small pages before it.
  if (first_growth && first - start >= kSmallestSkip) {
    void* skip = std::malloc(first - start);
    if (skip != probe) std::free(skip);
  }
}

}  // namespace

void configure() {
  if (!kOwnAllocator) return;
  // 1. Every block from the main heap: a block mapped on its own would be
  // touched afresh and unmapped again when freed.
  if (::mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock) != 1) return;
  // 2. Never shrink the heap: a freed block is reused by the next one.
  (void)::mallopt(M_TRIM_THRESHOLD, INT_MAX);
  g_configured = true;
  // 3. Grow it now for a page of usual size, so that the program's own first
  // blocks (its arguments, its input and output buffers) are not each a
  // fault of their own on small pages.
  grow_by(reserve_for_input(kFirstInputBytes));
}

void grow_for_input(std::size_t input_bytes) {
  if (!g_configured) return;
  const std::size_t reserve = reserve_for_input(input_bytes);
  if (reserve > g_reserved) grow_by(reserve);
}

}  // namespace kivo_document::heap
