#pragma once
// The debug lines of the assembly file (-g): a type code for every type, with a
// "symbol_t" line that numbers each derived type the first time it is needed, and the
// "symbol_n"/"symbol_a" lines that describe a name. Type numbers come from the counter
// that also numbers the macros, so they start at 64.
#include <cstdint>
#include <map>
#include <string>

#include "clike/symbol_table.h"
#include "clike/types.h"

namespace kz::clike {

// Type codes of the basic types; a pointer to one of them adds kPointerCode.
inline constexpr std::int32_t kVoidCode = 1;
inline constexpr std::int32_t kPointerCode = 32;

class DebugInfo {
 public:
  explicit DebugInfo(std::int32_t& counter) : counter_(counter) {}

  // The code of a type; the "symbol_t" lines of types numbered now are appended to lines.
  std::int32_t typeCode(const Type& type, std::string& lines);
  // "symbol_n" and "symbol_a" of a data object or function (after any "symbol_t" lines).
  std::string symbolLines(const SymbolEntry& symbol);

 private:
  std::int32_t derivedCode(const Type& type, std::size_t from, std::string& lines);
  std::int32_t aggregateCode(const AggregateInfo& aggregate, std::string& lines);
  std::int32_t number(std::string key, const std::string& line, std::string& lines,
                      std::int32_t element);

  std::int32_t& counter_;
  std::map<std::string, std::int32_t> numbers_;  // a type's key, its number
  std::map<const AggregateInfo*, std::int32_t> aggregates_;
};

}  // namespace kz::clike
