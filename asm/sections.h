#pragma once
// Section records. Each section name also has a record in the symbol table's section chains;
// the two point at each other (sectionEntry::symbol, symbolEntry::section).
#include <cstdint>
#include <deque>
#include <limits>
#include <string_view>

#include "asm/token.h"  // kNoSymbol

namespace kz::assembler {

using SymbolIndex = std::uint32_t;  // position of a symbolEntry in its SymbolTable
using SectionId = std::uint32_t;    // position of a sectionEntry in its SectionList

inline constexpr SectionId kNoSection = std::numeric_limits<SectionId>::max();

enum class SectionKind : std::uint8_t { code, data, romData };

// The value is the address width in bits.
enum class MemoryModel : std::uint8_t { small = 8, medium = 16, large = 24 };

struct sectionEntry {
  std::string_view name;  // in the symbol table's name pool
  SymbolIndex symbol = kNoSymbol;
  SectionKind kind = SectionKind::code;
  MemoryModel model = MemoryModel::medium;
  bool absolute = false;
  std::uint32_t startAddress = 0;  // absolute sections only
  std::uint32_t alignment = 1;
  std::uint32_t locationCounter = 0;  // offset, or address in an absolute section
  std::uint32_t size = 0;             // highest location reached
  int fileIndex = 0;
  long line = 0;
};

// Sections in the order they were first named; ids and addresses stay valid as it grows.
class SectionList {
 public:
  SectionId add(std::string_view name, SymbolIndex symbol);

  sectionEntry& operator[](SectionId id) { return sections_[id]; }
  const sectionEntry& operator[](SectionId id) const { return sections_[id]; }
  std::size_t size() const { return sections_.size(); }

  auto begin() { return sections_.begin(); }
  auto end() { return sections_.end(); }
  auto begin() const { return sections_.begin(); }
  auto end() const { return sections_.end(); }

 private:
  std::deque<sectionEntry> sections_;
};

}  // namespace kz::assembler
