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
  if (at >= end_) return false;
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

void Lexer::next(Token& token) {
  token = Token{};
  token.file = file_;
  if (skipSpace()) token.flags |= token_flag::kLeadingSpace;
  if (atLineStart_) token.flags |= token_flag::kLineStart;
  token.line = line_;
  token.column = column(at_);
  const char* start = at_;
  if (at_ >= end_) {
    token.kind = TokenKind::endOfFile;
    return;
  }
  char c = *at_;
  bool wasLineStart = atLineStart_;
  atLineStart_ = false;
  if (c == '\n') {
    ++at_;
    token.kind = TokenKind::newline;
    token.text = std::string_view(start, 1);
    newLine();
    atLineStart_ = true;
    return;
  }
  // The most frequent kinds first. No character before the final '\n' is the last, so the
  // one after it may be read.
  if (isIdentifierStart(c)) {
    if (c == 'L' && (at_[1] == '"' || at_[1] == '\'')) {
      ++at_;
      lexQuoted(*at_, token);
    } else {
      ++at_;
      while (isIdentifierChar(*at_)) ++at_;
      token.kind = TokenKind::identifier;
    }
  } else if (kCharClasses.has(c, char_class::kPunctuatorStart)) {
    if (c == '/' && (at_[1] == '*' || at_[1] == '/')) {  // a kept comment
      skipComment();
      token.kind = TokenKind::comment;
      atLineStart_ = wasLineStart;  // a comment does not end the blanks before a directive
    } else if (c == '.' && isDigit(at_[1])) {
      lexNumber();
      token.kind = TokenKind::number;
    } else {
      if (c == '*' && at_[1] == '/' && at_[2] != '*' && at_[2] != '/' && reporting_ && diagnostics_)
        diagnostics_->report(Message::commentEndOutside);
      lexPunctuator();
      token.kind = TokenKind::punctuator;
    }
  } else if (isDigit(c)) {
    lexNumber();
    token.kind = TokenKind::number;
  } else if (c == '"' || c == '\'') {
    lexQuoted(c, token);
  } else {
    ++at_;
    if (kanji_ && isShiftJisLead(static_cast<unsigned char>(c)) && *at_ != '\n') ++at_;
    token.kind = TokenKind::other;
  }
  token.text = std::string_view(start, static_cast<std::size_t>(at_ - start));
  return;
}

void Lexer::lexQuoted(char quote, Token& token) {
  token.kind = quote == '"' ? TokenKind::string : TokenKind::character;
  ++at_;
  for (;;) {
    char c = *at_;
    if (c == '\n') {
      if (reporting_ && diagnostics_)
        diagnostics_->report(quote == '"' ? Message::newlineInString : Message::newlineInCharacter);
      return;
    }
    ++at_;
    if (c == quote) return;
    if (c == '\\' && *at_ != '\n') {
      ++at_;
    } else if (kanji_ && isShiftJisLead(static_cast<unsigned char>(c)) && *at_ != '\n') {
      ++at_;
    }
  }
}

// A preprocessing number: digits, letters, '_', '.', and a sign after an exponent letter.
void Lexer::lexNumber() {
  for (;;) {
    char c = *at_;
    if ((c == '+' || c == '-') && (at_[-1] == 'e' || at_[-1] == 'E')) {
      ++at_;
    } else if (isIdentifierChar(c) || c == '.') {
      ++at_;
    } else {
      return;
    }
  }
}

// The longest punctuator at at_: <<= >>= ... -> ++ -- << >> <= >= == != && || *= /= %= += -=
// &= ^= |= ## or a single character.
void Lexer::lexPunctuator() {
  char c = *at_++;
  char d = *at_;
  switch (c) {
    case '<':
    case '>':
      if (d == c) {
        ++at_;
        if (*at_ == '=') ++at_;
      } else if (d == '=') {
        ++at_;
      }
      return;
    case '.':
      if (d == '.' && at_[1] == '.') at_ += 2;
      return;
    case '-':
      if (d == '>' || d == '-' || d == '=') ++at_;
      return;
    case '+':
    case '&':
    case '|':
      if (d == c || d == '=') ++at_;
      return;
    case '#':
      if (d == '#') ++at_;
      return;
    case '*':
    case '/':
    case '%':
    case '^':
    case '=':
    case '!':
      if (d == '=') ++at_;
      return;
    default:
      return;
  }
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
