#include "common/huge_page_heap.h"

#include <sys/mman.h>

#include <bit>
#include <cstring>

namespace kz::heap {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kSmallestBlock = 16;

std::uintptr_t roundUp(std::uintptr_t value, std::size_t multiple) {
  return (value + multiple - 1) & ~(std::uintptr_t{multiple} - 1);
}

// Size classes: 16, 32, 48, 64, then four to each doubling (80, 96, 112, 128, 160, ...), so
// that a block wastes at most a quarter of its size.
int sizeClassOf(std::size_t size) {
  if (size <= 64) return size == 0 ? 0 : static_cast<int>((size + 15) / 16) - 1;
  int power = static_cast<int>(std::bit_width(size - 1)) - 1;     // size - 1 in [2^p, 2^(p+1))
  int quarter = static_cast<int>((size - 1) >> (power - 2)) - 4;  // 0..3
  return 4 + (power - 6) * 4 + quarter;
}

constexpr std::size_t classSize(int sizeClass) {
  if (sizeClass < 4) return kSmallestBlock * static_cast<std::size_t>(sizeClass + 1);
  int power = 6 + (sizeClass - 4) / 4;
  return static_cast<std::size_t>(5 + (sizeClass - 4) % 4) << (power - 2);
}

static_assert(classSize(3) == 64 && classSize(4) == 80 && classSize(7) == 128);
static_assert(classSize(HugePageHeap::kSmallClasses - 1) == HugePageHeap::kLargestSmallBlock);

}  // namespace

HugePageHeap::HugePageHeap(std::size_t reservedBytes) {
  void* region = ::mmap(nullptr, reservedBytes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (region == MAP_FAILED) return;
  begin_ = reinterpret_cast<std::uintptr_t>(region);
  end_ = begin_ + reservedBytes;
  // The slab table comes first; its pages are touched only as far as slabs are used.
  std::size_t slabs = reservedBytes / kSlab;
  slabMarks_ = reinterpret_cast<std::uint8_t*>(begin_);
  slabsBegin_ = roundUp(begin_ + slabs, kHugePage);
  // Only a hint: where huge pages are off, the slabs keep small pages. The table stays in
  // small pages: a run touches little of it.
  ::madvise(reinterpret_cast<void*>(slabsBegin_), end_ - slabsBegin_, MADV_HUGEPAGE);
  // Small blocks' slabs from the start, large blocks from the middle: each kind stays packed
  // into its own huge pages.
  smallZone_ = {slabsBegin_, slabsBegin_ + (end_ - slabsBegin_) / 2 / kHugePage * kHugePage};
  largeZone_ = {smallZone_.end, end_};
  smallZone_.next = smallZone_.begin;
  largeZone_.next = largeZone_.begin;
  largeZone_.index = 1;
  warmer_.setRange(smallZone_.index, smallZone_.begin, smallZone_.end);
  warmer_.setRange(largeZone_.index, largeZone_.begin, largeZone_.end);
}

HugePageHeap::~HugePageHeap() {
  warmer_.stop();
  if (begin_ != 0) ::munmap(reinterpret_cast<void*>(begin_), end_ - begin_);
}

void* HugePageHeap::allocate(std::size_t size) {
  if (begin_ == 0) return nullptr;
  return size <= kLargestSmallBlock ? allocateSmall(sizeClassOf(size)) : allocateLarge(size);
}

std::uintptr_t HugePageHeap::takeSlabs(Zone& zone, std::size_t count, std::uint8_t mark) {
  if (count > (zone.end - zone.next) / kSlab) return 0;
  std::uintptr_t first = zone.next;
  zone.next += count * kSlab;
  if (zone.next > zone.warmAt) zone.warmAt = warmer_.reached(zone.index, zone.next);
  std::memset(&slabMark(first), mark, count);
  return first;
}

// A released block is used again first; otherwise the class's newest slab is cut further, one
// block at a time, so that a slab's pages are touched only as far as its blocks are used.
void* HugePageHeap::allocateSmall(int sizeClass) {
  if (FreeBlock* block = freeLists_[sizeClass]) {
    freeLists_[sizeClass] = block->next;
    return block;
  }
  std::size_t blockSize = classSize(sizeClass);
  Carving& carving = carvings_[sizeClass];
  if (carving.end - carving.next < blockSize) {
    std::uintptr_t slab = takeSlabs(smallZone_, 1, static_cast<std::uint8_t>(sizeClass));
    if (slab == 0) return nullptr;
    carving = {slab, slab + kSlab / blockSize * blockSize};
  }
  void* block = reinterpret_cast<void*>(carving.next);
  carving.next += blockSize;
  return block;
}

void* HugePageHeap::allocateLarge(std::size_t size) {
  if (size > largeZone_.end - largeZone_.next) return nullptr;
  std::size_t slabs = roundUp(size, kSlab) / kSlab;
  std::uintptr_t first = takeSlabs(largeZone_, slabs, kLargeBlockMore);
  if (first != 0) slabMark(first) = kLargeBlockFirst;
  return reinterpret_cast<void*>(first);
}

bool HugePageHeap::release(void* block) {
  if (!owns(block)) return false;
  auto address = reinterpret_cast<std::uintptr_t>(block);
  std::uint8_t mark = slabMark(address);
  if (mark == kFreeSlab) return true;  // not handed out: nothing to give back
  if (mark < kSmallClasses) {
    auto* free = static_cast<FreeBlock*>(block);
    free->next = freeLists_[mark];
    freeLists_[mark] = free;
    return true;
  }
  if (mark != kLargeBlockFirst) return true;  // not a block's start: nothing to give back
  std::uintptr_t end = address + kSlab;
  while (end < largeZone_.next && slabMark(end) == kLargeBlockMore) end += kSlab;
  std::memset(&slabMark(address), kFreeSlab, (end - address) / kSlab);
  // Its pages go back to the system.
  ::madvise(block, end - address, MADV_DONTNEED);
  if (end == largeZone_.next) largeZone_.next = address;
  return true;
}

}  // namespace kz::heap
