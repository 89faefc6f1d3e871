#include "cfront/identifiers.h"

#include <cstring>

namespace kz::cfront {
namespace {

constexpr unsigned kInitialBits = 10;
constexpr std::size_t kInitialSlots = std::size_t{1} << kInitialBits;
constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;

// Up to eight bytes as one word, with fixed-size copies only, so no call is made.
std::uint64_t loadWord(const char* at, std::size_t count) {
  std::uint64_t word = 0;
  if (count >= 8) {
    std::memcpy(&word, at, 8);
    return word;
  }
  std::size_t shift = 0;
  if (count & 4) {
    std::uint32_t piece;
    std::memcpy(&piece, at, 4);
    word = piece;
    at += 4;
    shift = 32;
  }
  if (count & 2) {
    std::uint16_t piece;
    std::memcpy(&piece, at, 2);
    word |= static_cast<std::uint64_t>(piece) << shift;
    at += 2;
    shift += 16;
  }
  if (count & 1) word |= static_cast<std::uint64_t>(static_cast<unsigned char>(*at)) << shift;
  return word;
}

}  // namespace

IdentifierTable::IdentifierTable()
    : slots_(kInitialSlots), mask_(kInitialSlots - 1), shift_(64 - kInitialBits) {}

// Eight bytes at a time, mixed by multiplication; the index is taken from the top bits of the
// product, which every input bit reaches.
std::size_t IdentifierTable::indexOf(std::string_view text, std::uint64_t head) const {
  std::uint64_t hash = (head ^ text.size()) * kMultiplier;
  for (std::size_t at = 8; at < text.size(); at += 8)
    hash = (hash ^ loadWord(text.data() + at, text.size() - at)) * kMultiplier;
  return static_cast<std::size_t>(hash >> shift_);
}

// Most names are short: their head and length are the whole spelling.
Identifier* IdentifierTable::intern(std::string_view text) {
  if (text.size() > 8) return internLong(text);
  std::uint64_t head = loadWord(text.data(), text.size());
  std::size_t at = static_cast<std::size_t>(((head ^ text.size()) * kMultiplier) >> shift_);
  for (;; at = (at + 1) & mask_) {
    Slot& slot = slots_[at];
    if (!slot.entry) return insert(slot, text, head);
    if (slot.head == head && slot.length == text.size()) return slot.entry;
  }
}

[[gnu::noinline]] Identifier* IdentifierTable::internLong(std::string_view text) {
  std::uint64_t head = loadWord(text.data(), 8);
  for (std::size_t at = indexOf(text, head);; at = (at + 1) & mask_) {
    Slot& slot = slots_[at];
    if (!slot.entry) return insert(slot, text, head);
    if (slot.head == head && slot.length == text.size() &&
        slot.entry->text.substr(8) == text.substr(8))
      return slot.entry;
  }
}

[[gnu::noinline]] Identifier* IdentifierTable::insert(Slot& slot, std::string_view text,
                                                      std::uint64_t head) {
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
