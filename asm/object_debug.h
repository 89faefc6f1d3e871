#pragma once
// The debug part of an object module and what the debug directives tell the symbol table.
//
// Always: the source-module block (BB10) with one section block (BB11) per section.
// With -g (either level), in this order:
//   BB1 module block, when the source has SYMBOL_ directives: one type record per SYMBOL_T,
//       written as the directive gives it:
//         SYMBOL_T type, word, operands...  ->  [F0 n "name" for each non-empty string]
//                                               F2 type CE name code operands...
//       `name` is the N index of a first operand that is a string (0 when it is empty or not
//       a string); `code` is the word's first character as its ASCII code, any further
//       characters follow as numbers; later strings stand as their N index (0 when empty),
//       numbers as numbers, negative numbers as omitted (80). Type numbers are kept as the
//       directives give them (built-in codes below 64, defined types from 64).
//   inside BB10, before the section blocks:
//       local symbols: F0 n name, F1 CE n type 13 01 00, E2 CE n value
//       the directives in source order:
//         FILE "name"        the file of the line records that follow (the source file
//                            until a FILE or LINE names one)
//         LINE "name", n...  F1 CE f 00 07 n... and E2 CE f address, with f the N index of
//                            the current file; a non-empty name makes that file current.
//                            The name records of these files (F0 f "name") come first,
//                            right after the local symbols, in the order of first use
//         SYMBOL_B "f", ...  a function block: BB4 when f (or _f) is a public symbol, else
//                            BB6; name f, stack 0, return type 0, start at the directive's
//                            address; it ends where the next function begins when that is in
//                            the same section, else at the end of its section. Line records
//                            and attributes up to the next function are nested inside.
//         SYMBOL_A "t", k, n...  F0 a "t", F1 CE a type k n..., and E2 CE a value when t names
//                            a defined symbol and k is 3, 8 or 19 (attributes that need one)
//       SYMBOL_N and the SYMBOL_B lines of a type ("number, word, ...") write nothing here.
//
// The symbol table learns from the directives (with or without -g): SYMBOL_N "x", type
// gives x (or _x) its type and size attribute (1 byte for types 2 and 3, 2 for 4, 5 and
// pointers 32..63, 3 for 6..9) and marks it a variable unless a SYMBOL_B starts a function
// of that name; SYMBOL_A "x", k with k 3, 4, 5 or 8 gives x the attribute number k.
#include <cstdint>
#include <span>
#include <string>

#include "asm/debug_directives.h"
#include "asm/object_data.h"
#include "asm/object_expressions.h"
#include "asm/run_options.h"
#include "asm/symbols.h"

namespace kz::assembler {

// Date and time of an assembly: full year, month 1..12, day, hour, minute, second.
struct ObjectTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

inline constexpr std::uint64_t kToolNumber = 0x19C;
inline constexpr std::uint64_t kToolVersion = 1;
inline constexpr std::uint64_t kToolRevision = 3;
inline constexpr char kToolRevisionLetter = 'C';
inline constexpr const char* kToolVersionName = "1.3c";

void appendTime(object::Record& record, const ObjectTime& time);

void applyDebugDirectives(std::span<const DebugRecord> records, SymbolTable& symbols);

// Hands out N indices; publics take theirs from the same counter first.
class NameCounter {
 public:
  std::uint64_t next() { return next_++; }

 private:
  std::uint64_t next_ = kFirstSymbolName;
};

struct DebugPartInput {
  std::string moduleName;
  std::string sourceName;
  ObjectTime time;
  std::span<const DebugRecord> records;
};

class DebugPartBuilder {
 public:
  DebugPartBuilder(const SymbolTable& symbols, const RunOptions& options,
                   ExpressionBuilder& expressions, NameCounter& names)
      : symbols_(symbols), options_(options), expressions_(expressions), names_(names) {}

  RecordLog build(const DebugPartInput& input);

 private:
  void moduleBlock(const DebugPartInput& input);
  void localSymbols();
  void directives(const DebugPartInput& input);
  void lineRecord(const DebugRecord& record, std::uint64_t file);
  void attributeRecord(const DebugRecord& record);
  void sectionBlocks();
  std::uint64_t defineName(std::string_view name);
  void add(const object::Record& record) { log_.add(record.bytes()); }
  // One buffer serves expression after expression.
  object::Bytes& startExpression() {
    expression_.clear();
    return expression_;
  }
  std::span<const std::uint8_t> location(SectionId section, std::int64_t offset);

  const SymbolTable& symbols_;
  const RunOptions& options_;
  ExpressionBuilder& expressions_;
  NameCounter& names_;
  RecordLog log_;
  object::Bytes expression_;
};

}  // namespace kz::assembler
