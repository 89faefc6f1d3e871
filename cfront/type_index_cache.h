#pragma once
// The type indices known so far, by type. An index either holds to the end of the file (a
// file-scope type whose lines are all written) or only to the end of the stretch it was asked
// in: the current function body, or the file scope between two bodies.
//
// Each type keeps the place of its entry, so a type asked for again is found without a
// search; the entry names its type, so a place set by another cache is told apart and the
// type is given a place here anew.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cfront/types.h"

namespace kz::cfront {

class TypeIndexCache {
 public:
  static constexpr std::uint32_t kLargestIndex = 0xFFFF;

  TypeIndexCache() { entries_.reserve(kFirstEntries); }

  // 0 when the type has no index that lasts.
  std::uint32_t lasting(TypeRef type) const {
    const Entry* entry = entryOf(type);
    return entry ? entry->lasting : 0;
  }
  // 0 when the type has no index that holds here.
  std::uint32_t find(TypeRef type) const {
    const Entry* entry = entryOf(type);
    if (!entry) return 0;
    if (entry->lasting) return entry->lasting;
    return entry->stretch == stretch_ ? entry->inStretch : 0;
  }
  void remember(TypeRef type, std::uint32_t index, bool lasting) {
    Entry* entry = entryOf(type);
    if (!entry) entry = &newEntry(type);
    if (lasting) {
      entry->lasting = static_cast<std::uint16_t>(index);
    } else {
      entry->inStretch = static_cast<std::uint16_t>(index);
      entry->stretch = stretch_;
    }
  }
  // A function body begins or ends: what holds only within a stretch is forgotten.
  void newStretch() { ++stretch_; }

 private:
  // Enough for the types of a small file, so that the table does not grow through every small
  // size on the way; a larger file doubles it from there.
  static constexpr std::size_t kFirstEntries = 256;

  // Sixteen bytes, so that finding an entry's place takes a shift; indices fit in 16 bits.
  struct Entry {
    TypeRef type = nullptr;
    std::uint32_t stretch = 0;
    std::uint16_t lasting = 0;
    std::uint16_t inStretch = 0;
  };

  const Entry* entryOf(TypeRef type) const {
    std::size_t place = type->indexPlace;
    return place < entries_.size() && entries_[place].type == type ? &entries_[place] : nullptr;
  }
  Entry* entryOf(TypeRef type) {
    return const_cast<Entry*>(static_cast<const TypeIndexCache*>(this)->entryOf(type));
  }
  // A type seen for the first time, or whose place another cache had set.
  [[gnu::noinline]] Entry& newEntry(TypeRef type);

  std::vector<Entry> entries_;
  std::uint32_t stretch_ = 1;
};

}  // namespace kz::cfront
