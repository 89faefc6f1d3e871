#include "clike/macro_table.h"

#include <algorithm>

namespace kz::clike {

MacroEntry* MacroTable::find(std::string_view name, std::uint64_t hash) {
  for (MacroEntry* entry = chains_[hash % kChains]; entry; entry = entry->next) {
    if (entry->hash == hash && entry->name == name) return entry;
  }
  return nullptr;
}

MacroEntry& MacroTable::entryFor(std::string_view name, std::uint64_t hash) {
  if (MacroEntry* entry = find(name, hash)) return *entry;
  MacroEntry& entry = entries_.emplace_back();
  entry.name = names_.store(name);
  entry.hash = hash;
  MacroEntry*& chain = chains_[hash % kChains];
  entry.next = chain;
  chain = &entry;
  return entry;
}

bool MacroTable::define(std::string_view name, std::uint64_t hash, MacroKind kind,
                        int parameterCount, std::string_view text, int includeDepth,
                        MacroEntry** defined) {
  // Each text is kept with a terminating byte, as the area holds them one after another.
  if (textUsed_ + text.size() + 1 + kTextReserve > kTextArea) return false;
  char* at = textArea_.data() + textUsed_;
  std::copy(text.begin(), text.end(), at);
  at[text.size()] = '\0';
  textUsed_ += text.size() + 1;
  MacroEntry& entry = entryFor(name, hash);
  ++changes_;
  entry.kind = kind;
  entry.parameterCount = static_cast<std::uint8_t>(parameterCount);
  entry.text = std::string_view(at, text.size());
  entry.includeDepth = static_cast<std::uint8_t>(includeDepth);
  entry.debugNumber = 0;
  if (defined) *defined = &entry;
  return true;
}

void MacroTable::undefine(std::string_view name, std::uint64_t hash) {
  MacroEntry& entry = entryFor(name, hash);
  ++changes_;
  entry.kind = MacroKind::undefined;
}

}  // namespace kz::clike
