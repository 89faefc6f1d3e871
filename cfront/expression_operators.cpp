// Binary operators, assignments, the conditional operator and the comma operator.
#include "cfront/expression_builder.h"
#include "cfront/expression_facts.h"

namespace kz::cfront {
namespace {

bool isPointer(const Expr* expression) { return expression->type->kind == TypeKind::pointer; }

}  // namespace

Expr* ExpressionBuilder::binaryNode(BinaryOp op, Expr* left, Expr* right, SourceSpot spot) {
  Expr* result = node(ExprKind::binary, types_.basic(TypeKind::intType), spot);
  result->op = op;
  result->left = left;
  result->right = right;
  return result;
}

// Operators on arithmetic operands: the usual arithmetic conversions, or for a shift the
// promotion of each operand on its own.
Expr* ExpressionBuilder::arithmeticBinary(BinaryOp op, Expr* left, Expr* right, bool integral,
                                          SourceSpot spot) {
  Expr* result = binaryNode(op, left, right, spot);
  std::string_view text = operatorText(op);
  if (!left->type->isArithmetic() || !right->type->isArithmetic()) {
    diagnostics_.report(Message::badOperand, {text});
    return result;
  }
  if (integral && (!left->type->isInteger() || !right->type->isInteger())) {
    diagnostics_.report(Message::integralTypesOnly, {text});
    return result;
  }
  bool shift = op == BinaryOp::shiftLeft || op == BinaryOp::shiftRight;
  TypeRef common =
      shift ? promoted(types_, left->type) : usualArithmetic(types_, left->type, right->type);
  result->type = isComparison(op) ? types_.basic(TypeKind::intType) : common;
  result->left = convert(left, common);
  result->right = convert(right, shift ? promoted(types_, right->type) : common);
  if ((op == BinaryOp::divide || op == BinaryOp::remainder) &&
      isArithmeticConstant(result->right) && !result->left->isConstant) {
    bool zero = result->right->type->isFloating() ? result->right->floating == 0
                                                  : result->right->integer == 0;
    if (zero) diagnostics_.report(Message::divisionByZero);
  }
  return foldBinary(result);
}

Expr* ExpressionBuilder::additive(BinaryOp op, Expr* left, Expr* right, SourceSpot spot) {
  bool add = op == BinaryOp::add;
  if (!isPointer(left) && !isPointer(right)) return arithmeticBinary(op, left, right, false, spot);
  Expr* result = binaryNode(op, left, right, spot);
  std::string_view name = add ? "addition" : "subtraction";
  if (isPointer(left) && isPointer(right)) {
    if (add) {
      diagnostics_.report(Message::pointerPlusPointer);
      return result;
    }
    checkPointerPair(left->type, right->type, "-", false);
    return result;  // the difference is an int count of elements
  }
  if (!add && !isPointer(left)) {
    diagnostics_.report(Message::pointerFromNonPointer);
    return result;
  }
  Expr*& offset = isPointer(left) ? result->right : result->left;
  Expr* pointer = isPointer(left) ? left : right;
  if (!offset->type->isInteger()) {
    diagnostics_.report(Message::pointerToNonIntegral, {name});
    return result;
  }
  offset = convert(offset, promoted(types_, offset->type));
  result->type = pointer->type;
  return result;
}

Expr* ExpressionBuilder::comparison(BinaryOp op, Expr* left, Expr* right, SourceSpot spot) {
  std::string_view text = operatorText(op);
  if (left->type->isRecord() || right->type->isRecord()) {
    diagnostics_.report(Message::compareStruct);
    return binaryNode(op, left, right, spot);
  }
  // a < b < c compares a truth value; chains of == are left alone, since (a == b) == c,
  // written with parentheses, looks the same here and is ordinary code.
  if (isRelational(op) && left->kind == ExprKind::binary && isRelational(left->op))
    diagnostics_.report(Message::multipleComparison);
  if (!isPointer(left) && !isPointer(right)) {
    return arithmeticBinary(op, left, right, false, spot);
  }
  Expr* result = binaryNode(op, left, right, spot);
  if (isPointer(left) && isPointer(right)) {
    if (!isNullPointerConstant(left) && !isNullPointerConstant(right))
      checkPointerPair(left->type, right->type, text, false);
    return result;
  }
  Expr* other = isPointer(left) ? right : left;
  if (!other->type->isInteger())
    diagnostics_.report(Message::badOperand, {text});
  else if (!isNullPointerConstant(other))
    diagnostics_.report(Message::pointerTypeMismatch, {text});
  return result;
}

Expr* ExpressionBuilder::logical(BinaryOp op, Expr* left, Expr* right, SourceSpot spot) {
  std::string_view text = operatorText(op);
  Expr* result = binaryNode(op, left, right, spot);
  if (isStringAddress(left) || isStringAddress(right))
    diagnostics_.report(Message::logicalOnStringAddress, {text});
  if (!left->type->isScalar() || !right->type->isScalar()) {
    diagnostics_.report(Message::badOperand, {text});
    return result;
  }
  return foldBinary(result);
}

Expr* ExpressionBuilder::binary(BinaryOp op, Expr* left, Expr* right, SourceSpot spot) {
  left = decay(left);
  right = decay(right);
  if (!left || !right || !left->type || !right->type) {
    return binaryNode(op, left, right, spot);
  }
  std::string_view text = operatorText(op);
  if (left->type->isVoid() || right->type->isVoid()) {
    diagnostics_.report(Message::voidInExpression);
    return binaryNode(op, left, right, spot);
  }
  if (isComparison(op)) return comparison(op, left, right, spot);
  if ((left->type->isRecord() || right->type->isRecord())) {
    diagnostics_.report(Message::illegalStructOperator, {text});
    return binaryNode(op, left, right, spot);
  }
  switch (op) {
    case BinaryOp::multiply:
    case BinaryOp::divide:
      return arithmeticBinary(op, left, right, false, spot);
    case BinaryOp::remainder:
    case BinaryOp::bitAnd:
    case BinaryOp::bitXor:
    case BinaryOp::bitOr:
      return arithmeticBinary(op, left, right, true, spot);
    case BinaryOp::shiftLeft:
    case BinaryOp::shiftRight:
      return arithmeticBinary(op, left, right, true, spot);
    case BinaryOp::add:
    case BinaryOp::subtract:
      return additive(op, left, right, spot);
    default:
      return logical(op, left, right, spot);
  }
}

Expr* ExpressionBuilder::assign(BinaryOp op, Expr* target, Expr* value, SourceSpot spot) {
  std::string_view opText = assignmentText(op);
  Expr* result = node(
      ExprKind::assign,
      target && target->type ? types_.unqualified(target->type) : types_.basic(TypeKind::intType),
      spot);
  result->op = op;
  result->left = target;
  result->right = value;
  if (!target || !value || !target->type || !value->type) return result;
  if (!checkModifiable(target, opText, false)) return result;
  if (op == BinaryOp::none) {
    result->right = convertForAssignment(value, result->type, spot);
    return result;
  }
  // The operation's checks and conversions; the target keeps its place on the left.
  Expr* computed = binary(op, target, value, spot);
  if (computed->kind == ExprKind::binary && computed->right) result->right = computed->right;
  return result;
}

Expr* ExpressionBuilder::conditional(Expr* condition, Expr* whenTrue, Expr* whenFalse,
                                     SourceSpot spot) {
  Expr* result = node(ExprKind::conditional, types_.basic(TypeKind::intType), spot);
  condition = decay(condition);
  whenTrue = decay(whenTrue);
  whenFalse = decay(whenFalse);
  result->left = condition;
  result->right = whenTrue;
  result->third = whenFalse;
  if (!condition || !whenTrue || !whenFalse || !condition->type || !whenTrue->type ||
      !whenFalse->type)
    return result;
  TypeRef a = whenTrue->type;
  TypeRef b = whenFalse->type;
  if (a->isArithmetic() && b->isArithmetic()) {
    result->type = usualArithmetic(types_, a, b);
    result->right = convert(whenTrue, result->type);
    result->third = convert(whenFalse, result->type);
    if (isArithmeticConstant(condition) && isArithmeticConstant(result->right) &&
        isArithmeticConstant(result->third)) {
      bool truth =
          condition->type->isFloating() ? condition->floating != 0 : condition->integer != 0;
      return truth ? result->right : result->third;
    }
    return result;
  }
  if (a->isVoid() || b->isVoid()) {
    if (!a->isVoid() || !b->isVoid()) diagnostics_.report(Message::voidOperand);
    result->type = types_.basic(TypeKind::voidType);
    return result;
  }
  if (a->isRecord() || b->isRecord()) {
    if (!compatible(types_.unqualified(a), types_.unqualified(b)))
      diagnostics_.report(Message::incompatibleTypes, {typeName(a) + " : " + typeName(b)});
    result->type = types_.unqualified(a);
    return result;
  }
  bool pa = a->kind == TypeKind::pointer;
  bool pb = b->kind == TypeKind::pointer;
  if (pa && pb) {
    if (isNullPointerConstant(whenTrue)) {
      result->type = b;
    } else if (isNullPointerConstant(whenFalse)) {
      result->type = a;
    } else {
      checkPointerPair(a, b, ":", false);
      bool voidOne = a->target->isVoid() || b->target->isVoid();
      TypeRef target = voidOne ? types_.basic(TypeKind::voidType) : a->target;
      target = types_.qualified(target, a->target->qualifiers | b->target->qualifiers);
      result->type = voidOne ? types_.pointerTo(target, a->memory)
                             : composite(types_, types_.unqualified(a), types_.unqualified(b));
    }
    return result;
  }
  Expr* integer = pa ? whenFalse : whenTrue;
  result->type = pa ? a : b;
  if (!integer->type->isInteger())
    diagnostics_.report(Message::incompatibleTypes, {typeName(a) + " : " + typeName(b)});
  else if (!isNullPointerConstant(integer))
    diagnostics_.report(Message::pointerTypeMismatch, {":"});
  return result;
}

Expr* ExpressionBuilder::comma(Expr* left, Expr* right, SourceSpot spot) {
  right = decay(right);
  Expr* result = node(ExprKind::comma, right ? right->type : nullptr, spot);
  result->left = left;
  result->right = right;
  return result;
}

}  // namespace kz::cfront
