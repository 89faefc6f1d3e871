// A program's blocks come from a heap in a region it maps itself with huge pages, so that
// building its tables costs few page faults.
// Linked into the programs only (asmzel, zc1), not into the libraries and their tests. The
// sanitizers bring their own allocator, which is left alone.
#include <cstdlib>
#include <new>

#include "common/huge_page_heap.h"

#if !defined(__SANITIZE_ADDRESS__)

namespace {

// Address space only: untouched, it costs nothing. Beyond it, blocks come from the heap.
constexpr std::size_t kRegionBytes = std::size_t{64} << 30;

// Never destroyed: a block may be released by a destructor that runs after main returns.
kz::heap::HugePageHeap& heap() {
  alignas(kz::heap::HugePageHeap) static unsigned char storage[sizeof(kz::heap::HugePageHeap)];
  static kz::heap::HugePageHeap* made = new (storage) kz::heap::HugePageHeap(kRegionBytes);
  return *made;
}

void* allocateBlock(std::size_t size) noexcept {
  if (void* block = heap().allocate(size)) return block;
  return std::malloc(size == 0 ? 1 : size);
}

void releaseBlock(void* block) noexcept {
  if (block == nullptr) return;
  if (!heap().release(block)) std::free(block);
}

void* allocateOrThrow(std::size_t size) {
  if (void* block = allocateBlock(size)) return block;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateBlock(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocateBlock(size);
}
void operator delete(void* block) noexcept { releaseBlock(block); }
void operator delete[](void* block) noexcept { releaseBlock(block); }
void operator delete(void* block, std::size_t) noexcept { releaseBlock(block); }
void operator delete[](void* block, std::size_t) noexcept { releaseBlock(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { releaseBlock(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { releaseBlock(block); }

#endif
