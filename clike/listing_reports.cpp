#include "clike/listing_reports.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>
#include <unordered_map>

namespace kz::clike {
namespace {

constexpr std::size_t kMacroField = 20;
constexpr std::size_t kLongMacroName = 16;

std::string_view storageWord(SymbolKind kind) {
  switch (kind) {
    case SymbolKind::none:
      return "Null";
    case SymbolKind::external:
      return "Ext";
    case SymbolKind::staticName:
      return "Stat";
    case SymbolKind::global:
      return "Glb";
    case SymbolKind::structTag:
      return "STag";
    case SymbolKind::unionTag:
      return "UTag";
    case SymbolKind::structMember:
      return "SMem";
    case SymbolKind::unionMember:
      return "UMem";
    case SymbolKind::label:
      return "Lab";
    case SymbolKind::undefinedLabel:
      return "ULab";
    case SymbolKind::file:
      return "File";
    case SymbolKind::section:
      return "Sect";
  }
  return "----";
}

char attributeLetter(SizeAttribute attribute) {
  switch (attribute) {
    case SizeAttribute::far:
      return 'L';
    case SizeAttribute::near:
      return 'M';
    case SizeAttribute::tiny:
      return 'S';
    case SizeAttribute::none:
      break;
  }
  return ' ';
}

std::string_view areaWord(const SymbolEntry& symbol) {
  if (symbol.type.base == BaseType::entryType && symbol.type.derivations.empty()) return "Code";
  switch (symbol.area) {
    case Area::io:
    case Area::area:
      return "Data";
    case Area::data:
    case Area::constant:
      return "ROMD";
    case Area::code:
      return "Code";
    case Area::function:
      return "Fnc";
    case Area::secondFunction:
      return "SFnc";
    case Area::absolute:
      return symbol.kind == SymbolKind::external ? "" : "Abs";
    case Area::none:
      break;
  }
  // A function only declared is still a function address.
  if (symbol.type.isFunction()) return "Fnc";
  return "----";
}

std::string_view baseWord(const Type& type) {
  switch (type.base) {
    case BaseType::none:
      return "Null";
    case BaseType::voidType:
      return "Void";
    case BaseType::charType:
      return "Char";
    case BaseType::shortType:
      return "Shot";
    case BaseType::longType:
      return "Long";
    case BaseType::ucharType:
      return "UChar";
    case BaseType::ushortType:
      return "UShot";
    case BaseType::ulongType:
      return "ULong";
    case BaseType::unionType:
      return "Union";
    case BaseType::structType:
      return "Struc";
    case BaseType::entryType:
      return "Entry";
  }
  return "-----";
}

bool fromIncludeFile(const SymbolEntry& symbol) { return symbol.firstDepth > 0; }

}  // namespace

SymbolOrder::SymbolOrder(const SymbolTable& symbols, std::size_t sortLimit) : symbols_(symbols) {
  if (symbols.size() > sortLimit) return;
  try {
    byName_.reserve(symbols.size());
  } catch (const std::bad_alloc&) {
    return;
  }
  sorted_ = true;
}

namespace {

void sortByName(std::vector<const SymbolEntry*>& symbols) {
  std::sort(symbols.begin(), symbols.end(),
            [](const SymbolEntry* a, const SymbolEntry* b) { return a->name < b->name; });
}

bool isUndefinedLabel(const SymbolEntry& symbol) {
  bool placedElsewhere = symbol.kind == SymbolKind::external;
  bool named = symbol.kind == SymbolKind::global || symbol.kind == SymbolKind::staticName;
  return symbol.used && named && !symbol.defined && !placedElsewhere &&
         symbol.type.base != BaseType::entryType;
}

}  // namespace

void SymbolOrder::sortOnce() const {
  if (byNameFilled_) return;
  for (const SymbolEntry& entry : symbols_.entries()) byName_.push_back(&entry);
  sortByName(byName_);
  byNameFilled_ = true;
}

// Only the few undefined labels are sorted, not the whole table.
std::vector<const SymbolEntry*> undefinedLabels(const SymbolOrder& order) {
  std::vector<const SymbolEntry*> undefined;
  if (!order.sorted()) {
    order.forEach([&](const SymbolEntry& symbol) {
      if (isUndefinedLabel(symbol)) undefined.push_back(&symbol);
    });
    return undefined;
  }
  for (const SymbolEntry& symbol : order.symbols().entries())
    if (isUndefinedLabel(symbol)) undefined.push_back(&symbol);
  sortByName(undefined);
  return undefined;
}

namespace {

// Before a report written in hash order.
void cautionBlock(ListingFile& listing) {
  listing.reportLine("");
  listing.reportLine("Caution !!");
  listing.reportLine("*** Warning : Can't create a sort table, display at random");
  listing.reportLine("");
}

}  // namespace

void writeUndefinedLabelList(ListingFile& listing, const SymbolOrder& order,
                             const std::vector<const SymbolEntry*>& undefined) {
  if (!order.sorted()) cautionBlock(listing);
  listing.reportLine("Undefined label list");
  listing.reportLine("--------------------");
  if (undefined.empty()) listing.reportLine("No undefined label");
  for (const SymbolEntry* symbol : undefined) {
    char text[128];
    std::snprintf(text, sizeof text, "%sline #%04u %.*s", "Undefined label :", symbol->firstLine,
                  static_cast<int>(symbol->name.size()), symbol->name.data());
    listing.reportLine(text);
  }
}

void writeMacroList(ListingFile& listing, const MacroTable& macros, bool includeFiles,
                    const SymbolOrder& order, const std::function<void()>& sortFailed) {
  if (!order.sorted()) {
    sortFailed();
    return;
  }
  std::vector<const MacroEntry*> sorted;
  for (const MacroEntry& entry : macros.entries()) {
    if (includeFiles || entry.includeDepth == 0) sorted.push_back(&entry);
  }
  std::sort(sorted.begin(), sorted.end(),
            [](const MacroEntry* a, const MacroEntry* b) { return a->name < b->name; });
  listing.reportLine("");
  listing.reportLine("Macro definition list");
  listing.reportLine("---------------------");
  if (sorted.empty()) listing.reportLine("No macro definition");
  for (const MacroEntry* macro : sorted) {
    std::string line(macro->name);
    if (line.size() > kLongMacroName) line += ' ';
    if (line.size() < kMacroField) line.resize(kMacroField, ' ');
    if (macro->kind == MacroKind::undefined) {
      line += "(Undef)";
    } else if (macro->text.empty()) {
      line += "(Null)";
    } else {
      line += macro->text;
    }
    listing.reportLine(line);
  }
}

namespace {

// The file whose line `definedAt` holds the definition: the first appearance's file when the
// name was defined where it was first seen, else the main source when it has that line.
std::uint16_t definitionFile(const std::vector<SourceReference>& references,
                             const SymbolEntry& symbol, std::uint32_t definedAt) {
  if (!references.empty() && symbol.firstLine == definedAt && references.front().line == definedAt)
    return references.front().file;
  auto inMain = std::find_if(references.begin(), references.end(), [&](const SourceReference& r) {
    return r.file == 0 && r.line == definedAt;
  });
  if (inMain != references.end()) return 0;
  auto any = std::find_if(references.begin(), references.end(),
                          [&](const SourceReference& r) { return r.line == definedAt; });
  return any != references.end() ? any->file : 0;
}

// "%-41s" then " %4d" per line, the line of definition and repeats left out; a line is
// ended before a number would pass the page width less 47 (column 209 without a width).
// The lines of an include file start a line of their own that names the file.
void writeReferences(ListingFile& listing, const CrossReference& cross,
                     const std::vector<SourceReference>& references, const SymbolEntry& symbol,
                     std::uint32_t definedAt) {
  constexpr std::size_t kIndent = 41;
  constexpr std::size_t kNumberWidth = 5;
  int width = listing.pageWidth();
  std::size_t limit = width > 0 ? static_cast<std::size_t>(std::max(width - 47, 5)) : 209;
  std::uint16_t definedIn = definitionFile(references, symbol, definedAt);
  std::vector<SourceReference> written;
  std::string text;
  std::size_t numbers = 0;  // on the current line
  auto lead = [&](std::uint16_t file) {
    if (file == 0 || file >= cross.fileNames.size()) return std::string(kIndent, ' ');
    const std::string& path = cross.fileNames[file];
    std::string name = path.substr(path.find_last_of("/\\:") + 1);
    name.resize(std::max(name.size() + 1, kIndent), ' ');
    return name;
  };
  for (const SourceReference& reference : references) {
    bool repeated = std::any_of(written.begin(), written.end(), [&](const SourceReference& r) {
      return r.line == reference.line && r.file == reference.file;
    });
    if (repeated || (reference.line == definedAt && reference.file == definedIn)) continue;
    bool otherFile = !written.empty() && written.back().file != reference.file;
    if (written.empty() || otherFile || numbers * kNumberWidth + kNumberWidth > limit) {
      if (!written.empty()) listing.reportLine(text);
      text = otherFile || written.empty() ? lead(reference.file) : std::string(kIndent, ' ');
      numbers = 0;
    }
    written.push_back(reference);
    char number[16];
    std::snprintf(number, sizeof number, " %4u", reference.line);
    text += number;
    ++numbers;
  }
  if (!written.empty()) listing.reportLine(text);
}

// The member entries of the program's structures and unions, with the first aggregate (by
// tag name) that holds each: a member's line shows its type and offset from there.
std::unordered_map<const SymbolEntry*, const Member*> membersOf(const SymbolOrder& order) {
  std::unordered_map<const SymbolEntry*, const Member*> members;
  order.forEach([&](const SymbolEntry& symbol) {
    if (!symbol.aggregate) return;
    for (const Member& member : symbol.aggregate->members) {
      if (member.name) members.try_emplace(member.name, &member);
    }
  });
  return members;
}

std::string symbolLine(const SymbolEntry& symbol, const Member* member) {
  const Type& type = member ? member->type : symbol.type;
  std::string_view storage = storageWord(symbol.kind);
  std::string_view area = areaWord(symbol);
  std::string_view base = baseWord(type);
  char text[256];
  int at = std::snprintf(text, sizeof text, "%-5.*s%c %-5.*s%-7.*s",
                         static_cast<int>(storage.size()), storage.data(),
                         attributeLetter(symbol.attribute), static_cast<int>(area.size()),
                         area.data(), static_cast<int>(base.size()), base.data());
  std::string line(text, static_cast<std::size_t>(at));
  line += type.isPointer() ? "Ptr " : "    ";
  line += type.isArray() ? "Ary " : "    ";
  line += type.isFunction() ? "Func " : type.isFunctionPointer() ? "FPtr " : "     ";
  bool tag = symbol.kind == SymbolKind::structTag || symbol.kind == SymbolKind::unionTag;
  if (tag && symbol.aggregate) {
    std::snprintf(text, sizeof text, "%04X ", symbol.aggregate->size);
    line += text;
  } else if (member) {
    std::snprintf(text, sizeof text, "%04X ", member->offset);
    line += text;
  } else if (type.isArray()) {
    std::snprintf(text, sizeof text, "%04X ", type.derivations.front().count);
    line += text;
  } else {
    line += "     ";
  }
  std::uint32_t definedAt = symbol.definedLine != 0 ? symbol.definedLine : symbol.firstLine;
  std::snprintf(text, sizeof text, "%4u# %.*s", definedAt, static_cast<int>(symbol.name.size()),
                symbol.name.data());
  line += text;
  if (type.isFunction() && symbol.defined) {
    std::snprintf(text, sizeof text, " Stack = %u", symbol.stackUse);
    line += text;
  }
  return line;
}

}  // namespace

void writeSymbolList(ListingFile& listing, const SymbolOrder& order, bool includeFiles,
                     const CrossReference* references) {
  if (!order.sorted()) cautionBlock(listing);
  listing.reportLine("");
  listing.reportLine("Symbol definition list");
  listing.reportLine("----------------------");
  auto members = membersOf(order);
  bool any = false;
  order.forEach([&](const SymbolEntry& entry) {
    const SymbolEntry* symbol = &entry;
    if (symbol->kind == SymbolKind::label || symbol->kind == SymbolKind::none) return;
    if (!includeFiles && fromIncludeFile(*symbol)) return;
    any = true;
    bool member =
        symbol->kind == SymbolKind::structMember || symbol->kind == SymbolKind::unionMember;
    auto found = member ? members.find(symbol) : members.end();
    listing.reportLine(symbolLine(*symbol, found != members.end() ? found->second : nullptr));
    if (references && symbol->order < references->bySymbol.size()) {
      std::uint32_t definedAt = symbol->definedLine != 0 ? symbol->definedLine : symbol->firstLine;
      writeReferences(listing, *references, references->bySymbol[symbol->order], *symbol,
                      definedAt);
    }
  });
  if (!any) listing.reportLine("No symbol definition");
}

}  // namespace kz::clike
