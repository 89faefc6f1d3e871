#include "cfront/lexer.h"

#include <cstring>

#include "cfront/diagnostics.h"
#include "cfront/source_text.h"

namespace kz::cfront {
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
    while (end_ - at >= 4 && lexing::loadFour(at) == lexing::kFourSpaces) at += 4;
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
        at_ = lexing::numberEnd(at_);
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
  at_ = lexing::punctuatorEnd(start);
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
