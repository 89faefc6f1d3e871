#include "clike/lexer.h"

#include <cstring>

#include "clike/token_table.h"

namespace kz::clike {
namespace {

// A lone operator is a character no other operator starts with; '/' may also open a comment.
enum CharKind : std::uint8_t {
  kOther,
  kBlank,
  kNameStart,
  kDigit,
  kOperator,
  kLoneOperator,
  kSlash
};

constexpr std::array<CharKind, 256> buildCharKinds() {
  std::array<CharKind, 256> kinds{};
  for (int c = 'a'; c <= 'z'; ++c) kinds[static_cast<std::size_t>(c)] = kNameStart;
  for (int c = 'A'; c <= 'Z'; ++c) kinds[static_cast<std::size_t>(c)] = kNameStart;
  kinds['_'] = kNameStart;
  for (int c = '0'; c <= '9'; ++c) kinds[static_cast<std::size_t>(c)] = kDigit;
  for (char c : {' ', '\t', '\r', '\f', '\v'}) kinds[static_cast<unsigned char>(c)] = kBlank;
  for (char c : std::string_view("!+-<>=&^|")) kinds[static_cast<unsigned char>(c)] = kOperator;
  for (char c : std::string_view("~*%?:.()[]{},;"))
    kinds[static_cast<unsigned char>(c)] = kLoneOperator;
  kinds['/'] = kSlash;
  return kinds;
}
constexpr std::array<CharKind, 256> kCharKinds = buildCharKinds();

CharKind kindOf(char c) { return kCharKinds[static_cast<unsigned char>(c)]; }
bool isBlank(char c) { return kindOf(c) == kBlank; }
bool isNameChar(char c) {
  CharKind kind = kindOf(c);
  return kind == kNameStart || kind == kDigit;
}

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

// The text that stands for the rest of the input after a broken character constant, with
// the zero byte and the bytes that may be read behind every text the lexer scans.
constexpr char kStatementEnd[] = ";  \0\0\0\0\0\0\0";
constexpr std::size_t kStatementEndLength = 3;
static_assert(sizeof kStatementEnd >= kStatementEndLength + Lexer::kPadding);

void setEntry(Token& token, const TokenTableEntry& entry) {
  token.kind = entry.kind;
  token.value = entry.value;
  token.text = entry.text;
  token.symbol = nullptr;
}

}  // namespace

Lexer::Lexer(Diagnostics& diagnostics, StringPool& strings, bool kanji)
    : diagnostics_(diagnostics), strings_(strings), kanji_(kanji) {
  for (int byte = 1; byte < 256; ++byte) {
    char text = static_cast<char>(byte);
    singleOperators_[static_cast<std::size_t>(byte)] = findTableWord(std::string_view(&text, 1));
  }
  for (std::size_t first = 0; first < kOperatorStarts.size(); ++first) {
    char start = kOperatorStarts[first];
    operatorStartIndex_[static_cast<unsigned char>(start)] = static_cast<std::uint8_t>(first);
    const TokenTableEntry* single = singleOperators_[static_cast<unsigned char>(start)];
    operatorPairs_[first * kPairColumns] = single;
    for (std::size_t second = 0; second < kOperatorSeconds.size(); ++second) {
      const char pair[2] = {start, kOperatorSeconds[second]};
      const TokenTableEntry* two = findTableWord(std::string_view(pair, 2));
      // "<<" and ">>" may go on to "<<=" and ">>=": those are left to scanOperator.
      bool thirdDecides = pair[1] == start && (start == '<' || start == '>');
      operatorPairs_[first * kPairColumns + second + 1] = thirdDecides ? nullptr
                                                          : two        ? two
                                                                       : single;
    }
  }
  for (std::size_t second = 0; second < kOperatorSeconds.size(); ++second) {
    operatorSecondIndex_[static_cast<unsigned char>(kOperatorSeconds[second])] =
        static_cast<std::uint8_t>(second + 1);
  }
}

bool Lexer::pushExpansion(std::string_view text) {
  if (top_ == kMaxExpansions || expansionsOnLine_ == kMaxExpansionsPerLine) {
    expansionRefused_ = true;
    return false;
  }
  ++expansionsOnLine_;
  setTop(top_ + 1);
  Frame& frame = *current_;
  frame.text.assign(text);
  frame.text.append(kPadding, '\0');
  frame.at = frame.text.data();
  frame.end = frame.at + text.size();
  return true;
}

std::string_view Lexer::takeRestOfLine() {
  Frame& line = frames_[0];
  std::string_view rest(line.at, static_cast<std::size_t>(line.end - line.at));
  line.at = line.end;
  return rest;
}

void Lexer::dropRestOfLine() {
  setTop(0);
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

// The tokens most lines are made of; the rest, and the end of a text, are left to scanFull.
bool Lexer::scan(Token& token) {
  Frame& frame = *current_;
  if (inComment_) return scanFull(token);
  // Every text ends in a zero byte or a line feed, neither blank nor part of a token.
  const char* at = frame.at;
  while (isBlank(*at)) ++at;
  frame.at = at;
  if (!scanPlainToken(frame, token)) {
    if (at == frame.end && top_ == 0) return false;  // the end of the line
    return scanFull(token);
  }
  lineStart_ = false;
  token.line = line_;
  token.depth = depth_;
  return true;
}

// A word, a number or an operator other than '/' at frame.at; false for anything else.
bool Lexer::scanPlainToken(Frame& frame, Token& token) {
  const char* at = frame.at;
  switch (kindOf(*at)) {
    case kNameStart:
      scanWord(frame, token);
      return true;
    case kLoneOperator:
      frame.at = at + 1;
      setEntry(token, *singleOperators_[static_cast<unsigned char>(*at)]);
      return true;
    case kOperator: {
      // Most operators are found by their first two bytes in a table.
      std::size_t pair = operatorStartIndex_[static_cast<unsigned char>(*at)] * kPairColumns +
                         operatorSecondIndex_[static_cast<unsigned char>(at[1])];
      if (const TokenTableEntry* entry = operatorPairs_[pair]) {
        frame.at = at + entry->text.size();
        setEntry(token, *entry);
      } else {
        scanOperator(frame, token);
      }
      return true;
    }
    case kDigit: {
      // A decimal number that ends at a character no name has is taken here.
      std::uint32_t value = static_cast<std::uint32_t>(*at - '0');
      const char* digit = at + 1;
      for (; kindOf(*digit) == kDigit; ++digit) {
        value = value * 10 + static_cast<std::uint32_t>(*digit - '0');
      }
      if (*at != '0' && !isNameChar(*digit)) {
        frame.at = digit;
        token.kind = TokenClass::number;
        token.value = static_cast<std::int32_t>(value);
        token.text = {};
        token.symbol = nullptr;
      } else {
        scanNumber(frame, token);
      }
      return true;
    }
    default:
      return false;
  }
}

bool Lexer::scanFull(Token& token) {
  while (true) {
    Frame& frame = *current_;
    if (inComment_ && !skipCommentBody(frame)) {
      if (!leaveFrame()) return false;
      inComment_ = false;  // a comment does not run out of a macro's text
      continue;
    }
    const char* at = frame.at;
    while (isBlank(*at)) ++at;
    frame.at = at;
    if (at == frame.end) {
      if (!leaveFrame()) return false;
      continue;
    }
    if (*at == '/' && at[1] == '*') {
      frame.at = at + 2;
      inComment_ = true;
      continue;
    }
    bool atLineStart = lineStart_ && top_ == 0;
    lineStart_ = false;
    token.line = line_;
    token.depth = depth_;
    if (*at == '/') {
      frame.at = at + 1;
      setEntry(token, *singleOperators_['/']);
      return true;
    }
    if (scanPlainToken(frame, token) || scanOther(frame, token, atLineStart)) return true;
  }
}

bool Lexer::leaveFrame() {
  if (top_ == 0) return false;
  setTop(top_ - 1);
  return true;
}

// Character constants, strings, directives and characters that start no token.
bool Lexer::scanOther(Frame& frame, Token& token, bool atLineStart) {
  token.symbol = nullptr;
  token.text = {};
  token.value = 0;
  char c = *frame.at;
  if (c == '\'') {
    scanCharacter(frame, token);
    return true;
  }
  if (c == '"') {
    scanString(frame, token);
    return true;
  }
  if (c == '#') return scanDirective(frame, token, atLineStart);
  if (static_cast<unsigned char>(c) > 127) {
    diagnostics_.reportError(Message::illegalCharacter);
    diagnostics_.reportFatal(Message::unrecoverableError);
  }
  diagnostics_.reportError(Message::illegalCharacter);
  ++frame.at;
  return false;
}

void Lexer::scanWord(Frame& frame, Token& token) {
  const char* start = frame.at;
  const char* at = start + 1;
  while (isNameChar(*at)) ++at;
  auto length = static_cast<std::size_t>(at - start);
  frame.at = at;
  shortNameKey_ = 0;
  if (length <= kLongestTableWord) {
    std::uint64_t key = tableKeyAt(start, length);
    if (const TokenTableEntry* entry = findTableKey(key)) {
      setEntry(token, *entry);
      return;
    }
    shortNameKey_ = key;
  } else if (length > kMaxIdentifierLength) [[unlikely]] {
    identifierTooLong();
  }
  token.kind = TokenClass::identifier;
  token.value = 0;
  token.text = std::string_view(start, length);
  token.symbol = nullptr;
}

void Lexer::identifierTooLong() { diagnostics_.reportFatal(Message::stringTooBig); }

void Lexer::scanNumber(Frame& frame, Token& token) {
  const char* at = frame.at;
  const char* end = frame.end;
  token.kind = TokenClass::number;
  token.value = 0;
  token.text = {};
  token.symbol = nullptr;
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
  // Decimal digits, the common case, are taken before the loop that sees letters too.
  if (radix == 10) {
    for (; kindOf(*at) == kDigit; ++at) value = value * 10 + static_cast<std::uint32_t>(*at - '0');
  }
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
  frame.at = kStatementEnd;
  frame.end = kStatementEnd + kStatementEndLength;
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
                                             : findTableKey(tableKeyAt(at, length));
  frame.at = at + length;
  setEntry(token, *entry);
}

bool Lexer::openParenFollows() {
  while (true) {
    Frame& frame = *current_;
    if (inComment_ && !skipCommentBody(frame)) {
      if (!leaveFrame()) return false;
      inComment_ = false;
      continue;
    }
    while (frame.at < frame.end && isBlank(*frame.at)) ++frame.at;
    if (frame.at == frame.end) {
      if (!leaveFrame()) return false;
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
  ++current_->at;  // the '('
  int nesting = 1;
  std::string current;
  while (true) {
    Frame& frame = *current_;
    if (frame.at == frame.end) {
      if (!leaveFrame()) return false;
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
