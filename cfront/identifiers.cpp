#include "cfront/identifiers.h"

#include <cstring>

namespace kz::cfront {
namespace {

constexpr unsigned kInitialBits = 10;
constexpr std::size_t kInitialSlots = std::size_t{1} << kInitialBits;

}  // namespace

IdentifierTable::IdentifierTable()
    : slots_(kInitialSlots), mask_(kInitialSlots - 1), shift_(64 - kInitialBits) {}

// Eight bytes at a time, mixed by multiplication; the index is taken from the top bits of the
// product, which every input bit reaches.
std::size_t IdentifierTable::indexOf(std::string_view text, std::uint64_t head) const {
  std::uint64_t hash = (head ^ text.size()) * identifier_hash::kMultiplier;
  for (std::size_t at = 8; at < text.size(); at += 8)
    hash = (hash ^ identifier_hash::loadWord(text.data() + at, text.size() - at)) *
           identifier_hash::kMultiplier;
  return static_cast<std::size_t>(hash >> shift_);
}

Identifier* IdentifierTable::internLong(std::string_view text) {
  std::uint64_t head = identifier_hash::loadWord(text.data(), 8);
  for (std::size_t at = indexOf(text, head);; at = (at + 1) & mask_) {
    Slot& slot = slots_[at];
    if (!slot.entry) return insert(slot, text, head);
    if (slot.head == head && slot.length == text.size() &&
        slot.entry->text.substr(8) == text.substr(8))
      return slot.entry;
  }
}

Identifier* IdentifierTable::insert(Slot& slot, std::string_view text, std::uint64_t head) {
  Identifier* entry = &entries_.emplace_back();
  // A copy beside the entry keeps later comparisons away from the source text.
  if (text.size() <= Identifier::kInlineLength) {
    std::memcpy(entry->spelling, text.data(), text.size());
    entry->text = std::string_view(entry->spelling, text.size());
  } else {
    entry->text = text;
  }
  slot = {head, entry, static_cast<std::uint32_t>(text.size())};
  if (++used_ * 2 > slots_.size()) grow();
  return entry;
}

void IdentifierTable::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  --shift_;
  mask_ = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (!slot.entry) continue;
    std::size_t at = indexOf(slot.entry->text, slot.head);
    while (slots_[at].entry) at = (at + 1) & mask_;
    slots_[at] = slot;
  }
}

}  // namespace kz::cfront
