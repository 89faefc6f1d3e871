#include "cfront/type_index_cache.h"

namespace kz::cfront {

TypeIndexCache::Entry& TypeIndexCache::newEntry(TypeRef type) {
  type->indexPlace = static_cast<std::uint32_t>(entries_.size());
  Entry& entry = entries_.emplace_back();
  entry.type = type;
  return entry;
}

}  // namespace kz::cfront
