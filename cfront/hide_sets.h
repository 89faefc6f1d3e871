#pragma once
// Hide sets: for every token, the macros whose expansion produced it. A macro name whose
// macro is in its token's set is not replaced (ISO C's rule against recursion). Sets are
// interned, so a token carries one number and the operations are cached.
#include <cstdint>
#include <unordered_map>
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
  std::size_t size() const { return sets_.size(); }

 private:
  std::uint32_t intern(std::vector<std::uint32_t> members);
  static std::uint64_t pairKey(std::uint32_t first, std::uint32_t second) {
    return (static_cast<std::uint64_t>(first) << 32) | second;
  }

  struct MembersHash {
    std::size_t operator()(const std::vector<std::uint32_t>& members) const;
  };

  std::vector<std::vector<std::uint32_t>> sets_;  // each sorted
  std::unordered_map<std::vector<std::uint32_t>, std::uint32_t, MembersHash> index_;
  std::unordered_map<std::uint64_t, std::uint32_t> withCache_;
  std::unordered_map<std::uint64_t, std::uint32_t> uniteCache_;
  std::unordered_map<std::uint64_t, std::uint32_t> intersectCache_;
};

}  // namespace kz::cfront
