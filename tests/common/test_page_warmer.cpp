#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/huge_page_heap.h"
#include "common/page_warmer.h"

namespace kz::heap {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
constexpr std::size_t kStep = PageWarmer::kStep;

// Reserved address space, aligned to a huge page, unmapped at the end.
class Region {
 public:
  explicit Region(std::size_t bytes) : bytes_(bytes + kStep) {
    void* region = ::mmap(nullptr, bytes_, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    base_ = region == MAP_FAILED ? 0 : reinterpret_cast<std::uintptr_t>(region);
    begin_ = (base_ + kStep - 1) & ~(std::uintptr_t{kStep} - 1);
  }
  ~Region() {
    if (base_ != 0) ::munmap(reinterpret_cast<void*>(base_), bytes_);
  }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  bool mapped() const { return base_ != 0; }
  std::uintptr_t begin() const { return begin_; }
  unsigned char* at(std::size_t offset) const {
    return reinterpret_cast<unsigned char*>(begin_ + offset);
  }

 private:
  std::size_t bytes_;
  std::uintptr_t base_ = 0;
  std::uintptr_t begin_ = 0;
};

// The pages of [offset, offset + size) that are resident.
std::size_t residentPages(const Region& region, std::size_t offset, std::size_t size) {
  std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> marks(size / page);
  if (::mincore(region.at(offset), size, marks.data()) != 0) return 0;
  std::size_t resident = 0;
  for (unsigned char mark : marks) resident += mark & 1;
  return resident;
}

TEST(PageWarmer, StartsOnlyOnceARangeIsUsedFarEnoughAndKeepsTheNextPageReady) {
  Region region(16 * kMiB);
  ASSERT_TRUE(region.mapped());
  PageWarmer warmer;
  warmer.setRange(0, region.begin(), region.begin() + 16 * kMiB);

  // A short use: no thread, and a call is wanted once use reaches the start threshold.
  EXPECT_EQ(warmer.reached(0, region.begin() + 4096), region.begin() + PageWarmer::kStartAfter);
  EXPECT_FALSE(warmer.working());

  std::memset(region.at(0), 0x5A, 3 * kMiB / 2);
  std::uintptr_t again = warmer.reached(0, region.begin() + 3 * kMiB / 2);
  // Use is in the first page: it and the next are wanted; told again on entering the next.
  EXPECT_EQ(again, region.begin() + kStep);
  warmer.waitUntilIdle();
  if (!warmer.working()) GTEST_SKIP() << "this system does not populate pages ahead";
  EXPECT_EQ(warmer.populatedUpTo(0), region.begin() + 2 * kStep);
  std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  EXPECT_EQ(residentPages(region, kStep, kStep), kStep / page);
  EXPECT_EQ(residentPages(region, 2 * kStep, kStep), 0u);

  // Populating changed no byte: the used part keeps its pattern, the rest reads as zero.
  EXPECT_EQ(region.at(0)[0], 0x5A);
  EXPECT_EQ(region.at(0)[3 * kMiB / 2 - 1], 0x5A);
  EXPECT_EQ(region.at(kStep + kMiB)[0], 0);

  // A jump of use: everything up to one page beyond it is populated.
  EXPECT_EQ(warmer.reached(0, region.begin() + 5 * kStep + 10), region.begin() + 6 * kStep);
  warmer.waitUntilIdle();
  EXPECT_EQ(warmer.populatedUpTo(0), region.begin() + 7 * kStep);
}

TEST(PageWarmer, StopsAtTheEndOfItsRangeAndWhenStopped) {
  Region region(8 * kMiB);
  ASSERT_TRUE(region.mapped());
  PageWarmer warmer;
  warmer.setRange(0, region.begin(), region.begin() + 4 * kMiB);
  warmer.setRange(1, region.begin() + 4 * kMiB, region.begin() + 8 * kMiB);
  // The last page of a range: nothing beyond the range is wanted, and no further call.
  EXPECT_EQ(warmer.reached(0, region.begin() + 3 * kMiB), UINTPTR_MAX);
  warmer.waitUntilIdle();
  if (!warmer.working()) GTEST_SKIP() << "this system does not populate pages ahead";
  EXPECT_EQ(warmer.populatedUpTo(0), region.begin() + 4 * kMiB);
  EXPECT_EQ(warmer.populatedUpTo(1), region.begin() + 4 * kMiB);  // the other range: untouched
  EXPECT_EQ(residentPages(region, 4 * kMiB, 4 * kMiB), 0u);

  warmer.stop();
  EXPECT_FALSE(warmer.working());
  EXPECT_EQ(warmer.reached(1, region.begin() + 6 * kMiB), UINTPTR_MAX);
  EXPECT_EQ(warmer.populatedUpTo(1), region.begin() + 4 * kMiB);
  warmer.stop();  // a second stop is harmless
}

TEST(PageWarmer, TheHeapKeepsEveryBlockIntactWhileItsPagesAreWarmed) {
  HugePageHeap heap(256 * kMiB);
  ASSERT_TRUE(heap.mapped());
  std::vector<std::pair<unsigned char*, std::size_t>> blocks;
  // Small and large blocks well past the start threshold of both zones, a block released and
  // its successor allocated in between, as a growing buffer does.
  for (int round = 0; round < 40; ++round) {
    std::size_t size = round % 2 == 0 ? std::size_t{200} : (round / 2 + 1) * 64 * std::size_t{1024};
    for (int copy = 0; copy < 100 && (copy == 0 || size < 4096); ++copy) {
      auto* block = static_cast<unsigned char*>(heap.allocate(size));
      ASSERT_NE(block, nullptr);
      std::memset(block, static_cast<int>(blocks.size() % 251 + 1), size);
      blocks.emplace_back(block, size);
    }
    if (round % 5 == 4) {
      ASSERT_TRUE(heap.release(blocks[blocks.size() - 2].first));
      blocks[blocks.size() - 2].second = 0;
    }
  }
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    auto [block, size] = blocks[i];
    if (size == 0) continue;
    for (std::size_t at : {std::size_t{0}, size / 2, size - 1}) {
      ASSERT_EQ(block[at], i % 251 + 1) << "block " << i << " byte " << at;
    }
  }
}

}  // namespace
}  // namespace kz::heap
