#include "cfront/hide_sets.h"

#include <algorithm>
#include <iterator>

namespace kz::cfront {

std::size_t HideSets::MembersHash::operator()(const std::vector<std::uint32_t>& members) const {
  std::size_t hash = members.size();
  for (std::uint32_t member : members) hash = hash * 1000003u ^ member;
  return hash;
}

HideSets::HideSets() { intern({}); }

std::uint32_t HideSets::intern(std::vector<std::uint32_t> members) {
  auto found = index_.find(members);
  if (found != index_.end()) return found->second;
  auto id = static_cast<std::uint32_t>(sets_.size());
  sets_.push_back(members);
  index_.emplace(std::move(members), id);
  return id;
}

bool HideSets::contains(std::uint32_t set, std::uint32_t macro) const {
  const std::vector<std::uint32_t>& members = sets_[set];
  return std::binary_search(members.begin(), members.end(), macro);
}

std::uint32_t HideSets::with(std::uint32_t set, std::uint32_t macro) {
  if (set == kEmpty) {
    if (macro >= singletons_.size()) singletons_.resize(macro + 1, kEmpty);
    if (singletons_[macro] == kEmpty) singletons_[macro] = intern({macro});
    return singletons_[macro];
  }
  std::uint64_t key = pairKey(set, macro);
  CacheEntry& entry = slot(withCache_, key);
  if (entry.key == key) return entry.result;
  std::vector<std::uint32_t> members = sets_[set];
  auto place = std::lower_bound(members.begin(), members.end(), macro);
  if (place == members.end() || *place != macro) members.insert(place, macro);
  std::uint32_t result = intern(std::move(members));
  entry = {key, result};
  return result;
}

std::uint32_t HideSets::unite(std::uint32_t first, std::uint32_t second) {
  if (first == second || second == kEmpty) return first;
  if (first == kEmpty) return second;
  std::uint64_t key = pairKey(std::min(first, second), std::max(first, second));
  CacheEntry& entry = slot(uniteCache_, key);
  if (entry.key == key) return entry.result;
  std::vector<std::uint32_t> members;
  std::set_union(sets_[first].begin(), sets_[first].end(), sets_[second].begin(),
                 sets_[second].end(), std::back_inserter(members));
  std::uint32_t result = intern(std::move(members));
  entry = {key, result};
  return result;
}

std::uint32_t HideSets::intersect(std::uint32_t first, std::uint32_t second) {
  if (first == second) return first;
  if (first == kEmpty || second == kEmpty) return kEmpty;
  std::uint64_t key = pairKey(std::min(first, second), std::max(first, second));
  CacheEntry& entry = slot(intersectCache_, key);
  if (entry.key == key) return entry.result;
  std::vector<std::uint32_t> members;
  std::set_intersection(sets_[first].begin(), sets_[first].end(), sets_[second].begin(),
                        sets_[second].end(), std::back_inserter(members));
  std::uint32_t result = intern(std::move(members));
  entry = {key, result};
  return result;
}

}  // namespace kz::cfront
