// Objects reached through an address held in a register: `*p`, `p->member`, `p[i]`, an
// element under a subscript that is not constant, and `*BC`. The address goes into HL
// (warning 508; an (HL+C) index into C, warning 503; a 16-bit index is formed in WA,
// warning 507), or the program's own HL or DE is used as it is and never changed.
#include "clike/parser.h"

namespace kz::clike {
namespace {

constexpr std::uint8_t kHLBits = 0xC0;
constexpr std::uint8_t kWABits = 0x03;
constexpr std::uint8_t kCBit = 0x04;
constexpr std::uint32_t kEightBitReach = 256;  // bytes an (HL+C) index can reach

bool fitsDisplacement(std::int32_t d) { return d >= -128 && d <= 127; }

// log2 of a power of two up to 128, else -1.
int shiftOf(std::uint32_t size) {
  for (int shift = 0; shift < 8; ++shift) {
    if (size == (1u << shift)) return shift;
  }
  return -1;
}

// What an array or a pointer holds: a byte when it has no type.
ValueType elementOf(const ValueType& array, ExpressionTable& nodes) {
  if (array.known && (array.type().isArray() || array.type().isPointer()))
    return ValueType::of(nodes.keep(array.type().inner()));
  return ValueType::untyped(1);
}

}  // namespace

// A name, or constant subscripts and '.' members of one: its address is a name and an offset.
bool Parser::isFixedPlace(int at) {
  const Node& n = nodes_[at];
  std::int32_t ignored = 0;
  switch (n.kind) {
    case NodeKind::name:
      return true;
    case NodeKind::index:
      return isFixedPlace(n.a) && objectTypeOf(n.a).type().isArray() &&
             foldConstant(nodes_, n.b, ignored);
    case NodeKind::member:
      return n.value == 0 && isFixedPlace(n.a);
    default:
      return false;
  }
}

// The address of the object `at` names, into HL (or DE), with its type.
bool Parser::placeOf(int at, OperandUse use, Place& place) {
  const Node& n = nodes_[at];
  if (isFixedPlace(at)) {
    SymbolEntry* symbol = nullptr;
    std::int32_t offset = 0;
    const Type* type = nullptr;
    if (!objectAddress(at, symbol, offset, type)) return false;
    if (use.hlBusy || (use.busy & kHLBits) != 0) {
      diagnostics_.reportError(Message::registerConflict, symbol->name);
      return false;
    }
    emit("ld", register16Operand(3), symbolicImmediate(addressText(symbol->name, offset)));
    warnRegister(Message::registerHLUsed, symbol->name);
    place = Place{ValueType::of(*type), MemoryMode::atHL, 0, false};
    return true;
  }
  switch (n.kind) {
    case NodeKind::unary:
      if (n.opClass == TokenClass::star) return pointerPlace(n.a, use, place);
      break;
    case NodeKind::index: {
      std::int32_t index = 0;
      if (!foldConstant(nodes_, n.b, index)) return subscriptPlace(n.a, n.b, use, place);
      if (!baseIntoHL(n.a, use, place)) return false;
      place.displacement += index * static_cast<std::int32_t>(place.type.size);
      return true;
    }
    case NodeKind::member: {
      bool ok = n.value == 1 ? pointerPlace(n.a, use, place) : placeOf(n.a, use, place);
      if (!ok) return false;
      const Type& aggregate = place.type.type();
      const Member* member = place.type.known && aggregate.isAggregate() && aggregate.aggregate
                                 ? aggregate.aggregate->find(n.symbol)
                                 : nullptr;
      if (!place.type.known || !aggregate.isAggregate()) {
        diagnostics_.reportError(Message::memberOfNonStruct, n.symbol->name);
        return false;
      }
      if (!member) {
        diagnostics_.reportError(Message::notStructMember, n.symbol->name);
        return false;
      }
      place.displacement += static_cast<std::int32_t>(member->offset);
      place.type = ValueType::of(member->type);
      return true;
    }
    default:
      break;
  }
  diagnostics_.reportError(Message::illegalExpression, n.text);
  return false;
}

// The base of a subscript: an array's address, or a pointer's value; `place.type` is the
// element's.
bool Parser::baseIntoHL(int base, OperandUse use, Place& place) {
  ValueType array = objectTypeOf(base);
  if (array.known && array.type().isArray()) {
    if (!placeOf(base, use, place)) return false;
    place.type = ValueType::of(nodes_.keep(array.type().inner()));
    return true;
  }
  ValueType pointer = valueTypeOf(base);
  if (pointer.known && !isDataPointer(pointer.type())) {
    diagnostics_.reportError(Message::suffixedNonArray, nodes_[base].text);
    return false;
  }
  return pointerPlace(base, use, place);
}

// The value of a pointer into HL, or the program's HL or DE when it is one; `place.type` is
// what it points to (a byte when the pointer has no type).
bool Parser::pointerPlace(int at, OperandUse use, Place& place) {
  const Node& n = nodes_[at];
  ValueType pointer = valueTypeOf(at);
  if (pointer.known && !isDataPointer(pointer.type())) {
    diagnostics_.reportError(Message::illegalExpression, n.text);
    return false;
  }
  place = Place{
      pointer.known ? ValueType::of(nodes_.keep(pointer.type().inner())) : ValueType::untyped(1),
      MemoryMode::atHL, 0, false};
  if (pointer.known && pointer.size == 3) {
    diagnostics_.reportError(Message::nonOperatableOperand, n.text);
    return false;
  }
  bool hlFree = !use.hlBusy && (use.busy & kHLBits) == 0;
  std::int32_t step = 0;
  if (n.kind == NodeKind::register16) {
    place.userRegister = n.value == 3 || n.value == 2;
    if (n.value == 2) place.mode = MemoryMode::atDE;
    if (place.userRegister) return true;
    if (!hlFree) {
      diagnostics_.reportError(Message::registerConflict, n.text);
      return false;
    }
    emit("ld", register16Operand(3), register16Operand(n.value));
    warnRegister(Message::registerHLUsed, "*");
    return true;
  }
  if (n.kind == NodeKind::binary &&
      (n.opClass == TokenClass::plus || n.opClass == TokenClass::minus) &&
      foldConstant(nodes_, n.b, step)) {
    // p + n and p - n: n elements on (bytes for an address without a type).
    if (!pointerPlace(n.a, use, place)) return false;
    std::int32_t element =
        pointer.known ? static_cast<std::int32_t>(sizeOf(pointer.type().inner())) : 1;
    place.displacement += (n.opClass == TokenClass::plus ? step : -step) * element;
    return true;
  }
  if (n.kind == NodeKind::binary &&
      (n.opClass == TokenClass::plus || n.opClass == TokenClass::minus) && pointer.known) {
    if (n.opClass == TokenClass::plus) return subscriptPlace(n.a, n.b, use, place);
    diagnostics_.reportError(Message::invalidAddressCalculation, n.text);
    return false;
  }
  if (n.kind == NodeKind::address) {
    if (!placeOf(n.a, use, place)) return false;
    return true;
  }
  if (n.kind == NodeKind::cast) {
    const Type& type = nodes_.type(n.value);
    if (!pointerPlace(n.a, use, place)) return false;
    place.type = ValueType::of(nodes_.keep(type.inner()));
    return true;
  }
  if (n.kind != NodeKind::name && n.kind != NodeKind::index && n.kind != NodeKind::member &&
      n.kind != NodeKind::unary) {
    diagnostics_.reportError(Message::operationTooComplex, n.text);
    return false;
  }
  // A pointer kept in memory: its place, then the pointer itself over it.
  std::optional<Operand> stored;
  if (isFixedPlace(at)) {
    stored = objectOperand(at, use);
  } else {
    Place holder;
    if (!placeOf(at, use, holder)) return false;
    if (holder.userRegister && holder.mode == MemoryMode::atHL) {
      diagnostics_.reportError(Message::registerConflict, n.text);
      return false;
    }
    stored = placeOperand(holder, use);
  }
  if (!stored) return false;
  Operand hl = register16Operand(3);
  if (pointer.size == 1) {
    // A tiny pointer: an address in the first 256 bytes.
    if (!emitChecked("ld", register8Operand(6), *stored, n.text)) return false;
    emit("ld", register8Operand(7), immediateOperand(0));
  } else if (!emitChecked("ld", hl, *stored, n.text)) {
    return false;
  }
  warnRegister(Message::registerHLUsed, n.text);
  return true;
}

// base[index] with an index known only when the program runs.
bool Parser::subscriptPlace(int base, int index, OperandUse use, Place& place) {
  ValueType indexType = valueTypeOf(index);
  if (indexType.known && !isInteger(indexType.type())) {
    diagnostics_.reportError(Message::invalidAddressCalculation, nodes_[index].text);
    return false;
  }
  bool byteIndex = indexType.size == 1;
  bool unsignedIndex = !indexType.known || isUnsigned(indexType.type());
  if (byteIndex && !unsignedIndex) {
    // Nothing extends a sign.
    diagnostics_.reportError(Message::expansionNotAllowed, nodes_[index].text);
    return false;
  }
  // The index is read first; the base may not need what it leaves behind.
  OperandUse indexUse{use.hlBusy, static_cast<std::uint8_t>(use.busy | registersRead(base))};
  std::optional<Operand> value = operandOf(index, indexUse);
  if (!value) return false;
  if (options_.optA != 0 && byteIndex) return eightBitSubscript(base, index, *value, use, place);
  return wideSubscript(base, index, *value, use, place);
}

// Under -a: an unsigned byte index stays 8 bits, in C, under the (HL+C) form.
bool Parser::eightBitSubscript(int base, int index, const Operand& value, OperandUse use,
                               Place& place) {
  ValueType array = objectTypeOf(base);
  ValueType element = elementOf(array, nodes_);
  int shift = shiftOf(element.size);
  if (shift < 0) {
    diagnostics_.reportError(Message::operationTooComplex, nodes_[index].text);
    return false;
  }
  if (array.known && array.type().isArray() && sizeOf(array.type()) > kEightBitReach)
    diagnostics_.reportWarning(Message::outOfUsableRange, nodes_[base].text);
  Operand c = register8Operand(2);
  bool userC = value.kind == OperandKind::register8 && value.number == 2;
  // The program's C is not shifted in place: such an index is widened instead.
  if (userC && shift > 0) return wideSubscript(base, index, value, use, place);
  if ((use.busy & kCBit) != 0) {
    diagnostics_.reportError(Message::registerConflict, value.text);
    return false;
  }
  if (!userC) {
    load(c, value, "[]");
    warnRegister(Message::registerCUsed, "[]");
  }
  for (int i = 0; i < shift; ++i) emit("shlc", c, Operand{});
  if (!baseIntoHL(base, OperandUse{use.hlBusy, static_cast<std::uint8_t>(use.busy | kCBit)}, place))
    return false;
  if (place.mode == MemoryMode::atDE) {
    emit("ld", register16Operand(3), register16Operand(2));
    warnRegister(Message::registerHLUsed, "[]");
    place.userRegister = false;
  }
  place.mode = MemoryMode::hlPlusC;
  return true;
}

// The index widened to 16 bits in WA, times the element's size, plus the base, into HL.
bool Parser::wideSubscript(int base, int index, const Operand& value, OperandUse use,
                           Place& place) {
  ValueType array = objectTypeOf(base);
  ValueType element = elementOf(array, nodes_);
  bool byteIndex = !value.word;
  int shift = shiftOf(element.size);
  if ((!byteIndex && shift < 0) || element.size > 0xFF || element.size == 0) {
    diagnostics_.reportError(Message::operationTooComplex, nodes_[index].text);
    return false;
  }
  if ((use.busy & kWABits) != 0) {
    diagnostics_.reportError(Message::registerConflict, value.text);
    return false;
  }
  Operand wa = register16Operand(0), a = register8Operand(0), w = register8Operand(1);
  if (byteIndex) {
    if (!value.isA()) load(a, value, "[]");
    emit("ld", w,
         immediateOperand(element.size == 1 ? 0 : static_cast<std::int32_t>(element.size)));
    if (element.size != 1) emit("mul", w, a);
  } else {
    if (!value.isWA()) load(wa, value, "[]");
    for (int i = 0; i < shift; ++i) emit("add", wa, wa);
  }
  warnRegister(Message::registerWAUsed, "[]");
  OperandUse baseUse{use.hlBusy, static_cast<std::uint8_t>(use.busy | kWABits)};
  if (array.known && array.type().isArray() && isFixedPlace(base)) {
    SymbolEntry* symbol = nullptr;
    std::int32_t offset = 0;
    const Type* type = nullptr;
    if (!objectAddress(base, symbol, offset, type)) return false;
    emit("add", wa, symbolicImmediate(addressText(symbol->name, offset)));
  } else {
    Place pointer;
    if (!baseIntoHL(base, baseUse, pointer)) return false;
    if (pointer.userRegister && pointer.mode == MemoryMode::atHL) {
      diagnostics_.reportError(Message::registerConflict, nodes_[base].text);
      return false;
    }
    Operand rr = register16Operand(pointer.mode == MemoryMode::atDE ? 2 : 3);
    if (pointer.displacement != 0) emit("add", wa, immediateOperand(pointer.displacement));
    emit("add", wa, rr);
  }
  if (use.hlBusy || (use.busy & kHLBits) != 0) {
    diagnostics_.reportError(Message::registerConflict, nodes_[base].text);
    return false;
  }
  emit("ld", register16Operand(3), wa);
  warnRegister(Message::registerHLUsed, "[]");
  place = Place{element, MemoryMode::atHL, 0, false};
  return true;
}

// The memory operand of a place: (hl), (hl+d), (hl+c), (de). A displacement the mode cannot
// hold is added to a working HL; the program's own HL is not changed (244).
std::optional<Operand> Parser::placeOperand(const Place& place, OperandUse use) {
  bool word = place.type.size == 2;
  if (place.type.size > 2 || (place.type.known && place.type.type().isAggregate())) {
    diagnostics_.reportError(Message::nonOperatableOperand);
    return std::nullopt;
  }
  Operand hl = register16Operand(3);
  std::int32_t d = place.displacement;
  if (place.mode == MemoryMode::atDE) {
    if (d == 0) return memoryOperand(MemoryMode::atDE, "(de)", word);
    if (use.hlBusy || (use.busy & kHLBits) != 0) {
      diagnostics_.reportError(Message::registerConflict, "de");
      return std::nullopt;
    }
    emit("ld", hl, register16Operand(2));
    warnRegister(Message::registerHLUsed, "de");
    return placeOperand(Place{place.type, MemoryMode::atHL, d, false}, use);
  }
  if (d != 0 && (place.mode == MemoryMode::hlPlusC || !fitsDisplacement(d))) {
    if (place.userRegister) {
      diagnostics_.reportError(Message::invalidAddressCalculation, std::to_string(d));
      return std::nullopt;
    }
    emit("add", hl, immediateOperand(d));
    d = 0;
  }
  if (place.mode == MemoryMode::hlPlusC) return memoryOperand(MemoryMode::hlPlusC, "(hl+c)", word);
  if (d == 0) return memoryOperand(MemoryMode::atHL, "(hl)", word);
  return displacementOperand(d, word);
}

std::optional<Operand> Parser::dynamicOperand(int at, OperandUse use) {
  Place place;
  if (!placeOf(at, use, place)) return std::nullopt;
  return placeOperand(place, use);
}

// &object for an object reached through a register: its address in HL (or DE).
std::optional<Operand> Parser::dynamicAddress(int at, OperandUse use) {
  Place place;
  if (!placeOf(at, use, place)) return std::nullopt;
  if (place.mode == MemoryMode::hlPlusC) {
    diagnostics_.reportError(Message::illegalIndexMode, nodes_[at].text);
    return std::nullopt;
  }
  if (place.displacement == 0) return register16Operand(place.mode == MemoryMode::atDE ? 2 : 3);
  if (place.userRegister) {
    diagnostics_.reportError(Message::invalidAddressCalculation, nodes_[at].text);
    return std::nullopt;
  }
  emit("add", register16Operand(3), immediateOperand(place.displacement));
  return register16Operand(3);
}

}  // namespace kz::clike
