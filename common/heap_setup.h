#pragma once
// The C heap of a short run that builds large tables.
#include <cstddef>
#include <cstdint>

namespace kz::heap {

// Growing tables stay on the heap instead of being mapped fresh at every doubling, and freed
// memory is kept for reuse. Then a stretch of heap is taken from the system at once and marked
// for transparent huge pages: untouched, it costs address space only, and a first touch faults
// in 2 MiB instead of 4 KiB (a page fault costs several microseconds, more in a virtual
// machine). Later allocations start at the first huge page. Does nothing where the sanitizers
// replace the allocator; where huge pages are off, the heap behaves as before.
void prepareForBulkUse();

struct Span {
  std::uintptr_t begin = 0;
  std::uintptr_t end = 0;
  bool empty() const { return end <= begin; }
};

inline constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;

// The whole huge pages within [first, programBreak): the part of the heap between the first
// reserved block and the program break, when the reservation came from the break at all.
// `lastEnd` is the end of the last reserved block; a block mapped elsewhere lies beyond the
// break, and then nothing is advised.
Span hugePageSpan(std::uintptr_t first, std::uintptr_t lastEnd, std::uintptr_t programBreak);

}  // namespace kz::heap
