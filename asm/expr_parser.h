#pragma once
// Parsing an operand's tokens into an ExprTree.
//
// Precedence, tightest first; every binary operator is left-associative:
//   1 :            2 unary + - ~      3 * / %      4 + -
//   5 << >>        6 &                7 ^          8 |
// A primary is a constant, a name, $, ( expression ), STARTOF/SIZEOF name (the name may be
// in parentheses) or FIMS..FIMXL ( floating expression ).
//
// A + or - directly after a binary operator is parsed as a sign, but the statement gets
// error 206 when endStatement() is called: the parser only remembers it.
//
// Floating expressions (inside FIMS..FIMXL, and parseFloating() for the operands of FDATAS,
// FDATAD, FDATAX) may use only + - * /, signs and parentheses. A floating constant whose
// precision differs from the one the context fixes gives warning 518 (once per expression,
// not in the sizing passes).
//
// Parsing stops before the first token that cannot continue the expression (a comma, the
// line end, a ')' it did not open, ...); the caller checks what follows. On an error the
// message is reported and the returned tree is not valid().
#include <span>

#include "asm/expr.h"
#include "asm/reporter.h"
#include "asm/symbols.h"
#include "asm/token.h"

namespace kz::assembler {

// The tokens of a statement's field with lookahead; past the end it yields a line end.
// An identifier the expression parser finds in the symbol table gets the symbol's index
// written into its token, so that the token file can store the index instead of the name.
class TokenCursor {
 public:
  explicit TokenCursor(std::span<Token> tokens) : tokens_(tokens) {}

  const Token& current() const { return peek(0); }
  const Token& peek(std::size_t ahead) const {
    return position_ + ahead < tokens_.size() ? tokens_[position_ + ahead] : kLineEnd;
  }
  void advance() {
    if (position_ < tokens_.size()) ++position_;
  }
  void bindSymbol(SymbolIndex symbol) {
    if (position_ < tokens_.size()) tokens_[position_].bind(symbol);
  }
  std::size_t position() const { return position_; }

 private:
  inline static const Token kLineEnd{};
  std::span<Token> tokens_;
  std::size_t position_ = 0;
};

// An identifier's name: its text, or the name of the symbol a replayed token carries instead.
inline std::string_view identifierName(const Token& token, const SymbolTable& symbols) {
  return token.isBound() ? std::string_view(symbols.entry(token.boundSymbol()).name)
                         : std::string_view(token.text());
}

class ExprParser {
 public:
  ExprParser(SymbolTable& symbols, Reporter& reporter) : symbols_(symbols), reporter_(reporter) {}

  // In pass 1 unknown names are entered as referenced, and references are recorded when the
  // symbol table records them.
  ExprTree parse(TokenCursor& tokens, Pass pass);
  ExprTree parseFloating(TokenCursor& tokens, Pass pass, FloatPrecision precision);
  // The same into a tree the caller keeps, so that its storage serves expression after
  // expression.
  void parse(TokenCursor& tokens, Pass pass, ExprTree& tree);
  void parseFloating(TokenCursor& tokens, Pass pass, FloatPrecision precision, ExprTree& tree);

  // Reports the deferred error 206 of the statement, if any, and forgets it.
  void endStatement();
  bool hasDeferredError() const { return signAfterOperator_; }
  // Forgets it without a message: a later pass, whose statement remembers its pass-1 errors.
  void forgetDeferredError() { signAfterOperator_ = false; }

 private:
  static bool parseLoneNumber(TokenCursor& tokens, ExprTree& tree);
  friend class ExprParseRun;

  SymbolTable& symbols_;
  Reporter& reporter_;
  bool signAfterOperator_ = false;
};

}  // namespace kz::assembler
