#include "clike/symbol_table.h"

namespace kz::clike {
namespace {

constexpr std::size_t kInitialSlots = 4096;

}  // namespace

SymbolTable::SymbolTable() : slots_(kInitialSlots) {}

const SymbolEntry* SymbolTable::find(std::string_view name, std::uint64_t hash) const {
  std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = slots_[at];
    if (!slot.entry) return nullptr;
    if (slot.hash == hash && slot.entry->name == name) return slot.entry;
  }
}

SymbolEntry& SymbolTable::intern(std::string_view name, std::uint64_t hash, std::uint32_t line,
                                 std::uint8_t depth) {
  std::size_t mask = slots_.size() - 1;
  std::size_t at = hash & mask;
  for (;; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (!slot.entry) break;
    if (slot.hash == hash && slot.entry->name == name) return *slot.entry;
  }
  SymbolEntry& entry = entries_.emplace_back();
  entry.name = names_.store(name);
  entry.firstLine = line;
  entry.firstDepth = depth;
  entry.order = static_cast<std::uint32_t>(entries_.size() - 1);
  slots_[at] = {hash, &entry};
  if (entries_.size() * 2 > slots_.size()) grow();
  return entry;
}

// Twice the slots once half are used, so a probe stays short.
void SymbolTable::grow() {
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

}  // namespace kz::clike
