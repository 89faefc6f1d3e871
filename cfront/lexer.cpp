#include "cfront/lexer.h"

#include <cstring>

#include "cfront/diagnostics.h"
#include "cfront/source_text.h"

namespace kz::cfront {
namespace {

// Four blanks as one word: indentation is skipped a word at a time.
constexpr std::uint32_t kFourSpaces = 0x20202020u;

std::uint32_t loadFour(const char* at) {
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

}  // namespace

Lexer::Lexer(std::string_view text, std::uint16_t file, Diagnostics* diagnostics)
    : at_(text.data()),
      end_(text.data() + text.size()),
      lineBegin_(text.data()),
      diagnostics_(diagnostics),
      file_(file) {}

void Lexer::newLine() {
  ++line_;
  lineBegin_ = at_;
}

bool Lexer::skipComment() {
  if (at_[1] == '/') {
    while (at_ < end_ && *at_ != '\n') ++at_;
    return true;
  }
  at_ += 2;
  std::uint32_t startLine = line_;
  for (;;) {
    if (at_ >= end_) {
      line_ = startLine;  // the message shows where the comment began
      if (diagnostics_) diagnostics_->report(Message::eofInComment);
      return true;
    }
    char c = *at_;
    if (c == '*' && at_ + 1 < end_ && at_[1] == '/') {
      at_ += 2;
      return true;
    }
    if (c == '\n') {
      ++at_;
      newLine();
      continue;
    }
    if (c == '/' && at_ + 1 < end_ && (at_[1] == '*' || at_[1] == '/') && reporting_ &&
        diagnostics_)
      diagnostics_->warnAt(3, Message::commentStartInside, {static_cast<int>(at_[1])});
    if (kanji_ && isShiftJisLead(static_cast<unsigned char>(c)) && at_ + 1 < end_ && at_[1] != '\n')
      ++at_;
    ++at_;
  }
}

// The text ends with '\n', which stops every loop over blanks before the end.
inline bool Lexer::skipSpace() {
  const char* at = at_;
  if (at >= end_ || (!isBlank(*at) && *at != '/')) return false;
  const char* start = at;
  for (;;) {
    while (end_ - at >= 4 && loadFour(at) == kFourSpaces) at += 4;
    while (isBlank(*at)) ++at;
    if (at[0] != '/' || (at[1] != '*' && at[1] != '/') || keepComments_) break;
    at_ = at;
    skipComment();
    at = at_;
    if (at >= end_) break;
  }
  at_ = at;
  return at != start;
}

// The common tokens, with no call on their way: blanks but no comment before them, names,
// numbers, punctuators other than '/' and '.', newlines. Everything else is left to
// nextInGeneral, from where this one started.
void Lexer::next(Token& token, bool dropNewlines) {
  const char* at = at_;
  std::uint8_t flags = atLineStart_ ? token_flag::kLineStart : 0;
  for (;;) {
    if (at < end_ && isBlank(*at)) {
      flags |= token_flag::kLeadingSpace;
      // One blank between tokens is the most common; a run (indentation) goes word by word.
      if (isBlank(*++at)) {
        while (end_ - at >= 4 && loadFour(at) == kFourSpaces) at += 4;
        while (isBlank(*at)) ++at;
      }
    }
    if (at >= end_) return nextInGeneral(token);
    const char* start = at;
    TokenKind kind;
    switch (kCharClasses.start[static_cast<unsigned char>(*at)]) {
      case TokenStart::identifier:
        ++at;
        while (isIdentifierChar(*at)) ++at;
        kind = TokenKind::identifier;
        break;
      case TokenStart::punctuator:
        at = punctuatorEnd(at);
        kind = TokenKind::punctuator;
        break;
      case TokenStart::digit:
        at = numberEnd(at + 1);
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
        return;
      default:
        return nextInGeneral(token);
    }
    at_ = at;
    atLineStart_ = false;
    token = {std::string_view(start, static_cast<std::size_t>(at - start)),
             line_,
             column(start),
             0,
             file_,
             kind,
             flags};
    return;
  }
}

void Lexer::nextInGeneral(Token& token) {
  bool spaced = skipSpace();
  const char* start = at_;
  TokenStart kind =
      start < end_ ? kCharClasses.start[static_cast<unsigned char>(*start)] : TokenStart::other;
  if (kind != TokenStart::special && kind != TokenStart::other) {
    next(token);  // from where the blanks and comments end
    if (spaced) token.flags |= token_flag::kLeadingSpace;
    return;
  }
  token.line = line_;
  token.column = column(start);
  token.hideSet = 0;
  token.file = file_;
  token.flags = static_cast<std::uint8_t>((atLineStart_ ? token_flag::kLineStart : 0) |
                                          (spaced ? token_flag::kLeadingSpace : 0));
  if (start >= end_) {
    token.kind = TokenKind::endOfFile;
    token.text = {};
    return;
  }
  if (kind == TokenStart::special) {
    token.kind = lexSpecial(start);
  } else {
    at_ = start + 1;
    if (kanji_ && isShiftJisLead(static_cast<unsigned char>(*start)) && *at_ != '\n') ++at_;
    token.kind = TokenKind::other;
  }
  // A comment does not end the blanks before a directive.
  if (token.kind != TokenKind::comment) atLineStart_ = false;
  token.text = std::string_view(start, static_cast<std::size_t>(at_ - start));
}

TokenKind Lexer::lexSpecial(const char* start) {
  char c = *start;
  at_ = start + 1;
  switch (c) {
    case 'L':
      if (*at_ == '"' || *at_ == '\'') return lexQuoted(*at_);
      while (isIdentifierChar(*at_)) ++at_;
      return TokenKind::identifier;
    case '"':
    case '\'':
      at_ = start;
      return lexQuoted(c);
    case '/':
      if (*at_ == '*' || *at_ == '/') {  // a kept comment
        at_ = start;
        skipComment();
        return TokenKind::comment;
      }
      break;
    case '.':
      if (isDigit(*at_)) {
        at_ = numberEnd(at_);
        return TokenKind::number;
      }
      break;
    case '*':
      if (start[1] == '/' && start[2] != '*' && start[2] != '/' && reporting_ && diagnostics_)
        diagnostics_->report(Message::commentEndOutside);
      break;
    default:
      break;
  }
  at_ = punctuatorEnd(start);
  return TokenKind::punctuator;
}

// At the opening quote; leaves at_ after the closing one, or at the newline that cuts it off.
TokenKind Lexer::lexQuoted(char quote) {
  ++at_;
  for (;;) {
    char c = *at_;
    if (c == '\n') {
      if (reporting_ && diagnostics_)
        diagnostics_->report(quote == '"' ? Message::newlineInString : Message::newlineInCharacter);
      break;
    }
    ++at_;
    if (c == quote) break;
    if (c == '\\' && *at_ != '\n') {
      ++at_;
    } else if (kanji_ && isShiftJisLead(static_cast<unsigned char>(c)) && *at_ != '\n') {
      ++at_;
    }
  }
  return quote == '"' ? TokenKind::string : TokenKind::character;
}

bool Lexer::skipToDirective() {
  bool lineStart = atLineStart_;
  while (at_ < end_) {
    char c = *at_;
    if (isBlank(c)) {
      ++at_;
    } else if (c == '\n') {
      ++at_;
      newLine();
      lineStart = true;
    } else if (c == '/' && (at_[1] == '*' || at_[1] == '/')) {
      bool was = reporting_;
      reporting_ = false;
      skipComment();
      reporting_ = was;
    } else if (c == '#' && lineStart) {
      ++at_;
      atLineStart_ = false;
      return true;
    } else if (c == '"' || c == '\'') {
      ++at_;
      while (*at_ != '\n' && *at_ != c) at_ += (*at_ == '\\' && at_[1] != '\n') ? 2 : 1;
      if (*at_ == c) ++at_;
      lineStart = false;
    } else {
      ++at_;
      lineStart = false;
    }
  }
  atLineStart_ = lineStart;
  return false;
}

}  // namespace kz::cfront
