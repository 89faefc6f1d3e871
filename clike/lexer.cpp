#include "clike/lexer.h"

#include <cstring>

#include "clike/token_table.h"

namespace kz::clike {
namespace {

// A lone operator is a character no other operator starts with.
enum CharKind : std::uint8_t { kOther, kBlank, kNameStart, kDigit, kOperator, kLoneOperator };

constexpr std::array<CharKind, 256> buildCharKinds() {
  std::array<CharKind, 256> kinds{};
  for (int c = 'a'; c <= 'z'; ++c) kinds[static_cast<std::size_t>(c)] = kNameStart;
  for (int c = 'A'; c <= 'Z'; ++c) kinds[static_cast<std::size_t>(c)] = kNameStart;
  kinds['_'] = kNameStart;
  for (int c = '0'; c <= '9'; ++c) kinds[static_cast<std::size_t>(c)] = kDigit;
  for (char c : {' ', '\t', '\r', '\f', '\v'}) kinds[static_cast<unsigned char>(c)] = kBlank;
  for (char c : std::string_view("!+-<>=&^|")) kinds[static_cast<unsigned char>(c)] = kOperator;
  for (char c : std::string_view("~*/%?:.()[]{},;"))
    kinds[static_cast<unsigned char>(c)] = kLoneOperator;
  return kinds;
}
constexpr std::array<CharKind, 256> kCharKinds = buildCharKinds();

CharKind kindOf(char c) { return kCharKinds[static_cast<unsigned char>(c)]; }
bool isBlank(char c) { return kindOf(c) == kBlank; }
bool isNameChar(char c) { return kindOf(c) == kNameStart || kindOf(c) == kDigit; }

bool isShiftJisLead(char c) {
  auto byte = static_cast<unsigned char>(c);
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Letters count from 10 up, without regard to case.
int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  return c - 'A' + 10;
}

constexpr std::string_view kStatementEnd = ";  ";

}  // namespace

Lexer::Lexer(Diagnostics& diagnostics, StringPool& strings, bool kanji)
    : diagnostics_(diagnostics), strings_(strings), kanji_(kanji) {
  for (int byte = 1; byte < 256; ++byte) {
    char text = static_cast<char>(byte);
    singleOperators_[static_cast<std::size_t>(byte)] = findTableWord(std::string_view(&text, 1));
  }
}

void Lexer::startLine(std::string_view text, std::uint32_t line, std::uint8_t depth) {
  top_ = 0;
  frames_[0].at = text.data();
  frames_[0].end = text.data() + text.size();
  lineStart_ = true;
  line_ = line;
  depth_ = depth;
  expansionsOnLine_ = 0;
  expansionRefused_ = false;
}

bool Lexer::pushExpansion(std::string_view text) {
  if (top_ == kMaxExpansions || expansionsOnLine_ == kMaxExpansionsPerLine) {
    expansionRefused_ = true;
    return false;
  }
  ++expansionsOnLine_;
  Frame& frame = frames_[static_cast<std::size_t>(++top_)];
  frame.text.assign(text);
  frame.at = frame.text.data();
  frame.end = frame.at + frame.text.size();
  return true;
}

std::string_view Lexer::takeRestOfLine() {
  Frame& line = frames_[0];
  std::string_view rest(line.at, static_cast<std::size_t>(line.end - line.at));
  line.at = line.end;
  return rest;
}

void Lexer::dropRestOfLine() {
  top_ = 0;
  frames_[0].at = frames_[0].end;
}

// Passes over a comment's text up to and including "*/". Returns false when the frame ends
// first; the comment then goes on in the next line.
bool Lexer::skipCommentBody(Frame& frame) {
  const char* at = frame.at;
  const char* end = frame.end;
  if (!kanji_) {
    while (at < end) {
      const void* star = std::memchr(at, '*', static_cast<std::size_t>(end - at));
      if (!star) break;
      at = static_cast<const char*>(star) + 1;
      if (at < end && *at == '/') {
        frame.at = at + 1;
        inComment_ = false;
        return true;
      }
    }
  } else {
    // The second byte of a two-byte character may be '*' or '/': it is passed over with
    // its first byte.
    while (at < end) {
      if (isShiftJisLead(*at)) {
        at += 2;
        continue;
      }
      if (*at == '*' && at + 1 < end && at[1] == '/') {
        frame.at = at + 2;
        inComment_ = false;
        return true;
      }
      ++at;
    }
  }
  frame.at = end;
  return false;
}

bool Lexer::scan(Token& token) {
  while (true) {
    Frame& frame = frames_[static_cast<std::size_t>(top_)];
    if (inComment_ && !skipCommentBody(frame)) {
      if (top_ == 0) return false;
      inComment_ = false;  // a comment does not run out of a macro's text
      --top_;
      continue;
    }
    const char* at = frame.at;
    while (at < frame.end && isBlank(*at)) ++at;
    frame.at = at;
    if (at == frame.end) {
      if (top_ == 0) return false;
      --top_;
      continue;
    }
    char c = *at;
    if (c == '/' && at + 1 < frame.end && at[1] == '*') {
      frame.at = at + 2;
      inComment_ = true;
      continue;
    }
    bool atLineStart = lineStart_ && top_ == 0;
    lineStart_ = false;
    token.symbol = nullptr;
    token.text = {};
    token.line = line_;
    token.depth = depth_;
    token.value = 0;
    switch (kindOf(c)) {
      case kNameStart:
        scanWord(frame, token);
        return true;
      case kDigit:
        scanNumber(frame, token);
        return true;
      case kLoneOperator: {
        const TokenTableEntry& entry = *singleOperators_[static_cast<unsigned char>(c)];
        frame.at = at + 1;
        token.kind = entry.kind;
        token.value = entry.value;
        token.text = entry.text;
        return true;
      }
      default:
        break;
    }
    if (c == '\'') {
      scanCharacter(frame, token);
      return true;
    }
    if (c == '"') {
      scanString(frame, token);
      return true;
    }
    if (c == '#') {
      if (scanDirective(frame, token, atLineStart)) return true;
      continue;
    }
    if (static_cast<unsigned char>(c) > 127) {
      diagnostics_.reportError(Message::illegalCharacter);
      diagnostics_.reportFatal(Message::unrecoverableError);
    }
    if (kindOf(c) == kOperator) {
      scanOperator(frame, token);
      return true;
    }
    diagnostics_.reportError(Message::illegalCharacter);
    ++frame.at;
  }
}

void Lexer::scanWord(Frame& frame, Token& token) {
  const char* start = frame.at;
  const char* at = start + 1;
  while (at < frame.end && isNameChar(*at)) ++at;
  auto length = static_cast<std::size_t>(at - start);
  if (length > kMaxIdentifierLength) diagnostics_.reportFatal(Message::stringTooBig);
  frame.at = at;
  std::string_view word(start, length);
  if (const TokenTableEntry* entry = findTableWord(word)) {
    token.kind = entry->kind;
    token.value = entry->value;
    token.text = entry->text;
    return;
  }
  token.kind = TokenClass::identifier;
  token.text = word;
}

void Lexer::scanNumber(Frame& frame, Token& token) {
  const char* at = frame.at;
  const char* end = frame.end;
  token.kind = TokenClass::number;
  int radix = 10;
  if (*at == '0') {
    char next = at + 1 < end ? at[1] : '\0';
    if (next == 'x' || next == 'X') {
      radix = 16;
      at += 2;
    } else if (next == 'y' || next == 'Y') {
      radix = 2;
      at += 2;
    } else if (next == '.') {
      // No floating point: the digits go, the value is 0.
      diagnostics_.reportError(Message::invalidType);
      at += 2;
      while (at < end && isNameChar(*at)) ++at;
      frame.at = at;
      return;
    } else {
      radix = 8;
      ++at;
    }
  }
  std::uint32_t value = 0;
  while (at < end && isNameChar(*at) && *at != '_') {
    int digit = digitValue(*at);
    if (digit >= radix) {
      bool longSuffix =
          (*at == 'L' || *at == 'l') && (at + 1 == end || at[1] == ';' || isBlank(at[1]));
      if (longSuffix) {
        diagnostics_.reportError(Message::invalidType, "L or l");
        ++at;
        break;
      }
      diagnostics_.reportError(Message::illegalCharacter);
      diagnostics_.reportFatal(Message::unrecoverableError);
    }
    value = value * static_cast<std::uint32_t>(radix) + static_cast<std::uint32_t>(digit);
    ++at;
  }
  frame.at = at;
  token.value = static_cast<std::int32_t>(value);
}

// The value of the escape sequence at `at` (on its backslash), which is passed over; -1
// when the line ends after the backslash.
int Lexer::escapeValue(const char*& at, const char* end) {
  ++at;
  if (at == end) return -1;
  char c = *at++;
  switch (c) {
    case 'a':
      return 7;
    case 'b':
      return 8;
    case 'f':
      return 12;
    case 'n':
      return 10;
    case 'r':
      return 13;
    case 't':
      return 9;
    case 'v':
      return 11;
    case '8':
      return 8;
    case '9':
      return 9;
    default:
      break;
  }
  if (c < '0' || c > '7') return static_cast<unsigned char>(c);
  unsigned value = static_cast<unsigned>(c - '0');
  int digits = 1;
  bool tooLarge = false;
  while (at < end && *at >= '0' && *at <= '7') {
    value = ((value << 3) | static_cast<unsigned>(*at - '0')) & 0xFFFu;
    tooLarge = tooLarge || value >= 256;
    ++digits;
    ++at;
  }
  if (digits > 3 || tooLarge) diagnostics_.reportError(Message::invalidCharacterConstant);
  return static_cast<int>(value & 0xFFu);
}

// After a broken character constant the statement ends here: the rest of the input is
// replaced by a semicolon.
void Lexer::endStatementHere(Frame& frame) {
  frame.at = kStatementEnd.data();
  frame.end = kStatementEnd.data() + kStatementEnd.size();
}

void Lexer::scanCharacter(Frame& frame, Token& token) {
  const char* at = frame.at + 1;
  const char* end = frame.end;
  token.kind = TokenClass::character;
  unsigned bytes[2] = {0, 0};
  int count = 0;
  bool tooLong = false;
  while (true) {
    // A ';' ends the statement unless it is the constant's last character.
    bool broken = at == end || (*at == ';' && !(at + 1 < end && at[1] == '\''));
    if (broken) {
      diagnostics_.reportError(Message::invalidCharacterConstant);
      endStatementHere(frame);
      token.value = static_cast<std::int32_t>(count > 1 ? (bytes[0] << 8) | bytes[1] : bytes[0]);
      return;
    }
    if (*at == '\'') {
      ++at;
      break;
    }
    int byte;
    if (*at == '\\') {
      byte = escapeValue(at, end);
      if (byte < 0) continue;  // the line ends: reported above on the next round
    } else if (kanji_ && isShiftJisLead(*at) && at + 1 < end) {
      if (count < 2) bytes[count] = static_cast<unsigned char>(*at);
      ++count;
      byte = static_cast<unsigned char>(at[1]);
      at += 2;
    } else {
      byte = static_cast<unsigned char>(*at++);
    }
    if (count < 2) bytes[count] = static_cast<unsigned>(byte);
    ++count;
    if (count > 2 && !tooLong) {
      tooLong = true;
      diagnostics_.reportError(Message::characterConstantTooLong);
    }
  }
  frame.at = at;
  if (count == 0) diagnostics_.reportError(Message::invalidCharacterConstant);
  token.value = static_cast<std::int32_t>(count > 1 ? (bytes[0] << 8) | bytes[1] : bytes[0]);
}

void Lexer::scanString(Frame& frame, Token& token) {
  const char* at = frame.at + 1;
  const char* end = frame.end;
  std::string& text = stringBuffer_;
  text.clear();
  while (true) {
    if (at == end) {
      diagnostics_.reportError(Message::unterminatedString);
      break;
    }
    char c = *at;
    if (c == '"') {
      ++at;
      break;
    }
    if (c == '\\') {
      int byte = escapeValue(at, end);
      if (byte < 0) continue;
      text += static_cast<char>(byte);
    } else if (kanji_ && isShiftJisLead(c) && at + 1 < end) {
      text.append(at, 2);  // the second byte is not an escape or a quote
      at += 2;
    } else {
      text += c;
      ++at;
    }
    if (text.size() > kMaxStringLength) diagnostics_.reportFatal(Message::stringTooBig);
  }
  frame.at = at;
  token.kind = TokenClass::string;
  token.text = strings_.store(text);
}

// '#' and a word, blanks allowed between them, at the start of a line. Anywhere else, or
// with a word that is no directive, error 400 and the rest of the line is ignored.
bool Lexer::scanDirective(Frame& frame, Token& token, bool atLineStart) {
  const char* at = frame.at + 1;
  while (at < frame.end && isBlank(*at)) ++at;
  const char* word = at;
  while (at < frame.end && isNameChar(*at)) ++at;
  auto length = static_cast<std::size_t>(at - word);
  const TokenTableEntry* entry = nullptr;
  if (atLineStart && length > 0 && length < kLongestTableWord) {
    char spelling[kLongestTableWord];
    spelling[0] = '#';
    std::memcpy(spelling + 1, word, length);
    entry = findTableWord(std::string_view(spelling, length + 1));
  }
  if (!entry || (entry->kind != TokenClass::directive && entry->kind != TokenClass::ifDirective)) {
    diagnostics_.reportError(Message::preprocessorSyntaxError);
    dropRestOfLine();
    return false;
  }
  frame.at = at;
  token.kind = entry->kind;
  token.value = entry->value;
  token.text = entry->text;
  return true;
}

void Lexer::scanOperator(Frame& frame, Token& token) {
  const char* at = frame.at;
  auto next = [&](std::size_t offset) { return at + offset < frame.end ? at[offset] : '\0'; };
  std::size_t length = 1;
  char c = *at;
  char second = next(1);
  switch (c) {
    case '+':
      length = second == '+' || second == '=' ? 2 : 1;
      break;
    case '-':
      length = second == '-' || second == '=' || second == '>' ? 2 : 1;
      break;
    case '!':
    case '=':
    case '^':
      length = second == '=' ? 2 : 1;
      break;
    case '&':
      length = second == '&' || second == '=' ? 2 : 1;
      break;
    case '|':
      length = second == '|' || second == '=' ? 2 : 1;
      break;
    case '<':
    case '>':
      if (second == c)
        length = next(2) == '=' ? 3 : 2;
      else
        length = second == '=' ? 2 : 1;
      break;
    default:
      break;
  }
  const TokenTableEntry* entry = length == 1 ? singleOperators_[static_cast<unsigned char>(c)]
                                             : findTableWord(std::string_view(at, length));
  frame.at = at + length;
  token.kind = entry->kind;
  token.value = entry->value;
  token.text = entry->text;
}

bool Lexer::openParenFollows() {
  while (true) {
    Frame& frame = frames_[static_cast<std::size_t>(top_)];
    if (inComment_ && !skipCommentBody(frame)) {
      if (top_ == 0) return false;
      inComment_ = false;
      --top_;
      continue;
    }
    while (frame.at < frame.end && isBlank(*frame.at)) ++frame.at;
    if (frame.at == frame.end) {
      if (top_ == 0) return false;
      --top_;
      continue;
    }
    if (*frame.at == '/' && frame.at + 1 < frame.end && frame.at[1] == '*') {
      frame.at += 2;
      inComment_ = true;
      continue;
    }
    return *frame.at == '(';
  }
}

namespace {

std::string trimmed(const std::string& text) {
  std::size_t first = 0, last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

}  // namespace

bool Lexer::collectArguments(std::vector<std::string>& arguments) {
  arguments.clear();
  ++frames_[static_cast<std::size_t>(top_)].at;  // the '('
  int nesting = 1;
  std::string current;
  while (true) {
    Frame& frame = frames_[static_cast<std::size_t>(top_)];
    if (frame.at == frame.end) {
      if (top_ == 0) return false;
      --top_;
      continue;
    }
    char c = *frame.at++;
    if (c == '(') {
      ++nesting;
    } else if (c == ')') {
      if (--nesting == 0) {
        arguments.push_back(trimmed(current));
        return true;
      }
    } else if (c == ',' && nesting == 1) {
      arguments.push_back(trimmed(current));
      current.clear();
      continue;
    } else if (c == '"' || c == '\'') {
      // A quoted constant is copied whole: its commas and parentheses do not count.
      current += c;
      while (frame.at < frame.end && *frame.at != c) {
        if (*frame.at == '\\' && frame.at + 1 < frame.end) current += *frame.at++;
        current += *frame.at++;
      }
      if (frame.at < frame.end) current += *frame.at++;
      continue;
    } else if (c == '/' && frame.at < frame.end && *frame.at == '*') {
      ++frame.at;
      inComment_ = true;
      if (!skipCommentBody(frame)) return false;
      current += ' ';
      continue;
    }
    current += c;
  }
}

}  // namespace kz::clike
