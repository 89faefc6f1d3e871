#pragma once
// A heap in one region the program maps itself, marked for transparent huge pages: a run
// that builds big tables then takes its first-touch page faults 2 MiB at a time instead of
// 4 KiB (a fault costs microseconds, more in a virtual machine).
//
// The region is reserved address space (MAP_NORESERVE) and costs nothing until touched. It is
// carved into 64 KiB slabs. A small block (up to 32 KiB) comes from a slab of
// its size class, cut from it as blocks are asked for, and goes back to that class's free list; a
// large block takes whole slabs from their start, and when released gives its pages back to the
// system (the last one handed out also gives back its address space). A table of one byte per slab
// tells a block's class. When the region is used up or could not be mapped, allocate() returns
// nullptr and the caller uses the ordinary heap. Used by one thread at a time; a PageWarmer's
// thread faults in the pages just beyond each zone's use ahead of it.
#include <cstddef>
#include <cstdint>

#include "common/page_warmer.h"

namespace kz::heap {

class HugePageHeap {
 public:
  static constexpr std::size_t kSlab = std::size_t{64} << 10;
  static constexpr std::size_t kLargestSmallBlock = std::size_t{32} << 10;

  explicit HugePageHeap(std::size_t reservedBytes);
  ~HugePageHeap();
  HugePageHeap(const HugePageHeap&) = delete;
  HugePageHeap& operator=(const HugePageHeap&) = delete;

  // A block of at least `size` bytes, aligned to 16 bytes.
  void* allocate(std::size_t size);
  // A block of this heap, or false for any other pointer.
  bool release(void* block);
  bool owns(const void* block) const {
    auto address = reinterpret_cast<std::uintptr_t>(block);
    return address >= slabsBegin_ && address < end_;
  }
  bool mapped() const { return begin_ != 0; }
  // Address space handed out so far.
  std::size_t bytesInUse() const {
    return (smallZone_.next - smallZone_.begin) + (largeZone_.next - largeZone_.begin);
  }

  static constexpr int kSmallClasses = 40;  // 16 bytes .. 32 KiB

 private:
  static constexpr std::uint8_t kFreeSlab = 0xFF;
  static constexpr std::uint8_t kLargeBlockFirst = 0xFE;  // a large block's first slab
  static constexpr std::uint8_t kLargeBlockMore = 0xFD;   // and each of its others

  struct Zone {
    std::uintptr_t begin = 0;
    std::uintptr_t end = 0;
    std::uintptr_t next = 0;
    std::uintptr_t warmAt = 0;  // the warmer is told when next passes this
    int index = 0;              // the zone's range in the warmer
  };
  struct FreeBlock {
    FreeBlock* next;
  };
  // The part of a class's newest slab not yet handed out.
  struct Carving {
    std::uintptr_t next = 0;
    std::uintptr_t end = 0;
  };

  void* allocateSmall(int sizeClass);
  void* allocateLarge(std::size_t size);
  std::uintptr_t takeSlabs(Zone& zone, std::size_t count, std::uint8_t mark);
  std::uint8_t& slabMark(std::uintptr_t address) {
    return slabMarks_[(address - slabsBegin_) / kSlab];
  }

  std::uintptr_t begin_ = 0;
  std::uintptr_t end_ = 0;
  std::uintptr_t slabsBegin_ = 0;
  Zone smallZone_;
  Zone largeZone_;
  std::uint8_t* slabMarks_ = nullptr;
  FreeBlock* freeLists_[kSmallClasses] = {};
  Carving carvings_[kSmallClasses] = {};
  PageWarmer warmer_;
};

}  // namespace kz::heap
