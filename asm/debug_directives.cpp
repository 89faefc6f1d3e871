#include "asm/debug_directives.h"

#include "asm/expr_parser.h"

namespace kz::assembler {
namespace {

bool isPunct(const Token& token, char c) {
  return token.kind == TokenKind::punct && token.punct == c;
}

// operand := string | ['+'|'-'] integer | word
std::optional<DebugOperand> parseOperand(std::span<const Token> tokens, std::size_t& position,
                                         const SymbolTable& symbols) {
  if (position >= tokens.size()) return std::nullopt;
  const Token& first = tokens[position++];
  switch (first.kind) {
    case TokenKind::string:
      return DebugOperand{DebugOperandKind::string, first.text(), 0};
    case TokenKind::identifier:
      return DebugOperand{DebugOperandKind::word, std::string(identifierName(first, symbols)), 0};
    case TokenKind::reserved:
      return DebugOperand{DebugOperandKind::word,
                          std::string(reservedSpelling(first.wordClass, first.value)), 0};
    case TokenKind::integer:
      return DebugOperand{DebugOperandKind::number, {}, first.value};
    case TokenKind::punct:
      if ((first.punct == '-' || first.punct == '+') && position < tokens.size() &&
          tokens[position].kind == TokenKind::integer) {
        std::int32_t value = tokens[position++].value;
        if (first.punct == '-')
          value = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value));
        return DebugOperand{DebugOperandKind::number, {}, value};
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<std::vector<DebugOperand>> parseDebugOperands(std::span<const Token> tokens,
                                                            const SymbolTable& symbols) {
  std::vector<DebugOperand> operands;
  std::size_t position = 0;
  while (true) {
    auto operand = parseOperand(tokens, position, symbols);
    if (!operand) return std::nullopt;
    operands.push_back(std::move(*operand));
    if (position == tokens.size()) return operands;
    if (!isPunct(tokens[position++], ',')) return std::nullopt;
  }
}

}  // namespace kz::assembler
