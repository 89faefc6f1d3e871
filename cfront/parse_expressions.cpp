// Expressions: precedence climbing over the binary operators, casts, unary and postfix
// forms, and the primary expressions with their constants.
#include <string>

#include "cfront/constants.h"
#include "cfront/literals.h"
#include "cfront/parser.h"

namespace kz::cfront {
namespace {

struct BinaryRow {
  BinaryOp op;
  int precedence;  // 1 (||) to kBinaryLevels (* / %); 0 for a token that is no operator
};

BinaryRow binaryRowOf(Tok kind) {
  switch (kind) {
    case Tok::pipePipe:
      return {BinaryOp::logicalOr, 1};
    case Tok::ampAmp:
      return {BinaryOp::logicalAnd, 2};
    case Tok::pipe:
      return {BinaryOp::bitOr, 3};
    case Tok::caret:
      return {BinaryOp::bitXor, 4};
    case Tok::amp:
      return {BinaryOp::bitAnd, 5};
    case Tok::equalEqual:
      return {BinaryOp::equal, 6};
    case Tok::notEqual:
      return {BinaryOp::notEqual, 6};
    case Tok::less:
      return {BinaryOp::less, 7};
    case Tok::greater:
      return {BinaryOp::greater, 7};
    case Tok::lessEqual:
      return {BinaryOp::lessEqual, 7};
    case Tok::greaterEqual:
      return {BinaryOp::greaterEqual, 7};
    case Tok::shiftLeft:
      return {BinaryOp::shiftLeft, 8};
    case Tok::shiftRight:
      return {BinaryOp::shiftRight, 8};
    case Tok::plus:
      return {BinaryOp::add, 9};
    case Tok::minus:
      return {BinaryOp::subtract, 9};
    case Tok::star:
      return {BinaryOp::multiply, 10};
    case Tok::slash:
      return {BinaryOp::divide, 10};
    case Tok::percent:
      return {BinaryOp::remainder, 10};
    default:
      return {BinaryOp::none, 0};
  }
}

// The operator of an assignment token; nullopt when it is none.
std::optional<BinaryOp> assignmentOf(Tok kind) {
  switch (kind) {
    case Tok::assign:
      return BinaryOp::none;
    case Tok::starAssign:
      return BinaryOp::multiply;
    case Tok::slashAssign:
      return BinaryOp::divide;
    case Tok::percentAssign:
      return BinaryOp::remainder;
    case Tok::plusAssign:
      return BinaryOp::add;
    case Tok::minusAssign:
      return BinaryOp::subtract;
    case Tok::shiftLeftAssign:
      return BinaryOp::shiftLeft;
    case Tok::shiftRightAssign:
      return BinaryOp::shiftRight;
    case Tok::ampAssign:
      return BinaryOp::bitAnd;
    case Tok::caretAssign:
      return BinaryOp::bitXor;
    case Tok::pipeAssign:
      return BinaryOp::bitOr;
    default:
      return std::nullopt;
  }
}

TypeKind typeKindOf(IntegerType type) {
  switch (type) {
    case IntegerType::signedChar:
      return TypeKind::signedChar;
    case IntegerType::unsignedChar:
      return TypeKind::unsignedChar;
    case IntegerType::intType:
      return TypeKind::intType;
    case IntegerType::unsignedInt:
      return TypeKind::unsignedInt;
    case IntegerType::longType:
      return TypeKind::longType;
    case IntegerType::unsignedLong:
      return TypeKind::unsignedLong;
  }
  return TypeKind::intType;
}

// The tokens unaryExpression reads as operators before its operand.
bool isPrefixOperator(Tok kind) {
  switch (kind) {
    case Tok::plusPlus:
    case Tok::minusMinus:
    case Tok::kwSizeof:
    case Tok::amp:
    case Tok::star:
    case Tok::plus:
    case Tok::minus:
    case Tok::tilde:
    case Tok::bang:
      return true;
    default:
      return false;
  }
}

bool isFloatingSpelling(std::string_view text) {
  bool hex = text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex) return false;
  for (char c : text)
    if (c == '.' || c == 'e' || c == 'E') return true;
  return false;
}

}  // namespace

