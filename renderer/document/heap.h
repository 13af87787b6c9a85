// The renderer program's heap. A run lives for tens of milliseconds and
// builds everything once, so most of its memory is touched for the first time
// while it runs; on a virtual machine every first touch of a 4 KiB page costs
// a fault of ~12 us, more than the work done in that page. The program
// therefore keeps all its memory in one heap that it grows once, by what its
// input may need, and asks the kernel to back that heap with transparent huge
// pages (one fault per 2 MiB) where the kernel offers them. Memory freed
// during the run goes back to that heap and is reused, never returned to the
// kernel and touched afresh.
//
// Only the program configures its heap; in-process callers (the tests, the
// benchmarks) keep their allocator as it is, and grow_for_input() does
// nothing for them. Every step is a request: where the kernel or the
// allocator refuses one, the run goes on with ordinary pages.
#pragma once

#include <cstddef>

namespace kivo_document::heap {

// Sets the allocator up for one short run: every block from the main heap,
// none given back to the kernel; and grows the heap at once by what a run
// over a 64 KiB input may use, so that the program's first blocks come from
// huge pages too. Called by the program first thing in main(), before its
// sandbox.
void configure();

// Grows the heap by what a run over an input of `input_bytes` bytes may use
// (never by more than the allocator takes from the heap), and asks for huge
// pages on it and on the allocator's usual step beyond it; does nothing when
// the heap has already grown that far, or unless configure() ran. Called when
// the input's length is known, before its buffer is allocated. A limit on the
// process's data keeps its effect: a growth it refuses leaves the heap as it
// was, and blocks come from ordinary pages.
void grow_for_input(std::size_t input_bytes);

// The bytes grow_for_input() reserves for an input of `input_bytes` bytes.
std::size_t reserve_for_input(std::size_t input_bytes);

}  // namespace kivo_document::heap
