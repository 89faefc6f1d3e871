#pragma once
// The tokeniser of pass 1. It scans the lines of the source reader in place and knows just
// enough of the statement layout ([label:] keyword operands) to apply the rules that depend
// on the keyword:
//   - instruction operands are pre-scanned once: parentheses must balance (error 205), and an
//     operand that is exactly one parenthesised group gets memoryOpen/memoryClose tokens;
//   - in the operands of CLR SET CPL TEST LD AND OR XOR a word such as "A.3" is split into the
//     register, a '.' token and the rest;
//   - in the operands of FILE LINE SYMBOL_A/B/N/T a backslash is an ordinary character;
//   - the name after MODULE may contain '-';
//   - the name after $INCLUDE is taken verbatim up to '"' or '>' and returned as a string
//     token whose punct is '"' or '<'.
// A '.' directly after ')' is always a '.' token (the bit suffix of "(HL).3").
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "asm/reporter.h"
#include "asm/run_options.h"
#include "asm/source_reader.h"
#include "asm/token.h"

namespace kz::assembler {

class Lexer {
 public:
  static constexpr std::size_t kMaxNameLength = 32;
  static constexpr std::size_t kMaxConstantText = 99;
  static constexpr std::size_t kMaxStringLength = 509;

  Lexer(SourceReader& reader, const RunOptions& options, Reporter& reporter);

  // Reads the next token into `token` (its text buffer is reused) and returns its kind.
  // Reading the first token of a line begins a statement in the reporter. At the line end
  // of a statement that held an illegal character, error 200 is reported unless the
  // statement already has an error.
  TokenKind nextToken(Token& token);

  // An END statement was read: any text after it, from here on, draws warning 507 once per
  // line and the rest of that line is skipped.
  void noteEndStatement() { afterEnd_ = true; }

  // Enters an include file; call it after the statement's line end (any rest of the current
  // line is dropped). See SourceReader::enterInclude.
  std::optional<int> enterInclude(std::string_view name, IncludeForm form);

  // Forgets the current line and the END state; call after the reader was rewound.
  void restart();

  int fileIndex() const { return reader_.fileIndex(); }
  long lineNumber() const { return reader_.lineNumber(); }
  int includeDepth() const { return reader_.depth(); }
  int takeLeftIncludes() { return reader_.takeLeftIncludes(); }
  // The text of the current line, valid until the next line is read.
  std::string_view lineText() const { return line_; }
  bool lineHasIllegalCharacter() const { return illegalCharacter_; }

 private:
  // Where the statement stands: before anything, after a leading name, after "name:", at the
  // name after MODULE or $INCLUDE, or in the operands of its keyword.
  enum class Field : std::uint8_t {
    start,
    afterName,
    afterLabel,
    moduleName,
    includeName,
    operands,
  };

  bool startLine();
  TokenKind finishLine(Token& token);
  void skipSpace();
  TokenKind scanToken(Token& token, bool hyphenInWord);
  TokenKind scanWord(Token& token, bool hyphenInWord, bool dotIsPunct);
  std::size_t wordEnd(std::size_t p, unsigned partClasses) const;
  TokenKind scanParenthesis(Token& token, char c);
  TokenKind scanNumber(Token& token);
  TokenKind scanCharacterConstant(Token& token);
  TokenKind scanString(Token& token);
  TokenKind scanIncludeName(Token& token);
  int readEscape();
  int readOctalEscape(int first);
  int readHexEscape();
  void trackStatementField(const Token& token);
  void beginOperandField(const Token& keyword);
  void scanOperandField();
  bool escapesEnabled() const;

  SourceReader& reader_;
  const RunOptions& options_;
  Reporter& reporter_;

  std::string_view line_;
  std::size_t pos_ = 0;
  bool haveLine_ = false;
  bool endOfSource_ = false;
  bool afterEnd_ = false;
  bool lineAfterEnd_ = false;
  bool illegalCharacter_ = false;
  bool lineHasParenthesis_ = false;

  Field field_ = Field::start;
  bool bitOperands_ = false;
  bool debugOperands_ = false;
  bool dotIsPunct_ = false;
  std::vector<std::size_t> memoryParens_;  // line offsets of memory-bracket parentheses
  std::size_t nextMemoryParen_ = 0;
};

}  // namespace kz::assembler