Expr* Parser::expression() {
  Expr* value = assignment();
  while (peek().kind == Tok::comma) {
    SourceSpot spot = takeSpot();
    value = expressions_.comma(value, assignment(), spot);
  }
  return value;
}

Expr* Parser::assignment() {
  enterNesting();
  Expr* target = conditionalExpression();
  std::optional<BinaryOp> op = assignmentOf(peek().kind);
  if (op) {
    SourceSpot spot = takeSpot();
    target = expressions_.assign(*op, target, assignment(), spot);
  }
  leaveNesting();
  return target;
}

Expr* Parser::conditionalExpression() {
  Expr* condition = binaryExpression();
  if (peek().kind != Tok::question) return condition;
  SourceSpot spot = takeSpot();
  expressions_.checkCondition(condition);
  enterNesting();
  Expr* whenTrue = expression();
  expect(Tok::colon);
  Expr* whenFalse = conditionalExpression();
  leaveNesting();
  return expressions_.conditional(condition, whenTrue, whenFalse, spot);
}

// One loop for every level: the operands still waiting for their right side are kept with
// their operators, whose precedences rise from the bottom of the stack to the top, so at most
// one entry per level is waiting. An operator of no higher precedence than the top's first
// completes the waiting ones.
Expr* Parser::binaryExpression() {
  struct Waiting {
    Expr* left;
    BinaryOp op;
    int precedence;
    SourceSpot spot;
  };
  Waiting waiting[kBinaryLevels];
  int depth = 0;
  Expr* right = castExpression();
  for (;;) {
    BinaryRow row = binaryRowOf(peek().kind);
    while (depth > 0 && waiting[depth - 1].precedence >= row.precedence) {
      const Waiting& top = waiting[--depth];
      leaveNesting();
      right = expressions_.binary(top.op, top.left, right, top.spot);
    }
    if (row.op == BinaryOp::none) return right;
    SourceSpot spot = takeSpot();
    enterNesting();
    waiting[depth++] = {right, row.op, row.precedence, spot};
    right = castExpression();
  }
}

// An operand that starts with no prefix operator goes straight to the postfix forms.
Expr* Parser::castExpression() {
  Tok kind = peek().kind;
  if (kind == Tok::lparen) {
    bool typeFollows = beginsTypeName(tokens_.peekSecond());
    if (typeFollows) {
      SourceSpot spot = takeSpot();
      enterNesting();
      TypeRef type = typeName();
      expect(Tok::rparen);
      Expr* operand = castExpression();
      leaveNesting();
      return expressions_.cast(type, operand, spot);
    }
  }
  if (isPrefixOperator(kind)) return unaryExpression();
  return postfixExpression();
}

Expr* Parser::unaryExpression() {
  const CToken& token = peek();
  SourceSpot spot = token.spot;
  ExprKind kind;
  switch (token.kind) {
    case Tok::plusPlus:
    case Tok::minusMinus: {
      bool increase = takeKind() == Tok::plusPlus;
      enterNesting();
      Expr* operand = unaryExpression();
      leaveNesting();
      return expressions_.increment(operand, increase, true, spot);
    }
    case Tok::kwSizeof: {
      skip();
      enterNesting();
      Expr* result = nullptr;
      if (peek().kind == Tok::lparen) {
        bool typeFollows = beginsTypeName(tokens_.peekSecond());
        if (typeFollows) {
          skip();
          TypeRef type = typeName();
          expect(Tok::rparen);
          result = expressions_.sizeofType(type, spot);
        }
      }
      if (!result) result = expressions_.sizeofExpression(unaryExpression(), spot);
      leaveNesting();
      return result;
    }
    case Tok::amp:
      kind = ExprKind::addressOf;
      break;
    case Tok::star:
      kind = ExprKind::indirection;
      break;
    case Tok::plus:
      kind = ExprKind::unaryPlus;
      break;
    case Tok::minus:
      kind = ExprKind::negate;
      break;
    case Tok::tilde:
      kind = ExprKind::bitNot;
      break;
    case Tok::bang:
      kind = ExprKind::logicalNot;
      break;
    default:
      return postfixExpression();
  }
  skip();
  enterNesting();
  Expr* operand = castExpression();
  leaveNesting();
  return expressions_.unary(kind, operand, spot);
}

