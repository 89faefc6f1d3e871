#pragma once
// The names of the program: every identifier that is neither a fixed word nor a macro is
// entered here once, with the line where it was first seen. Later passes add their
// attributes to the entry; the entry's address stays the same for the whole run.
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "clike/string_pool.h"
#include "clike/types.h"

namespace kz::clike {

enum class SymbolKind : std::uint8_t {
  none,
  external,
  staticName,
  global,
  structTag,
  unionTag,
  structMember,
  unionMember,
  label,
  undefinedLabel,
  file,
  section,
};

// The section type a name lives in, or its kind of code address.
enum class Area : std::uint8_t {
  none,
  io,
  area,
  data,
  constant,
  code,
  function,
  secondFunction,
  absolute,
};

struct SymbolEntry {
  std::string_view name;  // the significant part only
  std::uint32_t firstLine = 0;
  std::uint8_t firstDepth = 0;
  std::uint32_t order = 0;  // entries are numbered in the order they were made

  // What the declarations made of the name (file scope; members and labels live in their
  // aggregate and function).
  SymbolKind kind = SymbolKind::none;
  Area area = Area::none;
  SizeAttribute attribute = SizeAttribute::none;
  Type type;
  AggregateInfo* aggregate = nullptr;  // a tag's members
  std::uint32_t definedLine = 0;
  std::uint16_t stackUse = 0;  // functions, in bytes
  std::int32_t debugType = 0;
  bool used = false;
  bool defined = false;   // has storage or a body in this module
  bool declared = false;  // any declaration met (also one that failed)
  bool typedefName = false;
  bool critical = false;  // named by #pragma critical
};

class SymbolTable {
 public:
  SymbolTable();

  // The entry of a name (already cut to its significant part), made on first sight.
  SymbolEntry& intern(std::string_view name, std::uint64_t hash, std::uint32_t line,
                      std::uint8_t depth);
  const SymbolEntry* find(std::string_view name, std::uint64_t hash) const;

  std::size_t size() const { return entries_.size(); }
  // Visits every entry in the order of the hash slots, without any memory of its own.
  template <typename Visit>
  void forEachInHashOrder(Visit&& visit) const {
    for (const Slot& slot : slots_) {
      if (slot.entry) visit(*slot.entry);
    }
  }
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
