#include "cfront/identifiers.h"

#include <cstring>

namespace kz::cfront {

IdentifierTable::IdentifierTable() : slots_(1024, nullptr) {}

std::uint64_t IdentifierTable::hashOf(std::string_view text) {
  std::uint64_t hash = 1469598103934665603ULL;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  return hash ^ (hash >> 29);
}

Identifier* IdentifierTable::intern(std::string_view text) {
  std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hashOf(text) & mask;; at = (at + 1) & mask) {
    Identifier* entry = slots_[at];
    if (!entry) {
      entry = &entries_.emplace_back();
      entry->text = text;
      slots_[at] = entry;
      if (++used_ * 2 > slots_.size()) grow();
      return entry;
    }
    if (entry->text.size() == text.size() &&
        std::memcmp(entry->text.data(), text.data(), text.size()) == 0)
      return entry;
  }
}

void IdentifierTable::grow() {
  std::vector<Identifier*> old(slots_.size() * 2, nullptr);
  old.swap(slots_);
  std::size_t mask = slots_.size() - 1;
  for (Identifier* entry : old) {
    if (!entry) continue;
    std::size_t at = hashOf(entry->text) & mask;
    while (slots_[at]) at = (at + 1) & mask;
    slots_[at] = entry;
  }
}

}  // namespace kz::cfront
