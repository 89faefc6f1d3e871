// Expressions lowered to instruction lines: each node's value lands in an operand, usually a
// fresh temporary declared just before the line that sets it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "cfront/emitter.h"
#include "cfront/expression_facts.h"

namespace kz::cfront {
namespace {

std::string floating(const char* format, long double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

bool isPointer(TypeRef type) { return type && type->kind == TypeKind::pointer; }

bool isBitField(const Expr* place) {
  return place && place->member() && place->member()->isBitField;
}

long long fieldMask(const Member& field) {
  return field.bitWidth >= 32 ? 0xFFFFFFFFLL : (1LL << field.bitWidth) - 1;
}

// The value a field holds when its bits are `bits`: sign-extended for a signed field.
long long fieldValue(const Member& field, long long bits) {
  bool negative =
      !isUnsigned(field.type) && field.bitWidth < 64 && (bits >> (field.bitWidth - 1)) & 1;
  return negative ? bits - (1LL << field.bitWidth) : bits;
}

std::uint32_t pointeeSize(TypeRef pointer) {
  std::uint32_t size = pointer && pointer->target ? sizeOf(pointer->target) : 1;
  return size == 0 ? 1 : size;
}

}  // namespace

void Operand::assign(std::string_view spelled) {
  length_ = static_cast<std::uint8_t>(std::min(spelled.size(), kCapacity));
  std::memcpy(buffer_, spelled.data(), length_);
}

Operand::Operand(char letter, std::uint32_t number, TypeRef typed) : type(typed) {
  buffer_[0] = letter;
  length_ = static_cast<std::uint8_t>(decimalDigitsFrom(buffer_ + 1, number) - buffer_);
}

Operand::Operand(char letter, std::string_view digits, TypeRef typed) : type(typed) {
  buffer_[0] = letter;
  std::memcpy(buffer_ + 1, digits.data(), std::min(digits.size(), kCapacity - 1));
  length_ = static_cast<std::uint8_t>(1 + std::min(digits.size(), kCapacity - 1));
}

void Operand::assignNumber(std::size_t at, long long number) {
  auto magnitude = static_cast<std::uint64_t>(number);
  if (number < 0) {
    buffer_[at++] = '-';
    magnitude = 0 - magnitude;
  }
  length_ = static_cast<std::uint8_t>(decimalDigitsFrom(buffer_ + at, magnitude) - buffer_);
}

Operand Operand::pointee(TypeRef typed) const {
  Operand result;
  result.type = typed;
  result.buffer_[0] = '*';
  result.length_ = static_cast<std::uint8_t>(std::min<std::size_t>(length_ + 1, kCapacity));
  std::memcpy(result.buffer_ + 1, buffer_, result.length_ - 1u);
  return result;
}

void Emitter::instruction(std::string_view op, const Operand& a, const Operand& b,
                          const Operand& r) {
  char* at = text_.room(op.size() + 3 * (Operand::kCapacity + 1));
  at = copyShort(at, op);
  *at++ = ',';
  at = a.writeTo(at);
  *at++ = ',';
  at = b.writeTo(at);
  *at++ = ',';
  at = r.writeTo(at);
  text_.commit(at);
  endLine();
}

Operand Emitter::constantText(long long value, TypeRef type) {
  TypeKind kind = type ? type->kind : TypeKind::intType;
  if (kind == TypeKind::enumType && type->record && type->record->enumBase)
    kind = type->record->enumBase->kind;
  switch (kind) {
    case TypeKind::unsignedChar:
      return Operand("#", value & 0xFF, type);
    case TypeKind::unsignedShort:
    case TypeKind::unsignedInt:
      return Operand("#U", value & 0xFFFF, type);
    case TypeKind::longType:
      return Operand("#L", value, type);
    case TypeKind::unsignedLong:
      return Operand("#LU", value & 0xFFFFFFFFLL, type);
    case TypeKind::pointer:
      if (sizeOf(type) > 2) return Operand("#LU", value & 0xFFFFFFFFLL, type);
      return Operand("#U", value & 0xFFFFFFFFLL, type);
    case TypeKind::floatType:
      return {floating("#F%.8Le", static_cast<long double>(value)), type};
    case TypeKind::doubleType:
      return {floating("#D%.16Le", static_cast<long double>(value)), type};
    case TypeKind::longDouble:
      return {floating("#X%.20Le", static_cast<long double>(value)), type};
    default:
      return Operand("#", value, type);
  }
}

Operand Emitter::constant(const Expr* expr) {
  TypeRef type = expr->type;
  if (type && type->isFloating()) {
    const char* format = type->kind == TypeKind::floatType    ? "#F%.8Le"
                         : type->kind == TypeKind::doubleType ? "#D%.16Le"
                                                              : "#X%.20Le";
    return {floating(format, static_cast<long double>(expr->floating)), type};
  }
  return constantOf(expr->integer, type);
}

Operand Emitter::loaded(const Operand& operand) {
  if (!operand.indirect()) return operand;
  Operand temporary = newTemporary(operand.type);
  instruction("=", temporary, operand, temporary);
  return temporary;
}

Operand Emitter::name(const Expr* expr) {
  if (!expr->symbol) return constantOf(0, expr->type);
  return operandOf(expr->symbol);
}

// The address of an object, as a pointer value.
Operand Emitter::address(const Expr* place) {
  // The pointer type is looked up only where a result takes it: not for an element or through
  // an indirection.
  auto pointer = [this, place] { return typeTable_.pointerTo(place->type); };
  switch (place->kind) {
    case ExprKind::indirection:
      return value(place->left);
    // The operands of address arithmetic may be indirect themselves: no copies first.
    case ExprKind::subscript: {
      Operand base = value(place->left);
      Operand index = value(place->right);
      Operand scaledIndex = scaled(index, pointeeSize(place->left->type));
      Operand result = newTemporary(place->left->type);
      instruction("add", base, scaledIndex, result);
      return result;
    }
    case ExprKind::member:
    case ExprKind::pointerMember: {
      Operand base = place->kind == ExprKind::member ? address(place->left) : value(place->left);
      // Also at offset 0: the pointer must have the member's type, not the structure's.
      std::uint32_t offset = place->memberInfo ? place->memberInfo->offset : 0;
      Operand result = newTemporary(pointer());
      instruction("offset", base, constantOf(offset, typeTable_.basic(TypeKind::unsignedInt)),
                  result);
      return result;
    }
    case ExprKind::implicitConversion:
    case ExprKind::cast:
      if (place->left) return address(place->left);
      break;
    default:
      break;
  }
  Operand object = place->kind == ExprKind::name || place->kind == ExprKind::stringLiteral
                       ? lvalue(place)
                       : value(place);
  if (object.indirect()) return object.withoutIndirection(pointer());
  Operand result = place == destinationNode_ ? resultFor(place) : newTemporary(pointer());
  instruction("ADDR", object, {}, result);
  return result;
}

// The object an lvalue designates, as an operand that can be read and written.
Operand Emitter::lvalue(const Expr* expr) {
  switch (expr->kind) {
    case ExprKind::name:
      return name(expr);
    case ExprKind::stringLiteral:
      return stringObject(expr);
    case ExprKind::indirection:
    case ExprKind::subscript:
    case ExprKind::member:
    case ExprKind::pointerMember: {
      Operand pointer = loaded(address(expr));
      return pointer.pointee(expr->type);
    }
    default:
      return value(expr);
  }
}

Operand Emitter::value(const Expr* expr) {
  if (!expr) return {};
  Deeper deeper(*this);
  if (expr->isConstant && expr->kind != ExprKind::stringLiteral &&
      expr->kind != ExprKind::addressOf && expr->type && expr->type->isArithmetic())
    return constant(expr);
  switch (expr->kind) {
    case ExprKind::integerConstant:
    case ExprKind::floatingConstant:
    case ExprKind::sizeofValue:
      return constant(expr);
    case ExprKind::stringLiteral:
    case ExprKind::name:
      return lvalue(expr);
    case ExprKind::member:
    case ExprKind::pointerMember:
      if (expr->memberInfo && expr->memberInfo->isBitField) return bitFieldRead(expr, lvalue(expr));
      return lvalue(expr);
    case ExprKind::subscript:
    case ExprKind::indirection:
      return lvalue(expr);
    case ExprKind::call:
      return call(expr);
    case ExprKind::postIncrement:
    case ExprKind::postDecrement:
    case ExprKind::preIncrement:
    case ExprKind::preDecrement:
      return increment(expr);
    case ExprKind::addressOf:
      return address(expr->left);
    case ExprKind::unaryPlus:
      if (expr == destinationNode_) destinationNode_ = expr->left;  // the operand's value is it
      return value(expr->left);
    case ExprKind::negate:
    case ExprKind::bitNot:
    case ExprKind::logicalNot:
      return unary(expr);
    case ExprKind::cast:
    case ExprKind::implicitConversion:
      return conversion(expr);
    case ExprKind::binary:
      if (expr->op == BinaryOp::logicalAnd || expr->op == BinaryOp::logicalOr) return logical(expr);
      return binary(expr);
    case ExprKind::assign:
      return assignment(expr);
    case ExprKind::conditional:
      return conditional(expr);
    case ExprKind::comma:
      discard(expr->left);
      if (expr == destinationNode_) destinationNode_ = expr->right;
      return value(expr->right);
  }
  return {};
}

void Emitter::discard(const Expr* expr) {
  if (!expr) return;
  Deeper deeper(*this);
  if (expr->kind == ExprKind::comma) {
    discard(expr->left);
    discard(expr->right);
    return;
  }
  if (expr->kind == ExprKind::postIncrement || expr->kind == ExprKind::postDecrement) {
    // The value before the step is not wanted: step in place.
    Expr pre = *expr;
    pre.kind =
        expr->kind == ExprKind::postIncrement ? ExprKind::preIncrement : ExprKind::preDecrement;
    discarded_ = &pre;
    increment(&pre);
    discarded_ = nullptr;
    return;
  }
  discarded_ = expr;
  value(expr);
  discarded_ = nullptr;
}

// Only the node itself may take the target, not the nodes it is made of, and only when the
// target is a plain object of the node's own type; an indirect target stays an assignment.
Operand Emitter::valueInto(const Expr* expr, const Operand& target) {
  const Expr* savedNode = destinationNode_;
  Operand savedTarget = destination_;
  bool fits = expr && target.type && expr->type && !target.indirect() &&
              typeIndex(expr->type) == typeIndex(target.type);
  destinationNode_ = fits ? expr : nullptr;
  destination_ = target;
  Operand result = value(expr);
  bool landed = fits && destinationNode_ == nullptr;
  destinationNode_ = savedNode;
  destination_ = savedTarget;
  return landed ? Operand{} : result;
}

void Emitter::assignFrom(const Expr* expr, const Operand& target) {
  Operand source = valueInto(expr, target);
  if (!source.text().empty()) instruction("=", target, source, target);
}

Operand Emitter::resultFor(const Expr* expr) {
  if (expr != destinationNode_ || !expr) return newTemporary(expr ? expr->type : nullptr);
  destinationNode_ = nullptr;
  return destination_;
}

Operand Emitter::scaled(const Operand& index, std::uint32_t size) {
  if (size == 1) return index;
  TypeRef type = index.type ? index.type : typeTable_.basic(TypeKind::intType);
  if (index.constant) return constantOf(*index.constant * size, type);
  Operand result = newTemporary(type);
  instruction("*", index, constantOf(size, type), result);
  return result;
}

// p + i is "add", p - i "pminus" and p - q "psub" (a byte difference, divided by the size).
Operand Emitter::pointerArithmetic(const Expr* expr, const Operand& left, const Operand& right) {
  TypeRef leftType = expr->left->type;
  TypeRef rightType = expr->right->type;
  if (isPointer(leftType) && isPointer(rightType)) {
    Operand difference = newTemporary(expr->type);
    instruction("psub", left, right, difference);
    std::uint32_t size = pointeeSize(leftType);
    if (size == 1) return difference;
    Operand result = resultFor(expr);
    instruction("/", difference, constantOf(size, expr->type), result);
    return result;
  }
  bool pointerLeft = isPointer(leftType);
  const Operand& pointer = pointerLeft ? left : right;
  const Operand& index = pointerLeft ? right : left;
  Operand scaledIndex = scaled(index, pointeeSize(pointerLeft ? leftType : rightType));
  Operand result = resultFor(expr);
  instruction(expr->op == BinaryOp::add ? "add" : "pminus", pointer, scaledIndex, result);
  return result;
}

Operand Emitter::binary(const Expr* expr) {
  Operand left = value(expr->left);
  Operand right = value(expr->right);
  bool addressArithmetic = (expr->op == BinaryOp::add || expr->op == BinaryOp::subtract) &&
                           (isPointer(expr->left->type) || isPointer(expr->right->type));
  if (addressArithmetic) return pointerArithmetic(expr, left, right);
  Operand result = resultFor(expr);
  instruction(operatorText(expr->op), left, right, result);
  return result;
}

Operand Emitter::assignment(const Expr* expr) {
  const Expr* target = expr->left;
  if (isBitField(target)) return bitFieldWrite(expr, value(expr->right));
  Operand place = lvalue(target);
  if (expr->op == BinaryOp::none) {
    assignFrom(expr->right, place);
    return place;
  }
  Operand source = value(expr->right);
  if (isPointer(target->type) && (expr->op == BinaryOp::add || expr->op == BinaryOp::subtract))
    source = scaled(source, pointeeSize(target->type));
  std::string op(operatorText(expr->op));
  instruction(op + "=", place, source, place);
  return place;
}

Operand Emitter::increment(const Expr* expr) {
  // A field steps inside its unit: read, add one, write back.
  if (isBitField(expr->left))
    return bitFieldWrite(expr, constantOf(1, expr->left->memberInfo->type));
  Operand place = lvalue(expr->left);
  bool increase = expr->kind == ExprKind::preIncrement || expr->kind == ExprKind::postIncrement;
  bool post = expr->kind == ExprKind::postIncrement || expr->kind == ExprKind::postDecrement;
  Operand before;
  if (post) {
    before = newTemporary(place.type);
    instruction("=", before, place, before);
  }
  std::uint32_t step = isPointer(expr->left->type) ? pointeeSize(expr->left->type) : 1;
  if (step == 1)
    instruction(increase ? "++" : "--", place, {}, place);
  else
    instruction(increase ? "+=" : "-=", place,
                constantOf(step, typeTable_.basic(TypeKind::intType)), place);
  return post ? before : place;
}

Operand Emitter::unary(const Expr* expr) {
  Operand operand = value(expr->left);
  Operand result = resultFor(expr);
  const char* op = expr->kind == ExprKind::negate   ? "UMINUS"
                   : expr->kind == ExprKind::bitNot ? "~"
                                                    : "!";
  instruction(op, operand, {}, result);
  return result;
}

Operand Emitter::conversion(const Expr* expr) {
  const Expr* from = expr->left;
  if (!from) return constantOf(0, expr->type);
  TypeRef fromType = from->type;
  if (fromType && (fromType->kind == TypeKind::array || fromType->kind == TypeKind::function)) {
    if (expr == destinationNode_) destinationNode_ = from;  // the address may go to the target
    Operand pointer = address(from);
    pointer.type = expr->type;
    return pointer;
  }
  Operand source = value(from);
  if (expr->type && expr->type->isVoid()) return source;
  Operand result = resultFor(expr);
  instruction(expr->kind == ExprKind::cast ? "conv" : "aconv", result, source, result);
  return result;
}

Operand Emitter::call(const Expr* expr) {
  const Expr* callee = expr->left;
  TypeRef pointerType = callee ? callee->type : nullptr;
  TypeRef functionType = isPointer(pointerType) ? pointerType->target : pointerType;
  const FunctionInfo* info = functionType ? functionType->function : nullptr;
  bool direct = callee && callee->kind == ExprKind::implicitConversion && callee->left &&
                callee->left->kind == ExprKind::name && callee->left->symbol &&
                callee->left->symbol->kind == SymbolKind::function;
  Operand target = direct ? operandOf(callee->left->symbol) : loaded(value(callee));
  // The arguments of calls being written stand on one stack; a call inside an argument takes
  // its own off again before the next argument is pushed.
  std::size_t first = arguments_.size();
  struct Unwind {
    std::vector<Operand>& stack;
    std::size_t first;
    ~Unwind() { stack.resize(first); }
  } unwind{arguments_, first};
  for (const Expr* argument : expr->arguments()) {
    Operand made = value(argument);
    arguments_.push_back(made);
  }
  std::span<const Operand> arguments(arguments_.data() + first, arguments_.size() - first);
  std::optional<std::string> body =
      direct ? bodyForCall(callee->left->symbol, arguments.size(), expr->spot.line) : std::nullopt;
  // A copied body follows its call line, which says how the arguments and the result are
  // handed over; the call line is the one of the callee's convention, named INLINE.
  auto callLineHead = [&](std::string_view mnemonic) {
    text_.append(body ? std::string_view("INLINE") : mnemonic).put(',');
    target.writeTo(text_);
    text_.put(',');
  };
  auto callLineEnd = [&](const Operand& result) {
    text_.put(',');
    result.writeTo(text_);
    endLine();
    if (body)
      text_.append(
          renumberedBody(*body, {[this] { return ++blocks_; }, [this] { return newLabel(); },
                                 [this] { return nextTemporary(); }}));
  };
  TypeRef returnType = info ? info->returnType : typeTable_.basic(TypeKind::intType);
  bool alternative = info && info->convention == CallConvention::adecl;
  // The result is declared right before the call line, which sets it.
  auto resultOfCall = [&] {
    return returnType && !returnType->isVoid() ? resultFor(expr) : Operand{};
  };
  if (!alternative) {
    std::uint32_t bytes = 0;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) {
      text_.append("CARG,");
      it->writeTo(text_);
      endLine();
      bytes += (sizeOf(it->type) + 1) & ~1u;
    }
    Operand result = resultOfCall();
    callLineHead(direct ? "CCALL" : "CCALP");
    text_.put('#').number(bytes);
    callLineEnd(result);
    return result;
  }
  std::uint32_t number = ++calls_;
  auto callNumber = [&] {
    if (makingBuiltins()) text_.put('C');
    text_.number(number);
  };
  auto argumentLine = [&](std::size_t at) {
    text_.append("AARG,");
    arguments[at].writeTo(text_);
    text_.put(',');
    callNumber();
    text_.put(',').number(at + 1);
    endLine();
  };
  // The arguments after the second and the large ones first, the first two small ones last.
  auto inRegisters = [&](std::size_t at) { return at < 2 && sizeOf(arguments[at].type) <= 2; };
  for (std::size_t at = 0; at < arguments.size(); ++at)
    if (!inRegisters(at)) argumentLine(at);
  for (std::size_t at = 0; at < arguments.size(); ++at)
    if (inRegisters(at)) argumentLine(at);
  Operand result = resultOfCall();
  callLineHead(direct ? "ACALL" : "ACALP");
  callNumber();
  callLineEnd(result);
  return result;
}

std::optional<std::string> Emitter::bodyForCall(const Symbol* callee, std::size_t arguments,
                                                unsigned line) {
  if (!library_ || !marks_) return std::nullopt;
  bool inlined = marks_->isInline(callee->name);
  if (!inlined && !marks_->isBuiltin(callee->name)) return std::nullopt;
  std::optional<std::string> body = library_->storedBody(callee->name, inlined);
  if (!body) return std::nullopt;  // an inline function called before its definition
  std::size_t parameters = parameterCountOf(*body);
  if (arguments < parameters) {
    diagnostics_.reportAtLine(line, Message::builtinTooFewParameters,
                              {std::string(callee->name.substr(0, 31))});
    return std::nullopt;
  }
  if (arguments > parameters && !takesVariableArguments(*body)) {
    diagnostics_.reportAtLine(line, Message::builtinTooManyParameters,
                              {std::string(callee->name.substr(0, 31))});
    return std::nullopt;
  }
  return body;
}

// The result temporary is declared where it is first set, after the tests.
Operand Emitter::logical(const Expr* expr) {
  std::uint32_t isFalse = newLabel();
  std::uint32_t end = newLabel();
  branch(expr, false, isFalse);
  Operand result = resultFor(expr);
  instruction("=", result, constantOf(1, expr->type), result);
  jump(end);
  label(isFalse);
  instruction("=", result, constantOf(0, expr->type), result);
  label(end);
  return result;
}

Operand Emitter::conditional(const Expr* expr) {
  bool hasValue = expr->type && !expr->type->isVoid();
  std::uint32_t otherwise = newLabel();
  std::uint32_t end = newLabel();
  branch(expr->left, false, otherwise);
  // Each side's value goes straight to the result where it can; the result, when it is a new
  // temporary, is declared where the first side sets it.
  Operand result;
  if (!hasValue) {
    value(expr->right);
  } else if (expr == destinationNode_) {
    result = resultFor(expr);
    assignFrom(expr->right, result);
  } else {
    Operand whenTrue = value(expr->right);
    result = newTemporary(expr->type);
    instruction("=", result, whenTrue, result);
  }
  jump(end);
  label(otherwise);
  if (hasValue)
    assignFrom(expr->third, result);
  else
    value(expr->third);
  label(end);
  return result;
}

// The unit is loaded; an unsigned field is shifted down and masked, a signed one shifted up to
// the top of the unit and down again, so that its sign spreads.
Operand Emitter::bitFieldRead(const Expr* member, const Operand& container) {
  const Member& field = *member->memberInfo;
  TypeRef type = field.type;
  Operand word = newTemporary(type);
  instruction("=", word, container, word);
  std::uint32_t unitBits = 8 * sizeOf(type);
  if (!isUnsigned(type)) {
    Operand raised = shifted("<<", word, unitBits - field.bitOffset - field.bitWidth);
    return shifted(">>", raised, unitBits - field.bitWidth);
  }
  Operand lowered = shifted(">>", word, field.bitOffset);
  if (field.bitOffset + field.bitWidth >= unitBits) return lowered;
  Operand result = newTemporary(type);
  instruction("&", lowered, constantOf(fieldMask(field), type), result);
  return result;
}

Operand Emitter::shifted(const char* op, const Operand& from, std::uint32_t bits) {
  if (bits == 0) return from;
  Operand result = newTemporary(from.type);
  instruction(op, from, constantOf(bits, from.type), result);
  return result;
}

// The stored bits of a signed field, at the bottom of a word, as the field reads them: shifted
// to the top of the unit and down again, so that the sign spreads.
Operand Emitter::signSpread(const Operand& bits, const Member& field) {
  std::uint32_t unused = 8 * sizeOf(field.type) - field.bitWidth;
  return shifted(">>", shifted("<<", bits, unused), unused);
}

// `change` is the assignment to the field, plain or compound, or an increment or decrement
// by `value`. The unit's place is reached once; a compound assignment or a step reads the
// field, combines and writes back. A constant is stored by clearing and setting bits in place,
// anything else by merging into a copy of the unit. A post-increment gives the value before.
Operand Emitter::bitFieldWrite(const Expr* change, const Operand& value) {
  const Expr* target = change->left;
  const Member& field = *target->memberInfo;
  TypeRef type = field.type;
  long long mask = fieldMask(field);
  BinaryOp op = change->op;
  if (change->kind == ExprKind::preIncrement || change->kind == ExprKind::postIncrement)
    op = BinaryOp::add;
  else if (change->kind == ExprKind::preDecrement || change->kind == ExprKind::postDecrement)
    op = BinaryOp::subtract;
  bool post = change->kind == ExprKind::postIncrement || change->kind == ExprKind::postDecrement;
  Operand container = lvalue(target);
  Operand source = value;
  Operand before;
  if (op != BinaryOp::none) {
    before = bitFieldRead(target, container);
    source = newTemporary(before.type);
    instruction(operatorText(op), before, value, source);
  }
  long long clear = ~(mask << field.bitOffset);
  if (source.constant) {
    long long bits = *source.constant & mask;
    if (bits != mask) instruction("&=", container, constantOf(clear, type), container);
    if (bits != 0)
      instruction("|=", container, constantOf(bits << field.bitOffset, type), container);
    return post ? before : constantOf(fieldValue(field, bits), type);
  }
  Operand masked = newTemporary(type);
  instruction("&", source, constantOf(mask, type), masked);
  Operand placed = masked;
  if (field.bitOffset) {
    placed = newTemporary(type);
    instruction("<<", masked, constantOf(field.bitOffset, type), placed);
  }
  Operand old = newTemporary(type);
  instruction("=", old, container, old);
  Operand cleared = newTemporary(type);
  instruction("&", old, constantOf(clear, type), cleared);
  Operand merged = newTemporary(type);
  instruction("|", cleared, placed, merged);
  instruction("=", container, merged, merged);
  // The value of the change is the field's new value: a signed field's with its sign spread,
  // unless nothing uses it.
  if (post) return before;
  return isUnsigned(type) || discarded_ == change ? masked : signSpread(masked, field);
}

}  // namespace kz::cfront
