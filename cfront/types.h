#pragma once
// The C types of the target: int 16 bits, long 32, pointers near (2 bytes) unless a memory
// size says otherwise. Types live in a TypeTable for the whole run and are compared by
// structure; the basic types are shared, derived types are made as declarations need them.
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "cfront/node_pool.h"
#include "cfront/settings.h"

namespace kz::cfront {

class Diagnostics;

enum class TypeKind : std::uint8_t {
  voidType,
  signedChar,
  unsignedChar,
  shortType,
  unsignedShort,
  intType,
  unsignedInt,
  longType,
  unsignedLong,
  floatType,
  doubleType,
  longDouble,
  enumType,
  pointer,
  array,
  function,
  structType,
  unionType,
};

namespace qualifier {
inline constexpr std::uint8_t kConst = 0x01;
inline constexpr std::uint8_t kVolatile = 0x02;
}  // namespace qualifier

enum class CallConvention : std::uint8_t {
  none,  // not written: the default of the run applies
  cdecl,
  adecl,
  interrupt,
  interruptN,
  regbank,
  regbankN,
};

struct Type;
using TypeRef = const Type*;

struct Member {
  std::string_view name;  // empty for an unnamed bit field
  TypeRef type = nullptr;
  std::uint32_t offset = 0;  // bytes from the start of the struct
  std::uint8_t bitOffset = 0;
  std::uint8_t bitWidth = 0;
  bool isBitField = false;
  std::uint32_t line = 0;
};

// A struct or union (or an enumeration's tag); complete once its body has been read.
struct Enumerator {
  std::string_view name;
  long long value = 0;
};

struct Record {
  TypeKind kind = TypeKind::structType;  // structType, unionType or enumType
  std::string_view tag;                  // empty for an untagged one
  std::vector<Member> members;
  std::vector<Enumerator> enumerators;  // enumerations, in declaration order
  std::uint32_t size = 0;
  std::uint8_t alignment = 1;
  bool complete = false;
  bool hasFlexibleTail = false;     // unused in C89; kept false
  TypeRef enumBase = nullptr;       // enumerations: the integer type that holds the values
  std::uint32_t index = 0;          // the type number the intermediate file gives it
  const Type* plainType = nullptr;  // the unqualified type of the record, made once

  const Member* find(std::string_view name) const;
};

struct Parameter {
  std::string_view name;
  TypeRef type = nullptr;
};

struct FunctionInfo {
  TypeRef returnType = nullptr;
  std::vector<Parameter> parameters;
  bool hasPrototype = false;  // false: old-style or empty ()
  bool variadic = false;
  bool voidList = false;  // written (void)
  CallConvention convention = CallConvention::none;
  bool callv = false;
  int bank = -1;  // __regbank(n)
};

struct Type {
  TypeKind kind = TypeKind::intType;
  std::uint8_t qualifiers = 0;
  SizeWord memory = SizeWord::near;  // pointers: the size of the pointer itself
  TypeRef target = nullptr;          // pointer: pointee; array: element; function: return type
  std::uint32_t count = 0;           // arrays: number of elements
  bool countKnown = false;           // arrays: false for `int a[]`
  Record* record = nullptr;          // struct, union, enum
  const FunctionInfo* function = nullptr;
  // The plain near pointer to this type once it has been made: the pointer asked for most.
  mutable const Type* nearPointer = nullptr;
  const Type* unqualifiedType = nullptr;  // a qualified type made by qualified(): its base
  // Where the intermediate file's cache of type indices keeps this type's entry (the cache
  // checks that the entry is this type's).
  mutable std::uint32_t indexPlace = 0;

  bool isInteger() const {
    return (kind >= TypeKind::signedChar && kind <= TypeKind::unsignedLong) ||
           kind == TypeKind::enumType;
  }
  bool isFloating() const { return kind >= TypeKind::floatType && kind <= TypeKind::longDouble; }
  bool isArithmetic() const { return isInteger() || isFloating(); }
  bool isScalar() const { return isArithmetic() || kind == TypeKind::pointer; }
  bool isRecord() const { return kind == TypeKind::structType || kind == TypeKind::unionType; }
  bool isVoid() const { return kind == TypeKind::voidType; }
  bool isConst() const { return (qualifiers & qualifier::kConst) != 0; }
};

class TypeTable {
 public:
  explicit TypeTable(const RunOptions& options);
  TypeTable(const TypeTable&) = delete;
  TypeTable& operator=(const TypeTable&) = delete;

