#pragma once
// The symbol table of one assembler run: every name of the module (labels, EQU values,
// sections, the module name, public and external names) with its state and value, the hash
// chains that fix the order of the object file's public records and of the unsorted symbol
// listing, and each name's cross-reference lines.
//
// Chains: two arrays of kHashBuckets chains, one for section names and one for all other
// names. A new record is put at the head of its chain, so each chain runs newest first: the
// head insertion of the classic chained table, which needs no tail pointer and is the order
// the object file's public records and the unsorted symbol listing see when they walk
// buckets 0..999. Finding a name never walks a chain: an open-addressing index beside the
// chains maps names to records, so lookups stay constant-time with any number of names.
//
// Records are allocated in blocks of 100 and never freed or moved: a SymbolIndex and a
// reference to a record stay valid for the whole run. A record holds only what every name
// needs; what few names have (the expression of a complex EQU value, debug data, the
// cross-reference list) lives in tables beside the records, keyed by SymbolIndex.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "asm/name_hash.h"
#include "asm/reporter.h"
#include "asm/sections.h"

namespace kz::assembler {

struct ComplexTerm;  // asm/expr.h

enum class Pass : std::uint8_t { first, sizing, final };

enum class symbolState : std::uint8_t {
  referenced,      // used before any definition
  label,           // defined in the label field
  value,           // defined by EQU
  publicDeclared,  // named in PUBLIC, not yet defined
  external,        // named in EXTERN
  section,         // a section name (section chains only)
  module,          // the module name
  location,        // the name $
  hidden,          // a name taken over by a section; skipped by lookup
};

enum class DefinitionKind : std::uint8_t { label, value };

// A defined value: an offset in `section`, or an absolute value when section is kNoSection.
// `expression` holds an EQU value that only the linker can resolve (an external or a
// complex expression); value and section are unused then.
struct SymbolValue {
  std::int32_t value = 0;
  SectionId section = kNoSection;
  std::shared_ptr<const ComplexTerm> expression;
};

// Type and scope information from the debug directives, read by the object writer.
struct symbolDebugData {
  std::int32_t typeIndex = -1;       // -1: no type
  std::int32_t attributeNumber = 0;  // the extra attribute number of the public record
  std::uint8_t sizeAttribute = 0;    // 0: none, else the size in bytes (1, 2 or 3)
  bool hasVariableType = false;      // listed as VAR instead of LAB
};

inline constexpr std::uint32_t kNoReference = 0xFFFFFFFFu;

// One record per name, and there can be hundreds of thousands: the fields are ordered to keep
// the record at 40 bytes, with the flags in one byte.
struct symbolEntry {
  std::string_view name;         // in the name pool, followed by a zero byte
  SymbolIndex next = kNoSymbol;  // next record of the same chain
  std::int32_t value = 0;
  // The owning section of a label or value; for a section record the section itself; for a
  // hidden record the section that took its name.
  SectionId section = kNoSection;
  std::uint32_t definitionLine = 0;
  std::uint16_t definitionFile = 0;
  symbolState state = symbolState::referenced;
  MemoryModel externalModel = MemoryModel::medium;
  bool multiplyDefined : 1 = false;  // references report error 220
  bool isPublic : 1 = false;
  bool isExternal : 1 = false;
  // Kept by SymbolTable: the value is an expression (SymbolTable::expression), the name has
  // debug data (SymbolTable::debugData).
  bool hasExpression : 1 = false;
  bool hasDebugData : 1 = false;

  bool isDefined() const { return state == symbolState::label || state == symbolState::value; }
};

struct SymbolReference {
  std::uint32_t line = 0;
  std::uint16_t fileIndex = 0;
  std::uint32_t next = kNoReference;
};

struct DefineOutcome {
  SymbolIndex symbol = kNoSymbol;  // kNoSymbol when the definition was rejected
  bool moved = false;              // sizing/final pass: the value or section changed
};

struct SectionDefinition {
  SectionId section = kNoSection;  // kNoSection when rejected
  bool created = false;            // false: an existing section is re-opened
};

enum class ChainSet : std::uint8_t { sections, symbols };

class SymbolTable {
 public:
  static constexpr std::size_t kRecordsPerBlock = 100;
  static constexpr std::size_t kNamePoolBlock = 1024;

