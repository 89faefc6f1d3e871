#include "cfront/type_index_cache.h"

namespace kz::cfront {
namespace {

constexpr std::size_t kFirstSlots = 256;

}  // namespace

void TypeIndexCache::remember(TypeRef type, std::uint32_t index, bool lasting) {
  if (2 * (used_ + 1) > slots_.size()) grow();
  std::size_t at = slotOf(type);
  while (slots_[at].type && slots_[at].type != type) at = (at + 1) & mask_;
  Slot& slot = slots_[at];
  if (!slot.type) ++used_;
  slot = {type, index, lasting ? kLasting : stretch_};
}

void TypeIndexCache::grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? kFirstSlots : 2 * old.size(), Slot{});
  mask_ = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (!slot.type) continue;
    std::size_t at = slotOf(slot.type);
    while (slots_[at].type) at = (at + 1) & mask_;
    slots_[at] = slot;
  }
}

}  // namespace kz::cfront
