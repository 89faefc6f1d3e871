#pragma once
// The tokens of the C parser: keywords, extended keywords, punctuators and constants, made
// from the preprocessor's expanded tokens. Newlines are dropped; identifiers longer than 31
// characters are cut (515); reserved extended words are reported (408) and read as names.
#include <cstdint>
#include <span>
#include <string_view>

#include "cfront/diagnostics.h"
#include "cfront/identifiers.h"
#include "cfront/preprocessor.h"
#include "cfront/syntax_tree.h"

namespace kz::cfront {

enum class Tok : std::uint8_t {
  end,
  identifier,
  number,     // an integer or floating constant, still as spelled
  character,  // 'x' or L'x'
  string,     // "x" or L"x"
  other,      // a character that starts no token

  // keywords
  kwAuto,
  kwBreak,
  kwCase,
  kwChar,
  kwConst,
  kwContinue,
  kwDefault,
  kwDo,
  kwDouble,
  kwElse,
  kwEnum,
  kwExtern,
  kwFloat,
  kwFor,
  kwGoto,
  kwIf,
  kwInt,
  kwLong,
  kwRegister,
  kwReturn,
  kwShort,
  kwSigned,
  kwSizeof,
  kwStatic,
  kwStruct,
  kwSwitch,
  kwTypedef,
  kwUnion,
  kwUnsigned,
  kwVoid,
  kwVolatile,
  kwWhile,

  // extended keywords
  kwAsm,
  kwInline,
  kwIo,
  kwAdecl,
  kwCdecl,
  kwTiny,
  kwNear,
  kwFar,
  kwCompact,
  kwInterrupt,
  kwInterruptN,
  kwRegbank,
  kwRegbankN,
  kwCallv,
  registerWord,  // __W ... __RBS

  // punctuators
  lbracket,
  rbracket,
  lparen,
  rparen,
  lbrace,
  rbrace,
  dot,
  arrow,
  plusPlus,
  minusMinus,
  amp,
  star,
  plus,
  minus,
  tilde,
  bang,
  slash,
  percent,
  shiftLeft,
  shiftRight,
  less,
  greater,
  lessEqual,
  greaterEqual,
  equalEqual,
  notEqual,
  caret,
  pipe,
  ampAmp,
  pipePipe,
  question,
  colon,
  semicolon,
  ellipsis,
  assign,
  starAssign,
  slashAssign,
  percentAssign,
  plusAssign,
  minusAssign,
  shiftLeftAssign,
  shiftRightAssign,
  ampAssign,
  caretAssign,
  pipeAssign,
  comma,
  hash,
  hashHash,
};

struct CToken {
  Tok kind = Tok::end;
  std::string_view text;
  SourceSpot spot;
  Identifier* id = nullptr;  // identifiers and keywords: the spelling's entry
};

class TokenReader {
 public:
  TokenReader(Preprocessor& preprocessor, Diagnostics& diagnostics, const RunOptions& options);

  // A token is read only when the parser first looks at it, so that a #pragma between two
  // declarations acts after the first has been handed on.
  const CToken& peek() {
    if (!haveNext_) {
      fill(next_);
      haveNext_ = true;
    }
    return next_;
  }
  // The token after the next one.
  const CToken& peekSecond() {
    peek();
    if (!haveSecond_) {
      fill(second_);
      haveSecond_ = true;
    }
    return second_;
  }
  CToken take() {
    CToken token = peek();
    advance();
    return token;
  }
  // take() for a token whose value is not wanted.
  void skip() {
    peek();
    advance();
  }
  bool accept(Tok kind) {
    if (peek().kind != kind) return false;
    advance();
    return true;
  }
  IdentifierTable& identifiers() { return identifiers_; }

 private:
  // Reads the next token into slot. Names, numbers and punctuators straight from the file
  // are made here; any other token is left to the calls below.
  void fill(CToken& slot);
  [[gnu::noinline]] void fillInGeneral(CToken& slot);
  // Makes slot from token_ or, for a token the parser does not see, from the next one.
  [[gnu::noinline]] void fillFromRead(CToken& slot);
  // Gives an identifier token its entry and kind.
  [[gnu::always_inline]] inline void classifyIdentifier(CToken& token);
  // Past the next token, which has been read.
  void advance() {
    if (haveSecond_) {
      next_ = second_;
      haveSecond_ = false;
    } else {
      haveNext_ = false;
    }
  }

  Preprocessor& preprocessor_;
  Diagnostics& diagnostics_;
  const RunOptions& options_;
  IdentifierTable identifiers_;
  CToken next_;
  CToken second_;
  bool haveNext_ = false;
  bool haveSecond_ = false;
  Token token_;  // the preprocessor's token being read
};

// The register number (byte registers, word registers) or flag letter of a register word.
struct RegisterWord {
  std::string_view name;  // as spelled, "__A"
  SymbolKind kind;
  std::uint32_t code;
  bool word;  // a 16-bit register
};
std::span<const RegisterWord> registerWords();

// The spelling of a token kind for messages.
std::string_view spellingOf(Tok kind);
// The kind of a punctuator's spelling; other when it is none.
Tok punctuatorKind(std::string_view text);

}  // namespace kz::cfront