  explicit SymbolTable(Reporter& reporter);
  SymbolTable(const SymbolTable&) = delete;
  SymbolTable& operator=(const SymbolTable&) = delete;

  // Finding names; hidden records are never returned.
  SymbolIndex findSection(std::string_view name) const;
  SymbolIndex findSymbol(std::string_view name) const;
  SymbolIndex find(std::string_view name) const;  // section names first, then the others
  // find(), and in pass 1 a new record in the referenced state when the name is absent.
  SymbolIndex lookupSymbol(std::string_view name, Pass pass);

  // The label field and EQU (errors 203, 208). In the sizing and final passes only the
  // statement that defined the name in pass 1 (same file index and line, as set by
  // Reporter::beginStatement) updates the value; `moved` tells whether it changed.
  DefineOutcome defineLabel(std::string_view name, DefinitionKind kind, const SymbolValue& value,
                            Pass pass);
  // The same in the sizing and final passes, for a name whose symbol pass 1 already found:
  // no lookup by name. A symbol hidden since then is no longer defined by its label.
  DefineOutcome redefineLabel(SymbolIndex symbol, const SymbolValue& value);
  // The name of a SECTION statement (errors 203, 226). In pass 1 a name held by another
  // symbol is taken over: that record becomes hidden. Later passes only find the section.
  SectionDefinition defineSection(std::string_view name, Pass pass);
  // PUBLIC (errors 200, 208, 210; 221 in the sizing passes for a name still undefined).
  SymbolIndex declarePublic(std::string_view name, Pass pass);
  // Error 221 for a name declared PUBLIC that nothing defined (once the definitions are
  // known: in the sizing passes, or in the final pass when none ran).
  void checkPublicDefined(std::string_view name);
  // EXTERN (errors 203, 208).
  SymbolIndex declareExternal(std::string_view name, MemoryModel model, Pass pass);
  // MODULE: the name joins the symbol chains, so a label of the same name is error 203.
  SymbolIndex defineModule(std::string_view name, Pass pass);

  symbolEntry& entry(SymbolIndex index) {
    return blocks_[index / kRecordsPerBlock][index % kRecordsPerBlock];
  }
  const symbolEntry& entry(SymbolIndex index) const {
    return blocks_[index / kRecordsPerBlock][index % kRecordsPerBlock];
  }
  std::size_t size() const { return count_; }

  // The expression of an EQU value only the linker can resolve; empty for other values.
  const std::shared_ptr<const ComplexTerm>& expression(SymbolIndex index) const {
    return entry(index).hasExpression ? expressions_.find(index)->second : kNoExpression;
  }
  // The name's debug data, the defaults when it has none.
  const symbolDebugData& debugData(SymbolIndex index) const {
    return entry(index).hasDebugData ? debugData_.find(index)->second : kNoDebugData;
  }
  // The name's debug data for changing, made with the defaults on first use.
  symbolDebugData& editDebugData(SymbolIndex index);

  SymbolIndex moduleSymbol() const { return moduleSymbol_; }
  SectionList& sections() { return sections_; }
  const SectionList& sections() const { return sections_; }

  SymbolIndex bucketHead(ChainSet set, unsigned bucket) const { return heads(set)[bucket]; }
  // Visits the records of buckets 0..999 in chain order, skipping hidden ones.
  template <class Visit>
  void forEachInChainOrder(ChainSet set, Visit&& visit) const {
    for (SymbolIndex head : heads(set)) {
      for (SymbolIndex i = head; i != kNoSymbol; i = entry(i).next) {
        if (entry(i).state != symbolState::hidden) visit(i, entry(i));
      }
    }
  }

  // Cross-reference lines, in the order they were added.
  void addReference(SymbolIndex symbol, int fileIndex, long line);
  bool recordsReferences() const { return recordReferences_; }
  // Names declared PUBLIC (defined or not).
  std::size_t publicCount() const { return publicCount_; }
  void setRecordReferences(bool on) { recordReferences_ = on; }
  std::uint32_t referenceCount(SymbolIndex symbol) const {
    return symbol < referenceLists_.size() ? referenceLists_[symbol].count : 0;
  }
  template <class Visit>
  void forEachReference(SymbolIndex symbol, Visit&& visit) const {
    if (symbol >= referenceLists_.size()) return;
    for (std::uint32_t r = referenceLists_[symbol].first; r != kNoReference;
         r = references_[r].next) {
      visit(references_[r]);
    }
  }

