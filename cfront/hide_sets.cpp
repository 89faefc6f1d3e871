#include "cfront/hide_sets.h"

#include <algorithm>
#include <iterator>

namespace kz::cfront {

HideSets::HideSets() : starts_{0}, index_(64, kNoSet) { internBuilding(); }

HideSets::Caches& HideSets::caches() {
  if (!caches_) caches_ = std::make_unique<Caches>();
  return *caches_;
}

std::uint64_t HideSets::hashOf(std::span<const std::uint32_t> members) {
  std::uint64_t hash = members.size() * 0x9E3779B97F4A7C15u;
  for (std::uint32_t member : members) hash = (hash ^ member) * 0xFF51AFD7ED558CCDu;
  return hash ^ (hash >> 32);
}

void HideSets::growIndex() {
  std::vector<std::uint32_t> bigger(index_.size() * 2, kNoSet);
  std::size_t mask = bigger.size() - 1;
  for (std::uint32_t set = 0; set < size(); ++set) {
    std::size_t at = hashOf(members(set)) & mask;
    while (bigger[at] != kNoSet) at = (at + 1) & mask;
    bigger[at] = set;
  }
  index_.swap(bigger);
}

std::uint32_t HideSets::internBuilding() {
  std::span<const std::uint32_t> wanted(building_);
  std::size_t mask = index_.size() - 1;
  std::size_t at = hashOf(wanted) & mask;
  for (; index_[at] != kNoSet; at = (at + 1) & mask) {
    std::span<const std::uint32_t> present = members(index_[at]);
    if (std::equal(present.begin(), present.end(), wanted.begin(), wanted.end())) return index_[at];
  }
  auto id = static_cast<std::uint32_t>(size());
  members_.insert(members_.end(), building_.begin(), building_.end());
  starts_.push_back(static_cast<std::uint32_t>(members_.size()));
  index_[at] = id;
  if (size() * 2 > index_.size()) growIndex();
  return id;
}

bool HideSets::contains(std::uint32_t set, std::uint32_t macro) const {
  if (set == kEmpty) return false;
  std::span<const std::uint32_t> present = members(set);
  return std::binary_search(present.begin(), present.end(), macro);
}

std::uint32_t HideSets::with(std::uint32_t set, std::uint32_t macro) {
  if (set == kEmpty) {
    if (macro >= singletons_.size()) singletons_.resize(macro + 1, kEmpty);
    if (singletons_[macro] == kEmpty) {
      building_.assign(1, macro);
      singletons_[macro] = internBuilding();
    }
    return singletons_[macro];
  }
  std::uint64_t key = pairKey(set, macro);
  CacheEntry& entry = slot(caches().with, key);
  if (entry.key == key) return entry.result;
  std::span<const std::uint32_t> present = members(set);
  auto place = std::lower_bound(present.begin(), present.end(), macro);
  if (place != present.end() && *place == macro) {
    entry = {key, set};
    return set;
  }
  building_.assign(present.begin(), place);
  building_.push_back(macro);
  building_.insert(building_.end(), place, present.end());
  std::uint32_t result = internBuilding();
  entry = {key, result};
  return result;
}

std::uint32_t HideSets::unite(std::uint32_t first, std::uint32_t second) {
  if (first == second || second == kEmpty) return first;
  if (first == kEmpty) return second;
  std::uint64_t key = pairKey(std::min(first, second), std::max(first, second));
  CacheEntry& entry = slot(caches().unite, key);
  if (entry.key == key) return entry.result;
  std::span<const std::uint32_t> a = members(first);
  std::span<const std::uint32_t> b = members(second);
  building_.clear();
  std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(building_));
  std::uint32_t result = internBuilding();
  entry = {key, result};
  return result;
}

std::uint32_t HideSets::intersect(std::uint32_t first, std::uint32_t second) {
  if (first == second) return first;
  if (first == kEmpty || second == kEmpty) return kEmpty;
  std::uint64_t key = pairKey(std::min(first, second), std::max(first, second));
  CacheEntry& entry = slot(caches().intersect, key);
  if (entry.key == key) return entry.result;
  std::span<const std::uint32_t> a = members(first);
  std::span<const std::uint32_t> b = members(second);
  building_.clear();
  std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(building_));
  std::uint32_t result = internBuilding();
  entry = {key, result};
  return result;
}

}  // namespace kz::cfront
