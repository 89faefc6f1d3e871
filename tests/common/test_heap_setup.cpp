#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "common/heap_setup.h"

namespace kz::heap {
namespace {

constexpr std::uintptr_t kMiB = std::uintptr_t{1} << 20;

TEST(HugePageSpan, CoversOnlyWholeHugePagesBetweenFirstBlockAndBreak) {
  Span span = hugePageSpan(0x5000'0010, 0x5000'0010 + 90 * kMiB, 0x5000'0010 + 91 * kMiB);
  EXPECT_EQ(span.begin, 0x5000'0000u + 2 * kMiB);
  EXPECT_EQ(span.end, 0x5000'0000u + 90 * kMiB);
  EXPECT_EQ(span.begin % kHugePage, 0u);
  EXPECT_EQ(span.end % kHugePage, 0u);

  Span aligned = hugePageSpan(64 * kMiB, 94 * kMiB, 96 * kMiB);
  EXPECT_EQ(aligned.begin, 64 * kMiB);
  EXPECT_EQ(aligned.end, 96 * kMiB);
}

TEST(HugePageSpan, EmptyWhenNoWholeHugePageFitsOrBlocksLieBeyondTheBreak) {
  EXPECT_TRUE(hugePageSpan(64 * kMiB + 16, 65 * kMiB, 66 * kMiB - 1).empty());
  // A block the allocator mapped elsewhere ends beyond the break.
  EXPECT_TRUE(hugePageSpan(64 * kMiB, 0x7f00'0000'0000, 96 * kMiB).empty());
  EXPECT_TRUE(hugePageSpan(0, 30 * kMiB, 96 * kMiB).empty());
}

TEST(PrepareForBulkUse, HeapStillServesAndReusesMemory) {
  prepareForBulkUse();
  std::vector<char*> blocks;
  for (std::size_t size = 16; size <= (std::size_t{8} << 20); size *= 4) {
    auto* block = static_cast<char*>(std::malloc(size));
    ASSERT_NE(block, nullptr);
    block[0] = 'a';
    block[size - 1] = 'z';
    blocks.push_back(block);
  }
  for (char* block : blocks) {
    EXPECT_EQ(block[0], 'a');
    std::free(block);
  }
}

}  // namespace
}  // namespace kz::heap
