#include "asm/operand.h"

#include "asm/instruction_tables.h"
#include "asm/reserved_words.h"

namespace kz::assembler {

namespace {

bool isPunct(const Token& token, char c) {
  return token.kind == TokenKind::punct && token.punct == c;
}

bool isRegisterToken(const Token& token) {
  return token.kind == TokenKind::reserved && token.wordClass == ReservedClass::reg;
}

bool isRegisterToken(const Token& token, Register reg) {
  return isRegisterToken(token) && token.value == valueOf(reg);
}

bool isOperandEnd(const Token& token) {
  return token.kind == TokenKind::lineEnd || token.kind == TokenKind::endOfSource ||
         isPunct(token, ',');
}

}  // namespace

// The tokens of an operand field.
class OperandCursor : public TokenCursor {
 public:
  using TokenCursor::TokenCursor;
  void skipToOperandEnd() {
    while (!isOperandEnd(current())) advance();
  }
};

bool isMergingKind(OperandKind kind) {
  switch (kind) {
    case OperandKind::reg:
    case OperandKind::pair:
    case OperandKind::bitRegister:
    case OperandKind::condition:
    case OperandKind::vector:
    case OperandKind::shortRelative:
    case OperandKind::memory:
    case OperandKind::destinationMemory:
      return true;
    default:
      return false;
  }
}

bool Operand::isMemory() const { return memoryModeOf(*this) != kNoMemoryMode; }

void Operand::reset() {
  // The encoder sets a value only for an expression it evaluated.
  if (hasBitSuffix) bitValue = exprValue{};
  if (valueExpr.valid()) value = exprValue{};
  addressing = AddressingClass::invalid;
  reg = -1;
  secondReg = -1;
  hasBitSuffix = false;
  bitExpr.clear();
  valueExpr.clear();
  memoryMode = kNoMemoryMode;
  kind = OperandKind::none;
}

int memoryModeOf(const Operand& operand) {
  bool baseHL = operand.reg == valueOf(Register::hl);
  switch (operand.addressing) {
    case AddressingClass::direct:
      return directByte;
    case AddressingClass::registerIndirect:
      return baseHL ? pointerHL : pointerDE;
    case AddressingClass::baseDisplacement:
      return baseHL ? hlDisplacement : spDisplacement;
    case AddressingClass::baseIndex:
      return baseHL ? hlIndexC : pcIndexA;
    case AddressingClass::postIncrement:
      return hlPostIncrement;
    case AddressingClass::preDecrement:
      return hlPreDecrement;
    default:
      return kNoMemoryMode;
  }
}

std::span<Operand> OperandParser::parseList(std::span<Token> tokens, Pass pass) {
  OperandCursor cursor(tokens);
  if (isOperandEnd(cursor.current()) && !isPunct(cursor.current(), ',')) return {};
  std::size_t count = 0;
  for (;;) {
    if (count == operands_.size())
      operands_.emplace_back();
    else
      operands_[count].reset();
    parseOne(cursor, pass, operands_[count++]);
    if (!isPunct(cursor.current(), ',')) break;
    cursor.advance();
  }
  return {operands_.data(), count};
}

void OperandParser::parseOne(OperandCursor& tokens, Pass pass, Operand& operand) {
  const Token& first = tokens.current();
  bool parsed = false;
  if (isRegisterToken(first)) {
    parsed = parseRegisterOperand(tokens, operand, pass);
  } else if (first.kind == TokenKind::reserved && first.wordClass == ReservedClass::condition) {
    operand.addressing = AddressingClass::condition;
    operand.reg = first.value;
    tokens.advance();
    parsed = true;
  } else if (first.kind == TokenKind::memoryOpen) {
    parsed = parseMemory(tokens, operand, pass);
  } else if (isOperandEnd(first)) {
    parsed = reject(Message::syntaxError, pass);
  } else {
    operand.addressing = AddressingClass::immediate;
    parsed = parseExpression(tokens, operand.valueExpr, pass);
  }
  if (parsed && !isOperandEnd(tokens.current())) parsed = reject(Message::syntaxError, pass);
  if (!parsed) {
    operand.addressing = AddressingClass::invalid;
    tokens.skipToOperandEnd();
  }
}

// register-operand := register [ '.' bit ]
bool OperandParser::parseRegisterOperand(OperandCursor& tokens, Operand& operand, Pass pass) {
  operand.addressing = AddressingClass::registerName;
  operand.reg = tokens.current().value;
  tokens.advance();
  if (!isPunct(tokens.current(), '.')) return true;
  tokens.advance();
  if (isRegisterToken(tokens.current())) return reject(Message::typeMismatch, pass);
  operand.hasBitSuffix = true;
  return parseExpression(tokens, operand.bitExpr, pass);
}

// memory := '[' ( register-memory | expression ) ']' [ '.' ( bit | register ) ]
bool OperandParser::parseMemory(OperandCursor& tokens, Operand& operand, Pass pass) {
  tokens.advance();
  const Token& first = tokens.current();
  bool parsed = false;
  if (isRegisterToken(first) || (isPunct(first, '-') && isRegisterToken(tokens.peek(1)))) {
    parsed = parseRegisterMemory(tokens, operand, pass);
  } else {
    operand.addressing = AddressingClass::direct;
    parsed = parseExpression(tokens, operand.valueExpr, pass);
  }
  if (!parsed) return false;
  if (tokens.current().kind != TokenKind::memoryClose) return reject(Message::syntaxError, pass);
  tokens.advance();
  if (!isPunct(tokens.current(), '.')) return true;
  tokens.advance();
  return parseMemoryBitSuffix(tokens, operand, pass);
}

// register-memory := DE | HL | HL '+' | '-' HL | HL '+' C | PC '+' A
//                  | ( HL | SP ) ( '+' | '-' ) expression
bool OperandParser::parseRegisterMemory(OperandCursor& tokens, Operand& operand, Pass pass) {
  auto closesAfter = [&tokens](std::size_t ahead) {
    return tokens.peek(ahead).kind == TokenKind::memoryClose;
  };
  const Token& first = tokens.current();
  if (isPunct(first, '-')) {
    if (!isRegisterToken(tokens.peek(1), Register::hl) || !closesAfter(2))
      return reject(Message::typeMismatch, pass);
    operand.addressing = AddressingClass::preDecrement;
    operand.reg = valueOf(Register::hl);
    tokens.advance();
    tokens.advance();
    return true;
  }
  operand.reg = first.value;
  bool baseHL = first.value == valueOf(Register::hl);
  bool baseSP = first.value == valueOf(Register::sp);
  bool basePC = first.value == valueOf(Register::pc);
  const Token& next = tokens.peek(1);
  if (closesAfter(1) && (baseHL || first.value == valueOf(Register::de))) {
    operand.addressing = AddressingClass::registerIndirect;
    tokens.advance();
    return true;
  }
  if (baseHL && isPunct(next, '+') && closesAfter(2)) {
    operand.addressing = AddressingClass::postIncrement;
    tokens.advance();
    tokens.advance();
    return true;
  }
  Register index = basePC ? Register::a : Register::c;
  if ((baseHL || basePC) && isPunct(next, '+') && isRegisterToken(tokens.peek(2), index) &&
      closesAfter(3)) {
    operand.addressing = AddressingClass::baseIndex;
    operand.secondReg = valueOf(index);
    for (int i = 0; i < 3; ++i) tokens.advance();
    return true;
  }
  if ((baseHL || baseSP) && (isPunct(next, '+') || isPunct(next, '-')) &&
      !isRegisterToken(tokens.peek(2))) {
    operand.addressing = AddressingClass::baseDisplacement;
    tokens.advance();
    if (isPunct(next, '+')) tokens.advance();  // a '-' stays: it is the sign of the displacement
    return parseExpression(tokens, operand.valueExpr, pass);
  }
  return reject(Message::typeMismatch, pass);
}

// After ')' '.': a bit number, or the bit-number register g of (DE).g / (HL).g.
bool OperandParser::parseMemoryBitSuffix(OperandCursor& tokens, Operand& operand, Pass pass) {
  if (!isRegisterToken(tokens.current())) {
    operand.hasBitSuffix = true;
    return parseExpression(tokens, operand.bitExpr, pass);
  }
  if (operand.addressing != AddressingClass::registerIndirect ||
      !isByteRegister(tokens.current().value)) {
    return reject(Message::typeMismatch, pass);
  }
  operand.addressing = AddressingClass::bitIndirect;
  operand.secondReg = tokens.current().value;
  tokens.advance();
  return true;
}

bool OperandParser::parseExpression(OperandCursor& tokens, ExprTree& tree, Pass pass) {
  expressions_.parse(tokens, pass, tree);
  return tree.valid();
}

bool OperandParser::reject(Message message, Pass pass) {
  if (pass == Pass::first) reporter_.reportError(message);
  return false;
}

}  // namespace kz::assembler
