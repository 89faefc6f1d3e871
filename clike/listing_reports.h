#pragma once
// The reports at the end of the listing, from the symbol table sorted by name: the
// undefined labels, the macro definitions and the symbol definitions.
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "clike/listing_file.h"
#include "clike/listing_references.h"
#include "clike/macro_table.h"
#include "clike/settings.h"
#include "clike/symbol_table.h"

namespace kz::clike {

// The entries in name order (byte order), or, when no memory can be had for the sort table
// (or it would hold more than `sortLimit` entries), in hash order: the reports then start
// with the caution block.
class SymbolOrder {
 public:
  explicit SymbolOrder(const SymbolTable& symbols,
                       std::size_t sortLimit = std::numeric_limits<std::size_t>::max());

  // Whether the symbols go by name; without room for the sort table they go in hash order.
  bool sorted() const { return sorted_; }
  const SymbolTable& symbols() const { return symbols_; }
  template <typename Visit>
  void forEach(Visit&& visit) const {
    if (!sorted_) {
      symbols_.forEachInHashOrder(visit);
      return;
    }
    sortOnce();
    for (const SymbolEntry* symbol : byName_) visit(*symbol);
  }

 private:
  // The table is sorted when a report first walks it: a run without a listing never does.
  void sortOnce() const;

  const SymbolTable& symbols_;
  mutable std::vector<const SymbolEntry*> byName_;
  mutable bool byNameFilled_ = false;
  bool sorted_ = false;
};

// Names used but never given a place: a data object whose definition failed, a static
// function declared and called but never defined (an external is placed by the linker;
// an entry name is not a label of this module).
std::vector<const SymbolEntry*> undefinedLabels(const SymbolOrder& order);

void writeUndefinedLabelList(ListingFile& listing, const SymbolOrder& order,
                             const std::vector<const SymbolEntry*>& undefined);
// The macros go by name as well: without the sort table `sortFailed` is called (error 300)
// instead of writing the list.
void writeMacroList(ListingFile& listing, const MacroTable& macros, bool includeFiles,
                    const SymbolOrder& order, const std::function<void()>& sortFailed);
// With references (the cross reference), each symbol's line is followed by its lines; those
// in an include file follow its name.
void writeSymbolList(ListingFile& listing, const SymbolOrder& order, bool includeFiles,
                     const CrossReference* references = nullptr);

}  // namespace kz::clike
