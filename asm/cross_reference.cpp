#include "asm/cross_reference.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "asm/reporter.h"
#include "common/fatal_error.h"

namespace kz::assembler {
namespace {

constexpr const char* kReferenceFileName = "temporary file(refsym)";

// Columns of a row; the heading's words stand at 17, 34, 44 and 56.
constexpr std::size_t kLongName = 16;
constexpr std::size_t kKindColumn = 17;
constexpr std::size_t kCategoryColumn = 20;
constexpr std::size_t kValueColumn = 34;
constexpr std::size_t kReferenceColumn = 56;

struct Heading {
  std::string_view title;
  std::string_view rule;
  std::string_view columns;
};

constexpr Heading kCrossReferenceHeading{
    "Cross reference & Symbol table listing", "--------------------------------------",
    "Symbol           Category         Value     Attribute   Cross_reference"};
constexpr Heading kPlainHeading{"Symbol table listing", "--------------------",
                                "Symbol           Category         Value     Attribute"};
static_assert(kCrossReferenceHeading.columns.find("Category") == kKindColumn);
static_assert(kCrossReferenceHeading.columns.find("Value") == kValueColumn);
static_assert(kCrossReferenceHeading.columns.find("Cross_reference") == kReferenceColumn);

// Title, rule, empty line, column heading, empty line.
constexpr long kHeadingLines = 5;
// Column heading and empty line, repeated on each new page of the table.
constexpr long kColumnHeadingLines = 2;

constexpr std::string_view kSectionCategory = "SEC";
constexpr std::string_view kModuleCategory = "MOD";
constexpr std::string_view kLabelCategory = "LAB";
constexpr std::string_view kVariableCategory = "VAR";
constexpr std::string_view kValueCategory = "NUM";

char modelLetter(MemoryModel model) {
  switch (model) {
    case MemoryModel::small:
      return 'S';
    case MemoryModel::medium:
      return 'M';
    case MemoryModel::large:
      return 'L';
  }
  return ' ';
}

char kindLetter(SectionKind kind) {
  switch (kind) {
    case SectionKind::code:
      return 'C';
    case SectionKind::data:
      return 'D';
    case SectionKind::romData:
      return 'R';
  }
  return ' ';
}

std::string formatted(const char* format, long value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void padTo(std::string& line, std::size_t column) {
  if (line.size() < column) line.resize(column, ' ');
}

void describeSection(const sectionEntry& section, ListedName& row) {
  row.sectionKind = kindLetter(section.kind);
  row.category = kSectionCategory;
  row.value = section.absolute ? section.startAddress : 0;
  row.attribute = section.absolute ? 'A' : 'R';
  if (!section.absolute) row.memoryModel = modelLetter(section.model);
}

void describeExternal(const symbolEntry& symbol, const symbolDebugData& debug, ListedName& row) {
  row.category = debug.hasVariableType ? kVariableCategory : kLabelCategory;
  row.value = 0;
  row.attribute = 'R';
  row.memoryModel = modelLetter(symbol.externalModel);
  row.scope = "EXT";
}

// A label or EQU value: absolute, or placed in a relocatable section whose model it shows,
// or an expression only the linker can resolve.
void describeDefined(const symbolEntry& symbol, const symbolDebugData& debug,
                     const SectionList& sections, ListedName& row) {
  row.category = symbol.state == symbolState::value ? kValueCategory
                 : debug.hasVariableType            ? kVariableCategory
                                                    : kLabelCategory;
  row.scope = symbol.isPublic ? "PUB" : "";
  if (symbol.hasExpression) {
    row.attribute = 'R';
  } else if (symbol.section == kNoSection || sections[symbol.section].absolute) {
    row.attribute = 'A';
  } else {
    row.attribute = 'R';
    row.memoryModel = modelLetter(sections[symbol.section].model);
  }
}

}  // namespace

// --- running line numbers ---

void RunningLineMap::note(int fileIndex, long line, long runningCount) {
  if (fileIndex < 0 || line <= 0) return;
  auto file = static_cast<std::size_t>(fileIndex);
  if (counts_.size() <= file) counts_.resize(file + 1);
  std::vector<std::uint32_t>& lines = counts_[file];
  auto at = static_cast<std::size_t>(line);
  if (lines.size() <= at) lines.resize(at + 1, 0);
  if (lines[at] == 0) lines[at] = static_cast<std::uint32_t>(runningCount);
}

long RunningLineMap::find(int fileIndex, long line) const {
  if (fileIndex < 0 || line <= 0 || static_cast<std::size_t>(fileIndex) >= counts_.size()) return 0;
  const std::vector<std::uint32_t>& lines = counts_[static_cast<std::size_t>(fileIndex)];
  auto at = static_cast<std::size_t>(line);
  return at < lines.size() ? lines[at] : 0;
}

// --- rows ---

bool namesInOrder(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

std::vector<std::string> formatRow(const ListedName& row, std::span<const std::uint32_t> references,
                                   bool crossReference, std::optional<int> lineWidth) {
  std::vector<std::string> lines;
  std::string line;
  if (row.name.size() >= kLongName)
    lines.emplace_back(row.name);
  else
    line = row.name;
  padTo(line, kKindColumn);
  line += row.sectionKind;
  line += row.memoryModel;
  padTo(line, kCategoryColumn);
  line += row.category;
  padTo(line, kValueColumn);
  line += row.value ? formatted("%08lX  ", static_cast<long>(*row.value)) : std::string(10, ' ');
  line += row.attribute;
  line += ' ';
  line += row.scope;
  padTo(line, kReferenceColumn);
  if (!crossReference) {
    lines.push_back(std::move(line));
    return lines;
  }
  line += row.definitionLine != 0 ? formatted("%5ld#", row.definitionLine) : std::string(6, ' ');
  for (std::uint32_t reference : references) {
    std::string number = formatted("%5ld", static_cast<long>(reference));
    if (!lineWidth) {
      line += '\t';
    } else {
      // A number wider than its field keeps one blank before it.
      std::string spaced = number.front() == ' ' ? number : " " + number;
      if (line.size() + spaced.size() > static_cast<std::size_t>(*lineWidth)) {
        lines.push_back(std::move(line));
        line.assign(kReferenceColumn, ' ');
      } else {
        number = spaced;
      }
    }
    line += number;
  }
  lines.push_back(std::move(line));
  return lines;
}

// --- the table ---

SymbolListing::SymbolListing(const SymbolTable& symbols, std::string moduleName, ListingKind kind)
    : symbols_(symbols), moduleName_(std::move(moduleName)), kind_(kind) {}

// The module comes as its own row, named as the run named it; `$`, names only referenced or
// only declared PUBLIC, and externals never used are left out.
bool SymbolListing::listed(SymbolIndex index, const symbolEntry& symbol) const {
  switch (symbol.state) {
    case symbolState::section:
    case symbolState::label:
    case symbolState::value:
      return true;
    case symbolState::external:
      return symbols_.referenceCount(index) > 0;
    default:
      return false;
  }
}

template <class Visit>
void SymbolListing::forEachRow(Visit&& visit) const {
  if (sorted_) {
    for (SymbolIndex row : sortTable_) visit(row);
    return;
  }
  for (ChainSet set : {ChainSet::sections, ChainSet::symbols}) {
    symbols_.forEachInChainOrder(set, [&](SymbolIndex index, const symbolEntry& symbol) {
      if (listed(index, symbol)) visit(index);
    });
  }
  visit(kModuleRow);
}

bool SymbolListing::prepare(std::size_t tableLimit) {
  listedCount_ = 1;
  unreferencedExternals_ = 0;
  for (ChainSet set : {ChainSet::sections, ChainSet::symbols}) {
    symbols_.forEachInChainOrder(set, [&](SymbolIndex index, const symbolEntry& symbol) {
      if (listed(index, symbol))
        ++listedCount_;
      else if (symbol.state == symbolState::external)
        ++unreferencedExternals_;
    });
  }
  sorted_ = false;
  sortTable_.clear();
  auto rows = static_cast<std::size_t>(listedCount_);
  if (rows > tableLimit) return false;
  try {
    sortTable_.reserve(rows);
  } catch (const std::bad_alloc&) {
    return false;
  }
  forEachRow([&](SymbolIndex row) { sortTable_.push_back(row); });
  auto nameOf = [&](SymbolIndex row) {
    return row == kModuleRow ? std::string_view(moduleName_) : symbols_.entry(row).name;
  };
  std::stable_sort(sortTable_.begin(), sortTable_.end(), [&](SymbolIndex a, SymbolIndex b) {
    return namesInOrder(nameOf(a), nameOf(b));
  });
  sorted_ = true;
  return true;
}

ListedName SymbolListing::describe(SymbolIndex row, const RunningLineMap& lines) const {
  ListedName result;
  if (row == kModuleRow) {
    result.name = moduleName_;
    result.category = kModuleCategory;
    SymbolIndex module = symbols_.moduleSymbol();
    if (module != kNoSymbol) {
      const symbolEntry& symbol = symbols_.entry(module);
      result.definitionLine = lines.find(symbol.definitionFile, symbol.definitionLine);
    }
    return result;
  }
  const symbolEntry& symbol = symbols_.entry(row);
  result.name = symbol.name;
  result.definitionLine = lines.find(symbol.definitionFile, symbol.definitionLine);
  result.value = static_cast<std::uint32_t>(symbol.value);
  if (symbol.state == symbolState::section)
    describeSection(symbols_.sections()[symbol.section], result);
  else if (symbol.state == symbolState::external)
    describeExternal(symbol, symbols_.debugData(row), result);
  else
    describeDefined(symbol, symbols_.debugData(row), symbols_.sections(), result);
  return result;
}

std::vector<std::uint32_t> SymbolListing::referenceLines(SymbolIndex row,
                                                         const RunningLineMap& lines) const {
  SymbolIndex symbol = row == kModuleRow ? symbols_.moduleSymbol() : row;
  std::vector<std::uint32_t> numbers;
  if (symbol == kNoSymbol) return numbers;
  symbols_.forEachReference(symbol, [&](const SymbolReference& reference) {
    auto number = static_cast<std::uint32_t>(lines.find(reference.fileIndex, reference.line));
    if (number != 0 && (numbers.empty() || numbers.back() != number)) numbers.push_back(number);
  });
  return numbers;
}

// --- writing ---

void SymbolListing::write(ListingPager& pager, const RunningLineMap& lines, WorkFile& references,
                          bool diskWorkFile) {
  bool crossReference = kind_ == ListingKind::crossRef;
  if (crossReference) writeReferences(references, lines, diskWorkFile);
  writeHeading(pager);
  std::size_t rowNumber = 0;
  forEachRow([&](SymbolIndex row) {
    std::vector<std::uint32_t> numbers;
    if (crossReference)
      numbers = readReferences(references, referenceCounts_[rowNumber++], diskWorkFile);
    for (const std::string& line :
         formatRow(describe(row, lines), numbers, crossReference, pager.layout().lineWidth)) {
      writeTableLine(pager, line);
    }
  });
  writeTotals(pager);
}

void SymbolListing::writeReferences(WorkFile& file, const RunningLineMap& lines,
                                    bool diskWorkFile) {
  referenceCounts_.clear();
  std::vector<std::uint8_t> record;
  forEachRow([&](SymbolIndex row) {
    std::vector<std::uint32_t> numbers = referenceLines(row, lines);
    referenceCounts_.push_back(static_cast<std::uint32_t>(numbers.size()));
    record.clear();
    for (std::uint32_t number : numbers) {
      for (int shift = 0; shift < 32; shift += 8)
        record.push_back(static_cast<std::uint8_t>(number >> shift));
    }
    if (!record.empty() && !file.write(record.data(), record.size())) {
      if (diskWorkFile) raiseFatal(Message::cantWrite, kReferenceFileName);
      raiseFatal(Message::outOfMemory);
    }
  });
  if (!file.seek(0)) {
    if (diskWorkFile) raiseFatal(Message::cantSeek, kReferenceFileName);
    raiseFatal(Message::internalError);
  }
}

std::vector<std::uint32_t> SymbolListing::readReferences(WorkFile& file, std::uint32_t count,
                                                         bool diskWorkFile) const {
  std::vector<std::uint8_t> record(std::size_t{count} * 4);
  if (file.read(record.data(), record.size()) != record.size()) {
    if (diskWorkFile) raiseFatal(Message::cantRead, kReferenceFileName);
    raiseFatal(Message::internalError);
  }
  std::vector<std::uint32_t> numbers(count);
  for (std::size_t i = 0; i < count; ++i) {
    for (int byte = 0; byte < 4; ++byte)
      numbers[i] |= std::uint32_t{record[i * 4 + byte]} << (8 * byte);
  }
  return numbers;
}

void SymbolListing::writeHeading(ListingPager& pager) {
  const Heading& heading = kind_ == ListingKind::crossRef ? kCrossReferenceHeading : kPlainHeading;
  bool newPage = pager.startRequestedPage();
  if (!newPage && pager.layout().paged && pager.linesLeft() < kHeadingLines + 1) {
    pager.startPage();
    newPage = true;
  }
  if (!newPage) pager.writeBlock("\r\n", 1);
  std::string text;
  text.append(heading.title).append("\r\n");
  text.append(heading.rule).append("\r\n\r\n");
  text.append(heading.columns).append("\r\n\r\n");
  pager.writeBlock(text, kHeadingLines);
  headingPage_ = pager.page();
}

void SymbolListing::writeTableLine(ListingPager& pager, std::string_view text) {
  pager.breakIfDue();
  if (pager.page() != headingPage_) {
    const Heading& heading =
        kind_ == ListingKind::crossRef ? kCrossReferenceHeading : kPlainHeading;
    pager.writeBlock(std::string(heading.columns) + "\r\n\r\n", kColumnHeadingLines);
    headingPage_ = pager.page();
  }
  pager.writeLine(text);
}

// Two empty lines, TOTAL and the counts stay together: on a new page when they do not fit.
void SymbolListing::writeTotals(ListingPager& pager) {
  long blockLines = 4 + (unreferencedExternals_ > 0 ? 1 : 0);
  if (pager.layout().paged && pager.linesLeft() < blockLines) {
    pager.startPage();
    pager.writeBlock("TOTAL\r\n", 1);
  } else {
    pager.writeBlock("\r\n\r\nTOTAL\r\n", 3);
  }
  pager.writeBlock(formatted("%5ld user defined symbol(s)\r\n", listedCount_), 1);
  if (unreferencedExternals_ > 0) {
    pager.writeBlock(formatted("%5ld unreferenced external symbol(s)\r\n", unreferencedExternals_),
                     1);
  }
}

}  // namespace kz::assembler
