#include "asm/symbols.h"

#include <cstring>
#include <new>

namespace kz::assembler {

namespace {

constexpr int kSyntaxError = 200;
constexpr int kMultiDefined = 203;
constexpr int kIllegalLabel = 208;
constexpr int kPublicNotAllowed = 210;
constexpr int kUndefinedSymbol = 221;
constexpr int kIllegalSymbolReference = 226;
constexpr int kHashTableOverflow = 159;
constexpr int kSymbolTableOverflow = 160;
constexpr int kOutOfMemory = 161;

constexpr std::size_t kInitialIndexSlots = 1024;

// FNV-1a: the index needs a hash that spreads names well; nameHash keeps only the last 16
// characters of a long name and clusters short ones.
std::uint64_t indexHash(std::string_view name) {
  std::uint64_t h = 14695981039346656037ull;
  for (char c : name) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

std::uint32_t hashTag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

std::size_t pooledSize(std::string_view name) { return (name.size() + 1 + 3) & ~std::size_t{3}; }

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool isDefinableName(std::string_view name) {
  return !name.empty() && (isLetter(name[0]) || name[0] == '.' || name[0] == '_');
}

SymbolTable::SymbolTable(Reporter& reporter) : reporter_(reporter) {
  sectionHeads_.fill(kNoSymbol);
  symbolHeads_.fill(kNoSymbol);
  sectionIndex_.slots.resize(kInitialIndexSlots);
  symbolIndex_.slots.resize(kInitialIndexSlots);
}

// --- names and records ---

std::string_view SymbolTable::storeName(std::string_view name) {
  std::size_t needed = pooledSize(name);
  if (names_.blocks.empty() || names_.blockSize - names_.used < needed) {
    std::size_t size = needed > kNamePoolBlock ? needed : kNamePoolBlock;
    try {
      names_.blocks.push_back(std::make_unique<char[]>(size));
    } catch (const std::bad_alloc&) {
      reporter_.fatal(kOutOfMemory);
    }
    names_.blockSize = size;
    names_.used = 0;
  }
  char* stored = names_.blocks.back().get() + names_.used;
  std::memcpy(stored, name.data(), name.size());
  stored[name.size()] = '\0';
  names_.used += needed;
  return {stored, name.size()};
}

SymbolIndex SymbolTable::newRecord(ChainSet set, std::string_view name, symbolState state) {
  if (count_ % kRecordsPerBlock == 0) {
    try {
      blocks_.push_back(std::make_unique<symbolEntry[]>(kRecordsPerBlock));
    } catch (const std::bad_alloc&) {
      reporter_.fatal(kSymbolTableOverflow);
    }
  }
  auto index = static_cast<SymbolIndex>(count_++);
  symbolEntry& symbol = entry(index);
  symbol.name = storeName(name);
  symbol.state = state;
  auto& chainHeads = set == ChainSet::sections ? sectionHeads_ : symbolHeads_;
  SymbolIndex& head = chainHeads[nameHash(name)];
  symbol.next = head;
  head = index;
  addToIndex(set == ChainSet::sections ? sectionIndex_ : symbolIndex_, symbol.name, index);
  return index;
}

std::size_t SymbolTable::slotOf(const NameIndex& index, std::string_view name) const {
  std::uint64_t hash = indexHash(name);
  std::uint32_t tag = hashTag(hash);
  std::size_t mask = index.slots.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const IndexSlot& slot = index.slots[at];
    if (slot.name == nullptr) return kNoSlot;
    // Pooled names end in a zero byte, which stops strncmp at a shorter stored name.
    if (slot.hashTag == tag && std::strncmp(slot.name, name.data(), name.size()) == 0 &&
        slot.name[name.size()] == '\0') {
      return at;
    }
  }
}

void SymbolTable::addToIndex(NameIndex& index, std::string_view name, SymbolIndex symbol) {
  if ((index.used + 1) * 2 > index.slots.size()) {
    std::vector<IndexSlot> grown;
    try {
      grown.resize(index.slots.size() * 2);
    } catch (const std::bad_alloc&) {
      reporter_.fatal(kHashTableOverflow);
    }
    std::size_t mask = grown.size() - 1;
    for (const IndexSlot& slot : index.slots) {
      if (slot.name == nullptr) continue;
      std::size_t at = indexHash(slot.name) & mask;
      while (grown[at].name != nullptr) at = (at + 1) & mask;
      grown[at] = slot;
    }
    index.slots = std::move(grown);
  }
  std::uint64_t hash = indexHash(name);
  std::size_t mask = index.slots.size() - 1;
  std::size_t at = hash & mask;
  while (index.slots[at].name != nullptr) at = (at + 1) & mask;
  index.slots[at] = {name.data(), hashTag(hash), symbol};
  ++index.used;
}

void SymbolTable::hide(SymbolIndex symbol) {
  symbolEntry& hidden = entry(symbol);
  hidden.state = symbolState::hidden;
  symbolIndex_.slots[slotOf(symbolIndex_, hidden.name)].symbol = kNoSymbol;
}

// --- lookup ---

SymbolIndex SymbolTable::symbolAt(const NameIndex& index, std::string_view name) const {
  std::size_t slot = slotOf(index, name);
  return slot != kNoSlot ? index.slots[slot].symbol : kNoSymbol;
}

SymbolIndex SymbolTable::findSection(std::string_view name) const {
  return symbolAt(sectionIndex_, name);
}

SymbolIndex SymbolTable::findSymbol(std::string_view name) const {
  return symbolAt(symbolIndex_, name);
}

SymbolIndex SymbolTable::find(std::string_view name) const {
  SymbolIndex section = findSection(name);
  return section != kNoSymbol ? section : findSymbol(name);
}

SymbolIndex SymbolTable::lookupSymbol(std::string_view name, Pass pass) {
  SymbolIndex found = find(name);
  if (found != kNoSymbol || pass != Pass::first) return found;
  return newRecord(ChainSet::symbols, name,
                   name == "$" ? symbolState::location : symbolState::referenced);
}

// --- definitions ---

void SymbolTable::markDefinitionSite(symbolEntry& symbol) const {
  symbol.definitionFile = reporter_.fileIndex();
  symbol.definitionLine = reporter_.line();
}

bool SymbolTable::isDefinitionSite(const symbolEntry& symbol) const {
  return symbol.definitionFile == reporter_.fileIndex() &&
         symbol.definitionLine == reporter_.line();
}

DefineOutcome SymbolTable::redefine(SymbolIndex index, const SymbolValue& value) {
  symbolEntry& symbol = entry(index);
  if (!symbol.isDefined() || !isDefinitionSite(symbol)) return {index, false};
  bool moved = symbol.value != value.value || symbol.section != value.section;
  symbol.value = value.value;
  symbol.section = value.section;
  symbol.expression = value.expression;
  return {index, moved};
}

DefineOutcome SymbolTable::defineLabel(std::string_view name, DefinitionKind kind,
                                       const SymbolValue& value, Pass pass) {
  if (pass != Pass::first) {
    SymbolIndex index = findSymbol(name);
    return index == kNoSymbol ? DefineOutcome{} : redefine(index, value);
  }
  if (kind == DefinitionKind::label && value.section == kNoSection) {
    reporter_.reportError(kIllegalLabel);
    return {};
  }
  if (findSection(name) != kNoSymbol) {
    reporter_.reportError(kMultiDefined, name);
    return {};
  }
  if (!isDefinableName(name)) {
    reporter_.reportError(kIllegalLabel);
    return {};
  }
  SymbolIndex index = findSymbol(name);
  if (index == kNoSymbol) index = newRecord(ChainSet::symbols, name, symbolState::referenced);
  symbolEntry& symbol = entry(index);
  if (symbol.isDefined() || symbol.state == symbolState::module) {
    reporter_.reportError(kMultiDefined, name);
    symbol.multiplyDefined = true;
    return {index, false};
  }
  symbol.state = kind == DefinitionKind::label ? symbolState::label : symbolState::value;
  symbol.value = value.value;
  symbol.section = value.section;
  symbol.expression = value.expression;
  markDefinitionSite(symbol);
  return {index, false};
}

SectionDefinition SymbolTable::defineSection(std::string_view name, Pass pass) {
  SymbolIndex existing = findSection(name);
  if (existing != kNoSymbol) return {entry(existing).section, false};
  if (pass != Pass::first) return {};
  if (name == "$") {
    reporter_.reportError(kIllegalSymbolReference);
    return {};
  }
  SymbolIndex previous = findSymbol(name);
  if (previous != kNoSymbol) {
    symbolEntry& taken = entry(previous);
    if (taken.isDefined() || taken.state == symbolState::module)
      reporter_.reportError(kMultiDefined, name);
    if (previous == moduleSymbol_) moduleSymbol_ = kNoSymbol;
    hide(previous);
  }
  SymbolIndex index = newRecord(ChainSet::sections, name, symbolState::section);
  symbolEntry& symbol = entry(index);
  SectionId section = sections_.add(symbol.name, index);
  symbol.section = section;
  markDefinitionSite(symbol);
  sections_[section].fileIndex = reporter_.fileIndex();
  sections_[section].line = reporter_.line();
  if (previous != kNoSymbol) entry(previous).section = section;
  return {section, true};
}

SymbolIndex SymbolTable::declarePublic(std::string_view name, Pass pass) {
  if (pass != Pass::first) {
    SymbolIndex index = findSymbol(name);
    if (pass == Pass::sizing && index != kNoSymbol && entry(index).isPublic &&
        !entry(index).isDefined()) {
      reporter_.reportError(kUndefinedSymbol);
    }
    return index;
  }
  if (name == "$") {
    reporter_.reportError(kSyntaxError);
    return kNoSymbol;
  }
  if (findSection(name) != kNoSymbol) {
    reporter_.reportError(kPublicNotAllowed);
    return kNoSymbol;
  }
  SymbolIndex index = findSymbol(name);
  if (index == kNoSymbol) {
    if (!isDefinableName(name)) {
      reporter_.reportError(kIllegalLabel);
      return kNoSymbol;
    }
    index = newRecord(ChainSet::symbols, name, symbolState::publicDeclared);
  }
  symbolEntry& symbol = entry(index);
  if (symbol.state == symbolState::module) {
    reporter_.reportError(kPublicNotAllowed);
    return kNoSymbol;
  }
  if (symbol.state == symbolState::referenced) symbol.state = symbolState::publicDeclared;
  symbol.isPublic = true;
  return index;
}

SymbolIndex SymbolTable::declareExternal(std::string_view name, MemoryModel model, Pass pass) {
  if (pass != Pass::first) return findSymbol(name);
  if (findSection(name) != kNoSymbol) {
    reporter_.reportError(kMultiDefined, name);
    return kNoSymbol;
  }
  if (!isDefinableName(name)) {
    reporter_.reportError(kIllegalLabel);
    return kNoSymbol;
  }
  SymbolIndex index = findSymbol(name);
  if (index == kNoSymbol) index = newRecord(ChainSet::symbols, name, symbolState::referenced);
  symbolEntry& symbol = entry(index);
  if (symbol.isDefined() || symbol.state == symbolState::module) {
    reporter_.reportError(kMultiDefined, name);
    return kNoSymbol;
  }
  if (symbol.state != symbolState::external) symbol.externalModel = model;
  symbol.state = symbolState::external;
  symbol.isExternal = true;
  return index;
}

SymbolIndex SymbolTable::defineModule(std::string_view name, Pass pass) {
  if (pass != Pass::first) return moduleSymbol_;
  if (findSection(name) != kNoSymbol) {
    reporter_.reportError(kMultiDefined, name);
    return kNoSymbol;
  }
  SymbolIndex index = findSymbol(name);
  if (index == kNoSymbol) index = newRecord(ChainSet::symbols, name, symbolState::referenced);
  symbolEntry& symbol = entry(index);
  if (symbol.isDefined() || symbol.state == symbolState::module) {
    reporter_.reportError(kMultiDefined, name);
    symbol.multiplyDefined = true;
    return index;
  }
  symbol.state = symbolState::module;
  markDefinitionSite(symbol);
  moduleSymbol_ = index;
  return index;
}

// --- cross-reference ---

void SymbolTable::addReference(SymbolIndex symbol, int fileIndex, long line) {
  auto reference = static_cast<std::uint32_t>(references_.size());
  try {
    references_.push_back({line, fileIndex, kNoReference});
  } catch (const std::bad_alloc&) {
    reporter_.fatal(kOutOfMemory);
  }
  symbolEntry& target = entry(symbol);
  if (target.lastReference == kNoReference) {
    target.firstReference = reference;
  } else {
    references_[target.lastReference].next = reference;
  }
  target.lastReference = reference;
  ++target.referenceCount;
}

}  // namespace kz::assembler
