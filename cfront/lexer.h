#pragma once
// Splits cleaned source text (see source_text.h) into preprocessing tokens. Comments are
// white space unless they are kept; newlines are tokens; positions are counted as it goes.
#include <cstdint>
#include <cstring>
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
  // The same into a token the caller holds, so that it is written where it is used. With
  // dropNewlines the newlines between tokens are passed over (the token after one still starts
  // its line); one may still come back after a comment or another rare token.
  [[gnu::always_inline]] void next(Token& token, bool dropNewlines = false) {
    if (lexCommon(token, dropNewlines)) {
      pass(token);
    } else {
      nextInGeneral(token);
    }
  }
  // The first half of next() for the common tokens (see lexCommon below): the token is written
  // but not yet passed, so that a caller may leave it to be read again by next(). False, with
  // no token written, for any other token.
  [[gnu::always_inline]] bool lexCommon(Token& token, bool dropNewlines);
  // Past the token lexCommon wrote (a newline is passed as it is written).
  void pass(const Token& token) {
    if (token.kind == TokenKind::newline) return;
    at_ = token.text.data() + token.text.size();
    atLineStart_ = false;
  }
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
  // next() for any token, the rare ones included.
  [[gnu::noinline]] void nextInGeneral(Token& token);
  // Skips blanks and comments; true when any was skipped. Stops at a kept comment.
  bool skipSpace();
  bool skipComment();  // at "/*" or "//"
  // The tokens whose first character needs a second look: wide literals, literals, comments,
  // numbers that start with '.', and '*' before '/'. Leaves at_ after the token.
  TokenKind lexSpecial(const char* start);
  TokenKind lexQuoted(char quote);
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

// What each byte may be in a token, as bits, so one load answers each question.
namespace char_class {
inline constexpr std::uint8_t kIdentifierStart = 0x01;
inline constexpr std::uint8_t kDigit = 0x02;
inline constexpr std::uint8_t kBlank = 0x04;  // white space within a line
inline constexpr std::uint8_t kPunctuatorStart = 0x08;
}  // namespace char_class

// What a token that starts with a byte is, as far as its first byte tells.
enum class TokenStart : std::uint8_t {
  other,
  identifier,
  digit,
  punctuator,
  newline,
  special,  // see Lexer::lexSpecial
};

struct CharClasses {
  constexpr CharClasses() : of{}, start{} {
    for (int c = 'a'; c <= 'z'; ++c) of[c] |= char_class::kIdentifierStart;
    for (int c = 'A'; c <= 'Z'; ++c) of[c] |= char_class::kIdentifierStart;
    of[static_cast<unsigned char>('_')] |= char_class::kIdentifierStart;
    for (int c = '0'; c <= '9'; ++c) of[c] |= char_class::kDigit;
    for (char c : {' ', '\t', '\v', '\f', '\r'})
      of[static_cast<unsigned char>(c)] |= char_class::kBlank;
    for (char c : std::string_view("[](){};,?:=+-*%/|&^~!<>.#"))
      of[static_cast<unsigned char>(c)] |= char_class::kPunctuatorStart;
    for (int c = 0; c < 256; ++c) {
      if (of[c] & char_class::kIdentifierStart) start[c] = TokenStart::identifier;
      if (of[c] & char_class::kDigit) start[c] = TokenStart::digit;
      if (of[c] & char_class::kPunctuatorStart) start[c] = TokenStart::punctuator;
    }
    start[static_cast<unsigned char>('\n')] = TokenStart::newline;
    for (char c : std::string_view("L/.*\"'"))
      start[static_cast<unsigned char>(c)] = TokenStart::special;
  }
  constexpr bool has(char c, std::uint8_t bits) const {
    return (of[static_cast<unsigned char>(c)] & bits) != 0;
  }
  std::uint8_t of[256];
  TokenStart start[256];
};
inline constexpr CharClasses kCharClasses;

