// The checks of expressions in statements: conditions, expression statements, switch and
// case values, return values, and integer constant expressions.
#include "cfront/expression_builder.h"
#include "cfront/expression_facts.h"

namespace kz::cfront {
namespace {

struct Range {
  long long low;
  long long high;
};

Range rangeOf(TypeRef type) {
  bool isUnsignedType = isUnsigned(type);
  switch (sizeOf(type)) {
    case 1:
      return isUnsignedType ? Range{0, 255} : Range{-128, 127};
    case 2:
      return isUnsignedType ? Range{0, 65535} : Range{-32768, 32767};
    default:
      return isUnsignedType ? Range{0, 4294967295LL} : Range{-2147483648LL, 2147483647LL};
  }
}

}  // namespace

void ExpressionBuilder::checkCondition(Expr* condition) {
  if (!condition || !condition->type) return;
  if (condition->kind == ExprKind::assign && condition->op == BinaryOp::none)
    diagnostics_.warnAt(3, Message::assignmentInCondition);
  if (condition->isConstant) diagnostics_.warnAt(3, Message::constantCondition);
  if (condition->type->isVoid())
    diagnostics_.report(Message::voidInExpression);
  else if (condition->type->isRecord())
    diagnostics_.report(Message::illegalOperand, {typeName(condition->type)});
}

void ExpressionBuilder::checkExpressionStatement(Expr* expression) {
  if (!expression || !expression->type) return;
  if (expression->kind == ExprKind::cast && expression->type->isVoid()) return;
  if (!hasSideEffect(expression)) diagnostics_.report(Message::meaninglessStatement);
}

Expr* ExpressionBuilder::switchValue(Expr* value, SourceSpot) {
  if (!value || !value->type) return value;
  if (!value->type->isInteger()) {
    diagnostics_.report(Message::nonIntegralSwitch);
    return value;
  }
  return convert(value, promoted(types_, value->type));
}

long long ExpressionBuilder::caseValue(Expr* label, TypeRef switchType, SourceSpot) {
  std::optional<long long> value = integerConstantValue(label);
  if (!value || !switchType) return 0;
  Range range = rangeOf(switchType);
  long long v = *value;
  if (v >= range.low && v <= range.high) return v;
  // A negative label of an unsigned switch converts as C converts, when it fits the signed
  // type of the same size.
  Range signedRange =
      rangeOf(types_.basic(sizeOf(switchType) <= 2 ? TypeKind::intType : TypeKind::longType));
  if (range.low == 0 && v < 0 && v >= signedRange.low) return v + range.high + 1;
  diagnostics_.report(Message::caseConstantTooBig, {static_cast<double>(v)});
  unsigned long long span = static_cast<unsigned long long>(range.high - range.low) + 1;
  long long reduced = static_cast<long long>(static_cast<unsigned long long>(v) % span);
  return reduced > range.high ? reduced - static_cast<long long>(span) : reduced;
}

Expr* ExpressionBuilder::returnValue(Expr* value, TypeRef returnType, SourceSpot spot) {
  bool returnsVoid = !returnType || returnType->isVoid();
  if (value && returnsVoid) {
    diagnostics_.report(Message::returnValueInVoid);
    return value;
  }
  if (!value) {
    if (!returnsVoid) diagnostics_.report(Message::noReturnValue, {currentFunction_});
    return nullptr;
  }
  return convertForAssignment(value, returnType, spot);
}

std::optional<long long> ExpressionBuilder::integerConstantValue(Expr* expression) {
  if (isIntegerConstant(expression)) return expression->integer;
  if (expression && !expression->type) return std::nullopt;  // reported already
  diagnostics_.report(Message::constantExpected);
  return std::nullopt;
}

}  // namespace kz::cfront
