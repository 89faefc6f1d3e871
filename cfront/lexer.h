#pragma once
// Splits cleaned source text (see source_text.h) into preprocessing tokens. Comments are
// white space unless they are kept; newlines are tokens; positions are counted as it goes.
#include <cstdint>
#include <string_view>

#include "cfront/token.h"

namespace kz::cfront {

class Diagnostics;

class Lexer {
 public:
  // text must end with '\n' and stay valid while tokens made from it are in use.
  Lexer(std::string_view text, std::uint16_t file, Diagnostics* diagnostics);

  Token next() {
    Token token;
    next(token);
    return token;
  }
  // The same into a token the caller holds, so that it is written where it is used.
  void next(Token& token);
  // Skips text in a group that is not being kept, up to the '#' of the next line that starts
  // with one (consumed; true) or to the end (false).
  bool skipToDirective();

  // Messages for ill-formed literals and comments are given only while reporting is on.
  void setReporting(bool on) { reporting_ = on; }
  void setKeepComments(bool on) { keepComments_ = on; }
  void setKanji(bool on) { kanji_ = on; }
  // The number of the line being read; #line sets it.
  std::uint32_t line() const { return line_; }
  void setLine(std::uint32_t number) { line_ = number; }
  void setFile(std::uint16_t file) { file_ = file; }
  bool atEnd() const { return at_ >= end_; }

 private:
  void newLine();
  // Skips blanks and comments; true when any was skipped. Stops at a kept comment.
  bool skipSpace();
  bool skipComment();  // at "/*" or "//"
  void lexQuoted(char quote, Token& token);
  void lexNumber();
  void lexPunctuator();
  std::uint32_t column(const char* at) const {
    return static_cast<std::uint32_t>(at - lineBegin_) + 1;
  }

  const char* at_;
  const char* end_;
  const char* lineBegin_;
  Diagnostics* diagnostics_;
  std::uint32_t line_ = 1;
  std::uint16_t file_;
  bool atLineStart_ = true;
  bool reporting_ = true;
  bool keepComments_ = false;
  bool kanji_ = false;
};

constexpr bool isIdentifierStart(char c) {
  return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isIdentifierChar(char c) { return isIdentifierStart(c) || isDigit(c); }

}  // namespace kz::cfront
