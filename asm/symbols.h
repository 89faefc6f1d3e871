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
// reference to a record stay valid for the whole run.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
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
  std::uint8_t sizeAttribute = 0;    // 0: none, else the size in bytes (1, 2 or 3)
  std::int32_t attributeNumber = 0;  // the extra attribute number of the public record
  bool hasVariableType = false;      // listed as VAR instead of LAB
};

inline constexpr std::uint32_t kNoReference = 0xFFFFFFFFu;

struct symbolEntry {
  SymbolIndex next = kNoSymbol;  // next record of the same chain
  std::string_view name;         // in the name pool, followed by a zero byte
  symbolState state = symbolState::referenced;
  bool multiplyDefined = false;  // references report error 220
  bool isPublic = false;
  bool isExternal = false;
  MemoryModel externalModel = MemoryModel::medium;
  std::int32_t value = 0;
  // The owning section of a label or value; for a section record the section itself; for a
  // hidden record the section that took its name.
  SectionId section = kNoSection;
  std::shared_ptr<const ComplexTerm> expression;
  int definitionFile = 0;
  long definitionLine = 0;
  std::uint32_t firstReference = kNoReference;
  std::uint32_t lastReference = kNoReference;
  std::uint32_t referenceCount = 0;
  symbolDebugData debug;

  bool isDefined() const { return state == symbolState::label || state == symbolState::value; }
};

struct SymbolReference {
  long line = 0;
  int fileIndex = 0;
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
  // The name of a SECTION statement (errors 203, 226). In pass 1 a name held by another
  // symbol is taken over: that record becomes hidden. Later passes only find the section.
  SectionDefinition defineSection(std::string_view name, Pass pass);
  // PUBLIC (errors 200, 208, 210; 221 in the sizing passes for a name still undefined).
  SymbolIndex declarePublic(std::string_view name, Pass pass);
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
  void setRecordReferences(bool on) { recordReferences_ = on; }
  template <class Visit>
  void forEachReference(SymbolIndex symbol, Visit&& visit) const {
    for (std::uint32_t r = entry(symbol).firstReference; r != kNoReference;
         r = references_[r].next) {
      visit(references_[r]);
    }
  }

 private:
  // Open addressing, linear probing. A slot holds the pooled name, so a lookup never touches
  // the records; a hidden name keeps its slot with symbol kNoSymbol.
  struct IndexSlot {
    const char* name = nullptr;  // nullptr: empty
    std::uint32_t hashTag = 0;
    SymbolIndex symbol = kNoSymbol;
  };
  struct NameIndex {
    std::vector<IndexSlot> slots;
    std::size_t used = 0;
  };
  struct NamePool {
    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t blockSize = 0;
    std::size_t used = 0;
  };

  const std::array<SymbolIndex, kHashBuckets>& heads(ChainSet set) const {
    return set == ChainSet::sections ? sectionHeads_ : symbolHeads_;
  }
  static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);
  std::size_t slotOf(const NameIndex& index, std::string_view name) const;
  SymbolIndex symbolAt(const NameIndex& index, std::string_view name) const;
  void addToIndex(NameIndex& index, std::string_view name, SymbolIndex symbol);
  void hide(SymbolIndex symbol);
  SymbolIndex newRecord(ChainSet set, std::string_view name, symbolState state);
  std::string_view storeName(std::string_view name);
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
  std::vector<SymbolReference> references_;
  bool recordReferences_ = false;
};

// A name may be defined when it begins with a letter, '.' or '_'.
bool isDefinableName(std::string_view name);

}  // namespace kz::assembler
