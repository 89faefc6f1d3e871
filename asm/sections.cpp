#include "asm/sections.h"

namespace kz::assembler {

SectionId SectionList::add(std::string_view name, SymbolIndex symbol) {
  sectionEntry& section = sections_.emplace_back();
  section.name = name;
  section.symbol = symbol;
  return static_cast<SectionId>(sections_.size() - 1);
}

}  // namespace kz::assembler
