#include "clike/debug_info.h"

#include <cstdio>

namespace kz::clike {
namespace {

// The code of a type without derivations that is not a structure or union.
std::int32_t basicCode(BaseType base) {
  switch (base) {
    case BaseType::voidType:
      return kVoidCode;
    case BaseType::charType:
      return 2;
    case BaseType::ucharType:
      return 3;
    case BaseType::shortType:
      return 4;
    case BaseType::ushortType:
    case BaseType::entryType:  // a code address: an unsigned word
      return 5;
    case BaseType::longType:
      return 8;
    case BaseType::ulongType:
      return 9;
    default:
      return 0;
  }
}

// Storage codes of "symbol_n" and address classes of "symbol_a".
constexpr int kExternStorage = 6;
constexpr int kStaticStorage = 5;
constexpr int kGlobalStorage = 4;
constexpr int kExternFunctionClass = 4;
constexpr int kExternDataClass = 5;
constexpr int kStaticClass = 3;
constexpr int kGlobalClass = 8;

// "\tsymbol_b %d,nc,%d,0": the type code of a member or element, and the number of the
// structure, union or array type that holds it.
std::string memberLine(std::int32_t code, std::int32_t holder) {
  char text[64];
  std::snprintf(text, sizeof text, "\tsymbol_b %d,nc,%d,0\n", code, holder);
  return text;
}

}  // namespace

// A type line numbered the first time its key is met; `element` (an array's element code,
// or -1) is described by a member line after it.
std::int32_t DebugInfo::number(std::string key, const std::string& line, std::string& lines,
                               std::int32_t element) {
  auto found = numbers_.find(key);
  if (found != numbers_.end()) return found->second;
  std::int32_t value = counter_++;
  numbers_.emplace(std::move(key), value);
  char head[32];
  std::snprintf(head, sizeof head, "\tsymbol_t %d,", value);
  lines += head;
  lines += line;
  if (element >= 0) lines += memberLine(element, value);
  return value;
}

std::int32_t DebugInfo::aggregateCode(const AggregateInfo& aggregate, std::string& lines) {
  auto found = aggregates_.find(&aggregate);
  if (found != aggregates_.end()) return found->second;
  // The structure's number is taken first, so a member that points to the structure
  // itself can name it; the members' own types are numbered before the structure line.
  std::int32_t value = counter_++;
  aggregates_.emplace(&aggregate, value);
  std::string members;
  std::string memberLines;
  for (const Member& member : aggregate.members) {
    char text[160];
    std::string_view name = member.name ? member.name->name : std::string_view();
    std::int32_t code = typeCode(member.type, lines);
    std::snprintf(text, sizeof text, ",\"%.*s\",%d,0", static_cast<int>(name.size()), name.data(),
                  code);
    members += text;
    memberLines += memberLine(code, value);
  }
  std::string_view tag = aggregate.tag ? aggregate.tag->name : std::string_view();
  char head[160];
  std::snprintf(head, sizeof head, "\tsymbol_t %d,xc,\"%.*s\",%u,%d", value,
                static_cast<int>(tag.size()), tag.data(), aggregate.size,
                aggregate.complete ? static_cast<int>(aggregate.members.size()) : -1);
  lines += head;
  if (aggregate.complete) lines += members;
  lines += '\n';
  if (aggregate.complete) lines += memberLines;
  return value;
}

// The code of type with its derivations from `from` on (outermost first).
std::int32_t DebugInfo::derivedCode(const Type& type, std::size_t from, std::string& lines) {
  if (from == type.derivations.size()) {
    if (type.aggregate && (type.base == BaseType::structType || type.base == BaseType::unionType))
      return aggregateCode(*type.aggregate, lines);
    return basicCode(type.base);
  }
  const Derivation& derivation = type.derivations[from];
  if (derivation.kind == DerivationKind::function) return derivedCode(type, from + 1, lines);
  bool basicInner = from + 1 == type.derivations.size() && type.base != BaseType::structType &&
                    type.base != BaseType::unionType;
  if (derivation.kind == DerivationKind::pointer && basicInner)
    return basicCode(type.base) + kPointerCode;
  std::int32_t inner = derivedCode(type, from + 1, lines);
  char line[96];
  if (derivation.kind == DerivationKind::pointer) {
    std::snprintf(line, sizeof line, "O,%d,1\n", inner);
    return number(line, line, lines, -1);
  }
  if (derivation.sized) {
    std::snprintf(line, sizeof line, "Z,\"\",%d,1,\"\",%u,0\n", inner, derivation.count);
  } else {
    std::snprintf(line, sizeof line, "Z,\"\",%d,-1,\"\",-1,0\n", inner);
  }
  return number(line, line, lines, inner);
}

std::int32_t DebugInfo::typeCode(const Type& type, std::string& lines) {
  return derivedCode(type, 0, lines);
}

std::string DebugInfo::symbolLines(const SymbolEntry& symbol) {
  std::string lines;
  std::int32_t code = typeCode(symbol.type, lines);
  bool function = symbol.type.isFunction();
  int storage = symbol.kind == SymbolKind::external     ? kExternStorage
                : symbol.kind == SymbolKind::staticName ? kStaticStorage
                : symbol.kind == SymbolKind::global     ? kGlobalStorage
                                                        : 0;
  int addressClass = symbol.kind == SymbolKind::external
                         ? (function ? kExternFunctionClass : kExternDataClass)
                     : symbol.kind == SymbolKind::staticName ? kStaticClass
                                                             : kGlobalClass;
  char text[192];
  int length = static_cast<int>(symbol.name.size());
  std::snprintf(text, sizeof text, "\tsymbol_n \"%.*s\",%d,%d,0\n\tsymbol_a \"%.*s\",%d,0,0\n",
                length, symbol.name.data(), code, storage, length, symbol.name.data(),
                addressClass);
  lines += text;
  return lines;
}

}  // namespace kz::clike
