#pragma once
// The symbol table listing appended to the assembly listing (-l), with the lines that define
// and reference each name (-lx): the module, every section and every defined symbol, sorted
// by the bytes of their names; externals that are never used are only counted.
//
// Line numbers are the running line count of the listing (its column 42), so lines of
// include files stay apart. Pass 1 keeps each name's references in the symbol table by file
// and line; the listing notes the running count of every line it reads (RunningLineMap).
//
// References reach the listing through the reference work file TS: when the table is
// written, the reference lines of the listed names are translated to running counts and
// written to TS in listing order (four bytes each, low byte first; the count stays with the
// row), then TS is rewound and read back row by row as the rows are written.
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "asm/listing_pager.h"
#include "asm/run_options.h"
#include "asm/symbols.h"
#include "common/work_file.h"

namespace kz::assembler {

// The running line count of each line read for the listing, by file index and line. A file
// included more than once keeps the counts of its first inclusion.
class RunningLineMap {
 public:
  void note(int fileIndex, long line, long runningCount);
  // 0 when the line was never read.
  long find(int fileIndex, long line) const;

 private:
  std::vector<std::vector<std::uint32_t>> counts_;
};

// One row of the table.
struct ListedName {
  std::string_view name;
  char sectionKind = ' ';              // C, D, R
  char memoryModel = ' ';              // S, M, L
  std::string_view category;           // SEC, MOD, LAB, VAR, NUM
  std::optional<std::uint32_t> value;  // none for the module
  char attribute = ' ';                // A, R
  std::string_view scope;              // PUB, EXT or empty
  long definitionLine = 0;             // 0: unknown
};

// The lines of one row without line ends. A name of 16 characters or more stands on a line
// of its own. With crossReference, the defining line and the references follow from column
// 56: wrapped to new lines indented to column 56 when a width was given, else each one after
// a tab.
std::vector<std::string> formatRow(const ListedName& row, std::span<const std::uint32_t> references,
                                   bool crossReference, std::optional<int> lineWidth);

// Ascending unsigned byte order of the names ("ABC" before "abc"); equal names keep their order.
bool namesInOrder(std::string_view a, std::string_view b);

class SymbolListing {
 public:
  SymbolListing(const SymbolTable& symbols, std::string moduleName, ListingKind kind);

  // Counts the listed names and builds the sort table. Returns false when the table could
  // not be had (no memory, or more names than tableLimit); the names are then listed in
  // hash-chain order: sections, other symbols, the module.
  bool prepare(std::size_t tableLimit = std::numeric_limits<std::size_t>::max());

  // Heading, rows and totals. references is the work file TS, used for crossRef only;
  // diskWorkFile selects the fatal numbers of its failures.
  void write(ListingPager& pager, const RunningLineMap& lines, WorkFile& references,
             bool diskWorkFile);

  int listedCount() const { return listedCount_; }
  int unreferencedExternals() const { return unreferencedExternals_; }

 private:
  static constexpr SymbolIndex kModuleRow = kNoSymbol;

  bool listed(SymbolIndex index, const symbolEntry& symbol) const;
  template <class Visit>
  void forEachRow(Visit&& visit) const;
  ListedName describe(SymbolIndex row, const RunningLineMap& lines) const;
  std::vector<std::uint32_t> referenceLines(SymbolIndex row, const RunningLineMap& lines) const;
  void writeHeading(ListingPager& pager);
  void writeTableLine(ListingPager& pager, std::string_view text);
  void writeReferences(WorkFile& file, const RunningLineMap& lines, bool diskWorkFile);
  std::vector<std::uint32_t> readReferences(WorkFile& file, std::uint32_t count,
                                            bool diskWorkFile) const;
  void writeTotals(ListingPager& pager);

  const SymbolTable& symbols_;
  std::string moduleName_;
  ListingKind kind_;
  int listedCount_ = 0;
  int unreferencedExternals_ = 0;
  bool sorted_ = false;
  std::vector<SymbolIndex> sortTable_;          // kModuleRow stands for the module
  std::vector<std::uint32_t> referenceCounts_;  // per row, in listing order
  int headingPage_ = 0;
};

}  // namespace kz::assembler
