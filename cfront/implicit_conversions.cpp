// Implicit conversions: the aconv nodes, the conversion warnings, the conversion of constants
// and the checks of pointer conversions.
#include <cmath>
#include <limits>

#include "cfront/expression_builder.h"
#include "cfront/expression_facts.h"

namespace kz::cfront {
namespace {

// The integer types a converted constant may take, narrowest first.
struct IntegerRange {
  TypeKind kind;
  long long low;
  long long high;
};
constexpr IntegerRange kConstantTypes[] = {
    {TypeKind::signedChar, -128, 127},
    {TypeKind::unsignedChar, 0, 255},
    {TypeKind::intType, -32768, 32767},
    {TypeKind::unsignedInt, 0, 65535},
    {TypeKind::longType, -2147483648LL, 2147483647LL},
    {TypeKind::unsignedLong, 0, 4294967295LL},
};

std::size_t firstConstantType(TypeRef to) {
  bool isEnum = to->kind == TypeKind::enumType && to->record && to->record->enumBase;
  switch (isEnum ? to->record->enumBase->kind : to->kind) {
    case TypeKind::signedChar:
      return 0;
    case TypeKind::unsignedChar:
      return 1;
    case TypeKind::unsignedShort:
    case TypeKind::unsignedInt:
      return 3;
    case TypeKind::longType:
      return 4;
    case TypeKind::unsignedLong:
      return 5;
    default:
      return 2;
  }
}

// A floating value as an integer, saturated to the range a constant can hold.
long long truncated(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return std::numeric_limits<long long>::max();
  if (value <= -9.2e18) return std::numeric_limits<long long>::min();
  return static_cast<long long>(value);
}

CallConvention effectiveConvention(const FunctionInfo* info, const RunOptions& options) {
  if (!info || info->convention != CallConvention::none) {
    return info ? info->convention : CallConvention::none;
  }
  return options.defaultCallConv == 'a' ? CallConvention::adecl : CallConvention::cdecl;
}

}  // namespace

ConvertedConstant convertIntegerConstant(const TypeTable& types, long long value, TypeRef to) {
  ConvertedConstant result;
  bool toUnsigned = isUnsigned(to);
  long long low = toUnsigned ? 0 : -2147483648LL;
  long long high = toUnsigned ? 4294967295LL : 2147483647LL;
  if (value < low || value > high) {
    // Reduced to the target's width: 16 bits, or 32 for a long target, so that a long keeps
    // its upper half (-1 as an unsigned long is 4294967295, not 65535).
    result.overflowed = true;
    long long modulus = sizeOf(to) >= 4 ? 4294967296LL : 65536;
    value %= modulus;
    if (value < 0) value += modulus;
    if (!toUnsigned && value > high) value -= modulus;
  }
  result.value = value;
  for (std::size_t i = firstConstantType(to); i < std::size(kConstantTypes); ++i) {
    if (value >= kConstantTypes[i].low && value <= kConstantTypes[i].high) {
      result.type = types.basic(kConstantTypes[i].kind);
      return result;
    }
  }
  result.type = types.basic(TypeKind::unsignedLong);
  return result;
}

double ExpressionBuilder::checkFloatingRange(double value, TypeRef type) {
  if (std::isinf(value)) {
    diagnostics_.warnAt(2, Message::floatingOverflow);
    return value;
  }
  double magnitude = std::fabs(value);
  if (magnitude == 0 || type->kind == TypeKind::longDouble) return value;
  bool isFloat = type->kind == TypeKind::floatType;
  double lowest = isFloat ? 1.175494351e-38 : 2.2250738585072014e-308;
  double highest = isFloat ? 3.402823466e38 : 1.7976931348623157e308;
  if (magnitude < lowest || magnitude > highest) diagnostics_.warnAt(2, Message::floatingOverflow);
  return isFloat && magnitude <= highest ? static_cast<double>(static_cast<float>(value)) : value;
}

Expr* ExpressionBuilder::decayed(Expr* expression) {
  TypeRef type = expression->type;
  TypeRef pointer = types_.pointerTo(type->kind == TypeKind::array ? type->target : type);
  Expr* result = node(ExprKind::implicitConversion, pointer, expression->spot);
  result->left = expression;
  return result;
}

void ExpressionBuilder::warnConversion(const Expr* expression, TypeRef to) {
  TypeRef from = expression->type;
  std::uint32_t fromSize = sizeOf(from);
  std::uint32_t toSize = sizeOf(to);
  if (isTruthValue(expression)) {
    if (to->isFloating()) diagnostics_.warnAt(2, Message::possibleLossOfData);
    if (to->isInteger() && toSize < fromSize) diagnostics_.warnAt(3, Message::integralTypeMismatch);
    return;
  }
  if (from->isFloating() && to->isInteger()) {
    diagnostics_.warnAt(2, Message::possibleLossOfData);
  } else if (from->isFloating() && to->isFloating()) {
    if (toSize < fromSize) diagnostics_.warnAt(3, Message::floatingTypeMismatch);
  } else if (from->isInteger() && to->isFloating()) {
    if (toSize == fromSize) diagnostics_.warnAt(2, Message::possibleLossOfData);
  } else if (from->isInteger() && to->isInteger() && toSize < fromSize) {
    diagnostics_.warnAt(3, Message::integralTypeMismatch);
  }
}

Expr* ExpressionBuilder::convertConstant(Expr* expression, TypeRef to) {
  if (to->isFloating()) {
    double value = expression->type->isFloating() ? expression->floating
                   : isUnsigned(expression->type)
                       ? static_cast<double>(static_cast<std::uint64_t>(expression->integer))
                       : static_cast<double>(expression->integer);
    return floatingNode(checkFloatingRange(value, to), to, expression->spot);
  }
  long long value =
      expression->type->isFloating() ? truncated(expression->floating) : expression->integer;
  ConvertedConstant converted = convertIntegerConstant(types_, value, to);
  if (converted.overflowed) diagnostics_.warnAt(2, Message::integralOverflow);
  return constantNode(converted.value, converted.type, expression->spot);
}

Expr* ExpressionBuilder::convertOther(Expr* expression, TypeRef to) {
  if (!expression || !expression->type || !to) return expression;
  to = types_.unqualified(to);
  TypeRef from = expression->type;
  if (!from->isArithmetic() || !to->isArithmetic()) return expression;
  if (from->kind == to->kind && (from->kind != TypeKind::enumType || from->record == to->record))
    return expression;
  if (expression->isConstant) return convertConstant(expression, to);
  warnConversion(expression, to);
  Expr* result = node(ExprKind::implicitConversion, to, expression->spot);
  result->left = expression;
  return result;
}

bool ExpressionBuilder::checkFunctionPointers(TypeRef to, TypeRef from) {
  const FunctionInfo* a = to->function;
  const FunctionInfo* b = from->function;
  if (!a || !b) return true;
  if (effectiveConvention(a, options_) != effectiveConvention(b, options_) ||
      a->callv != b->callv) {
    diagnostics_.report(Message::pointerAttributeMismatch);
    return false;
  }
  if (!compatible(a->returnType, b->returnType)) {
    diagnostics_.report(Message::pointerReturnMismatch);
    return false;
  }
  if (!compatible(types_.unqualified(to), types_.unqualified(from))) {
    diagnostics_.report(Message::pointerParameterMismatch);
    return false;
  }
  return true;
}

bool ExpressionBuilder::checkPointerPair(TypeRef to, TypeRef from, std::string_view operation,
                                         bool assignment) {
  bool narrowing = sizeOf(to) < sizeOf(from);
  if (to->memory != from->memory && (!assignment || narrowing)) {
    diagnostics_.report(Message::pointerSizeMismatch, {operation});
    return false;
  }
  TypeRef a = to->target;
  TypeRef b = from->target;
  if (assignment && (b->qualifiers & ~a->qualifiers) != 0) {
    diagnostics_.report(Message::qualifierMismatch);
    return false;
  }
  if (a->isVoid() || b->isVoid()) {
    // void * converts to and from any object pointer, not to a function pointer.
    if (a->kind != TypeKind::function && b->kind != TypeKind::function) return true;
  }
  if (a->kind == TypeKind::function && b->kind == TypeKind::function)
    return checkFunctionPointers(a, b);
  if (compatible(types_.unqualified(a), types_.unqualified(b))) return true;
  if (pointerLevels(a) != pointerLevels(b)) {
    diagnostics_.report(Message::indirectionMismatch, {operation});
  } else if (a->kind == TypeKind::array && b->kind == TypeKind::array &&
             compatible(a->target, b->target)) {
    diagnostics_.report(Message::subscriptMismatch, {operation});
  } else {
    diagnostics_.report(Message::pointerTypeMismatch, {operation});
  }
  return false;
}

Expr* ExpressionBuilder::convertForAssignment(Expr* value, TypeRef to, SourceSpot spot) {
  // A string literal initialising a character array is copied, not converted.
  if (value && value->kind == ExprKind::stringLiteral && to && to->kind == TypeKind::array &&
      to->target->isInteger())
    return value;
  value = decay(value);
  if (!value || !value->type || !to) return value;
  to = types_.unqualified(to);
  TypeRef from = value->type;
  if (from->isVoid()) {
    diagnostics_.report(Message::voidInExpression);
    return value;
  }
  if (to->isArithmetic() && from->isArithmetic()) return convert(value, to);
  bool fits = true;
  if (to->kind == TypeKind::pointer) {
    if (isNullPointerConstant(value)) {
      // converts to any pointer
    } else if (from->kind == TypeKind::pointer) {
      checkPointerPair(to, from, "=", true);  // a mismatch is a warning: still converted
    } else if (from->isInteger()) {
      diagnostics_.report(Message::pointerTypeMismatch, {"="});
    } else {
      fits = false;
    }
  } else if (to->isInteger() && from->kind == TypeKind::pointer) {
    diagnostics_.report(Message::pointerTypeMismatch, {"="});
  } else {
    fits = compatible(to, types_.unqualified(from));
  }
  if (!fits) {
    diagnostics_.report(Message::incompatibleTypes, {typeName(from) + " to " + typeName(to)});
    return value;
  }
  if (from == to) return value;
  Expr* result = node(ExprKind::implicitConversion, to, spot);
  result->left = value;
  if (value->isConstant) {
    result->isConstant = true;
    result->integer = value->integer;
  }
  return result;
}

}  // namespace kz::cfront
