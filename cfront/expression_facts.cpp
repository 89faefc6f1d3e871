#include "cfront/expression_facts.h"

#include <array>

namespace kz::cfront {

std::string_view operatorText(BinaryOp op) {
  static constexpr std::array<std::string_view, 19> kTexts = {
      "=",  "*",  "/",  "%",  "+", "-", "<<", ">>", "<", ">",
      "<=", ">=", "==", "!=", "&", "^", "|",  "&&", "||"};
  return kTexts[static_cast<std::size_t>(op)];
}

std::string_view assignmentText(BinaryOp op) {
  static constexpr std::array<std::string_view, 19> kTexts = {
      "=",   "*=",  "/=",  "%=",  "+=", "-=", "<<=", ">>=", "<=", ">=",
      "<==", ">==", "===", "!==", "&=", "^=", "|=",  "&&=", "||="};
  return kTexts[static_cast<std::size_t>(op)];
}

bool isRelational(BinaryOp op) { return op >= BinaryOp::less && op <= BinaryOp::greaterEqual; }
bool isEquality(BinaryOp op) { return op == BinaryOp::equal || op == BinaryOp::notEqual; }
bool isComparison(BinaryOp op) { return isRelational(op) || isEquality(op); }

bool isTruthValue(const Expr* expression) {
  if (expression->kind == ExprKind::logicalNot) return true;
  if (expression->kind != ExprKind::binary) return false;
  return isComparison(expression->op) || expression->op == BinaryOp::logicalAnd ||
         expression->op == BinaryOp::logicalOr;
}

bool isIntegerConstant(const Expr* expression) {
  return expression && expression->isConstant && expression->type && expression->type->isInteger();
}

bool isArithmeticConstant(const Expr* expression) {
  return expression && expression->isConstant && expression->type &&
         expression->type->isArithmetic();
}

bool isNullPointerConstant(const Expr* expression) {
  if (isIntegerConstant(expression)) return expression->integer == 0;
  if (!expression || expression->kind != ExprKind::cast || !expression->isConstant) return false;
  TypeRef type = expression->type;
  return type && type->kind == TypeKind::pointer && type->target->isVoid() &&
         expression->integer == 0 && isIntegerConstant(expression->left);
}

bool isStringAddress(const Expr* expression) {
  while (expression && (expression->kind == ExprKind::implicitConversion ||
                        expression->kind == ExprKind::addressOf))
    expression = expression->left;
  return expression && expression->kind == ExprKind::stringLiteral;
}

const Symbol* namedSymbol(const Expr* expression) {
  while (expression && expression->kind == ExprKind::implicitConversion)
    expression = expression->left;
  if (expression && expression->kind == ExprKind::indirection && expression->left &&
      expression->left->type && expression->left->type->target &&
      expression->left->type->target->kind == TypeKind::function)
    return namedSymbol(expression->left);
  return expression && expression->kind == ExprKind::name ? expression->symbol : nullptr;
}

std::string_view calleeName(const Expr* function) {
  const Symbol* symbol = namedSymbol(function);
  return symbol ? symbol->name : std::string_view();
}

bool hasSideEffect(const Expr* expression) {
  if (!expression) return false;
  switch (expression->kind) {
    case ExprKind::call:
    case ExprKind::assign:
    case ExprKind::postIncrement:
    case ExprKind::postDecrement:
    case ExprKind::preIncrement:
    case ExprKind::preDecrement:
      return true;
    case ExprKind::sizeofValue:
      return false;
    default:
      break;
  }
  if (expression->isLvalue && expression->type &&
      (expression->type->qualifiers & qualifier::kVolatile) != 0)
    return true;
  if (expression->kind == ExprKind::name && expression->symbol &&
      (expression->symbol->isIo || expression->symbol->kind == SymbolKind::registerVariable ||
       expression->symbol->kind == SymbolKind::flagVariable))
    return true;
  return hasSideEffect(expression->left) || hasSideEffect(expression->right) ||
         (expression->kind == ExprKind::conditional && hasSideEffect(expression->third));
}

int pointerLevels(TypeRef type) {
  int levels = 0;
  while (type && type->kind == TypeKind::pointer) {
    ++levels;
    type = type->target;
  }
  return levels;
}

}  // namespace kz::cfront