 private:
  // Open addressing, linear probing, at most 3/4 full. A slot holds the name's hash tag and
  // the position of the name in the pool, where the symbol index comes just before the name:
  // a lookup reads the slot and the pooled name, never the records. The low bits of the tag
  // pick the home slot, so growing the index moves slots without hashing any name again. A
  // hidden name keeps its slot; its pooled symbol index becomes kNoSymbol.
  static constexpr std::uint32_t kNoName = 0xFFFFFFFFu;
  struct IndexSlot {
    std::uint32_t tag = 0;
    std::uint32_t name = kNoName;  // pool position; kNoName: empty
  };
  struct NameIndex {
    std::vector<IndexSlot> slots;
    std::size_t used = 0;
  };
  // The references of one name, as a list in references_.
  struct ReferenceList {
    std::uint32_t first = kNoReference;
    std::uint32_t last = kNoReference;
    std::uint32_t count = 0;
  };
  // Each name: its symbol index (4 bytes), the name, a zero byte, padded to a multiple of 4.
  // A pool position is block number * kNamePoolBlock + offset; a name too long for a block
  // gets a block of its own, at offset 0.
  struct NamePool {
    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t blockSize = 0;
    std::size_t used = 0;
  };

  const std::array<SymbolIndex, kHashBuckets>& heads(ChainSet set) const {
    return set == ChainSet::sections ? sectionHeads_ : symbolHeads_;
  }
  // A name with its index tag, worked out once for all the probes of one operation.
  struct HashedName {
    explicit HashedName(std::string_view name);
    std::string_view text;
    std::uint32_t tag;
  };
  SymbolIndex sectionNamed(const HashedName& name) const { return symbolAt(sectionIndex_, name); }
  SymbolIndex symbolNamed(const HashedName& name) const { return symbolAt(symbolIndex_, name); }
  SymbolIndex named(const HashedName& name) const;
  SymbolIndex symbolAt(const NameIndex& index, const HashedName& name) const;
  static bool pooledNameIs(const char* stored, std::string_view name);
  void addToIndex(NameIndex& index, std::uint32_t tag, std::uint32_t position);
  void growIndex(NameIndex& index);
  void hide(SymbolIndex symbol);
  void setExpression(SymbolIndex index, const std::shared_ptr<const ComplexTerm>& expression);
  SymbolIndex newRecord(ChainSet set, const HashedName& name, symbolState state);
  std::uint32_t storeName(std::string_view name, SymbolIndex symbol);
  char* pooled(std::uint32_t position) const {
    return names_.blocks[position / kNamePoolBlock].get() + position % kNamePoolBlock;
  }
  std::uint32_t positionOf(const NameIndex& index, const HashedName& name) const;
  void markDefinitionSite(symbolEntry& symbol) const;
  bool isDefinitionSite(const symbolEntry& symbol) const;
  DefineOutcome redefine(SymbolIndex index, const SymbolValue& value);

  Reporter& reporter_;
  std::vector<std::unique_ptr<symbolEntry[]>> blocks_;
  std::size_t count_ = 0;
  NamePool names_;
  std::array<SymbolIndex, kHashBuckets> sectionHeads_;
  std::array<SymbolIndex, kHashBuckets> symbolHeads_;
  NameIndex sectionIndex_;
  NameIndex symbolIndex_;
  SectionList sections_;
  SymbolIndex moduleSymbol_ = kNoSymbol;
  std::unordered_map<SymbolIndex, std::shared_ptr<const ComplexTerm>> expressions_;
  std::unordered_map<SymbolIndex, symbolDebugData> debugData_;
  std::vector<SymbolReference> references_;
  std::vector<ReferenceList> referenceLists_;  // by symbol, up to the last one referenced
  bool recordReferences_ = false;
  std::size_t publicCount_ = 0;

  static const std::shared_ptr<const ComplexTerm> kNoExpression;
  static const symbolDebugData kNoDebugData;
};

// A name may be defined when it begins with a letter, '.' or '_'.
bool isDefinableName(std::string_view name);

}  // namespace kz::assembler