Expr* Parser::postfixExpression() {
  Expr* value = primaryExpression();
  for (;;) {
    const CToken& token = peek();
    SourceSpot spot = token.spot;
    switch (token.kind) {
      case Tok::lbracket: {
        skip();
        enterNesting();
        Expr* index = expression();
        expect(Tok::rbracket);
        leaveNesting();
        value = expressions_.subscript(value, index, spot);
        break;
      }
      case Tok::lparen: {
        skip();
        enterNesting();
        StackTop<Expr> arguments(argumentStack_);
        if (peek().kind != Tok::rparen) {
          for (;;) {
            Expr* argument = assignment();
            argumentStack_.push_back(argument);
            if (!accept(Tok::comma)) break;
          }
        }
        expect(Tok::rparen);
        leaveNesting();
        value = expressions_.call(value, arguments.items(), spot);
        break;
      }
      case Tok::dot:
      case Tok::arrow: {
        bool arrow = takeKind() == Tok::arrow;
        CToken name = expectIdentifier();
        value = expressions_.member(value, name.text, arrow, spot);
        break;
      }
      case Tok::plusPlus:
      case Tok::minusMinus: {
        bool increase = takeKind() == Tok::plusPlus;
        value = expressions_.increment(value, increase, false, spot);
        break;
      }
      default:
        return value;
    }
  }
}

Expr* Parser::primaryExpression() {
  const CToken& token = peek();
  switch (token.kind) {
    case Tok::identifier:
    case Tok::registerWord: {
      Identifier* id = token.id;
      std::string_view text = token.text;
      SourceSpot spot = token.spot;
      skip();
      bool called = peek().kind == Tok::lparen;
      return expressions_.name(scopes_.find(id), text, called, spot);
    }
    case Tok::number:
    case Tok::character:
      return constantPrimary(take());
    case Tok::string:
      return stringPrimary(take());
    case Tok::lparen: {
      skip();
      enterNesting();
      Expr* value = expression();
      expect(Tok::rparen);
      leaveNesting();
      return value;
    }
    default:
      syntaxError();
  }
}

Expr* Parser::constantPrimary(const CToken& token) {
  if (token.kind == Tok::character) {
    IntegerConstant value = parseCharacterConstant(token.text, options_, diagnostics_);
    return expressions_.integerConstant(static_cast<long long>(value.value),
                                        types_.basic(typeKindOf(value.type)), token.spot);
  }
  if (isFloatingSpelling(token.text)) {
    FloatingValue value = parseFloatingConstant(token.text, diagnostics_);
    if (!value.valid) diagnostics_.report(Message::illegalNumber, {token.text});
    return expressions_.floatingConstant(value.value, types_.basic(value.type), token.spot);
  }
  IntegerConstant value = parseIntegerConstant(token.text, options_, diagnostics_);
  if (!value.valid) diagnostics_.report(Message::illegalNumber, {token.text});
  return expressions_.integerConstant(static_cast<long long>(value.value),
                                      types_.basic(typeKindOf(value.type)), token.spot);
}

// Adjacent string literals make one.
Expr* Parser::stringPrimary(const CToken& first) {
  StringLiteralBuffer buffer(options_, diagnostics_);
  buffer.clear();
  buffer.append(first.text);
  while (peek().kind == Tok::string) buffer.append(take().text);
  return expressions_.stringLiteral(buffer.bytes(), buffer.wide(), first.spot);
}

std::optional<long long> Parser::constantExpression() {
  return expressions_.integerConstantValue(conditionalExpression());
}

}  // namespace kz::cfront
