// Instructions for expression statements and conditions: operands resolved to their
// assembler text, each operation checked against the processor's forms, working registers
// taken (and reported) only where the named operands have no instruction.
#include <cstdio>

#include "clike/mnemonics.h"
#include "clike/parser.h"
#include "common/short_text.h"

namespace kz::clike {
namespace {

std::string_view conditionText(std::int32_t value) {
  static constexpr std::string_view kNames[] = {"t",  "f",  "z",  "eq", "nz", "ne", "cs",
                                                "lt", "cc", "ge", "le", "gt", "non"};
  return kNames[value < 0 || value > 12 ? 12 : value];
}

// T F Z EQ NZ NE CS LT CC GE LE GT: each condition and its opposite.
std::int32_t inverse(std::int32_t condition) {
  static constexpr std::int32_t kInverse[] = {1, 0, 4, 5, 2, 3, 8, 9, 6, 7, 11, 10, 12};
  return kInverse[condition < 0 || condition > 12 ? 12 : condition];
}

constexpr std::int32_t kZ = 2, kNZ = 4, kEQ = 3, kNE = 5, kLT = 7, kGE = 9, kLE = 10, kGT = 11;
constexpr std::int32_t kNon = 12;

Operand conditionOperand(std::int32_t condition) {
  Operand operand;
  operand.kind = OperandKind::condition;
  operand.value = condition;
  operand.text = conditionText(condition);
  return operand;
}

Operand labelOperand(std::string_view label) { return symbolicImmediate(label); }

bool sameRegister(const Operand& a, const Operand& b) {
  if (a.kind == OperandKind::register8 && b.kind == OperandKind::register8)
    return a.number == b.number;
  if (a.kind == OperandKind::register16 && b.kind == OperandKind::register16)
    return a.number == b.number;
  return false;
}

// Whether operand `a` reads or writes part of register operand `r`.
bool overlaps(const Operand& a, const Operand& r) {
  auto pairOf = [](const Operand& o) {
    return o.kind == OperandKind::register8 ? o.number / 2 : o.number;
  };
  bool aReg = a.kind == OperandKind::register8 || a.kind == OperandKind::register16;
  bool rReg = r.kind == OperandKind::register8 || r.kind == OperandKind::register16;
  if (aReg && rReg) {
    if (a.kind == r.kind) return a.number == r.number;
    return pairOf(a) == pairOf(r);
  }
  if (rReg && (a.isMemory() || a.kind == OperandKind::bit)) {
    int pair = pairOf(r);
    if (pair == 3 && a.usesHL()) return true;
    if (pair == 2 && a.mode == MemoryMode::atDE) return true;
    if (a.mode == MemoryMode::hlPlusC && pair == 1 &&
        (r.kind == OperandKind::register16 || r.number == 2))
      return true;
    if (a.mode == MemoryMode::pcPlusA && pair == 0 &&
        (r.kind == OperandKind::register16 || r.number == 0))
      return true;
  }
  return false;
}

// An auto-increment or auto-decrement form may not meet another use of HL in one
// instruction: which comes first is not defined.
bool indexModesConflict(const Operand& first, const Operand& second) {
  auto stepping = [](const Operand& o) {
    return (o.isMemory() || (o.kind == OperandKind::bit && o.bitInMemory)) &&
           (o.mode == MemoryMode::hlIncrement || o.mode == MemoryMode::hlDecrement);
  };
  return (stepping(first) && second.usesHL()) || (stepping(second) && first.usesHL());
}

bool isPointerValue(const ValueType& value) { return value.known && value.type().isPointer(); }

bool isPlaceNode(NodeKind kind) {
  switch (kind) {
    case NodeKind::name:
    case NodeKind::index:
    case NodeKind::member:
    case NodeKind::unary:
    case NodeKind::indirect:
    case NodeKind::register8:
    case NodeKind::register16:
    case NodeKind::special:
    case NodeKind::bit:
      return true;
    default:
      return false;
  }
}

}  // namespace

void Parser::warnRegister(Message message, std::string_view why) {
  diagnostics_.reportWarning(message, why);
}

void Parser::emit(std::string_view mnemonic, const Operand& first, const Operand& second) {
  if (indexModesConflict(first, second)) {
    diagnostics_.reportError(Message::indexModeConflict, mnemonic);
    return;
  }
  if (isText(mnemonic, "cmp") || isText(mnemonic, "test")) flagsChanged_ = true;
  emitter_.instruction(mnemonic, first, second);
}

bool Parser::emitChecked(std::string_view mnemonic, const Operand& first, const Operand& second,
                         std::string_view why) {
  if (hasForm(mnemonic, first, second)) {
    emit(mnemonic, first, second);
    return true;
  }
  diagnostics_.reportError(Message::unexecutableOperation, why);
  return false;
}

// The operand a node stands for; nullopt after an error was reported. `setup` work (a
// near address loaded into HL) is written at once.
std::optional<Operand> Parser::operandOfOther(int at, OperandUse use) {
  const Node& n = nodes_[at];
  std::int32_t value = 0;
  if (foldConstant(nodes_, at, value)) return immediateOperand(value);
  switch (n.kind) {
    case NodeKind::special: {
      Operand operand;
      operand.word = true;
      if (n.value == 136)
        operand.kind = OperandKind::stackPointer, operand.text = "sp";
      else if (n.value == 132)
        operand.kind = OperandKind::statusWord, operand.text = "psw";
      else if (n.value == 134)
        operand.kind = OperandKind::bankSelector, operand.text = "rbs";
      else {
        diagnostics_.reportError(Message::registerInExpression, n.text);
        return std::nullopt;
      }
      return operand;
    }
    case NodeKind::indirect: {
      std::string text;
      switch (n.mode) {
        case MemoryMode::atHL:
          text = "(hl)";
          break;
        case MemoryMode::atDE:
          text = "(de)";
          break;
        case MemoryMode::hlIncrement:
          text = "(hl+)";
          break;
        case MemoryMode::hlDecrement:
          text = "(-hl)";
          break;
        case MemoryMode::hlPlusC:
          text = "(hl+c)";
          break;
        case MemoryMode::pcPlusA:
          text = "(pc+a)";
          break;
        default:
          return displacementOperand(n.displacement, n.word);
      }
      return memoryOperand(n.mode, text, n.word);
    }
    case NodeKind::string:
      diagnostics_.reportError(Message::illegalStringConstant);
      return std::nullopt;
    case NodeKind::condition:
      diagnostics_.reportError(Message::conditionCodeNotAllowed, n.text);
      return std::nullopt;
    case NodeKind::address:
      return addressOf(n.a);
    case NodeKind::bit: {
      std::optional<Operand> byte = operandOf(n.a, use);
      if (!byte) return std::nullopt;
      const Node& number = nodes_[n.b];
      Operand bit;
      bit.kind = OperandKind::bit;
      if (byte->kind == OperandKind::register8) {
        bit.number = byte->number;
      } else if (byte->isMemory() && !byte->word) {
        bit.bitInMemory = true;
        bit.mode = byte->mode;
      } else {
        diagnostics_.reportError(Message::bitOperandIncorrect, byte->text);
        return std::nullopt;
      }
      if (number.kind == NodeKind::register8) {
        if (!byte->isMemory() ||
            (byte->mode != MemoryMode::atDE && byte->mode != MemoryMode::atHL)) {
          diagnostics_.reportError(Message::bitOperandIncorrect, byte->text);
          return std::nullopt;
        }
        bit.bitRegister = true;
        bit.bitNumber = number.value;
        bit.text = byte->text;
        bit.text += ".";
        bit.text += register8Name(number.value);
      } else {
        if (number.value < 0 || number.value > 7) {
          diagnostics_.reportError(Message::invalidBitPosition, std::to_string(number.value));
          return std::nullopt;
        }
        bit.bitNumber = number.value;
        bit.text = byte->text;
        bit.text += ".";
        bit.text += std::to_string(number.value);
      }
      return bit;
    }
    case NodeKind::unary:
      if (n.opClass == TokenClass::star) {
        std::int32_t address = 0;
        if (foldConstant(nodes_, n.a, address)) {
          if (address < 0 || address > 0xFF) {
            diagnostics_.reportError(Message::unexecutableOperation, std::to_string(address));
            return std::nullopt;
          }
          return memoryOperand(MemoryMode::direct, "(" + std::to_string(address) + ")", false);
        }
        return dynamicOperand(at, use);
      }
      break;
    case NodeKind::name:
    case NodeKind::index:
    case NodeKind::member:
      if (isFixedPlace(at)) return objectOperand(at, use);
      return dynamicOperand(at, use);
    case NodeKind::cast:
      return castOperand(at, use);
    default:
      break;
  }
  diagnostics_.reportError(Message::operationTooComplex, n.text);
  return std::nullopt;
}

// A named object, an element or a member: its address is a name and an offset.
bool Parser::objectAddress(int at, SymbolEntry*& symbol, std::int32_t& offset, const Type*& type) {
  const Node& n = nodes_[at];
  if (n.kind == NodeKind::name) {
    symbol = n.symbol;
    offset = 0;
    if (symbol->kind == SymbolKind::structTag || symbol->kind == SymbolKind::unionTag) {
      diagnostics_.reportError(Message::referenceToTag, symbol->name);
      return false;
    }
    type = &symbol->type;
    useSymbol(*symbol);
    return true;
  }
  if (n.kind == NodeKind::index) {
    if (!objectAddress(n.a, symbol, offset, type)) return false;
    if (!type->isArray()) {
      diagnostics_.reportError(Message::suffixedNonArray, symbol->name);
      return false;
    }
    std::int32_t index = 0;
    if (!foldConstant(nodes_, n.b, index)) {
      diagnostics_.reportError(Message::illegalIndexMode, symbol->name);
      return false;
    }
    type = &nodes_.keep(type->inner());
    offset += index * static_cast<std::int32_t>(sizeOf(*type));
    return true;
  }
  if (n.kind == NodeKind::member) {
    if (!objectAddress(n.a, symbol, offset, type)) return false;
    if (n.value == 1 || !type->isAggregate() || !type->aggregate) {
      diagnostics_.reportError(Message::memberOfNonStruct, symbol->name);
      return false;
    }
    const Member* member = type->aggregate->find(n.symbol);
    if (!member) {
      diagnostics_.reportError(Message::notStructMember, n.symbol->name);
      return false;
    }
    offset += static_cast<std::int32_t>(member->offset);
    type = &member->type;
    return true;
  }
  diagnostics_.reportError(Message::operandHasNoAddress, n.text);
  return false;
}

std::optional<Operand> Parser::addressOf(int at) {
  SymbolEntry* symbol = nullptr;
  std::int32_t offset = 0;
  const Type* type = nullptr;
  const Node& n = nodes_[at];
  if (n.kind == NodeKind::register8 || n.kind == NodeKind::register16 || n.kind == NodeKind::bit ||
      n.kind == NodeKind::special) {
    diagnostics_.reportError(Message::invalidAmpersand, n.text);
    return std::nullopt;
  }
  if (!isFixedPlace(at) && (n.kind == NodeKind::index || n.kind == NodeKind::member ||
                            (n.kind == NodeKind::unary && n.opClass == TokenClass::star)))
    return dynamicAddress(at, {});
  if (!objectAddress(at, symbol, offset, type)) return std::nullopt;
  return symbolicImmediate(addressText(symbol->name, offset));
}

std::optional<Operand> Parser::objectOperand(int at, OperandUse use) {
  SymbolEntry* symbol = nullptr;
  std::int32_t offset = 0;
  const Type* type = nullptr;
  if (!objectAddress(at, symbol, offset, type)) return std::nullopt;
  OperandText name = addressText(symbol->name, offset);
  // Functions, arrays and entries stand for their address.
  if (type->isFunction() || type->isArray() ||
      (symbol->area == Area::code && type->base == BaseType::entryType))
    return symbolicImmediate(name);
  if (type->isAggregate() || sizeOf(*type) > 2) {
    diagnostics_.reportError(Message::nonOperatableOperand, symbol->name);
    return std::nullopt;
  }
  bool word = sizeOf(*type) == 2;
  if (symbol->attribute == SizeAttribute::tiny) {
    OperandText direct = "(";
    direct += name;
    direct += ")";
    return memoryOperand(MemoryMode::direct, direct, word);
  }
  // A near object is reached through HL.
  if (use.hlBusy || (use.busy & 0xC0) != 0) {
    diagnostics_.reportError(Message::registerConflict, symbol->name);
    return std::nullopt;
  }
  emit("ld", register16Operand(3), symbolicImmediate(name));
  warnRegister(Message::registerHLUsed, symbol->name);
  return memoryOperand(MemoryMode::atHL, "(hl)", word);
}

void Parser::useSymbol(SymbolEntry& symbol) {
  if (!symbol.used && symbol.kind == SymbolKind::external) externals_.push_back(&symbol);
  symbol.used = true;
}

// A statement made of an expression.
void Parser::generateStatement(int at) {
  const Node& n = nodes_[at];
  switch (n.kind) {
    case NodeKind::assign:
      generateAssignment(at);
      return;
    case NodeKind::increment: {
      ValueType type;
      if (!writablePlace(n.a, n.text, type)) return;
      std::optional<Operand> target = operandOf(n.a, {});
      if (!target) return;
      std::string_view mnemonic = mnemonicOf(n.op);
      // A pointer steps by the size of what it points to.
      std::int32_t step =
          isPointerValue(type) ? static_cast<std::int32_t>(sizeOf(type.type().inner())) : 1;
      if (step != 1) {
        applyOperation(isText(mnemonic, "inc") ? "add" : "sub", *target, immediateOperand(step),
                       n.text);
        return;
      }
      emitChecked(mnemonic, *target, Operand{}, n.text);
      return;
    }
    case NodeKind::call:
      generateCall(at);
      return;
    case NodeKind::instruction:
      generateInstruction(at);
      return;
    case NodeKind::binary:
      if (n.opClass == TokenClass::comma) {
        generateStatement(n.a);
        generateStatement(n.b);
        return;
      }
      break;
    default:
      break;
  }
  diagnostics_.reportError(Message::illegalExpression, n.text);
}

// return v: the value into A (a byte result) or WA, converted to the result's type.
void Parser::generateReturnValue(int at, const Type& result) {
  Operand target = sizeOf(result) == 1 ? register8Operand(0) : register16Operand(0);
  if (!plainOperand(at, "return")) return;
  std::optional<Operand> value = operandOf(at, {});
  if (!value) return;
  if (addressIntoByte(target, *value)) {
    diagnostics_.reportError(Message::truncationNotAllowed, "return");
    return;
  }
  if (!convert(ValueType::of(result), at, ConversionUse::assignment)) return;
  if (value->text != target.text) loadConverted(target, *value, "return");
}

// Writes `target op= value` with the operation's instruction, through A when the named
// operands have no form of their own and A is free.
void Parser::applyOperation(std::string_view mnemonic, const Operand& target, const Operand& value,
                            std::string_view why) {
  if (hasForm(mnemonic, target, value)) {
    emit(mnemonic, target, value);
    return;
  }
  Operand a = register8Operand(0);
  bool aFree = !overlaps(target, a) && !overlaps(value, a) && !target.word && !value.word;
  if (aFree && hasForm("ld", a, target) && hasForm(mnemonic, a, value) &&
      hasForm("ld", target, a)) {
    warnRegister(Message::registerAUsed, why);
    emit("ld", a, target);
    emit(mnemonic, a, value);
    emit("ld", target, a);
    return;
  }
  diagnostics_.reportError(Message::unexecutableOperation, why);
}

// A load without a form of its own goes through the first working register that the
// statement leaves free: A, W, C, B, L, H for bytes, WA for words.
void Parser::load(const Operand& target, const Operand& value, std::string_view why,
                  std::uint8_t busy) {
  if (hasForm("ld", target, value)) {
    emit("ld", target, value);
    return;
  }
  if (target.kind == OperandKind::memory && target.word && value.kind == OperandKind::immediate &&
      hasForm("ldw", target, value)) {
    emit("ldw", target, value);
    return;
  }
  auto through = [&](const Operand& work, std::uint8_t bits) {
    if ((busy & bits) != 0 || overlaps(target, work) || overlaps(value, work) ||
        !hasForm("ld", work, value) || !hasForm("ld", target, work))
      return false;
    warnWorkingRegister(work, why);
    emit("ld", work, value);
    emit("ld", target, work);
    return true;
  };
  if (target.word || value.word) {
    if (target.word == value.word && through(register16Operand(0), 0x03)) return;
  } else {
    for (const WorkingRegister& working : kWorkingRegisters) {
      if (through(register8Operand(working.number),
                  static_cast<std::uint8_t>(1u << working.number)))
        return;
    }
  }
  diagnostics_.reportError(Message::unexecutableOperation, why);
}

// Whether an assignment may write the node: 242 for a cast, 264 for what names no place,
// 263 for what cannot be written. `type` is the place's value type (valueTypeOf).
bool Parser::writablePlace(int at, std::string_view why, ValueType& type) {
  const Node& n = nodes_[at];
  std::int32_t ignored = 0;
  if (n.kind == NodeKind::cast) {
    diagnostics_.reportError(Message::leftSideCantBeCast, why);
    return false;
  }
  if (foldConstant(nodes_, at, ignored) || !isPlaceNode(n.kind) ||
      (n.kind == NodeKind::unary && n.opClass != TokenClass::star)) {
    diagnostics_.reportError(Message::leftValueRequired, why);
    return false;
  }
  if (n.kind == NodeKind::bit || n.kind == NodeKind::indirect || n.kind == NodeKind::register8 ||
      n.kind == NodeKind::register16 || n.kind == NodeKind::special) {
    type = valueTypeOf(at);
    return true;
  }
  // A named object, an element, a member or what a pointer points to: its value is the
  // object's, arrays and functions taken as their address.
  ValueType object = objectTypeOf(at);
  type = decayedValue(object);
  if (n.kind == NodeKind::name && n.symbol->kind == SymbolKind::none) return true;
  const Type& t = object.type();
  if (object.known && (t.isFunction() || t.isArray() || t.isConst ||
                       (n.kind == NodeKind::name && n.symbol->area == Area::code))) {
    diagnostics_.reportError(Message::nonWritableOperand,
                             n.kind == NodeKind::name ? n.symbol->name : why);
    return false;
  }
  return true;
}

void Parser::generateAssignment(int at) {
  const Node& n = nodes_[at];
  const Node& targetNode = nodes_[n.a];
  if (targetNode.kind == NodeKind::bit) {
    generateBitAssignment(at);
    return;
  }
  ValueType targetType;
  if (!writablePlace(n.a, n.text, targetType)) return;
  const Node& valueNode = nodes_[n.b];
  ValueType valueType = valueTypeOf(n.b);
  std::int32_t address = 0;
  // A byte at a constant address takes a 16-bit value as a word.
  bool assumedInt = targetNode.kind == NodeKind::unary &&
                    foldConstant(nodes_, targetNode.a, address) && valueType.size == 2 &&
                    !valueType.constant && n.op == 39;
  if (assumedInt) {
    diagnostics_.reportWarning(Message::leftSideAssumedInt, n.text);
    targetType = ValueType::untyped(2);
  }
  // Aggregates of different types meet no operand at all.
  if ((targetType.type().isAggregate() || valueType.type().isAggregate()) &&
      !convert(targetType, valueType, ConversionUse::assignment))
    return;
  std::uint8_t valueReads = registersRead(n.b);
  std::optional<Operand> target = operandOf(n.a, OperandUse{false, valueReads});
  if (!target) return;
  if (target->kind == OperandKind::immediate) {
    diagnostics_.reportError(Message::nonWritableOperand, targetNode.text);
    return;
  }
  if (assumedInt) target->word = true;
  // A register is written after the value is read: the value may take HL on the way.
  bool writtenLast = n.op == 39 && (target->kind == OperandKind::register8 ||
                                    target->kind == OperandKind::register16);
  // Work for the value may not go over what the target still needs.
  OperandUse use{target->usesHL() && !writtenLast,
                 writtenLast ? std::uint8_t{0} : registersRead(n.a)};
  if (n.op != 39) {  // compound assignment
    std::string_view mnemonic = mnemonicOf(n.op);
    if (isText(mnemonic, "shlc") || isText(mnemonic, "shrc")) {
      generateShift(*target, n.b, mnemonic, n.text);
      return;
    }
    if (!isPointerValue(targetType) && !convert(targetType, n.b, ConversionUse::operation)) return;
    std::optional<Operand> value = stepOf(targetType, n.b, mnemonic, use);
    if (!value) return;
    applyOperation(mnemonic, *target, *value, n.text);
    return;
  }
  if (valueNode.kind == NodeKind::call) {
    if (!convert(targetType, valueType, ConversionUse::assignment)) return;
    generateCall(n.b);
    Operand result = valueType.size == 2 ? register16Operand(0) : register8Operand(0);
    if (!sameRegister(*target, result)) loadConverted(*target, result, "=");
    return;
  }
  std::int32_t constant = 0;
  if (valueNode.kind == NodeKind::binary && !foldConstant(nodes_, n.b, constant)) {
    generateBinaryAssignment(*target, targetType, n.b);
    return;
  }
  std::optional<Operand> value = operandOf(n.b, use);
  if (!value) return;
  if (addressIntoByte(*target, *value)) {
    diagnostics_.reportError(Message::truncationNotAllowed, n.text);
    return;
  }
  if (!convert(targetType, valueType, ConversionUse::assignment)) return;
  // An address formed in HL for HL itself is there already.
  if (valueNode.kind == NodeKind::address && sameRegister(*target, *value)) return;
  loadConverted(*target, *value, n.text);
}

// The second operand of `add`/`sub` on a pointer counts elements: a constant is scaled by
// the element's size; anything else only steps a pointer to bytes. A pointer takes no
// other operation (244).
std::optional<Operand> Parser::stepOf(const ValueType& target, int valueAt,
                                      std::string_view mnemonic, OperandUse use) {
  ValueType value = valueTypeOf(valueAt);
  bool targetPointer = target.known && target.type().isPointer();
  bool valuePointer = value.known && value.type().isPointer();
  if (!targetPointer && !valuePointer) return operandOf(valueAt, use);
  bool additive = isText(mnemonic, "add") || isText(mnemonic, "sub");
  std::int32_t element =
      targetPointer ? static_cast<std::int32_t>(sizeOf(target.type().inner())) : 1;
  if (!additive || valuePointer || !targetPointer || (element != 1 && !value.constant)) {
    diagnostics_.reportError(Message::invalidAddressCalculation, mnemonic);
    return std::nullopt;
  }
  if (value.constant) return immediateOperand(value.value * element);
  return operandOf(valueAt, use);
}

// target = x op y: target takes x, then the operation with y.
void Parser::generateBinaryAssignment(const Operand& target, const ValueType& targetType, int at) {
  const Node& n = nodes_[at];
  std::string_view op = n.text;
  if (op == "*" || op == "/" || op == "%") {
    std::optional<Operand> x = operandOf(n.a, {});
    std::optional<Operand> y = operandOf(n.b, {});
    if (!x || !y) return;
    if (op == "*") {
      // W*A, B*C, D*E, H*L give their register pair.
      bool pair = target.kind == OperandKind::register16 && x->kind == OperandKind::register8 &&
                  x->number / 2 == target.number && hasForm("mul", *x, *y);
      if (pair) {
        emit("mul", *x, *y);
        return;
      }
    } else if (sameRegister(target, *x) && hasForm("div", *x, *y)) {
      emit("div", *x, *y);
      return;
    }
    diagnostics_.reportError(Message::unexecutableOperation, op);
    return;
  }
  if (n.opClass == TokenClass::shift) {
    if (!convert(targetType, n.a, ConversionUse::assignment)) return;
    std::optional<Operand> x = operandOf(n.a, {});
    if (!x) return;
    if (!sameRegister(target, *x)) loadConverted(target, *x, "=");
    generateShift(target, n.b, mnemonicOf(n.op), op);
    return;
  }
  std::string_view mnemonic = mnemonicOf(n.op);
  bool arithmetic = n.opClass == TokenClass::plus || n.opClass == TokenClass::minus ||
                    n.opClass == TokenClass::ampersand || n.opClass == TokenClass::bar ||
                    n.opClass == TokenClass::caret;
  if (!arithmetic) {
    diagnostics_.reportError(Message::operationTooComplex, op);
    return;
  }
  ValueType xType = valueTypeOf(n.a);
  // The sum takes the type of the pointer in it.
  ValueType resultType = targetType.known ? targetType : xType;
  if (!convert(targetType, xType, ConversionUse::assignment)) return;
  if (!isPointerValue(resultType) && !convert(resultType, n.b, ConversionUse::operation)) return;
  OperandUse use{target.usesHL(), registersRead(n.b)};
  std::optional<Operand> x = operandOf(n.a, use);
  if (!x) return;
  std::optional<Operand> y = stepOf(xType.known ? xType : resultType, n.b, mnemonic,
                                    OperandUse{use.hlBusy || x->usesHL(), registersRead(n.a)});
  if (!y) return;
  if (!sameRegister(target, *x)) {
    // Loading the target first must not destroy the second operand.
    if (overlaps(*y, target) || sameRegister(*y, target)) {
      diagnostics_.reportError(Message::orderNotKept, op);
      return;
    }
    loadConverted(target, *x, op);
  }
  applyOperation(mnemonic, target, *y, op);
}

void Parser::generateShift(const Operand& target, int countNode, std::string_view mnemonic,
                           std::string_view why) {
  std::int32_t count = 0;
  if (!foldConstant(nodes_, countNode, count) || count < 1 || count > 7) {
    diagnostics_.reportError(Message::shiftCountInvalid, why);
    return;
  }
  if (!hasForm(mnemonic, target)) {
    diagnostics_.reportError(Message::unexecutableOperation, why);
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) emitter_.instruction(mnemonic, target);
}

// bit = 0 / 1 / bit, bit ^= 1.
void Parser::generateBitAssignment(int at) {
  const Node& n = nodes_[at];
  std::optional<Operand> bit = operandOf(n.a, {});
  if (!bit) return;
  std::int32_t value = 0;
  bool constant = foldConstant(nodes_, n.b, value);
  if (n.op == 39 && constant && (value == 0 || value == 1)) {
    emitChecked(value ? "set" : "clr", *bit, Operand{}, n.text);
    return;
  }
  if (n.op == 23 && constant && value == 1) {
    emitChecked("cpl", *bit, Operand{}, n.text);
    return;
  }
  if (n.op == 39 && nodes_[n.b].kind == NodeKind::bit) {
    std::optional<Operand> source = operandOf(n.b, {});
    if (!source) return;
    Operand carry;
    carry.kind = OperandKind::carry;
    carry.text = "cf";
    if (!hasForm("ld", carry, *source) || !hasForm("ld", *bit, carry)) {
      diagnostics_.reportError(Message::bitOperandIncorrect, n.text);
      return;
    }
    warnRegister(Message::flagCFUsed, n.text);
    emit("ld", carry, *source);
    emit("ld", *bit, carry);
    return;
  }
  diagnostics_.reportError(Message::illegalBitOperation, n.text);
}

// Jumps to `label` when the condition is `jumpWhen`.
void Parser::conditionJump(int at, const std::string& label, bool jumpWhen) {
  Nesting guard(*this);
  if (conditionDepth_ == 0) flagsChanged_ = false;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{++conditionDepth_};
  const Node& n = nodes_[at];
  std::int32_t value = 0;
  if (foldConstant(nodes_, at, value)) {
    if ((value != 0) == jumpWhen) emitter_.instruction("j", labelOperand(label));
    return;
  }
  auto jump = [&](std::int32_t condition) {
    if (!jumpWhen) condition = inverse(condition);
    emitter_.instruction("j", conditionOperand(condition), labelOperand(label));
  };
  switch (n.kind) {
    case NodeKind::condition:
      if (n.value == kNon) {
        diagnostics_.reportError(Message::invalidConditionalExpression, n.text);
        return;
      }
      // The program's flags are gone once this condition has compared anything itself.
      if (flagsChanged_) {
        diagnostics_.reportError(Message::flagNotKept, n.text);
        return;
      }
      jump(n.value);
      return;
    case NodeKind::unary:
      if (isText(n.text, "!")) {
        conditionJump(n.a, label, !jumpWhen);
        return;
      }
      break;
    case NodeKind::bit: {
      std::optional<Operand> bit = operandOf(at, {});
      if (!bit) return;
      if (!emitChecked("test", *bit, Operand{}, n.text)) return;
      jump(kNZ);  // test leaves Z set when the bit is clear
      return;
    }
    case NodeKind::binary:
      if (n.opClass == TokenClass::logicalAnd || n.opClass == TokenClass::logicalOr) {
        bool isAnd = n.opClass == TokenClass::logicalAnd;
        if (isAnd != jumpWhen) {
          conditionJump(n.a, label, jumpWhen);
          conditionJump(n.b, label, jumpWhen);
        } else {
          std::string skip = emitter_.newLabel();
          conditionJump(n.a, skip, !jumpWhen);
          conditionJump(n.b, label, jumpWhen);
          emitter_.label(skip);
        }
        return;
      }
      if (n.opClass == TokenClass::relational || n.opClass == TokenClass::equality) {
        comparison(n, jump);
        return;
      }
      break;
    case NodeKind::register8:
    case NodeKind::register16:
    case NodeKind::indirect:
    case NodeKind::name:
    case NodeKind::index:
    case NodeKind::member: {
      std::optional<Operand> x = operandOf(at, {});
      if (!x) return;
      if (!emitChecked("cmp", *x, immediateOperand(0), "cmp")) return;
      jump(kNE);
      return;
    }
    default:
      break;
  }
  diagnostics_.reportError(Message::invalidConditionalExpression, n.text);
}

template <typename Jump>
void Parser::comparison(const Node& n, Jump jump) {
  std::string_view op = n.text;
  std::int32_t condition = isText(op, "==")   ? kEQ
                           : isText(op, "!=") ? kNE
                           : isText(op, "<")  ? kLT
                           : isText(op, "<=") ? kLE
                           : isText(op, ">")  ? kGT
                                              : kGE;
  ValueType xType = valueTypeOf(n.a), yType = valueTypeOf(n.b);
  // The conditions after cmp compare without sign.
  auto signedValue = [](const ValueType& v) {
    return v.known && !v.constant && isInteger(v.type()) && !isUnsigned(v.type());
  };
  if (n.opClass == TokenClass::relational && (signedValue(xType) || signedValue(yType))) {
    diagnostics_.reportError(Message::illegalComparison, op);
    return;
  }
  bool constantLeft = xType.constant;
  if (!convert(constantLeft ? yType : xType, constantLeft ? xType : yType,
               ConversionUse::operation))
    return;
  std::uint8_t rightReads = registersRead(n.b);
  std::optional<Operand> x = operandOf(n.a, OperandUse{false, rightReads});
  if (!x) return;
  std::optional<Operand> y = operandOf(n.b, OperandUse{x->usesHL(), registersRead(n.a)});
  if (!y) return;
  if (hasForm("cmp", *x, *y)) {
    emit("cmp", *x, *y);
    jump(condition);
    return;
  }
  // The operands the other way round, with the condition turned round.
  static constexpr std::int32_t kSwapped[] = {0, 1, 2, 3, 4, 5, 6, kGT, 8, kLE, kGE, kLT, 12};
  if (hasForm("cmp", *y, *x)) {
    emit("cmp", *y, *x);
    jump(kSwapped[condition]);
    return;
  }
  Operand a = register8Operand(0);
  if (!x->word && !y->word && (rightReads & 1) == 0 && !overlaps(*x, a) && !overlaps(*y, a) &&
      hasForm("ld", a, *x) && hasForm("cmp", a, *y)) {
    warnRegister(Message::registerAUsed, op);
    emit("ld", a, *x);
    emit("cmp", a, *y);
    jump(condition);
    return;
  }
  diagnostics_.reportError(Message::illegalComparison, op);
}

}  // namespace kz::clike
