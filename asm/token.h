#pragma once
// Tokens of the assembly language, as the lexer makes them and the token work file replays
// them.
#include <cassert>
#include <cstdint>
#include <string>

namespace kz::assembler {

enum class TokenKind : std::uint8_t {
  lineEnd,
  endOfSource,
  identifier,   // text = name (at most 32 characters kept), or bound to a symbol after replay
  reserved,     // wordClass + value
  integer,      // value; text = the constant as written (character constants too), lexer only
  floating,     // floatValue + precision; text = the constant as written
  string,       // text = the bytes of the string; punct = '"', or '<' for an <include> name
  punct,        // punct = the character (+ - * / % & | ^ ~ ( ) , : . and any other)
  shiftLeft,    // <<
  shiftRight,   // >>
  memoryOpen,   // '(' of an instruction operand that is one parenthesised group
  memoryClose,  // its matching ')'
};

enum class ReservedClass : std::uint8_t {
  include,          // $INCLUDE
  memoryModel,      // SMALL 8, MEDIUM 16, LARGE 24
  sectionFunction,  // STARTOF 0, SIZEOF 1
  moduleSection,    // MODULE SECTION END PUBLIC EXTERN EQU
  location,         // ORG ALIGN ABS
  floatPart,        // FIMS 0 ... FIMXL 5
  debugDirective,   // FILE LINE SYMBOL_A SYMBOL_B SYMBOL_N SYMBOL_T
  dataDefinition,   // DB DW DP DL DD DSB ... DFD
  floatData,        // FDATAS FDATAD FDATAX
  control,          // $TITLE $EJECT $LIST $NOLIST $SAVE $RESTORE and short forms
  controlName,      // INCLUDE TITLE TT ... (reserved, form no statement)
  condition,        // T 0 ... GT 11
  reg,              // W A B C D E H L WA BC DE HL SP RBS CF PSW PC
  mnemonic,         // NOP 1000 ... CAL 1045
};

enum SectionFunctionValue : std::int32_t { startOf = 0, sizeOf = 1 };

enum class FloatPrecision : std::uint8_t { single, dbl, extended };

// An identifier token that carries no symbol index.
inline constexpr std::uint32_t kNoSymbol = 0xFFFFFFFFu;

struct Token {
  TokenKind kind = TokenKind::lineEnd;
  ReservedClass wordClass = ReservedClass::include;
  char punct = 0;
  FloatPrecision precision = FloatPrecision::dbl;
  std::int32_t value = 0;
  long double floatValue = 0;

  // The characters as the lexer saw them: a string's bytes, a constant as written, the name
  // of an identifier not bound to a symbol. A bound identifier's name is the symbol's:
  // identifierName() gives it, and asking for the text of a bound token is a fault.
  const std::string& text() const {
    assert(!isBound() && "a bound identifier's name comes from identifierName()");
    return text_;
  }
  // The stored characters themselves, for the lexer and the token file that fill them.
  std::string& spelling() { return text_; }
  const std::string& spelling() const { return text_; }

  // Set once the identifier is entered in the symbol table; the token file then stores the
  // index instead of the name, and replays the token bound with empty text.
  bool isBound() const { return kind == TokenKind::identifier && symbol_ != kNoSymbol; }
  std::uint32_t boundSymbol() const { return isBound() ? symbol_ : kNoSymbol; }
  void bind(std::uint32_t symbol) { symbol_ = symbol; }
  void unbind() { symbol_ = kNoSymbol; }

 private:
  std::uint32_t symbol_ = kNoSymbol;
  std::string text_;
};

}  // namespace kz::assembler
