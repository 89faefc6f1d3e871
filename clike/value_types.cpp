// The types of the values an expression names, and their conversions: a stored value is
// widened or narrowed to its place with a warning, an operand of an instruction must have
// its partner's size, and a cast changes the type that later rules see.
#include "clike/parser.h"

namespace kz::clike {
namespace {

constexpr std::int32_t kFirstRegister8Token = 16;
constexpr std::int32_t kFirstRegister16Token = 32;

bool isError(Message message) { return static_cast<int>(message) < 500; }

// Arrays and functions stand for their address: the pointer is kept in the node table.
ValueType decayed(ValueType value, ExpressionTable& nodes) {
  if (!value.known) return value;
  const Type& type = value.type();
  if (type.isArray()) {
    Type pointer = type;
    pointer.derivations.front() = Derivation{};
    return ValueType::of(nodes.keep(std::move(pointer)));
  }
  if (type.isFunction()) {
    Type pointer = type;
    pointer.derivations.insert(pointer.derivations.begin(), Derivation{});
    return ValueType::of(nodes.keep(std::move(pointer)));
  }
  return value;
}

const Member* memberOf(const Type& type, const SymbolEntry* name) {
  return type.isAggregate() && type.aggregate ? type.aggregate->find(name) : nullptr;
}

// A member of the aggregate a pointer points to, found without building the target type.
const Member* memberOfTarget(const Type& pointer, const SymbolEntry* name) {
  bool toAggregate = pointer.derivations.size() == 1 &&
                     (pointer.base == BaseType::structType || pointer.base == BaseType::unionType);
  return toAggregate && pointer.aggregate ? pointer.aggregate->find(name) : nullptr;
}

// A byte or a word that is not an aggregate.
bool castableType(const Type& type) {
  std::uint32_t size = sizeOf(type);
  return !type.isAggregate() && !type.isArray() && !type.isFunction() && size >= 1 && size <= 2;
}

std::uint8_t pairBits(int pair) { return static_cast<std::uint8_t>(3u << (2 * (pair & 3))); }

}  // namespace

// A register's type: from a local declaration of the block, else from the parameters.
const Type* Parser::registerType(const Node& n) const {
  std::int32_t token = n.kind == NodeKind::register8 ? kFirstRegister8Token + n.value
                                                     : kFirstRegister16Token + 2 * n.value;
  for (auto at = localRegisters_.rbegin(); at != localRegisters_.rend(); ++at) {
    if (at->registerValue == token) return &at->type;
  }
  if (!function_ || !function_->type.isFunction()) return nullptr;
  const FunctionInfo* info = function_->type.derivations.front().function;
  if (!info) return nullptr;
  for (const Parameter& parameter : info->parameters) {
    if (parameter.registerValue == token) return &parameter.type;
  }
  return nullptr;
}

// The type of the object a node names, before arrays and functions become addresses.
ValueType Parser::objectTypeOf(int at) {
  const Node& n = nodes_[at];
  switch (n.kind) {
    case NodeKind::name:
      if (n.symbol->kind == SymbolKind::structTag || n.symbol->kind == SymbolKind::unionTag)
        return ValueType::untyped(2);
      return ValueType::of(n.symbol->type);
    case NodeKind::index: {
      // The element of an array or a pointer; a function decays to a pointer to itself.
      ValueType base = objectTypeOf(n.a);
      if (!base.known) return ValueType::untyped(1);
      const Type& type = base.type();
      if (type.isArray() || type.isPointer()) return ValueType::of(nodes_.keep(type.inner()));
      if (type.isFunction()) return base;
      return ValueType::untyped(1);
    }
    case NodeKind::member: {
      // Through a pointer, an array stands for a pointer to its element and a function for
      // a pointer to itself.
      bool throughPointer = n.value == 1;
      ValueType left = objectTypeOf(n.a);
      const Type& type = left.type();
      const Member* member = nullptr;
      if (!left.known)
        member = nullptr;
      else if (!throughPointer)
        member = memberOf(type, n.symbol);
      else if (type.isPointer() || type.isArray())
        member = memberOfTarget(type, n.symbol);
      else if (!type.isFunction())
        member = memberOf(type, n.symbol);
      if (member) return ValueType::of(member->type);
      return ValueType::untyped(1);
    }
    case NodeKind::unary:
      if (n.opClass == TokenClass::star) {
        ValueType pointer = decayed(valueTypeOf(n.a), nodes_);
        if (pointer.known && isDataPointer(pointer.type()))
          return ValueType::of(nodes_.keep(pointer.type().inner()));
        return ValueType::untyped(1);
      }
      return valueTypeOf(at);
    default:
      return valueTypeOf(at);
  }
}

// An object's type as a value: arrays and functions stand for their address.
ValueType Parser::decayedValue(const ValueType& object) { return decayed(object, nodes_); }

ValueType Parser::valueTypeOfOther(int at) {
  const Node& n = nodes_[at];
  std::int32_t value = 0;
  if (n.kind == NodeKind::cast) {
    // A cast to a type that cannot be cast to leaves the operand's type (241 follows).
    if (!castableType(nodes_.type(n.value))) return valueTypeOf(n.a);
    ValueType result = ValueType::of(nodes_.type(n.value));
    result.constant = foldConstant(nodes_, at, result.value);
    return result;
  }
  if (foldConstant(nodes_, at, value)) return ValueType::number(value);
  switch (n.kind) {
    case NodeKind::register8:
    case NodeKind::register16: {
      const Type* declared = registerType(n);
      if (declared) return ValueType::of(*declared);
      return ValueType::untyped(n.kind == NodeKind::register8 ? 1 : 2);
    }
    case NodeKind::indirect:
      return ValueType::untyped(n.word ? 2 : 1);
    case NodeKind::name:
    case NodeKind::index:
    case NodeKind::member:
    case NodeKind::unary:
      if (n.kind == NodeKind::unary && n.opClass != TokenClass::star) return valueTypeOf(n.a);
      return decayed(objectTypeOf(at), nodes_);
    case NodeKind::address: {
      ValueType object = objectTypeOf(n.a);
      if (!object.known) return ValueType::untyped(2);
      Type pointer = object.type();
      pointer.derivations.insert(pointer.derivations.begin(), Derivation{});
      return ValueType::of(nodes_.keep(std::move(pointer)));
    }
    case NodeKind::call: {
      const Node& callee = nodes_[n.a];
      if (callee.kind == NodeKind::name && callee.symbol->type.isFunction())
        return ValueType::of(nodes_.keep(callee.symbol->type.inner()));
      return ValueType::untyped(2);
    }
    case NodeKind::binary:
      if (n.opClass == TokenClass::relational || n.opClass == TokenClass::equality ||
          n.opClass == TokenClass::logicalAnd || n.opClass == TokenClass::logicalOr)
        return ValueType::untyped(1);
      if (n.opClass == TokenClass::comma) return valueTypeOf(n.b);
      return valueTypeOf(n.a);
    case NodeKind::increment:
    case NodeKind::assign:
      return valueTypeOf(n.a);
    case NodeKind::bit:
      return ValueType::untyped(1);
    default:
      return ValueType::untyped(2);
  }
}

// The nodes that are not leaves, and the register pairs and indirect forms.
std::uint8_t Parser::registersReadOther(const Node& n) const {
  switch (n.kind) {
    case NodeKind::register16:
      return pairBits(n.value);
    case NodeKind::indirect:
      if (n.mode == MemoryMode::atDE) return pairBits(2);
      if (n.mode == MemoryMode::pcPlusA) return 1;
      return static_cast<std::uint8_t>(pairBits(3) | (n.mode == MemoryMode::hlPlusC ? 4 : 0));
    default:
      break;
  }
  // Most nodes have fewer than three operands: the missing ones are not visited.
  std::uint8_t bits = 0;
  for (int operand : {n.a, n.b, n.c}) {
    if (operand >= 0) bits |= registersRead(operand);
  }
  if (n.kind == NodeKind::call || n.kind == NodeKind::instruction) {
    for (int argument = n.first; argument >= 0; argument = nodes_[argument].next)
      bits |= registersRead(argument);
  }
  return bits;
}

bool Parser::convert(const ValueType& target, const ValueType& value, ConversionUse use) {
  bool failed = false;
  for (Message message : conversionMessages(target, value, use)) {
    if (isError(message)) {
      diagnostics_.reportError(message);
      failed = true;
    } else {
      diagnostics_.reportWarning(message);
    }
  }
  return !failed;
}

bool Parser::convert(const ValueType& target, int valueAt, ConversionUse use) {
  return convert(target, valueTypeOf(valueAt), use);
}

// (type) operand: the operand itself, its low byte when the cast narrows it.
std::optional<Operand> Parser::castOperand(int at, OperandUse use) {
  const Node& n = nodes_[at];
  const Node& operandNode = nodes_[n.a];
  const Type& to = nodes_.type(n.value);
  if (operandNode.kind == NodeKind::bit) {
    diagnostics_.reportError(Message::bitFieldCantBeCast, operandNode.text);
    return std::nullopt;
  }
  std::uint32_t size = sizeOf(to);
  if (!castableType(to)) {
    diagnostics_.reportError(Message::invalidCastType);
    return std::nullopt;
  }
  ValueType from = valueTypeOf(n.a);
  bool pointerAndInteger = from.known && !from.constant &&
                           (isDataPointer(to) || isCodeAddress(to)) !=
                               (isDataPointer(from.type()) || isCodeAddress(from.type()));
  if (operandNode.kind == NodeKind::string || operandNode.kind == NodeKind::condition ||
      (from.known && from.type().isAggregate()) || (pointerAndInteger && from.size != size)) {
    diagnostics_.reportError(Message::illegalCast, operandNode.text);
    return std::nullopt;
  }
  if (!convert(ValueType::of(to), from, ConversionUse::cast)) return std::nullopt;
  std::optional<Operand> operand = operandOf(n.a, use);
  if (!operand || size == 2 || !operand->word) return operand;
  std::optional<Operand> low = lowByte(*operand);
  if (!low) diagnostics_.reportError(Message::illegalCast, operandNode.text);
  return low;
}

void Parser::warnWorkingRegister(const Operand& reg, std::string_view why) {
  if (reg.kind == OperandKind::register16) {
    warnRegister(reg.number == 0 ? Message::registerWAUsed : Message::registerHLUsed, why);
    return;
  }
  for (const WorkingRegister& working : kWorkingRegisters) {
    if (working.number == reg.number) warnRegister(working.message, why);
  }
}

// A value stored into a place of another size: the low byte of a word, or a byte with a
// zero high byte. Either may have no form for these operands.
void Parser::loadConverted(const Operand& target, const Operand& value, std::string_view why) {
  bool sized = (target.kind == OperandKind::register8 || target.kind == OperandKind::register16 ||
                target.isMemory()) &&
               (value.kind == OperandKind::register8 || value.kind == OperandKind::register16 ||
                value.isMemory());
  if (addressIntoByte(target, value)) {
    diagnostics_.reportError(Message::truncationNotAllowed, why);
    return;
  }
  if (!sized || target.word == value.word) {
    load(target, value, why);
    return;
  }
  if (!target.word) {
    std::optional<Operand> low = lowByte(value);
    if (!low) {
      diagnostics_.reportError(Message::truncationNotAllowed, why);
      return;
    }
    load(target, *low, why);
    return;
  }
  std::optional<Operand> low = lowByte(target);
  std::optional<Operand> high = highByte(target);
  if (!low || !high) {
    diagnostics_.reportError(Message::expansionNotAllowed, why);
    return;
  }
  if (low->text != value.text) load(*low, value, why);
  load(*high, immediateOperand(0), why);
}

}  // namespace kz::clike
