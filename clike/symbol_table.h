#pragma once
// The names of the program: every identifier that is neither a fixed word nor a macro is
// entered here once, with the line where it was first seen. Later passes add their
// attributes to the entry; the entry's address stays the same for the whole run.
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "clike/string_pool.h"

namespace kz::clike {

struct SymbolEntry {
  std::string_view name;  // the significant part only
  std::uint32_t firstLine = 0;
  std::uint8_t firstDepth = 0;
  std::uint32_t order = 0;  // entries are numbered in the order they were made
};

class SymbolTable {
 public:
  SymbolTable();

  // The entry of a name (already cut to its significant part), made on first sight.
  SymbolEntry& intern(std::string_view name, std::uint64_t hash, std::uint32_t line,
                      std::uint8_t depth);
  const SymbolEntry* find(std::string_view name, std::uint64_t hash) const;

  std::size_t size() const { return entries_.size(); }
  const std::deque<SymbolEntry>& entries() const { return entries_; }

 private:
  void grow();

  struct Slot {
    std::uint64_t hash = 0;
    SymbolEntry* entry = nullptr;
  };
  std::vector<Slot> slots_;
  std::deque<SymbolEntry> entries_;
  StringPool names_;
};

}  // namespace kz::clike
