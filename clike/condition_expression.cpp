#include "clike/condition_expression.h"

#include <string>

namespace kz::clike {
namespace {

using enum TokenClass;

// Binary operator levels, loosest first.
constexpr int kLevels = 10;

bool atLevel(const Token& token, int level) {
  switch (level) {
    case 0:
      return token.kind == logicalOr;
    case 1:
      return token.kind == logicalAnd;
    case 2:
      return token.kind == bar;
    case 3:
      return token.kind == caret;
    case 4:
      return token.kind == ampersand;
    case 5:
      return token.kind == equality;
    case 6:
      return token.kind == relational;
    case 7:
      return token.kind == shift;
    case 8:
      return token.kind == plus || token.kind == minus;
    case 9:
      return token.kind == star || token.kind == divideModulo;
    default:
      return false;
  }
}

std::int32_t asSigned(std::uint32_t value) { return static_cast<std::int32_t>(value); }

}  // namespace

ConditionExpression::ConditionExpression(Diagnostics& diagnostics, std::function<Token()> next)
    : diagnostics_(diagnostics), next_(std::move(next)) {}

void ConditionExpression::advance() { token_ = next_(); }

void ConditionExpression::fail(Message message, std::string_view text) {
  if (!failed_) diagnostics_.reportError(message, text);
  failed_ = true;
}

void ConditionExpression::syntax() {
  std::string text = token_.kind == number || token_.kind == character
                         ? std::to_string(token_.value)
                         : std::string(token_.text);
  fail(Message::syntaxError, text);
}

std::optional<std::int32_t> ConditionExpression::evaluate() {
  advance();
  Value value = 0;
  if (token_.kind == endOfDirective)
    syntax();
  else
    value = conditional();
  if (token_.kind != endOfDirective) syntax();
  while (token_.kind != endOfDirective && token_.kind != endOfInput) advance();
  if (failed_) return std::nullopt;
  return asSigned(value);
}

// conditional: binary(0) [ '?' conditional ':' conditional ]
ConditionExpression::Value ConditionExpression::conditional() {
  Value condition = binary(0);
  if (token_.kind != question) return condition;
  advance();
  Value whenTrue = conditional();
  if (token_.kind != colon) {
    syntax();
    return 0;
  }
  advance();
  Value whenFalse = conditional();
  return condition ? whenTrue : whenFalse;
}

ConditionExpression::Value ConditionExpression::binary(int level) {
  if (level == kLevels) return unary();
  Value left = binary(level + 1);
  while (atLevel(token_, level)) {
    Token op = token_;
    advance();
    Value right = binary(level + 1);
    switch (op.kind) {
      case logicalOr:
        left = left || right;
        break;
      case logicalAnd:
        left = left && right;
        break;
      case bar:
        left |= right;
        break;
      case caret:
        left ^= right;
        break;
      case ampersand:
        left &= right;
        break;
      case equality:
        left = op.text == "==" ? left == right : left != right;
        break;
      case relational:
        if (op.text == "<")
          left = asSigned(left) < asSigned(right);
        else if (op.text == "<=")
          left = asSigned(left) <= asSigned(right);
        else if (op.text == ">")
          left = asSigned(left) > asSigned(right);
        else
          left = asSigned(left) >= asSigned(right);
        break;
      case shift:
        left = right >= 32 ? 0 : op.text == "<<" ? left << right : left >> right;
        break;
      case plus:
        left += right;
        break;
      case minus:
        left -= right;
        break;
      case star:
        left *= right;
        break;
      case divideModulo:
        if (right == 0) {
          fail(Message::divideByZero);
          left = 0;
        } else if (asSigned(left) == INT32_MIN && asSigned(right) == -1) {
          left = op.text == "/" ? left : 0;
        } else {
          std::int32_t a = asSigned(left), b = asSigned(right);
          left = static_cast<Value>(op.text == "/" ? a / b : a % b);
        }
        break;
      default:
        break;
    }
  }
  return left;
}

// unary: ('-' | '+' | '~' | '!') unary | primary
ConditionExpression::Value ConditionExpression::unary() {
  Token op = token_;
  if (op.kind == minus || op.kind == plus || op.kind == unaryOperator) {
    advance();
    Value operand = unary();
    if (op.kind == minus) return 0u - operand;
    if (op.kind == plus) return operand;
    return op.text == "~" ? ~operand : Value{operand == 0};
  }
  return primary();
}

// primary: number | character | '(' conditional ')'
ConditionExpression::Value ConditionExpression::primary() {
  Token at = token_;
  switch (at.kind) {
    case number:
    case character:
      advance();
      return static_cast<Value>(at.value);
    case openParen: {
      advance();
      Value value = conditional();
      if (token_.kind != closeParen) {
        syntax();
        return 0;
      }
      advance();
      return value;
    }
    case identifier:
      fail(Message::undefinedSymbol, at.text);
      advance();
      return 0;
    case register8:
    case register16:
      fail(Message::registerInExpression, at.text);
      advance();
      return 0;
    case string:
      fail(Message::illegalStringConstant);
      advance();
      return 0;
    default:
      syntax();
      return 0;
  }
}

}  // namespace kz::clike
