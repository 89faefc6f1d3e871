#include "cfront/types.h"

#include <algorithm>
#include <array>

namespace kz::cfront {
namespace {

constexpr std::size_t kBasicCount = static_cast<std::size_t>(TypeKind::longDouble) + 1;

// Size and arithmetic code of each basic type, in TypeKind order (void first).
struct BasicRow {
  std::uint8_t size;
  std::uint8_t code;
  const char* name;
};
constexpr std::array<BasicRow, kBasicCount> kBasicRows = {{
    {0, 0x03, "void"},
    {1, 0x09, "signed char"},
    {1, 0x11, "unsigned char"},
    {2, 0x0A, "short"},
    {2, 0x12, "unsigned short"},
    {2, 0x0A, "int"},
    {2, 0x12, "unsigned int"},
    {4, 0x0C, "long"},
    {4, 0x14, "unsigned long"},
    {4, 0x25, "float"},
    {8, 0x26, "double"},
    {10, 0x27, "long double"},
}};

bool isBasic(TypeKind kind) { return static_cast<std::size_t>(kind) < kBasicCount; }

std::uint32_t pointerSize(SizeWord memory) {
  switch (memory) {
    case SizeWord::tiny:
      return 1;
    case SizeWord::near:
      return 2;
    case SizeWord::far:
    case SizeWord::compact:
      return 4;
  }
  return 2;
}

// The kind an enumeration computes in: its base type, int before its body is read.
TypeKind arithmeticKind(TypeRef type) {
  if (type->kind != TypeKind::enumType) return type->kind;
  if (type->record && type->record->enumBase) return type->record->enumBase->kind;
  return TypeKind::intType;
}

// A parameter type that the default argument promotions leave alone.
bool selfPromoting(TypeRef type) {
  switch (arithmeticKind(type)) {
    case TypeKind::signedChar:
    case TypeKind::unsignedChar:
    case TypeKind::shortType:
    case TypeKind::unsignedShort:
    case TypeKind::floatType:
      return false;
    default:
      return true;
  }
}

bool compatibleUnqualified(TypeRef a, TypeRef b);

bool compatibleParameters(const FunctionInfo& a, const FunctionInfo& b) {
  if (a.hasPrototype && b.hasPrototype) {
    if (a.parameters.size() != b.parameters.size() || a.variadic != b.variadic) return false;
    for (std::size_t i = 0; i < a.parameters.size(); ++i)
      if (!compatibleUnqualified(a.parameters[i].type, b.parameters[i].type)) return false;
    return true;
  }
  const FunctionInfo& prototype = a.hasPrototype ? a : b;
  if (!prototype.hasPrototype) return true;
  if (prototype.variadic) return false;
  return std::all_of(prototype.parameters.begin(), prototype.parameters.end(),
                     [](const Parameter& p) { return p.type && selfPromoting(p.type); });
}

bool compatibleUnqualified(TypeRef a, TypeRef b) {
  if (!a || !b) return false;
  if (a == b) return true;
  TypeKind ka = a->kind;
  TypeKind kb = b->kind;
  if (ka == TypeKind::enumType || kb == TypeKind::enumType) {
    if (ka == kb) return a->record == b->record;
    return arithmeticKind(a) == arithmeticKind(b);
  }
  if (ka != kb) return false;
  switch (ka) {
    case TypeKind::pointer:
      return a->memory == b->memory && compatible(a->target, b->target);
    case TypeKind::array:
      return compatible(a->target, b->target) &&
             (!a->countKnown || !b->countKnown || a->count == b->count);
    case TypeKind::function:
      if (!compatible(a->target, b->target)) return false;
      return !a->function || !b->function || compatibleParameters(*a->function, *b->function);
    case TypeKind::structType:
    case TypeKind::unionType:
      return a->record == b->record;
    default:
      return true;
  }
}

}  // namespace

const Member* Record::find(std::string_view name) const {
  for (const Member& member : members)
    if (!name.empty() && member.name == name) return &member;
  return nullptr;
}

TypeTable::TypeTable(const RunOptions& options) : options_(options) {
  for (std::size_t i = 0; i < kBasicCount; ++i) {
    Type& type = *types_.make();
    type.kind = static_cast<TypeKind>(i);
    basics_.push_back(&type);
  }
}

TypeRef TypeTable::make(const Type& type) {
  Type& made = *types_.make(type);
  made.nearPointer = nullptr;  // a copy made from another type does not share its pointer
  return &made;
}

TypeRef TypeTable::basic(TypeKind kind) const {
  return isBasic(kind) ? basics_[static_cast<std::size_t>(kind)] : basics_[0];
}

TypeRef TypeTable::plainChar() const {
  return basic(options_.unsignedChar ? TypeKind::unsignedChar : TypeKind::signedChar);
}

TypeRef TypeTable::qualified(TypeRef type, std::uint8_t qualifiers) {
  if (!type) return type;
  std::uint8_t wanted = type->qualifiers | qualifiers;
  if (wanted == type->qualifiers) return type;
  TypeRef base = unqualified(type);
  auto [slot, added] = qualifiedTypes_.try_emplace({base, wanted}, nullptr);
  if (added) {
    Type copy = *base;
    copy.qualifiers = wanted;
    copy.unqualifiedType = base;
    slot->second = make(copy);
  }
  return slot->second;
}

TypeRef TypeTable::withoutQualifiers(TypeRef type) {
  if (isBasic(type->kind)) return basic(type->kind);
  if (type->kind == TypeKind::pointer) return pointerTo(type->target, type->memory);
  if (type->unqualifiedType) return type->unqualifiedType;
  if (type->record && type->record->plainType) return type->record->plainType;
  Type copy = *type;
  copy.qualifiers = 0;
  return make(copy);
}

// Any pointer but a plain near one already kept with its target.
TypeRef TypeTable::newPointerTo(TypeRef target, SizeWord memory, std::uint8_t qualifiers) {
  if (!target) target = basic(TypeKind::intType);  // what an earlier error left
  bool plain = memory == SizeWord::near && qualifiers == 0;
  if (plain && target->nearPointer) return target->nearPointer;
  auto [slot, added] = pointers_.try_emplace({target, memory, qualifiers}, nullptr);
  if (added) {
    Type pointer;
    pointer.kind = TypeKind::pointer;
    pointer.target = target;
    pointer.memory = memory;
    pointer.qualifiers = qualifiers;
    slot->second = make(pointer);
  }
  if (plain) target->nearPointer = slot->second;
  return slot->second;
}

TypeRef TypeTable::arrayOf(TypeRef element, std::uint32_t count, bool countKnown) {
  Type array;
  if (!element) element = basic(TypeKind::intType);
  array.kind = TypeKind::array;
  array.target = element;
  array.count = countKnown ? count : 0;
  array.countKnown = countKnown;
  return make(array);
}

TypeRef TypeTable::functionReturning(FunctionInfo info) {
  Type function;
  function.kind = TypeKind::function;
  function.target = info.returnType;
  function.function = &functions_.emplace_back(std::move(info));
  return make(function);
}

Record* TypeTable::newRecord(TypeKind kind, std::string_view tag) {
  Record& record = records_.emplace_back();
  record.kind = kind;
  record.tag = tag;
  record.index = static_cast<std::uint32_t>(records_.size());
  if (kind == TypeKind::enumType) {
    record.enumBase = basic(TypeKind::intType);
    record.size = 2;
    record.alignment = 2;
  }
  return &record;
}

TypeRef TypeTable::recordType(Record* record, std::uint8_t qualifiers) {
  if (qualifiers == 0 && record->plainType) return record->plainType;
  if (qualifiers != 0) return qualified(recordType(record, 0), qualifiers);
  Type type;
  type.kind = record->kind;
  type.record = record;
  record->plainType = make(type);
  return record->plainType;
}

void TypeTable::settleEnum(Record& record, long long lowest, long long highest) {
  TypeKind kind = TypeKind::intType;
  if (options_.enumBySize) {
    struct Range {
      TypeKind kind;
      long long low, high;
    };
    constexpr Range kRanges[] = {{TypeKind::signedChar, -128, 127},
                                 {TypeKind::unsignedChar, 0, 255},
                                 {TypeKind::intType, -32768, 32767},
                                 {TypeKind::unsignedInt, 0, 65535}};
    for (const Range& range : kRanges) {
      if (lowest >= range.low && highest <= range.high) {
        kind = range.kind;
        break;
      }
    }
  }
  record.enumBase = basic(kind);
  record.size = sizeOf(record.enumBase);
  record.alignment = static_cast<std::uint8_t>(record.size);
  record.complete = true;
}

std::uint32_t sizeOf(TypeRef type) {
  if (!type) return 0;
  if (isBasic(type->kind)) return kBasicRows[static_cast<std::size_t>(type->kind)].size;
  switch (type->kind) {
    case TypeKind::enumType:
      return type->record && type->record->enumBase ? sizeOf(type->record->enumBase) : 2;
    case TypeKind::pointer:
      return pointerSize(type->memory);
    case TypeKind::array:
      return type->countKnown ? type->count * sizeOf(type->target) : 0;
    case TypeKind::structType:
    case TypeKind::unionType:
      return type->record && type->record->complete ? type->record->size : 0;
    default:
      return 0;
  }
}

// Alignment as a member: the natural alignment (the size for 1, 2 and 4 byte scalars, 8 for
// double, 2 for the 10-byte long double, the element's for an array, the largest member's
// for a struct or union) capped at the packing value:
//   type          packing 1   packing 2   packing 4
//   char              1           1           1
//   short, int        1           2           2
//   long, float       1           2           4
//   double            1           2           4
//   long double       1           2           2
//   pointer       1           size<=2     size<=4
std::uint8_t alignmentOf(TypeRef type, std::uint8_t packing) {
  if (!type) return 1;
  std::uint32_t natural = 1;
  switch (type->kind) {
    case TypeKind::array:
      return alignmentOf(type->target, packing);
    case TypeKind::structType:
    case TypeKind::unionType:
      natural = type->record ? type->record->alignment : 1;
      break;
    case TypeKind::longDouble:
      natural = 2;
      break;
    default:
      natural = std::max<std::uint32_t>(1, sizeOf(type));
      break;
  }
  return static_cast<std::uint8_t>(
      std::min<std::uint32_t>(natural, std::max<std::uint8_t>(packing, 1)));
}

bool isComplete(TypeRef type) {
  if (!type) return false;
  switch (type->kind) {
    case TypeKind::voidType:
    case TypeKind::function:
      return false;
    case TypeKind::array:
      return type->countKnown && isComplete(type->target);
    case TypeKind::structType:
    case TypeKind::unionType:
      return type->record && type->record->complete;
    default:
      return true;
  }
}

bool isUnsigned(TypeRef type) {
  if (!type) return false;
  switch (arithmeticKind(type)) {
    case TypeKind::unsignedChar:
    case TypeKind::unsignedShort:
    case TypeKind::unsignedInt:
    case TypeKind::unsignedLong:
      return true;
    default:
      return false;
  }
}

std::uint8_t arithmeticCode(TypeRef type) {
  if (!type) return 0;
  TypeKind kind = arithmeticKind(type);
  return isBasic(kind) ? kBasicRows[static_cast<std::size_t>(kind)].code : 0;
}

bool compatible(TypeRef a, TypeRef b) {
  if (!a || !b) return false;
  return a->qualifiers == b->qualifiers && compatibleUnqualified(a, b);
}

TypeRef composite(TypeTable& table, TypeRef a, TypeRef b) {
  if (!compatible(a, b) || a == b) return a;
  switch (a->kind) {
    case TypeKind::pointer:
      return table.pointerTo(composite(table, a->target, b->target), a->memory, a->qualifiers);
    case TypeKind::array: {
      TypeRef element = composite(table, a->target, b->target);
      TypeRef sized = a->countKnown ? a : b;
      return table.qualified(table.arrayOf(element, sized->count, sized->countKnown),
                             a->qualifiers);
    }
    case TypeKind::function: {
      if (!a->function || !b->function) return a->function ? a : b;
      const FunctionInfo& fa = *a->function;
      const FunctionInfo& fb = *b->function;
      FunctionInfo merged = fa.hasPrototype || !fb.hasPrototype ? fa : fb;
      merged.returnType = composite(table, fa.returnType, fb.returnType);
      if (fa.hasPrototype && fb.hasPrototype)
        for (std::size_t i = 0; i < merged.parameters.size(); ++i)
          merged.parameters[i].type =
              composite(table, fa.parameters[i].type, fb.parameters[i].type);
      if (merged.convention == CallConvention::none) merged.convention = fb.convention;
      return table.functionReturning(std::move(merged));
    }
    default:
      return a;
  }
}

TypeRef promoted(const TypeTable& table, TypeRef type) {
  if (!type) return type;
  switch (arithmeticKind(type)) {
    case TypeKind::signedChar:
    case TypeKind::unsignedChar:
    case TypeKind::shortType:
    case TypeKind::intType:
      return table.basic(TypeKind::intType);
    // int and short have the same size, so unsigned short values do not all fit in int.
    case TypeKind::unsignedShort:
    case TypeKind::unsignedInt:
      return table.basic(TypeKind::unsignedInt);
    default:
      return isBasic(type->kind) ? table.basic(type->kind) : type;
  }
}

TypeRef argumentPromoted(const TypeTable& table, TypeRef type) {
  if (type && type->kind == TypeKind::floatType) return table.basic(TypeKind::doubleType);
  return promoted(table, type);
}

TypeRef usualArithmetic(const TypeTable& table, TypeRef a, TypeRef b) {
  // Two ints, the most common pair, need no search.
  if (a->kind == TypeKind::intType && b->kind == TypeKind::intType)
    return table.basic(TypeKind::intType);
  for (TypeKind floating : {TypeKind::longDouble, TypeKind::doubleType, TypeKind::floatType})
    if (a->kind == floating || b->kind == floating) return table.basic(floating);
  TypeKind pa = promoted(table, a)->kind;
  TypeKind pb = promoted(table, b)->kind;
  auto either = [&](TypeKind kind) { return pa == kind || pb == kind; };
  if (either(TypeKind::unsignedLong)) return table.basic(TypeKind::unsignedLong);
  // long holds every unsigned int value, so long with unsigned int is long.
  if (either(TypeKind::longType)) return table.basic(TypeKind::longType);
  if (either(TypeKind::unsignedInt)) return table.basic(TypeKind::unsignedInt);
  return table.basic(TypeKind::intType);
}

std::string typeName(TypeRef type) {
  if (!type) return "int";
  std::string prefix;
  if (type->isConst()) prefix += "const ";
  if ((type->qualifiers & qualifier::kVolatile) != 0) prefix += "volatile ";
  if (isBasic(type->kind)) return prefix + kBasicRows[static_cast<std::size_t>(type->kind)].name;
  switch (type->kind) {
    case TypeKind::enumType:
    case TypeKind::structType:
    case TypeKind::unionType: {
      const char* word = type->kind == TypeKind::enumType     ? "enum"
                         : type->kind == TypeKind::structType ? "struct"
                                                              : "union";
      std::string name = prefix + word;
      if (type->record && !type->record->tag.empty()) name += " " + std::string(type->record->tag);
      return name;
    }
    case TypeKind::pointer:
      return typeName(type->target) + " *" +
             (prefix.empty() ? "" : " " + prefix.substr(0, prefix.size() - 1));
    case TypeKind::array:
      return typeName(type->target) + " [" +
             (type->countKnown ? std::to_string(type->count) : std::string()) + "]";
    default:
      return typeName(type->target) + " ()";
  }
}

}  // namespace kz::cfront
