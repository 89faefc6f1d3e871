#include "asm/lexer.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "asm/reserved_words.h"

namespace kz::assembler {
namespace {

enum CharClass : std::uint16_t {
  kSpace = 1 << 0,
  kDigit = 1 << 1,
  kHexDigit = 1 << 2,
  kWordStart = 1 << 3,     // letters _ . $
  kWordPart = 1 << 4,      // letters digits _ . '
  kConstantTail = 1 << 5,  // letters digits _ . (none may follow a constant)
  kHyphen = 1 << 6,        // - (a word character in the name after MODULE)
  kIllegal = 1 << 7,       // below 0x09, 0x0E to 0x1F, 0x80 and above
  kParenthesis = 1 << 8,   // ( )
  kOperandMark = 1 << 9,   // ; " ' , . ( ) (what the operand-field scan acts on)
};

constexpr bool isIllegalByte(int c) { return c < 0x09 || (c >= 0x0E && c < 0x20) || c >= 0x80; }

constexpr std::array<std::uint16_t, 256> buildClasses() {
  std::array<std::uint16_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    bool digit = c >= '0' && c <= '9';
    int bits = 0;
    if (c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r') bits |= kSpace;
    if (digit) bits |= kDigit | kWordPart | kConstantTail;
    if (digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) bits |= kHexDigit;
    if (letter || c == '_' || c == '.') bits |= kWordStart | kWordPart | kConstantTail;
    if (c == '$') bits |= kWordStart;
    if (c == '\'') bits |= kWordPart;
    if (c == '-') bits |= kHyphen;
    if (isIllegalByte(c)) bits |= kIllegal;
    if (c == '(' || c == ')') bits |= kParenthesis;
    if (std::string_view(";\"',.()").find(static_cast<char>(c)) != std::string_view::npos) {
      bits |= kOperandMark;
    }
    classes[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(bits);
  }
  return classes;
}
constexpr std::array<std::uint16_t, 256> kClasses = buildClasses();

inline unsigned classesOf(char c) { return kClasses[static_cast<unsigned char>(c)]; }
inline bool is(char c, unsigned classes) { return (classesOf(c) & classes) != 0; }

inline char lowerCase(char c) { return static_cast<char>(c | 0x20); }

int hexValue(char c) {
  if (c <= '9') return c - '0';
  return lowerCase(c) - 'a' + 10;
}

// Eight bytes at a time, each function below marks the bytes it looks for with their top bit.
constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kTops = 0x8080808080808080u;

// For bytes below 0x80, adding 0x80 - n sets a byte's top bit exactly when the byte is at
// least n, without carries into the next byte.
std::uint64_t bytesAtLeast(std::uint64_t bytes, std::uint64_t n) {
  return (bytes + (0x80 - n) * kOnes) & kTops;
}

std::uint64_t illegalBytes(std::uint64_t bytes) {
  std::uint64_t low = bytes & ~kTops;  // a byte of 0x80 or above is illegal whatever it holds
  std::uint64_t belowTab = ~bytesAtLeast(low, 0x09) & kTops;
  std::uint64_t otherControl = bytesAtLeast(low, 0x0E) & ~bytesAtLeast(low, 0x20);
  return (bytes & kTops) | belowTab | otherControl;
}

std::uint64_t zeroBytes(std::uint64_t bytes) {
  return ~(((bytes & ~kTops) + ~kTops) | bytes | ~kTops);
}

std::uint64_t parenthesisBytes(std::uint64_t bytes) {
  return zeroBytes((bytes & ~kOnes) ^ (kOnes * '('));  // '(' and ')' differ in the low bit only
}

std::uint64_t loadEightBytes(const char* at) {
  std::uint64_t bytes;
  std::memcpy(&bytes, at, 8);
  return bytes;
}

// Which of the classes kIllegal and kParenthesis occur in the line.
unsigned illegalAndParenthesisClasses(std::string_view line) {
  if (line.size() < 8) {
    unsigned classes = 0;
    for (char c : line) classes |= classesOf(c);
    return classes & (kIllegal | kParenthesis);
  }
  std::uint64_t illegal = 0;
  std::uint64_t parentheses = 0;
  auto take = [&](std::uint64_t bytes) {
    illegal |= illegalBytes(bytes);
    parentheses |= parenthesisBytes(bytes);
  };
  std::size_t i = 0;
  for (; i + 8 <= line.size(); i += 8) take(loadEightBytes(line.data() + i));
  if (i < line.size()) take(loadEightBytes(line.data() + line.size() - 8));
  unsigned classes = 0;
  if (illegal) classes |= kIllegal;
  if (parentheses) classes |= kParenthesis;
  return classes;
}

bool isBitOperandMnemonic(std::int32_t value) {
  switch (static_cast<Mnemonic>(value)) {
    case Mnemonic::clr:
    case Mnemonic::set:
    case Mnemonic::cpl:
    case Mnemonic::test:
    case Mnemonic::ld:
    case Mnemonic::and_:
    case Mnemonic::or_:
    case Mnemonic::xor_:
      return true;
    default:
      return false;
  }
}

TokenKind simpleToken(Token& token, TokenKind kind, char punct = 0) {
  token.kind = kind;
  token.punct = punct;
  return kind;
}

TokenKind reservedToken(Token& token, const ReservedWord& word) {
  token.kind = TokenKind::reserved;
  token.wordClass = word.wordClass;
  token.value = word.value;
  return token.kind;
}

// The result of scanning the characters of a numeric constant.
struct NumberScan {
  std::size_t end = 0;       // one past the last character of the constant
  std::size_t valueEnd = 0;  // end of the part that floating conversion reads
  bool floating = false;
  bool malformed = false;
  FloatPrecision precision = FloatPrecision::dbl;
  std::uint32_t value = 0;
};

// Reads constants starting at a digit into `scan`. Positions are offsets into the line.
class NumberScanner {
 public:
  NumberScanner(std::string_view line, NumberScan& scan) : line_(line), scan_(scan) {}

  void prefixStyle(std::size_t start) {
    if (line_[start] == '0' && start + 1 < line_.size()) {
      char marker = lowerCase(line_[start + 1]);
      if (marker == 'x') return radixDigits(start + 2, 16);
      if (marker == 'y') return radixDigits(start + 2, 2);
    }
    decimal(start, true);
  }

  void suffixStyle(std::size_t start) {
    std::size_t p = start;
    while (p < line_.size() && is(line_[p], kHexDigit)) ++p;
    if (p < line_.size() && lowerCase(line_[p]) == 'h') {
      for (std::size_t i = start; i < p; ++i) scan_.value = scan_.value * 16 + hexValue(line_[i]);
      return withTail(p + 1);
    }
    decimal(start, false);
  }

 private:
  char at(std::size_t p) const { return p < line_.size() ? line_[p] : '\0'; }

  void radixDigits(std::size_t first, unsigned radix) {
    std::size_t p = first;
    for (; p < line_.size(); ++p) {
      char c = line_[p];
      bool digit = radix == 16 ? is(c, kHexDigit) : (c == '0' || c == '1');
      if (!digit) break;
      scan_.value = scan_.value * radix + static_cast<unsigned>(hexValue(c));
    }
    scan_.malformed = p == first;
    withTail(p);
  }

  // Decimal digits, then a floating part or, when `octal` and the text begins with 0, octal.
  void decimal(std::size_t start, bool octal) {
    unsigned radix = octal && line_[start] == '0' ? 8 : 10;
    bool digitBeyondRadix = false;
    std::size_t p = start;
    for (; is(at(p), kDigit); ++p) {
      auto digit = static_cast<unsigned>(line_[p] - '0');
      digitBeyondRadix |= digit >= radix;
      scan_.value = scan_.value * radix + digit;
    }
    if (is(at(p), kConstantTail)) {  // a floating part begins with '.' or 'e'
      std::size_t floatEnd = floatingPart(p);
      if (scan_.floating || scan_.malformed) return floatingSuffix(floatEnd);
    }
    scan_.malformed = digitBeyondRadix;
    withTail(p);
  }

  // "." digits and/or an exponent after the integer digits ending at p.
  std::size_t floatingPart(std::size_t p) {
    if (at(p) == '.' && (is(at(p + 1), kDigit) || lowerCase(at(p + 1)) == 'e')) {
      scan_.floating = true;
      ++p;
      while (is(at(p), kDigit)) ++p;
    }
    if (lowerCase(at(p)) == 'e' &&
        (scan_.floating || is(at(p + 1), kDigit) || at(p + 1) == '+' || at(p + 1) == '-')) {
      std::size_t q = p + 1;
      if (at(q) == '+' || at(q) == '-') ++q;
      if (!is(at(q), kDigit)) {
        scan_.malformed = true;
        return q;
      }
      while (is(at(q), kDigit)) ++q;
      scan_.floating = true;
      p = q;
    }
    return p;
  }

  void floatingSuffix(std::size_t p) {
    scan_.valueEnd = p;
    char suffix = lowerCase(at(p));
    if (suffix == 'f' || suffix == 'l') {
      scan_.precision = suffix == 'f' ? FloatPrecision::single : FloatPrecision::extended;
      ++p;
    }
    withTail(p);
  }

  // Anything word-like right after a constant makes it malformed; it is taken into the
  // constant so that it is not read again as a name.
  void withTail(std::size_t p) {
    if (scan_.valueEnd == 0) scan_.valueEnd = p;
    if (is(at(p), kConstantTail)) {
      scan_.malformed = true;
      while (is(at(p), kConstantTail)) ++p;
    }
    scan_.end = p;
  }

  std::string_view line_;
  NumberScan& scan_;
};

long double floatingValue(std::string_view digits, FloatPrecision precision) {
  char text[Lexer::kMaxConstantText + 1];
  digits.copy(text, digits.size());
  text[digits.size()] = '\0';
  long double value = std::strtold(text, nullptr);
  switch (precision) {
    case FloatPrecision::single:
      return static_cast<float>(value);
    case FloatPrecision::dbl:
      return static_cast<double>(value);
    case FloatPrecision::extended:
      break;
  }
  return value;
}

// What one operand of an instruction looks like to the memory-bracket rule.
struct OperandShape {
  std::size_t open = std::string_view::npos;   // '(' that begins the operand
  std::size_t close = std::string_view::npos;  // its matching ')'
  bool other = false;                          // anything else at depth 0
  bool bitPart = false;  // after a '.' at depth 0: a bit number, not an operand

  bool isOneGroup() const {
    return open != std::string_view::npos && close != std::string_view::npos && !other && !bitPart;
  }
};

std::size_t skipQuoted(std::string_view line, std::size_t p, bool escapes) {
  char quote = line[p++];
  while (p < line.size()) {
    char c = line[p];
    if (c == quote) return p + 1;
    p += escapes && c == '\\' ? 2 : 1;
  }
  return line.size();
}

// In the operands of a bit instruction a word such as "A.3" is split into the register, a '.'
// token and the rest: the register the word begins with, spelled up to its first '.', or
// nullptr when the word stays whole.
const ReservedWord* bitSuffixRegister(std::string_view word) {
  std::size_t dot = word.find('.');
  if (dot == 0 || dot == std::string_view::npos || dot + 1 == word.size()) return nullptr;
  const ReservedWord* reg = lookupReservedWord(word.substr(0, dot));
  return reg && reg->wordClass == ReservedClass::reg ? reg : nullptr;
}

// The token's text was cleared when its scan began.
void setText(Token& token, std::string_view text) {
  token.spelling().append(text.data(), text.size());
}

}  // namespace

Lexer::Lexer(SourceReader& reader, const RunOptions& options, Reporter& reporter)
    : reader_(reader), options_(options), reporter_(reporter) {
  memoryParens_.reserve(16);
}

void Lexer::restart() {
  haveLine_ = false;
  endOfSource_ = false;
  afterEnd_ = false;
  line_ = {};
}

std::optional<int> Lexer::enterInclude(std::string_view name, IncludeForm form) {
  haveLine_ = false;
  line_ = {};
  return reader_.enterInclude(name, form);
}

TokenKind Lexer::nextToken(Token& token) {
  token.spelling().clear();
  token.unbind();
  if (!haveLine_ && !startLine()) return simpleToken(token, TokenKind::endOfSource);
  skipSpace();
  if (pos_ >= line_.size() || line_[pos_] == ';') return finishLine(token);
  if (afterEnd_) {
    reporter_.reportWarning(Message::textAfterEnd);
    return finishLine(token);
  }
  switch (field_) {
    case Field::operands:
      return scanToken(token, false);
    case Field::moduleName:
      field_ = Field::operands;
      return scanToken(token, true);
    case Field::includeName:
      field_ = Field::operands;
      if (line_[pos_] == '"' || line_[pos_] == '<') return scanIncludeName(token);
      return scanToken(token, false);
    default: {
      TokenKind kind = scanToken(token, false);
      trackStatementField(token);
      return kind;
    }
  }
}

bool Lexer::startLine() {
  SourceLine line;
  if (endOfSource_ || !reader_.nextLine(line)) {
    endOfSource_ = true;
    return false;
  }
  line_ = line.text;
  pos_ = 0;
  haveLine_ = true;
  lineAfterEnd_ = afterEnd_;
  unsigned classes = illegalAndParenthesisClasses(line_);
  illegalCharacter_ = !options_.eightBitText && (classes & kIllegal) != 0;
  lineHasParenthesis_ = (classes & kParenthesis) != 0;
  field_ = Field::start;
  bitOperands_ = debugOperands_ = dotIsPunct_ = false;
  memoryParens_.clear();
  nextMemoryParen_ = 0;
  reporter_.beginStatement(reader_.fileIndex(), reader_.lineNumber());
  return true;
}

TokenKind Lexer::finishLine(Token& token) {
  haveLine_ = false;
  if (illegalCharacter_ && !lineAfterEnd_ && !reporter_.statementHasError()) {
    reporter_.reportError(Message::syntaxError);
  }
  return simpleToken(token, TokenKind::lineEnd);
}

void Lexer::skipSpace() {
  while (pos_ < line_.size() && is(line_[pos_], kSpace)) ++pos_;
}

bool Lexer::escapesEnabled() const { return !options_.noEscapes && !debugOperands_; }

TokenKind Lexer::scanToken(Token& token, bool hyphenInWord) {
  bool dotIsPunct = std::exchange(dotIsPunct_, false);
  char c = line_[pos_];
  if (is(c, kWordStart)) return scanWord(token, hyphenInWord, dotIsPunct);
  if (is(c, kDigit)) return scanNumber(token);
  switch (c) {
    case '\'':
      return scanCharacterConstant(token);
    case '"':
      return scanString(token);
    case '(':
    case ')':
      return scanParenthesis(token, c);
    case '<':
    case '>':
      if (pos_ + 1 < line_.size() && line_[pos_ + 1] == c) {
        pos_ += 2;
        return simpleToken(token, c == '<' ? TokenKind::shiftLeft : TokenKind::shiftRight);
      }
      break;
    default:
      break;
  }
  ++pos_;
  return simpleToken(token, TokenKind::punct, c);
}

// word: (letter | _ | . | $) {letter | digit | _ | . | '}
TokenKind Lexer::scanWord(Token& token, bool hyphenInWord, bool dotIsPunct) {
  std::size_t start = pos_;
  std::size_t end = wordEnd(start + 1, hyphenInWord ? kWordPart | kHyphen : kWordPart);
  std::string_view word(line_.data() + start, end - start);
  if (word[0] == '.' && (dotIsPunct || word.size() == 1)) {
    ++pos_;
    return simpleToken(token, TokenKind::punct, '.');
  }
  if (bitOperands_) {
    if (const ReservedWord* reg = bitSuffixRegister(word)) {
      pos_ = start + reg->spelling.size();  // at the '.'
      dotIsPunct_ = true;
      return reservedToken(token, *reg);
    }
  }
  pos_ = end;
  if (const ReservedWord* reserved = lookupReservedWord(word))
    return reservedToken(token, *reserved);
  token.kind = TokenKind::identifier;
  // A module name keeps its full length so that the MODULE statement can reject a long one.
  setText(token, hyphenInWord ? word : word.substr(0, kMaxNameLength));
  return token.kind;
}

std::size_t Lexer::wordEnd(std::size_t p, unsigned partClasses) const {
  while (p < line_.size() && is(line_[p], partClasses)) ++p;
  return p;
}

TokenKind Lexer::scanParenthesis(Token& token, char c) {
  std::size_t at = pos_++;
  while (nextMemoryParen_ < memoryParens_.size() && memoryParens_[nextMemoryParen_] < at) {
    ++nextMemoryParen_;
  }
  bool memory = nextMemoryParen_ < memoryParens_.size() && memoryParens_[nextMemoryParen_] == at;
  if (memory) ++nextMemoryParen_;
  if (c == ')') dotIsPunct_ = true;
  if (!memory) return simpleToken(token, TokenKind::punct, c);
  return simpleToken(token, c == '(' ? TokenKind::memoryOpen : TokenKind::memoryClose, c);
}

TokenKind Lexer::scanNumber(Token& token) {
  std::size_t start = pos_;
  NumberScan scan;
  NumberScanner scanner(line_, scan);
  if (options_.hexSuffix) {
    scanner.suffixStyle(start);
  } else {
    scanner.prefixStyle(start);
  }
  std::string_view text = line_.substr(start, scan.end - start);
  if (text.size() > kMaxConstantText) reporter_.fatal(Message::numericConstantOutOfRange);
  pos_ = scan.end;
  setText(token, text);
  if (scan.malformed) {
    reporter_.reportError(Message::illegalNumericConstant);
    token.kind = TokenKind::integer;
    token.value = 0;
    return token.kind;
  }
  if (scan.floating) {
    token.kind = TokenKind::floating;
    token.precision = scan.precision;
    token.floatValue = floatingValue(line_.substr(start, scan.valueEnd - start), scan.precision);
    return token.kind;
  }
  token.kind = TokenKind::integer;
  token.value = static_cast<std::int32_t>(scan.value);
  return token.kind;
}

// 'c...': one byte per character or escape, big-endian, the last four bytes kept.
TokenKind Lexer::scanCharacterConstant(Token& token) {
  std::size_t start = pos_++;
  bool escapes = escapesEnabled();
  std::uint32_t value = 0;
  int count = 0;
  for (;;) {
    if (pos_ >= line_.size()) {
      illegalCharacter_ = true;
      break;
    }
    char c = line_[pos_];
    if (c == '\'') {
      ++pos_;
      break;
    }
    int byte = escapes && c == '\\' ? readEscape() : static_cast<unsigned char>(line_[pos_++]);
    if (byte < 0) continue;
    if (++count == 5) reporter_.reportWarning(Message::illegalStringConstant);
    value = (value << 8) | static_cast<std::uint32_t>(byte);
  }
  token.kind = TokenKind::integer;
  token.value = static_cast<std::int32_t>(value);
  setText(token, line_.substr(start, pos_ - start));
  return token.kind;
}

TokenKind Lexer::scanString(Token& token) {
  ++pos_;
  bool escapes = escapesEnabled();
  for (;;) {
    if (pos_ >= line_.size()) {
      reporter_.reportError(Message::illegalString);
      break;
    }
    char c = line_[pos_];
    if (c == '"') {
      ++pos_;
      break;
    }
    if (c == '\0') {
      reporter_.reportError(Message::illegalString);
      ++pos_;
      break;
    }
    int byte = escapes && c == '\\' ? readEscape() : static_cast<unsigned char>(line_[pos_++]);
    if (byte < 0) continue;
    if (token.spelling().size() == kMaxStringLength) reporter_.fatal(Message::stringTableOverflow);
    token.spelling().push_back(static_cast<char>(byte));
  }
  return simpleToken(token, TokenKind::string, '"');
}

TokenKind Lexer::scanIncludeName(Token& token) {
  char open = line_[pos_++];
  std::size_t close = line_.find(open == '<' ? '>' : '"', pos_);
  if (close == std::string_view::npos) {
    reporter_.reportError(Message::illegalString);
    close = line_.size();
  }
  setText(token, line_.substr(pos_, close - pos_));
  pos_ = close < line_.size() ? close + 1 : close;
  return simpleToken(token, TokenKind::string, open);
}

// The byte of the escape sequence at pos_ (a backslash), or -1 when it gives none.
int Lexer::readEscape() {
  ++pos_;
  if (pos_ >= line_.size() || line_[pos_] == '\0') return -1;
  char c = line_[pos_++];
  switch (c) {
    case '"':
    case '\'':
    case '?':
    case '\\':
      return c;
    case '0':
      return 0;
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
    case 'x':
    case 'X':
      return readHexEscape();
    default:
      if (c >= '1' && c <= '7') return readOctalEscape(c - '0');
      reporter_.reportWarning(Message::illegalEscape);
      return -1;
  }
}

int Lexer::readOctalEscape(int first) {
  int value = first;
  for (int digits = 1; digits < 3 && pos_ < line_.size(); ++digits) {
    char c = line_[pos_];
    if (c < '0' || c > '7') break;
    value = value * 8 + (c - '0');
    ++pos_;
  }
  if (value > 255) reporter_.reportWarning(Message::illegalEscape);
  return value & 0xFF;
}

int Lexer::readHexEscape() {
  int value = 0;
  int digits = 0;
  for (; digits < 2 && pos_ < line_.size() && is(line_[pos_], kHexDigit); ++digits) {
    value = value * 16 + hexValue(line_[pos_++]);
  }
  if (digits > 0) return value;
  reporter_.reportWarning(Message::illegalEscape);
  return -1;
}

// statement: [name [":"]] keyword operands
void Lexer::trackStatementField(const Token& token) {
  if (field_ == Field::start && token.kind == TokenKind::identifier) {
    field_ = Field::afterName;
    return;
  }
  if (field_ == Field::afterName) {
    bool colon = token.kind == TokenKind::punct && token.punct == ':';
    field_ = colon ? Field::afterLabel : Field::operands;
    return;
  }
  field_ = Field::operands;
  if (token.kind == TokenKind::reserved) beginOperandField(token);
}

void Lexer::beginOperandField(const Token& keyword) {
  switch (keyword.wordClass) {
    case ReservedClass::mnemonic:
      bitOperands_ = isBitOperandMnemonic(keyword.value);
      scanOperandField();
      break;
    case ReservedClass::debugDirective:
      debugOperands_ = true;
      break;
    case ReservedClass::moduleSection:
      if (keyword.value == valueOf(ModuleSectionWord::module)) field_ = Field::moduleName;
      break;
    case ReservedClass::include:
      field_ = Field::includeName;
      break;
    default:
      break;
  }
}

// Scans the operand field once before it is tokenised (see the header).
void Lexer::scanOperandField() {
  // Most lines hold no parenthesis at all: nothing to mark and nothing unbalanced.
  if (!lineHasParenthesis_) return;
  bool escapes = escapesEnabled();
  OperandShape shape;
  int depth = 0;
  bool inWord = false;
  auto finishOperand = [&](bool bitPart) {
    if (shape.isOneGroup()) {
      memoryParens_.push_back(shape.open);
      memoryParens_.push_back(shape.close);
    }
    shape = OperandShape{};
    shape.bitPart = bitPart;
  };
  std::size_t p = pos_;
  while (p < line_.size()) {
    char c = line_[p];
    unsigned classes = classesOf(c);
    if (!(classes & kOperandMark)) {
      if (depth == 0 && !(classes & kSpace)) shape.other = true;
    } else if (c == ';') {
      break;
    } else if (c == '"' || (c == '\'' && !inWord)) {
      if (depth == 0) shape.other = true;
      p = skipQuoted(line_, p, escapes);
      inWord = false;
      continue;
    } else if (depth == 0 && (c == ',' || c == '.')) {
      finishOperand(c == '.');
    } else if (c == '(') {
      if (depth == 0 && (shape.open != std::string_view::npos || shape.other)) shape.other = true;
      if (depth == 0 && !shape.other) shape.open = p;
      ++depth;
    } else if (c == ')') {
      if (depth == 0) {
        reporter_.reportError(Message::unbalancedParentheses);
        memoryParens_.clear();
        return;
      }
      if (--depth == 0 && shape.close == std::string_view::npos) shape.close = p;
    } else if (depth == 0) {
      shape.other = true;  // a quote inside a word such as x'y
    }
    inWord = (classes & kWordStart) || (inWord && (classes & kWordPart));
    ++p;
  }
  if (depth > 0) {
    reporter_.reportError(Message::unbalancedParentheses);
    memoryParens_.clear();
    return;
  }
  finishOperand(false);
}

}  // namespace kz::assembler