  // The unqualified basic type of that kind (not pointer, array, function, record, enum).
  TypeRef basic(TypeKind kind) const;
  // Plain char: signed char, or unsigned char under -Xuc.
  TypeRef plainChar() const;

  TypeRef qualified(TypeRef type, std::uint8_t qualifiers);
  TypeRef unqualified(TypeRef type) {
    return !type || type->qualifiers == 0 ? type : withoutQualifiers(type);
  }
  // A missing target or element (after an error) is taken as int. The plain near pointer, the
  // one asked for most, is kept with its target and found without a search.
  TypeRef pointerTo(TypeRef target, SizeWord memory = SizeWord::near, std::uint8_t qualifiers = 0) {
    if (target && target->nearPointer && memory == SizeWord::near && qualifiers == 0)
      return target->nearPointer;
    return newPointerTo(target, memory, qualifiers);
  }
  TypeRef arrayOf(TypeRef element, std::uint32_t count, bool countKnown);
  TypeRef functionReturning(FunctionInfo info);
  Record* newRecord(TypeKind kind, std::string_view tag);
  TypeRef recordType(Record* record, std::uint8_t qualifiers = 0);

  // Places the members of a completed struct or union under the packing value (1, 2 or 4)
  // and the bit-field rule of -Xw, and sets its size and alignment.
  void layOut(Record& record, std::uint8_t packing, Diagnostics& diagnostics);
  // Sets an enumeration's base type from the range of its values (-Xec), else int.
  void settleEnum(Record& record, long long lowest, long long highest);

 private:
  TypeRef make(const Type& type);
  TypeRef newPointerTo(TypeRef target, SizeWord memory, std::uint8_t qualifiers);
  TypeRef withoutQualifiers(TypeRef type);  // unqualified() of a qualified type

  const RunOptions& options_;
  std::map<std::tuple<TypeRef, SizeWord, std::uint8_t>, TypeRef> pointers_;
  std::map<std::pair<TypeRef, std::uint8_t>, TypeRef> qualifiedTypes_;
  // In blocks of up to 64 KiB (the first two smaller), which come whole from the heap instead of
  // from its small pieces.
  Pool<Type, (std::size_t{64} << 10) / sizeof(Type)> types_;
  std::deque<Record> records_;
  std::deque<FunctionInfo> functions_;
  std::vector<TypeRef> basics_;
};

// Sizes in bytes as the target has them; 0 for void, functions and incomplete types.
std::uint32_t sizeOf(TypeRef type);
// Alignment of a type as a member under a packing value of 1, 2 or 4.
std::uint8_t alignmentOf(TypeRef type, std::uint8_t packing);
bool isComplete(TypeRef type);
bool isUnsigned(TypeRef type);

// The one-byte arithmetic type code (0x08 signed, 0x10 unsigned, 0x20 floating, low bits the
// size class); 0x03 for void, 0 for a non-arithmetic type.
std::uint8_t arithmeticCode(TypeRef type);

// Compatibility in the sense of C89 (qualifiers compared, not ignored).
bool compatible(TypeRef a, TypeRef b);
// The composite type of two compatible types (array sizes and prototypes merged).
TypeRef composite(TypeTable& table, TypeRef a, TypeRef b);

// The integer promotions and the usual arithmetic conversions for this target's sizes.
TypeRef promoted(const TypeTable& table, TypeRef type);
TypeRef usualArithmetic(const TypeTable& table, TypeRef a, TypeRef b);
// The default argument promotions: the integer promotions, and float to double.
TypeRef argumentPromoted(const TypeTable& table, TypeRef type);

// The C spelling of a type, for messages ("int", "struct tag", "char *").
std::string typeName(TypeRef type);

}  // namespace kz::cfront
