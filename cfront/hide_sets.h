#pragma once
// Hide sets: for every token, the macros whose expansion produced it. A macro name whose
// macro is in its token's set is not replaced (ISO C's rule against recursion). Sets are
// interned, so a token carries one number and the operations are cached. The members of all
// sets lie end to end in one array, found through an open-addressing index.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kz::cfront {

class HideSets {
 public:
  static constexpr std::uint32_t kEmpty = 0;

  HideSets();

  bool contains(std::uint32_t set, std::uint32_t macro) const;
  std::uint32_t with(std::uint32_t set, std::uint32_t macro);
  std::uint32_t unite(std::uint32_t first, std::uint32_t second);
  std::uint32_t intersect(std::uint32_t first, std::uint32_t second);
  std::size_t size() const { return starts_.size() - 1; }
  std::span<const std::uint32_t> members(std::uint32_t set) const {
    return {members_.data() + starts_[set], members_.data() + starts_[set + 1]};
  }

 private:
  // The set of the sorted members in building_.
  std::uint32_t internBuilding();
  void growIndex();
  static std::uint64_t hashOf(std::span<const std::uint32_t> members);
  static std::uint64_t pairKey(std::uint32_t first, std::uint32_t second) {
    return (static_cast<std::uint64_t>(first) << 32) | second;
  }

  std::vector<std::uint32_t> members_;  // every set's members, each set sorted
  std::vector<std::uint32_t> starts_;   // set i is members_[starts_[i], starts_[i + 1])
  std::vector<std::uint32_t> index_;    // set numbers by hash; kNoSet is a free slot
  std::vector<std::uint32_t> building_;
  std::vector<std::uint32_t> singletons_;  // by macro: the set of that macro alone, 0 unknown
  static constexpr std::uint32_t kNoSet = ~std::uint32_t{0};

  // Recent results of each operation, direct-mapped by the operands; a miss recomputes.
  struct CacheEntry {
    std::uint64_t key = ~std::uint64_t{0};
    std::uint32_t result = 0;
  };
  static constexpr std::size_t kCacheSize = 4096;
  using Cache = std::array<CacheEntry, kCacheSize>;
  struct Caches {
    Cache with;
    Cache unite;
    Cache intersect;
  };
  static CacheEntry& slot(Cache& cache, std::uint64_t key) {
    return cache[(key ^ (key >> 29) ^ (key >> 13)) % kCacheSize];
  }
  // Made at the first operation on a set that is not empty: many sources never need them.
  Caches& caches();
  std::unique_ptr<Caches> caches_;
};

}  // namespace kz::cfront
