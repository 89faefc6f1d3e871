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
    entry->lasting = static_cast<std::uint16_t>(index);
  } else {
    entry->inStretch = static_cast<std::uint16_t>(index);
    entry->stretch = stretch_;
  }
}

}  // namespace kz::cfront
