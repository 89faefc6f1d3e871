#include "cfront/type_index_cache.h"

namespace kz::cfront {

void TypeIndexCache::remember(TypeRef type, std::uint32_t index, bool lasting) {
  auto* entry = const_cast<Entry*>(entryOf(type));
  if (!entry) {
    type->indexPlace = static_cast<std::uint32_t>(entries_.size());
    entry = &entries_.emplace_back();
    entry->type = type;
  }
  if (lasting) {
    entry->lasting = index;
  } else {
    entry->inStretch = index;
    entry->stretch = stretch_;
  }
}

}  // namespace kz::cfront
