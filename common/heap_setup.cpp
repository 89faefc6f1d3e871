#include "common/heap_setup.h"

#include <array>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define KZ_FOREIGN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KZ_FOREIGN_ALLOCATOR 1
#endif
#endif

namespace kz::heap {

Span hugePageSpan(std::uintptr_t first, std::uintptr_t lastEnd, std::uintptr_t programBreak) {
  if (first == 0 || lastEnd > programBreak) return {};
  return {(first + kHugePage - 1) & ~(kHugePage - 1), programBreak & ~(kHugePage - 1)};
}

#if defined(__GLIBC__) && !defined(KZ_FOREIGN_ALLOCATOR)

namespace {

// Blocks below the mapping threshold come from the program break, one after the other.
constexpr std::size_t kMmapThreshold = std::size_t{32} << 20;
constexpr std::size_t kReserveBlock = std::size_t{30} << 20;
constexpr std::size_t kReserveBlocks = 3;
constexpr int kNeverTrim = 1 << 30;

// Kept for the whole run; volatile, so that the compiler keeps an allocation nothing reads.
void* volatile belowHugePages = nullptr;

void reserveHugePages() {
  std::array<void*, kReserveBlocks> blocks{};
  for (void*& block : blocks) block = std::malloc(kReserveBlock);
  bool allTaken = true;
  for (void* block : blocks) allTaken = allTaken && block != nullptr;
  Span span;
  if (allTaken) {
    auto first = reinterpret_cast<std::uintptr_t>(blocks.front());
    auto lastEnd = reinterpret_cast<std::uintptr_t>(blocks.back()) + kReserveBlock;
    span = hugePageSpan(first, lastEnd, reinterpret_cast<std::uintptr_t>(sbrk(0)));
  }
  for (void* block : blocks) std::free(block);
  if (span.empty()) return;
  // Only a hint: where huge pages are unavailable the heap keeps small pages.
  madvise(reinterpret_cast<void*>(span.begin), span.end - span.begin, MADV_HUGEPAGE);
  // The heap below the first huge page would serve the next allocations in small pages. A
  // block that is never touched fills it: it costs address space only.
  if (span.begin > reinterpret_cast<std::uintptr_t>(blocks.front()))
    belowHugePages = std::malloc(span.begin - reinterpret_cast<std::uintptr_t>(blocks.front()));
}

}  // namespace

void prepareForBulkUse() {
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kMmapThreshold));
  mallopt(M_TRIM_THRESHOLD, kNeverTrim);
  reserveHugePages();
}

#else

void prepareForBulkUse() {}

#endif

}  // namespace kz::heap