constexpr bool isIdentifierStart(char c) {
  return kCharClasses.has(c, char_class::kIdentifierStart);
}
constexpr bool isDigit(char c) { return kCharClasses.has(c, char_class::kDigit); }
constexpr bool isIdentifierChar(char c) {
  return kCharClasses.has(c, char_class::kIdentifierStart | char_class::kDigit);
}
constexpr bool isBlank(char c) { return kCharClasses.has(c, char_class::kBlank); }

// The pieces of Lexer::next, which is defined here so that the reader of the parser's tokens
// has the whole way from the source text inline.
namespace lexing {

// Four blanks as one word: indentation is skipped a word at a time.
inline constexpr std::uint32_t kFourSpaces = 0x20202020u;

inline std::uint32_t loadFour(const char* at) {
  std::uint32_t word;
  std::memcpy(&word, at, 4);
  return word;
}

// The end of a preprocessing number whose first character is before at: digits, letters,
// '_', '.', and a sign after an exponent letter.
[[gnu::always_inline]] inline const char* numberEnd(const char* at) {
  for (;;) {
    char c = *at;
    if ((c == '+' || c == '-') && (at[-1] == 'e' || at[-1] == 'E')) {
      ++at;
    } else if (isIdentifierChar(c) || c == '.') {
      ++at;
    } else {
      return at;
    }
  }
}

// The end of the longest punctuator at at: <<= >>= ... -> ++ -- << >> <= >= == != && || *= /=
// %= += -= &= ^= |= ## or a single character.
[[gnu::always_inline]] inline const char* punctuatorEnd(const char* at) {
  char c = *at++;
  char d = *at;
  switch (c) {
    case '<':
    case '>':
      if (d == c) return at[1] == '=' ? at + 2 : at + 1;
      return d == '=' ? at + 1 : at;
    case '.':
      return d == '.' && at[1] == '.' ? at + 2 : at;
    case '-':
      return d == '>' || d == '-' || d == '=' ? at + 1 : at;
    case '+':
    case '&':
    case '|':
      return d == c || d == '=' ? at + 1 : at;
    case '#':
      return d == '#' ? at + 1 : at;
    case '*':
    case '/':
    case '%':
    case '^':
    case '=':
    case '!':
      return d == '=' ? at + 1 : at;
    default:
      return at;
  }
}

}  // namespace lexing

// The common tokens, with no call on their way: blanks but no comment before them, names,
// numbers, punctuators other than '/' and '.', newlines. Everything else is left to
// nextInGeneral, from where this one started.
inline bool Lexer::lexCommon(Token& token, bool dropNewlines) {
  const char* at = at_;
  std::uint8_t flags = atLineStart_ ? token_flag::kLineStart : 0;
  for (;;) {
    if (at < end_ && isBlank(*at)) {
      flags |= token_flag::kLeadingSpace;
      // One blank between tokens is the most common; a run (indentation) goes word by word.
      if (isBlank(*++at)) {
        while (end_ - at >= 4 && lexing::loadFour(at) == lexing::kFourSpaces) at += 4;
        while (isBlank(*at)) ++at;
      }
    }
    if (at >= end_) return false;
    const char* start = at;
    TokenKind kind;
    switch (kCharClasses.start[static_cast<unsigned char>(*at)]) {
      case TokenStart::identifier:
        ++at;
        while (isIdentifierChar(*at)) ++at;
        kind = TokenKind::identifier;
        break;
      case TokenStart::punctuator:
        at = lexing::punctuatorEnd(at);
        kind = TokenKind::punctuator;
        break;
      case TokenStart::digit:
        at = lexing::numberEnd(at + 1);
        kind = TokenKind::number;
        break;
      case TokenStart::newline:
        at_ = ++at;
        atLineStart_ = true;
        if (dropNewlines) {
          newLine();
          flags = token_flag::kLineStart;
          continue;
        }
        token = {std::string_view(start, 1), line_, column(start), 0, file_,
                 TokenKind::newline,         flags};
        newLine();
        return true;
      default:
        return false;
    }
    token = {std::string_view(start, static_cast<std::size_t>(at - start)),
             line_,
             column(start),
             0,
             file_,
             kind,
             flags};
    return true;
  }
}

}  // namespace kz::cfront
