#include "cfront/condition_expression.h"

#include <array>
#include <string_view>

#include "cfront/constants.h"

namespace kz::cfront {
namespace {

struct BinaryRow {
  std::string_view op;
  int precedence;
};

constexpr auto kBinaryOperators = std::to_array<BinaryRow>({
    {"*", 10},
    {"/", 10},
    {"%", 10},
    {"+", 9},
    {"-", 9},
    {"<<", 8},
    {">>", 8},
    {"<", 7},
    {">", 7},
    {"<=", 7},
    {">=", 7},
    {"==", 6},
    {"!=", 6},
    {"&", 5},
    {"^", 4},
    {"|", 3},
    {"&&", 2},
    {"||", 1},
});

int precedenceOf(const Token* token) {
  if (!token || token->kind != TokenKind::punctuator) return 0;
  for (const BinaryRow& row : kBinaryOperators) {
    if (row.op == token->text) return row.precedence;
  }
  return 0;
}

struct SyntaxFailure {
  std::uint32_t column;
};

using Value = ConditionEvaluator::Value;

Value signedValue(std::int64_t value) { return {static_cast<std::uint32_t>(value), false}; }
Value truthValue(bool truth) { return {truth ? 1u : 0u, false}; }

std::int32_t asSigned(Value value) { return static_cast<std::int32_t>(value.bits); }

}  // namespace

ConditionEvaluator::ConditionEvaluator(std::span<const Token> tokens, Diagnostics& diagnostics,
                                       const RunOptions& options)
    : tokens_(tokens), diagnostics_(diagnostics), options_(options) {}

bool ConditionEvaluator::evaluate() {
  if (tokens_.empty()) return false;
  try {
    Value value = conditional(true);
    if (at_ != tokens_.size()) syntaxError();
    return value.truth();
  } catch (const SyntaxFailure& failure) {
    diagnostics_.report(Message::syntaxErrorAtColumn, {failure.column});
    return false;
  }
}

void ConditionEvaluator::syntaxError() const {
  const Token* token = peek();
  throw SyntaxFailure{token && token->column ? token->column : 1};
}

bool ConditionEvaluator::accept(std::string_view spelling) {
  const Token* token = peek();
  if (!token || token->kind != TokenKind::punctuator || token->text != spelling) return false;
  ++at_;
  return true;
}

// conditional: binary [ '?' conditional ':' conditional ]
Value ConditionEvaluator::conditional(bool live) {
  Value condition = binary(1, live);
  if (!accept("?")) return condition;
  Value whenTrue = conditional(live && condition.truth());
  if (!accept(":")) syntaxError();
  Value whenFalse = conditional(live && !condition.truth());
  Value result = condition.truth() ? whenTrue : whenFalse;
  result.isUnsigned = whenTrue.isUnsigned || whenFalse.isUnsigned;
  return result;
}

// binary: unary { operator binary-of-higher-precedence }
Value ConditionEvaluator::binary(int minimumPrecedence, bool live) {
  Value left = unary(live);
  for (;;) {
    int precedence = precedenceOf(peek());
    if (precedence < minimumPrecedence || precedence == 0) return left;
    std::string_view op = tokens_[at_++].text;
    bool rightLive = live;
    if (op == "&&") rightLive = live && left.truth();
    if (op == "||") rightLive = live && !left.truth();
    Value right = binary(precedence + 1, rightLive);
    left = apply(op, left, right, live);
  }
}

Value ConditionEvaluator::apply(std::string_view op, Value left, Value right, bool live) {
  if (op == "&&") return truthValue(left.truth() && right.truth());
  if (op == "||") return truthValue(left.truth() || right.truth());
  bool isUnsigned = left.isUnsigned || right.isUnsigned;
  std::uint32_t a = left.bits;
  std::uint32_t b = right.bits;
  if (op == "<<" || op == ">>") {
    unsigned shift = b & 31u;
    if (op == "<<") return {a << shift, left.isUnsigned};
    return left.isUnsigned ? Value{a >> shift, true} : signedValue(asSigned(left) >> shift);
  }
  if (op == "/" || op == "%") {
    if (b == 0) {
      if (live) diagnostics_.report(Message::divisionByZero);
      return {0, isUnsigned};
    }
    if (isUnsigned) return {op == "/" ? a / b : a % b, true};
    std::int64_t x = asSigned(left);
    std::int64_t y = asSigned(right);
    return signedValue(op == "/" ? x / y : x % y);
  }
  if (op == "<" || op == ">" || op == "<=" || op == ">=") {
    bool less = isUnsigned ? a < b : asSigned(left) < asSigned(right);
    bool greater = isUnsigned ? a > b : asSigned(left) > asSigned(right);
    if (op == "<") return truthValue(less);
    if (op == ">") return truthValue(greater);
    if (op == "<=") return truthValue(!greater);
    return truthValue(!less);
  }
  if (op == "==") return truthValue(a == b);
  if (op == "!=") return truthValue(a != b);
  std::uint32_t bits = 0;
  switch (op[0]) {
    case '*':
      bits = a * b;
      break;
    case '+':
      bits = a + b;
      break;
    case '-':
      bits = a - b;
      break;
    case '&':
      bits = a & b;
      break;
    case '^':
      bits = a ^ b;
      break;
    case '|':
      bits = a | b;
      break;
    default:
      syntaxError();
  }
  return {bits, isUnsigned};
}

// unary: ('+' | '-' | '~' | '!') unary | primary
Value ConditionEvaluator::unary(bool live) {
  if (accept("+")) return unary(live);
  if (accept("-")) {
    Value value = unary(live);
    return {0u - value.bits, value.isUnsigned};
  }
  if (accept("~")) {
    Value value = unary(live);
    return {~value.bits, value.isUnsigned};
  }
  if (accept("!")) return truthValue(!unary(live).truth());
  return primary(live);
}

// primary: number | character | identifier | '(' conditional ')'
Value ConditionEvaluator::primary(bool live) {
  const Token* token = peek();
  if (!token) syntaxError();
  if (accept("(")) {
    Value value = conditional(live);
    if (!accept(")")) syntaxError();
    return value;
  }
  IntegerConstant constant;
  switch (token->kind) {
    case TokenKind::identifier:
      ++at_;
      return {0, false};
    case TokenKind::number:
      constant = parseIntegerConstant(token->text, options_, diagnostics_);
      if (!constant.valid) {
        diagnostics_.report(Message::illegalNumber, {token->text});
        constant.value = 0;
      }
      break;
    case TokenKind::character:
      constant = parseCharacterConstant(token->text, options_, diagnostics_);
      break;
    default:
      syntaxError();
  }
  ++at_;
  return {constant.value,
          isUnsignedType(constant.type) && constant.type != IntegerType::unsignedChar};
}

}  // namespace kz::cfront
