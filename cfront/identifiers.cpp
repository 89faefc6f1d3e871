#include "cfront/identifiers.h"

#include <cstring>

namespace kz::cfront {
namespace {

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

bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t at = 0; at < a.size(); at += 8) {
    std::size_t count = a.size() - at;
    if (loadWord(a.data() + at, count) != loadWord(b.data() + at, count)) return false;
  }
  return true;
}

}  // namespace

IdentifierTable::IdentifierTable() : slots_(1024) {}

// Eight bytes at a time, mixed by multiplication, then a final mix that spreads every input
// bit over the low bits the table index takes.
std::uint64_t IdentifierTable::hashOf(std::string_view text) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
  std::uint64_t hash = text.size();
  for (std::size_t at = 0; at < text.size(); at += 8)
    hash = (hash ^ loadWord(text.data() + at, text.size() - at)) * kMultiplier;
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDULL;
  hash ^= hash >> 33;
  return hash;
}

Identifier* IdentifierTable::intern(std::string_view text) {
  std::uint64_t hash = hashOf(text);
  std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (!slot.entry) {
      Identifier* entry = &entries_.emplace_back();
      // A copy beside the entry keeps later comparisons away from the source text.
      if (text.size() <= Identifier::kInlineLength) {
        std::memcpy(entry->spelling, text.data(), text.size());
        entry->text = std::string_view(entry->spelling, text.size());
      } else {
        entry->text = text;
      }
      slot = {hash, entry};
      if (++used_ * 2 > slots_.size()) grow();
      return entry;
    }
    if (slot.hash == hash && sameText(slot.entry->text, text)) return slot.entry;
  }
}

void IdentifierTable::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (!slot.entry) continue;
    std::size_t at = slot.hash & mask;
    while (slots_[at].entry) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

}  // namespace kz::cfront
