#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

#include "common/huge_page_heap.h"

namespace kz::heap {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

bool alignedTo(const void* block, std::size_t alignment) {
  return reinterpret_cast<std::uintptr_t>(block) % alignment == 0;
}

TEST(HugePageHeap, BlocksOfEveryClassAreDisjointAlignedAndKeepTheirBytes) {
  HugePageHeap heap(64 * kMiB);
  ASSERT_TRUE(heap.mapped());
  std::vector<std::pair<unsigned char*, std::size_t>> blocks;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{17}, std::size_t{4096},
                           std::size_t{32768}, std::size_t{32769}, 3 * kMiB}) {
    for (int copy = 0; copy < 3; ++copy) {
      auto* block = static_cast<unsigned char*>(heap.allocate(size));
      ASSERT_NE(block, nullptr);
      EXPECT_TRUE(heap.owns(block));
      EXPECT_TRUE(alignedTo(block, 16));
      std::memset(block, static_cast<int>(blocks.size() + 1), size);
      blocks.emplace_back(block, size);
    }
  }
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    auto [block, size] = blocks[i];
    if (size == 0) continue;
    for (std::size_t at : {std::size_t{0}, size / 2, size - 1}) {
      EXPECT_EQ(block[at], i + 1) << "block " << i << " byte " << at;
    }
  }
}

TEST(HugePageHeap, ReleasedBlocksServeTheirClassAgain) {
  HugePageHeap heap(16 * kMiB);
  void* small = heap.allocate(100);
  EXPECT_TRUE(heap.release(small));
  EXPECT_EQ(heap.allocate(112), small);  // same 112-byte class
  EXPECT_NE(heap.allocate(100), small);

  void* large = heap.allocate(kMiB);
  std::size_t used = heap.bytesInUse();
  std::memset(large, 0xAB, kMiB);
  EXPECT_TRUE(heap.release(large));
  EXPECT_LT(heap.bytesInUse(), used);  // the last large block gives its space back
  auto* again = static_cast<unsigned char*>(heap.allocate(kMiB));
  EXPECT_EQ(again, large);
  EXPECT_EQ(again[kMiB / 2], 0);  // its pages went back to the system
}

TEST(HugePageHeap, ASlabIsCutInOrderAndAReleasedBlockGoesFirst) {
  HugePageHeap heap(16 * kMiB);
  constexpr std::size_t kBlock = 160;  // a class of its own: a slab holds 409 of them
  std::vector<unsigned char*> blocks;
  for (int i = 0; i < 1000; ++i) {
    blocks.push_back(static_cast<unsigned char*>(heap.allocate(kBlock)));
    ASSERT_NE(blocks.back(), nullptr);
    std::memset(blocks.back(), i & 0xFF, kBlock);
  }
  int slabs = 1;
  for (std::size_t i = 1; i < blocks.size(); ++i) {
    if (blocks[i] != blocks[i - 1] + kBlock) ++slabs;  // a new slab begins
  }
  EXPECT_EQ(slabs, 3);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    EXPECT_EQ(blocks[i][kBlock - 1], i & 0xFF) << "block " << i;
  }
  EXPECT_TRUE(heap.release(blocks[500]));
  EXPECT_EQ(heap.allocate(kBlock), blocks[500]);
  EXPECT_EQ(heap.allocate(kBlock), blocks[999] + kBlock);
}

TEST(HugePageHeap, ForeignPointersAndExhaustionAreRefused) {
  HugePageHeap heap(8 * kMiB);  // half of it for large blocks
  int local = 0;
  EXPECT_FALSE(heap.release(&local));
  EXPECT_FALSE(heap.owns(&local));
  EXPECT_NE(heap.allocate(3 * kMiB), nullptr);
  EXPECT_EQ(heap.allocate(2 * kMiB), nullptr);  // the caller falls back to the ordinary heap
  EXPECT_EQ(heap.allocate(SIZE_MAX), nullptr);
  std::set<void*> smalls;
  while (void* block = heap.allocate(32768)) smalls.insert(block);
  EXPECT_FALSE(smalls.empty());
}

}  // namespace
}  // namespace kz::heap
