#pragma once
// Types of the language: a base type with its derivations (pointer, array, function),
// outermost first, so `char *p[3]` is array(3) of pointer to char. Sizes: char 1, short 2,
// entry 2, pointers 1 (__tiny), 2 (__near, the default) or 3 (__far).
#include <cstdint>
#include <string_view>
#include <vector>

namespace kz::clike {

struct SymbolEntry;

enum class BaseType : std::uint8_t {
  none,
  voidType,
  charType,
  shortType,  // also int
  ucharType,
  ushortType,
  structType,
  unionType,
  entryType,
  longType,  // named by reports only
  ulongType,
};

enum class SizeAttribute : std::uint8_t { none, tiny, near, far };

enum class DerivationKind : std::uint8_t { pointer, array, function };

struct FunctionInfo;
struct AggregateInfo;

struct Derivation {
  DerivationKind kind = DerivationKind::pointer;
  SizeAttribute attribute = SizeAttribute::near;  // pointers
  bool attributeWritten = false;
  bool sized = false;                      // arrays
  std::uint32_t count = 0;                 // arrays
  const FunctionInfo* function = nullptr;  // functions: parameters
};

struct Type {
  BaseType base = BaseType::none;
  AggregateInfo* aggregate = nullptr;  // struct and union
  std::vector<Derivation> derivations;
  bool isConst = false;

  bool scalar() const { return derivations.empty(); }
  bool isPointer() const {
    return !derivations.empty() && derivations.front().kind == DerivationKind::pointer;
  }
  bool isArray() const {
    return !derivations.empty() && derivations.front().kind == DerivationKind::array;
  }
  bool isFunction() const {
    return !derivations.empty() && derivations.front().kind == DerivationKind::function;
  }
  bool isFunctionPointer() const {
    return derivations.size() >= 2 && derivations[0].kind == DerivationKind::pointer &&
           derivations[1].kind == DerivationKind::function;
  }
  bool isAggregate() const {
    return derivations.empty() && (base == BaseType::structType || base == BaseType::unionType);
  }
  // The type one derivation further in (element, target, result). Only the derivations
  // after the first are copied, so a pointer's target needs no room of its own.
  Type inner() const {
    Type result;
    result.base = base;
    result.aggregate = aggregate;
    result.isConst = isConst;
    if (derivations.size() > 1)
      result.derivations.assign(derivations.begin() + 1, derivations.end());
    return result;
  }
};

// A parameter: a register with a type.
struct Parameter {
  std::int32_t registerValue = 0;  // token value of the register
  std::string_view registerName;
  Type type;
};

struct FunctionInfo {
  std::vector<Parameter> parameters;
  bool prototype = false;  // a parameter list was written
};

struct Member {
  SymbolEntry* name = nullptr;
  Type type;
  std::uint32_t offset = 0;
};

struct AggregateInfo {
  SymbolEntry* tag = nullptr;
  bool isUnion = false;
  bool complete = false;
  std::vector<Member> members;
  std::uint32_t size = 0;

  const Member* find(const SymbolEntry* name) const {
    for (const Member& member : members) {
      if (member.name == name) return &member;
    }
    return nullptr;
  }
};

inline constexpr std::uint32_t pointerSize(SizeAttribute attribute) {
  return attribute == SizeAttribute::tiny ? 1 : attribute == SizeAttribute::far ? 3 : 2;
}

// Size in bytes; an unsized array or a function counts 0.
std::uint32_t sizeOf(const Type& type);
// Same type for the prototype check: base, derivations, attributes and parameters.
bool sameType(const Type& a, const Type& b);
// unsigned char or unsigned short, not derived.
bool isUnsigned(const Type& type);
// char, short and their unsigned forms, not derived.
bool isInteger(const Type& type);
// A code address: a function, a pointer to one, or an entry.
bool isCodeAddress(const Type& type);
// A pointer to data (not to a function).
bool isDataPointer(const Type& type);
// Two pointers with the same attribute to the same type (const aside).
bool samePointer(const Type& a, const Type& b);

}  // namespace kz::clike
