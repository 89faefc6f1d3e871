#pragma once
// The tokens the preprocessor hands to the parser. The class is what the grammar sees; the
// value tells the words and operators of one class apart (for operators and instruction
// words it is the operation code: the mnemonic's position in the instruction table plus one).
#include <cstdint>
#include <string_view>

namespace kz::clike {

struct SymbolEntry;

enum class TokenClass : std::uint8_t {
  endOfInput,
  identifier,  // a symbol name: symbol and text are set
  number,      // value
  character,   // value: first byte << 8 | second byte, or the one byte
  string,      // text: the bytes after escapes, without quotes
  asmBlock,    // text: the lines between #asm and #endasm, each ended by "\n"
  pragma,      // "#pragma": the line's tokens follow, then endOfDirective
  endOfDirective,

  // Fixed words of the token table.
  directive,    // handled by the preprocessor; never reaches the parser
  ifDirective,  // likewise
  register8,
  register16,
  condition,
  instructionStatement,
  jumpStatement,
  instructionFunction,
  storageClass,
  typeWord,
  structUnion,
  pointerAttribute,
  sectionAttribute,
  sectionClass,
  placement,
  keywordSection,
  keywordIf,
  keywordElse,
  keywordWhile,
  keywordFor,
  keywordDo,
  keywordCase,
  keywordDefault,
  keywordSizeof,
  switchDepend,  // switch (50), depend (51)

  // Operators, one class per precedence group as the grammar uses them.
  unaryOperator,  // ! ~
  incrementDecrement,
  star,
  divideModulo,
  plus,
  minus,
  shift,
  relational,
  equality,
  ampersand,
  caret,
  bar,
  logicalAnd,
  logicalOr,
  question,
  colon,
  assign,
  compoundAssign,
  member,  // . ->
  openParen,
  closeParen,
  openBracket,
  closeBracket,
  openBrace,
  closeBrace,
  comma,
  semicolon,
};

struct Token {
  TokenClass kind = TokenClass::endOfInput;
  std::int32_t value = 0;
  // identifier: the symbol's name; string and asmBlock: their bytes; a fixed word or
  // operator: its text. Stays valid for the whole run.
  std::string_view text;
  SymbolEntry* symbol = nullptr;
  std::uint32_t line = 0;  // line number within its file
  std::uint8_t depth = 0;  // include depth of that file (0: the main source)
};

// Short lower-case name of a class, for the token dump and tests.
std::string_view tokenClassName(TokenClass kind);

}  // namespace kz::clike
