#include "asm/symbols.h"

#include <cstring>
#include <new>

#include "common/fnv1a.h"

namespace kz::assembler {

namespace {

constexpr std::size_t kInitialIndexSlots = 1024;

// A record is 40 bytes on 64-bit hosts; every name pays for each byte added here.
static_assert(sizeof(symbolEntry) <= 40);

// FNV-1a, folded to 32 bits: the index needs a hash that spreads names well (nameHash keeps
// only the last 16 characters of a long name and clusters short ones). The fold makes the low
// bits, which pick the slot, depend on every bit of every character.
std::uint32_t indexTag(std::string_view name) {
  std::uint64_t h = fnv1a(name);
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// Grow before more than 3/4 of the slots are taken: linear probing stays short, and with
// 8-byte slots the index takes 11 to 22 bytes a name.
bool indexFull(std::size_t used, std::size_t slots) { return used * 4 > slots * 3; }

constexpr std::size_t kNameHeader = sizeof(SymbolIndex);  // the symbol index before a pooled name

std::size_t pooledSize(std::string_view name) {
  return (kNameHeader + name.size() + 1 + 3) & ~std::size_t{3};
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool isDefinableName(std::string_view name) {
  return !name.empty() && (isLetter(name[0]) || name[0] == '.' || name[0] == '_');
}

const std::shared_ptr<const ComplexTerm> SymbolTable::kNoExpression;
const symbolDebugData SymbolTable::kNoDebugData;

SymbolTable::SymbolTable(Reporter& reporter) : reporter_(reporter) {
  sectionHeads_.fill(kNoSymbol);
  symbolHeads_.fill(kNoSymbol);
  sectionIndex_.slots.resize(kInitialIndexSlots);
  symbolIndex_.slots.resize(kInitialIndexSlots);
}

// --- names and records ---

std::uint32_t SymbolTable::storeName(std::string_view name, SymbolIndex symbol) {
  std::size_t needed = pooledSize(name);
  if (names_.blocks.empty() || names_.blockSize - names_.used < needed) {
    // Positions are 32 bits (kNoName excluded).
    if (names_.blocks.size() >= kNoName / kNamePoolBlock)
      reporter_.fatal(Message::symbolTableOverflow);
    std::size_t size = needed > kNamePoolBlock ? needed : kNamePoolBlock;
    try {
      names_.blocks.push_back(std::make_unique<char[]>(size));
    } catch (const std::bad_alloc&) {
      reporter_.fatal(Message::outOfMemory);
    }
    names_.blockSize = size;
    names_.used = 0;
  }
  auto position =
      static_cast<std::uint32_t>((names_.blocks.size() - 1) * kNamePoolBlock + names_.used);
  char* stored = names_.blocks.back().get() + names_.used;
  std::memcpy(stored, &symbol, kNameHeader);
  std::memcpy(stored + kNameHeader, name.data(), name.size());
  stored[kNameHeader + name.size()] = '\0';
  names_.used += needed;
  return position;
}

SymbolTable::HashedName::HashedName(std::string_view name) : text(name), tag(indexTag(name)) {}

SymbolIndex SymbolTable::newRecord(ChainSet set, const HashedName& hashed, symbolState state) {
  std::string_view name = hashed.text;
  if (count_ % kRecordsPerBlock == 0) {
    try {
      blocks_.push_back(std::make_unique<symbolEntry[]>(kRecordsPerBlock));
    } catch (const std::bad_alloc&) {
      reporter_.fatal(Message::symbolTableOverflow);
    }
  }
  auto index = static_cast<SymbolIndex>(count_++);
  std::uint32_t position = storeName(name, index);
  symbolEntry& symbol = entry(index);
  symbol.name = {pooled(position) + kNameHeader, name.size()};
  symbol.state = state;
  auto& chainHeads = set == ChainSet::sections ? sectionHeads_ : symbolHeads_;
  SymbolIndex& head = chainHeads[nameHash(name)];
  symbol.next = head;
  head = index;
  addToIndex(set == ChainSet::sections ? sectionIndex_ : symbolIndex_, hashed.tag, position);
  return index;
}

void SymbolTable::growIndex(NameIndex& index) {
  std::vector<IndexSlot> grown;
  try {
    grown.resize(index.slots.size() * 2);
  } catch (const std::bad_alloc&) {
    reporter_.fatal(Message::hashTableOverflow);
  }
  std::size_t mask = grown.size() - 1;
  for (const IndexSlot& slot : index.slots) {
    if (slot.name == kNoName) continue;
    std::size_t at = slot.tag & mask;
    while (grown[at].name != kNoName) at = (at + 1) & mask;
    grown[at] = slot;
  }
  index.slots = std::move(grown);
}

void SymbolTable::addToIndex(NameIndex& index, std::uint32_t tag, std::uint32_t position) {
  if (indexFull(index.used + 1, index.slots.size())) growIndex(index);
  std::size_t mask = index.slots.size() - 1;
  std::size_t at = tag & mask;
  while (index.slots[at].name != kNoName) at = (at + 1) & mask;
  index.slots[at] = {tag, position};
  ++index.used;
}

void SymbolTable::hide(SymbolIndex symbol) {
  symbolEntry& hidden = entry(symbol);
  hidden.state = symbolState::hidden;
  std::memcpy(pooled(positionOf(symbolIndex_, HashedName(hidden.name))), &kNoSymbol, kNameHeader);
}

// --- lookup ---

// Whether the pooled name at `stored` (ended by a zero byte) is `name`. Names hold no zero
// byte, so a shorter stored name differs at its end.
bool SymbolTable::pooledNameIs(const char* stored, std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (stored[i] != name[i]) return false;
  }
  return stored[name.size()] == '\0';
}

std::uint32_t SymbolTable::positionOf(const NameIndex& index, const HashedName& hashed) const {
  std::size_t mask = index.slots.size() - 1;
  for (std::size_t at = hashed.tag & mask;; at = (at + 1) & mask) {
    const IndexSlot& slot = index.slots[at];
    if (slot.name == kNoName) return kNoName;
    if (slot.tag == hashed.tag && pooledNameIs(pooled(slot.name) + kNameHeader, hashed.text))
      return slot.name;
  }
}

SymbolIndex SymbolTable::symbolAt(const NameIndex& index, const HashedName& hashed) const {
  std::uint32_t position = positionOf(index, hashed);
  if (position == kNoName) return kNoSymbol;
  SymbolIndex symbol;
  std::memcpy(&symbol, pooled(position), kNameHeader);
  return symbol;
}

SymbolIndex SymbolTable::findSection(std::string_view name) const {
  return sectionNamed(HashedName(name));
}

SymbolIndex SymbolTable::findSymbol(std::string_view name) const {
  return symbolNamed(HashedName(name));
}

SymbolIndex SymbolTable::find(std::string_view name) const { return named(HashedName(name)); }

SymbolIndex SymbolTable::named(const HashedName& hashed) const {
  SymbolIndex section = sectionNamed(hashed);
  return section != kNoSymbol ? section : symbolNamed(hashed);
}

SymbolIndex SymbolTable::lookupSymbol(std::string_view name, Pass pass) {
  HashedName hashed(name);
  SymbolIndex found = named(hashed);
  if (found != kNoSymbol || pass != Pass::first) return found;
  return newRecord(ChainSet::symbols, hashed,
                   name == "$" ? symbolState::location : symbolState::referenced);
}

// --- definitions ---

// Source files are at most SourceReader::kMaxFiles and a line number fits 32 bits.
void SymbolTable::markDefinitionSite(symbolEntry& symbol) const {
  symbol.definitionFile = static_cast<std::uint16_t>(reporter_.fileIndex());
  symbol.definitionLine = static_cast<std::uint32_t>(reporter_.line());
}

bool SymbolTable::isDefinitionSite(const symbolEntry& symbol) const {
  return symbol.definitionFile == reporter_.fileIndex() &&
         symbol.definitionLine == reporter_.line();
}

void SymbolTable::setExpression(SymbolIndex index,
                                const std::shared_ptr<const ComplexTerm>& expression) {
  symbolEntry& symbol = entry(index);
  if (expression) {
    try {
      expressions_[index] = expression;
    } catch (const std::bad_alloc&) {
      reporter_.fatal(Message::outOfMemory);
    }
    symbol.hasExpression = true;
  } else if (symbol.hasExpression) {
    expressions_.erase(index);
    symbol.hasExpression = false;
  }
}

symbolDebugData& SymbolTable::editDebugData(SymbolIndex index) {
  symbolDebugData* data = nullptr;
  try {
    data = &debugData_[index];
  } catch (const std::bad_alloc&) {
    reporter_.fatal(Message::outOfMemory);
  }
  entry(index).hasDebugData = true;
  return *data;
}

DefineOutcome SymbolTable::redefine(SymbolIndex index, const SymbolValue& value) {
  symbolEntry& symbol = entry(index);
  if (!symbol.isDefined() || !isDefinitionSite(symbol)) return {index, false};
  bool moved = symbol.value != value.value || symbol.section != value.section;
  symbol.value = value.value;
  symbol.section = value.section;
  setExpression(index, value.expression);
  return {index, moved};
}

DefineOutcome SymbolTable::redefineLabel(SymbolIndex symbol, const SymbolValue& value) {
  return entry(symbol).state == symbolState::hidden ? DefineOutcome{} : redefine(symbol, value);
}

DefineOutcome SymbolTable::defineLabel(std::string_view name, DefinitionKind kind,
                                       const SymbolValue& value, Pass pass) {
  HashedName hashed(name);
  if (pass != Pass::first) {
    SymbolIndex index = symbolNamed(hashed);
    return index == kNoSymbol ? DefineOutcome{} : redefine(index, value);
  }
  if (kind == DefinitionKind::label && value.section == kNoSection) {
    reporter_.reportError(Message::illegalLabel);
    return {};
  }
  if (sectionNamed(hashed) != kNoSymbol) {
    reporter_.reportError(Message::multiDefined, name);
    return {};
  }
  if (!isDefinableName(name)) {
    reporter_.reportError(Message::illegalLabel);
    return {};
  }
  SymbolIndex index = symbolNamed(hashed);
  if (index == kNoSymbol) index = newRecord(ChainSet::symbols, hashed, symbolState::referenced);
  symbolEntry& symbol = entry(index);
  if (symbol.isDefined() || symbol.state == symbolState::module) {
    reporter_.reportError(Message::multiDefined, name);
    symbol.multiplyDefined = true;
    return {index, false};
  }
  symbol.state = kind == DefinitionKind::label ? symbolState::label : symbolState::value;
  symbol.value = value.value;
  symbol.section = value.section;
  setExpression(index, value.expression);
  markDefinitionSite(symbol);
  return {index, false};
}

SectionDefinition SymbolTable::defineSection(std::string_view name, Pass pass) {
  HashedName hashed(name);
  SymbolIndex existing = sectionNamed(hashed);
  if (existing != kNoSymbol) return {entry(existing).section, false};
  if (pass != Pass::first) return {};
  if (name == "$") {
    reporter_.reportError(Message::illegalSymbolReference);
    return {};
  }
  SymbolIndex previous = symbolNamed(hashed);
  if (previous != kNoSymbol) {
    symbolEntry& taken = entry(previous);
    if (taken.isDefined() || taken.state == symbolState::module)
      reporter_.reportError(Message::multiDefined, name);
    if (previous == moduleSymbol_) moduleSymbol_ = kNoSymbol;
    hide(previous);
  }
  SymbolIndex index = newRecord(ChainSet::sections, hashed, symbolState::section);
  symbolEntry& symbol = entry(index);
  SectionId section = sections_.add(symbol.name, index);
  symbol.section = section;
  markDefinitionSite(symbol);
  sections_[section].fileIndex = reporter_.fileIndex();
  sections_[section].line = reporter_.line();
  if (previous != kNoSymbol) entry(previous).section = section;
  return {section, true};
}

void SymbolTable::checkPublicDefined(std::string_view name) {
  HashedName hashed(name);
  SymbolIndex index = symbolNamed(hashed);
  if (index != kNoSymbol && entry(index).isPublic && !entry(index).isDefined()) {
    reporter_.reportError(Message::undefinedSymbol);
  }
}

SymbolIndex SymbolTable::declarePublic(std::string_view name, Pass pass) {
  HashedName hashed(name);
  if (pass != Pass::first) {
    if (pass == Pass::sizing) checkPublicDefined(name);
    return symbolNamed(hashed);
  }
  if (name == "$") {
    reporter_.reportError(Message::syntaxError);
    return kNoSymbol;
  }
  if (sectionNamed(hashed) != kNoSymbol) {
    reporter_.reportError(Message::publicNotAllowed);
    return kNoSymbol;
  }
  SymbolIndex index = symbolNamed(hashed);
  if (index == kNoSymbol) {
    if (!isDefinableName(name)) {
      reporter_.reportError(Message::illegalLabel);
      return kNoSymbol;
    }
    index = newRecord(ChainSet::symbols, hashed, symbolState::publicDeclared);
  }
  symbolEntry& symbol = entry(index);
  if (symbol.state == symbolState::module) {
    reporter_.reportError(Message::publicNotAllowed);
    return kNoSymbol;
  }
  if (symbol.state == symbolState::referenced) symbol.state = symbolState::publicDeclared;
  if (!symbol.isPublic) ++publicCount_;
  symbol.isPublic = true;
  return index;
}

SymbolIndex SymbolTable::declareExternal(std::string_view name, MemoryModel model, Pass pass) {
  HashedName hashed(name);
  if (pass != Pass::first) return symbolNamed(hashed);
  if (sectionNamed(hashed) != kNoSymbol) {
    reporter_.reportError(Message::multiDefined, name);
    return kNoSymbol;
  }
  if (!isDefinableName(name)) {
    reporter_.reportError(Message::illegalLabel);
    return kNoSymbol;
  }
  SymbolIndex index = symbolNamed(hashed);
  if (index == kNoSymbol) index = newRecord(ChainSet::symbols, hashed, symbolState::referenced);
  symbolEntry& symbol = entry(index);
  if (symbol.isDefined() || symbol.state == symbolState::module) {
    reporter_.reportError(Message::multiDefined, name);
    return kNoSymbol;
  }
  if (symbol.state != symbolState::external) symbol.externalModel = model;
  symbol.state = symbolState::external;
  symbol.isExternal = true;
  return index;
}

SymbolIndex SymbolTable::defineModule(std::string_view name, Pass pass) {
  HashedName hashed(name);
  if (pass != Pass::first) return moduleSymbol_;
  if (sectionNamed(hashed) != kNoSymbol) {
    reporter_.reportError(Message::multiDefined, name);
    return kNoSymbol;
  }
  SymbolIndex index = symbolNamed(hashed);
  if (index == kNoSymbol) index = newRecord(ChainSet::symbols, hashed, symbolState::referenced);
  symbolEntry& symbol = entry(index);
  if (symbol.isDefined() || symbol.state == symbolState::module) {
    reporter_.reportError(Message::multiDefined, name);
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
    references_.push_back(
        {static_cast<std::uint32_t>(line), static_cast<std::uint16_t>(fileIndex), kNoReference});
    if (symbol >= referenceLists_.size()) referenceLists_.resize(std::size_t{symbol} + 1);
  } catch (const std::bad_alloc&) {
    reporter_.fatal(Message::outOfMemory);
  }
  ReferenceList& list = referenceLists_[symbol];
  if (list.last == kNoReference) {
    list.first = reference;
  } else {
    references_[list.last].next = reference;
  }
  list.last = reference;
  ++list.count;
}

}  // namespace kz::assembler
