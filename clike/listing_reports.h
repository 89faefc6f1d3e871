#pragma once
// The reports at the end of the listing, from the symbol table sorted by name: the
// undefined labels, the macro definitions and the symbol definitions.
#include <cstdint>
#include <vector>

#include "clike/listing_file.h"
#include "clike/listing_references.h"
#include "clike/macro_table.h"
#include "clike/settings.h"
#include "clike/symbol_table.h"

namespace kz::clike {

// Every entry, sorted by name (byte order).
std::vector<const SymbolEntry*> sortedSymbols(const SymbolTable& symbols);

// Names used but never given a place: functions declared and called, never defined (an
// external is placed by the linker; an entry name is not a label of this module).
std::vector<const SymbolEntry*> undefinedLabels(const std::vector<const SymbolEntry*>& sorted);

void writeUndefinedLabelList(ListingFile& listing,
                             const std::vector<const SymbolEntry*>& undefined);
void writeMacroList(ListingFile& listing, const MacroTable& macros, bool includeFiles);
// With references (the cross reference), each symbol's line is followed by its lines; those
// in an include file follow its name.
void writeSymbolList(ListingFile& listing, const std::vector<const SymbolEntry*>& sorted,
                     bool includeFiles, const CrossReference* references = nullptr);

}  // namespace kz::clike
