// Evaluation of operators on constant operands, in the type of the result.
#include <cstdint>

#include "cfront/expression_builder.h"
#include "cfront/expression_facts.h"

namespace kz::cfront {
namespace {

struct Folded {
  long long value = 0;
  bool outOfRange = false;
};

// The value reduced to the bits of an integer type, and whether that changed it.
Folded wrapped(long long value, TypeRef type) {
  std::uint32_t bits = 8 * sizeOf(type);
  if (bits == 0 || bits >= 64) return {value, false};
  auto raw = static_cast<std::uint64_t>(value) & ((std::uint64_t{1} << bits) - 1);
  long long result = static_cast<long long>(raw);
  if (!isUnsigned(type) && (raw >> (bits - 1)) != 0)
    result = static_cast<long long>(raw) - static_cast<long long>(std::uint64_t{1} << bits);
  return {result, result != value};
}

long long shiftedLeft(long long value, long long count, bool& overflow) {
  if (count >= 63) {
    overflow = value != 0;
    return 0;
  }
  long long result = 0;
  overflow = __builtin_mul_overflow(value, 1LL << count, &result);
  return overflow ? static_cast<long long>(static_cast<std::uint64_t>(value) << count) : result;
}

// Integer operation on values of the operand type; nullopt-like 'valid' false after 390.
Folded integerOperation(BinaryOp op, long long a, long long b, TypeRef operandType,
                        bool& divisionByZero) {
  long long result = 0;
  bool overflow = false;
  switch (op) {
    case BinaryOp::multiply:
      overflow = __builtin_mul_overflow(a, b, &result);
      if (overflow)
        result =
            static_cast<long long>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
      break;
    case BinaryOp::divide:
    case BinaryOp::remainder:
      if (b == 0) {
        divisionByZero = true;
        return {};
      }
      result = op == BinaryOp::divide ? a / b : a % b;
      break;
    case BinaryOp::add:
      result = a + b;
      break;
    case BinaryOp::subtract:
      result = a - b;
      // Unsigned subtraction wraps by definition.
      if (isUnsigned(operandType) && result < 0) return {wrapped(result, operandType).value, false};
      break;
    case BinaryOp::shiftLeft:
      if (b < 0) return {0, true};
      result = shiftedLeft(a, b, overflow);
      break;
    case BinaryOp::shiftRight:
      if (b < 0) return {0, true};
      result = b >= 63 ? (a < 0 ? -1 : 0) : a >> b;
      break;
    case BinaryOp::less:
      return {a < b, false};
    case BinaryOp::greater:
      return {a > b, false};
    case BinaryOp::lessEqual:
      return {a <= b, false};
    case BinaryOp::greaterEqual:
      return {a >= b, false};
    case BinaryOp::equal:
      return {a == b, false};
    case BinaryOp::notEqual:
      return {a != b, false};
    case BinaryOp::bitAnd:
      return {a & b, false};
    case BinaryOp::bitXor:
      return {a ^ b, false};
    case BinaryOp::bitOr:
      return {a | b, false};
    case BinaryOp::logicalAnd:
      return {a != 0 && b != 0, false};
    case BinaryOp::logicalOr:
      return {a != 0 || b != 0, false};
    case BinaryOp::none:
      return {b, false};
  }
  Folded folded = wrapped(result, operandType);
  folded.outOfRange = folded.outOfRange || overflow;
  return folded;
}

double floatingOperation(BinaryOp op, double a, double b, bool& divisionByZero) {
  switch (op) {
    case BinaryOp::multiply:
      return a * b;
    case BinaryOp::divide:
      if (b == 0) {
        divisionByZero = true;
        return 0;
      }
      return a / b;
    case BinaryOp::add:
      return a + b;
    case BinaryOp::subtract:
      return a - b;
    case BinaryOp::less:
      return a < b;
    case BinaryOp::greater:
      return a > b;
    case BinaryOp::lessEqual:
      return a <= b;
    case BinaryOp::greaterEqual:
      return a >= b;
    case BinaryOp::equal:
      return a == b;
    case BinaryOp::notEqual:
      return a != b;
    case BinaryOp::logicalAnd:
      return a != 0 && b != 0;
    case BinaryOp::logicalOr:
      return a != 0 || b != 0;
    default:
      return 0;
  }
}

double asFloating(const Expr* constant) {
  if (constant->type->isFloating()) return constant->floating;
  return static_cast<double>(constant->integer);
}

}  // namespace

Expr* ExpressionBuilder::foldBinary(Expr* result) {
  Expr* left = result->left;
  Expr* right = result->right;
  if (!isArithmeticConstant(left) || !isArithmeticConstant(right) || !result->type) return result;
  bool divisionByZero = false;
  if (left->type->isFloating() || right->type->isFloating()) {
    double value =
        floatingOperation(result->op, asFloating(left), asFloating(right), divisionByZero);
    if (divisionByZero) {
      diagnostics_.report(Message::divisionByZero);
      return result;
    }
    if (result->type->isInteger())
      return constantNode(static_cast<long long>(value), result->type, result->spot);
    return floatingNode(checkFloatingRange(value, result->type), result->type, result->spot);
  }
  Folded folded =
      integerOperation(result->op, left->integer, right->integer, left->type, divisionByZero);
  if (divisionByZero) {
    diagnostics_.report(Message::divisionByZero);
    return result;
  }
  if (folded.outOfRange) diagnostics_.warnAt(2, Message::integralOverflow);
  return constantNode(folded.value, result->type, result->spot);
}

Expr* ExpressionBuilder::foldUnary(Expr* result) {
  Expr* operand = result->left;
  if (!isArithmeticConstant(operand) || !result->type) return result;
  if (operand->type->isFloating()) {
    double value = operand->floating;
    switch (result->kind) {
      case ExprKind::negate:
        return floatingNode(-value, result->type, result->spot);
      case ExprKind::logicalNot:
        return constantNode(value == 0, result->type, result->spot);
      default:
        return floatingNode(value, result->type, result->spot);
    }
  }
  long long value = operand->integer;
  switch (result->kind) {
    case ExprKind::negate: {
      Folded folded = wrapped(-value, result->type);
      // Negating an unsigned value wraps by definition.
      if (folded.outOfRange && !isUnsigned(result->type))
        diagnostics_.warnAt(2, Message::integralOverflow);
      return constantNode(folded.value, result->type, result->spot);
    }
    case ExprKind::bitNot:
      return constantNode(wrapped(~value, result->type).value, result->type, result->spot);
    case ExprKind::logicalNot:
      return constantNode(value == 0, result->type, result->spot);
    default:
      return constantNode(value, result->type, result->spot);
  }
}

// The operand of an explicit cast, when constant, converted as C converts: integers reduced
// to the bits of the type, floating values truncated or rounded.
Expr* ExpressionBuilder::castConstant(Expr* operand, TypeRef to, SourceSpot spot) {
  if (to->isFloating()) {
    double value = operand->type->isFloating() ? operand->floating
                   : isUnsigned(operand->type)
                       ? static_cast<double>(static_cast<std::uint64_t>(operand->integer))
                       : static_cast<double>(operand->integer);
    return floatingNode(checkFloatingRange(value, to), to, spot);
  }
  long long value = operand->integer;
  if (operand->type->isFloating()) {
    double floating = operand->floating;
    value = floating >= 9.2e18 || floating <= -9.2e18 || floating != floating
                ? 0
                : static_cast<long long>(floating);
  }
  return constantNode(wrapped(value, to).value, to, spot);
}

}  // namespace kz::cfront
