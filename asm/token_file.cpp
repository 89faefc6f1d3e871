#include "asm/token_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <utility>

#include "asm/reserved_words.h"
#include "common/varint.h"

namespace kz::assembler {
namespace {

constexpr std::string_view kFileName = "tokenfile";
constexpr std::uint64_t kMaxRecordLength = std::uint64_t{1} << 31;

// Record heads.
constexpr unsigned kShortStatementLimit = 0xF0;
constexpr unsigned char kStatementHead = 0xF0;
constexpr unsigned char kFailedStatementHead = 0xF1;
constexpr unsigned char kIncludeEnterHead = 0xF2;
constexpr unsigned char kIncludeLeaveHead = 0xF3;
constexpr unsigned char kEndHead = 0xF4;

// Token codes, in the order of the layout comment in the header.
constexpr std::string_view kShortPuncts = "!#%&()*+,-./:<=>?@[\\]^`{|}~";
constexpr unsigned kPunctFirst = kReservedWordCount;
constexpr unsigned kLineEndCode = kPunctFirst + kShortPuncts.size();
constexpr unsigned kEndOfSourceCode = kLineEndCode + 1;
constexpr unsigned kShiftLeftCode = kLineEndCode + 2;
constexpr unsigned kShiftRightCode = kLineEndCode + 3;
constexpr unsigned kMemoryOpenCode = kLineEndCode + 4;
constexpr unsigned kMemoryCloseCode = kLineEndCode + 5;
constexpr unsigned kAnyPunctCode = kLineEndCode + 6;
constexpr unsigned kStringCode = kLineEndCode + 7;
constexpr unsigned kFloatingCode = kLineEndCode + 8;
constexpr unsigned kIdentifierCode = kLineEndCode + 9;
constexpr unsigned kSymbolCode = kLineEndCode + 10;
constexpr unsigned kIntegerCode = kLineEndCode + 11;
constexpr unsigned kSmallDecimalFirst = kLineEndCode + 22;  // 0xB8..0xC1 not used
constexpr unsigned kSmallDecimals = 16;
constexpr unsigned kNearSymbolFirst = kSmallDecimalFirst + kSmallDecimals;
constexpr int kNearSymbolLow = -16;
constexpr int kNearSymbolHigh = 15;
constexpr unsigned kNearSymbolZero = kNearSymbolFirst - kNearSymbolLow;
constexpr unsigned kCodeEnd = kNearSymbolZero + kNearSymbolHigh + 1;

// The layout comment gives these numbers; a change of the reserved-word table moves them.
static_assert(kPunctFirst == 0x91 && kLineEndCode == 0xAC && kAnyPunctCode == 0xB2);
static_assert(kIntegerCode == 0xB7 && kSmallDecimalFirst == 0xC2);
static_assert(kNearSymbolFirst == 0xD2 && kNearSymbolZero == 0xE2 && kCodeEnd == 0xF2);

enum class Op : std::uint8_t {
  invalid,
  reserved,
  punct,
  fixed,
  anyPunct,
  string,
  floating,
  identifier,
  symbol,
  nearSymbol,
  integer,
  smallDecimal,
};

// The token kinds that are their code alone.
constexpr std::pair<unsigned, TokenKind> kFixedCodes[] = {
    {kLineEndCode, TokenKind::lineEnd},       {kEndOfSourceCode, TokenKind::endOfSource},
    {kShiftLeftCode, TokenKind::shiftLeft},   {kShiftRightCode, TokenKind::shiftRight},
    {kMemoryOpenCode, TokenKind::memoryOpen}, {kMemoryCloseCode, TokenKind::memoryClose},
};

struct CodeMeaning {
  Op op = Op::invalid;
  std::uint8_t argument = 0;
};

constexpr std::array<CodeMeaning, 256> buildCodeTable() {
  std::array<CodeMeaning, 256> table{};
  for (unsigned i = 0; i < kReservedWordCount; ++i)
    table[i] = {Op::reserved, static_cast<std::uint8_t>(i)};
  for (unsigned i = 0; i < kShortPuncts.size(); ++i) {
    table[kPunctFirst + i] = {Op::punct, static_cast<std::uint8_t>(kShortPuncts[i])};
  }
  for (auto [code, kind] : kFixedCodes) table[code] = {Op::fixed, static_cast<std::uint8_t>(kind)};
  table[kAnyPunctCode] = {Op::anyPunct, 0};
  table[kStringCode] = {Op::string, 0};
  table[kFloatingCode] = {Op::floating, 0};
  table[kIdentifierCode] = {Op::identifier, 0};
  table[kSymbolCode] = {Op::symbol, 0};
  table[kIntegerCode] = {Op::integer, 0};
  for (unsigned i = 0; i < kSmallDecimals; ++i) {
    table[kSmallDecimalFirst + i] = {Op::smallDecimal, static_cast<std::uint8_t>(i)};
  }
  for (unsigned code = kNearSymbolFirst; code < kCodeEnd; ++code) table[code] = {Op::nearSymbol, 0};
  return table;
}
constexpr std::array<CodeMeaning, 256> kCodes = buildCodeTable();

constexpr std::array<std::uint8_t, 256> buildPunctCodes() {
  std::array<std::uint8_t, 256> codes{};  // 0: no code of its own
  for (unsigned i = 0; i < kShortPuncts.size(); ++i) {
    codes[static_cast<unsigned char>(kShortPuncts[i])] = static_cast<std::uint8_t>(kPunctFirst + i);
  }
  return codes;
}
constexpr std::array<std::uint8_t, 256> kPunctCodes = buildPunctCodes();

std::uint64_t zigzag(std::int64_t value) {
  return (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
}

std::int64_t unzigzag(std::uint64_t value) {
  return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
}

// Line arithmetic wraps around instead of overflowing, whatever a damaged file holds.
long lineAfter(long line, std::int64_t delta) {
  return static_cast<long>(static_cast<std::uint64_t>(line) + static_cast<std::uint64_t>(delta));
}

std::int64_t lineDistance(long from, long to) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(to) -
                                   static_cast<std::uint64_t>(from));
}

class TokenRecordWriter {
 public:
  TokenRecordWriter(std::vector<unsigned char>& out, std::uint32_t& lastSymbol)
      : out_(out), lastSymbol_(lastSymbol) {}

  void byte(unsigned value) { out_.push_back(static_cast<unsigned char>(value)); }
  void varint(std::uint64_t value) {
    unsigned char bytes[kMaxVarintBytes];
    raw(bytes, putVarint(bytes, value));
  }
  void raw(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    out_.insert(out_.end(), bytes, bytes + size);
  }
  void text(std::string_view text) {
    varint(text.size());
    raw(text.data(), text.size());
  }

  void token(const Token& token) {
    switch (token.kind) {
      case TokenKind::punct:
        if (unsigned code = kPunctCodes[static_cast<unsigned char>(token.punct)]) {
          byte(code);
        } else {
          byte(kAnyPunctCode);
          byte(static_cast<unsigned char>(token.punct));
        }
        break;
      case TokenKind::reserved:
        byte(reservedIndexOf(token.wordClass, token.value));
        break;
      case TokenKind::identifier:
        if (token.isBound()) {
          symbol(token.boundSymbol());
        } else {
          byte(kIdentifierCode);
          text(token.text());
        }
        break;
      case TokenKind::integer:
        integer(token);
        break;
      case TokenKind::floating:
        byte(kFloatingCode);
        byte(static_cast<unsigned>(token.precision));
        raw(&token.floatValue, sizeof token.floatValue);
        text(token.text());
        break;
      case TokenKind::string:
        byte(kStringCode);
        byte(static_cast<unsigned char>(token.punct));
        text(token.text());
        break;
      case TokenKind::lineEnd:
        byte(kLineEndCode);
        break;
      case TokenKind::endOfSource:
        byte(kEndOfSourceCode);
        break;
      case TokenKind::shiftLeft:
        byte(kShiftLeftCode);
        break;
      case TokenKind::shiftRight:
        byte(kShiftRightCode);
        break;
      case TokenKind::memoryOpen:
        byte(kMemoryOpenCode);
        break;
      case TokenKind::memoryClose:
        byte(kMemoryCloseCode);
        break;
    }
  }

 private:
  void symbol(std::uint32_t index) {
    std::int64_t delta = std::int64_t{index} - std::int64_t{lastSymbol_};
    lastSymbol_ = index;
    if (delta >= kNearSymbolLow && delta <= kNearSymbolHigh) {
      byte(static_cast<unsigned>(kNearSymbolZero + delta));
    } else {
      byte(kSymbolCode);
      varint(zigzag(delta));
    }
  }

  // An integer goes by its value alone: after the lexer, nothing reads a constant's text.
  void integer(const Token& token) {
    auto value = static_cast<std::uint32_t>(token.value);
    if (value < kSmallDecimals) {
      byte(kSmallDecimalFirst + value);
    } else {
      byte(kIntegerCode);
      varint(value);
    }
  }

  std::vector<unsigned char>& out_;
  std::uint32_t& lastSymbol_;
};

// Reads one record body; running past its end marks the record as malformed.
class TokenRecordReader {
 public:
  TokenRecordReader(const unsigned char* begin, const unsigned char* end,
                    std::uint32_t lastSymbol = 0)
      : begin_(begin), p_(begin), end_(end), lastSymbol_(lastSymbol) {}

  bool ok() const { return ok_; }
  std::size_t used() const { return static_cast<std::size_t>(p_ - begin_); }
  bool atEnd() const { return p_ == end_; }
  std::uint32_t lastSymbol() const { return lastSymbol_; }

  unsigned byte() {
    if (p_ == end_) return fail();
    return *p_++;
  }
  std::uint64_t varint() {
    std::uint64_t value = 0;
    for (unsigned shift = 0; shift < 64; shift += 7) {
      if (p_ == end_) return fail();
      unsigned char b = *p_++;
      value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return value;
    }
    return fail();
  }
  std::uint32_t unsigned32() {
    std::uint64_t value = varint();
    if (value > 0xFFFFFFFFu) return fail();
    return static_cast<std::uint32_t>(value);
  }
  void raw(void* data, std::size_t size) {
    if (static_cast<std::size_t>(end_ - p_) < size) {
      fail();
      return;
    }
    std::memcpy(data, p_, size);
    p_ += size;
  }
  void text(std::string& out) {
    std::uint64_t size = varint();
    if (static_cast<std::uint64_t>(end_ - p_) < size) {
      fail();
      return;
    }
    out.assign(reinterpret_cast<const char*>(p_), static_cast<std::size_t>(size));
    p_ += size;
  }

  // Sets the same members of `token` as the lexer's token of that kind has meaningful; the
  // others keep what the reused token held.
  void token(Token& token) {
    unsigned code = byte();
    CodeMeaning meaning = kCodes[code];
    token.spelling().clear();
    switch (meaning.op) {
      case Op::reserved: {
        const ReservedWord& word = reservedWords_[meaning.argument];
        token.kind = TokenKind::reserved;
        token.wordClass = word.wordClass;
        token.value = word.value;
        break;
      }
      case Op::punct:
        token.kind = TokenKind::punct;
        token.punct = static_cast<char>(meaning.argument);
        break;
      case Op::fixed:
        token.kind = static_cast<TokenKind>(meaning.argument);
        if (token.kind == TokenKind::memoryOpen) token.punct = '(';
        if (token.kind == TokenKind::memoryClose) token.punct = ')';
        break;
      case Op::anyPunct:
        token.kind = TokenKind::punct;
        token.punct = static_cast<char>(byte());
        break;
      case Op::string:
        token.kind = TokenKind::string;
        token.punct = static_cast<char>(byte());
        text(token.spelling());
        break;
      case Op::floating: {
        token.kind = TokenKind::floating;
        unsigned precision = byte();
        if (precision > static_cast<unsigned>(FloatPrecision::extended)) fail();
        token.precision = static_cast<FloatPrecision>(precision);
        raw(&token.floatValue, sizeof token.floatValue);
        text(token.spelling());
        break;
      }
      case Op::identifier:
        token.kind = TokenKind::identifier;
        token.unbind();
        text(token.spelling());
        break;
      case Op::symbol:
        symbol(token, unzigzag(varint()));
        break;
      case Op::nearSymbol:
        symbol(token, static_cast<std::int64_t>(code) - kNearSymbolZero);
        break;
      case Op::integer:
        integer(token, unsigned32());
        break;
      case Op::smallDecimal:
        integer(token, meaning.argument);
        break;
      case Op::invalid:
        fail();
        break;
    }
  }

 private:
  unsigned fail() {
    ok_ = false;
    p_ = end_;
    return 0;
  }

  void symbol(Token& token, std::int64_t delta) {
    std::int64_t index = std::int64_t{lastSymbol_} + delta;
    if (index < 0 || index >= std::int64_t{kNoSymbol}) {
      fail();
      index = 0;
    }
    token.kind = TokenKind::identifier;
    lastSymbol_ = static_cast<std::uint32_t>(index);
    token.bind(lastSymbol_);
  }

  static void integer(Token& token, std::uint32_t value) {
    token.kind = TokenKind::integer;
    token.value = static_cast<std::int32_t>(value);
  }

  const unsigned char* begin_;
  const unsigned char* p_;
  const unsigned char* end_;
  std::uint32_t lastSymbol_;
  bool ok_ = true;
  const ReservedWord* reservedWords_ = reservedWordTable().data();
};

}  // namespace

void TokenFilePosition::enter(int enteredFile) {
  includes.push_back({fileIndex, line});
  fileIndex = enteredFile;
  line = 0;
}

void TokenFilePosition::leave() {
  if (includes.empty()) return;
  fileIndex = includes.back().fileIndex;
  line = includes.back().line;
  includes.pop_back();
}

TokenFileWriter::TokenFileWriter(WorkFile& file, const Reporter& reporter)
    : file_(file), reporter_(reporter) {
  buffer_.reserve(kFlushSize + 1024);
}

void TokenFileWriter::writeStatement(int fileIndex, long line, std::span<const Token> tokens,
                                     bool failed) {
  // The tokens go straight into the buffer after the head byte; the rare statement that
  // needs the long head has the rest of it put in front of them afterwards.
  std::size_t headAt = beginRecord();
  TokenRecordWriter body(buffer_, position_.symbolIndex);
  for (const Token& token : tokens) body.token(token);
  std::size_t bodySize = buffer_.size() - headAt - 1;
  if (!failed && fileIndex == position_.fileIndex && line == lineAfter(position_.line, 1) &&
      bodySize < kShortStatementLimit) {
    buffer_[headAt] = static_cast<unsigned char>(bodySize);
  } else {
    unsigned char fields[2 * kMaxVarintBytes];
    std::size_t size = putVarint(fields, static_cast<std::uint64_t>(fileIndex));
    size += putVarint(fields + size, zigzag(lineDistance(position_.line, line)));
    endLongRecord(headAt, failed ? kFailedStatementHead : kStatementHead, {fields, size});
  }
  position_.fileIndex = fileIndex;
  position_.line = line;
}

void TokenFileWriter::writeIncludeEnter(int fileIndex) {
  unsigned char field[kMaxVarintBytes];
  std::size_t size = putVarint(field, static_cast<std::uint64_t>(fileIndex));
  endLongRecord(beginRecord(), kIncludeEnterHead, {field, size});
  position_.enter(fileIndex);
}

void TokenFileWriter::writeIncludeLeave() {
  endLongRecord(beginRecord(), kIncludeLeaveHead, {});
  position_.leave();
}

void TokenFileWriter::writeEnd() {
  endLongRecord(beginRecord(), kEndHead, {});
  flush();
}

// Flushes a full buffer and reserves the head byte of the next record; returns its offset.
std::size_t TokenFileWriter::beginRecord() {
  if (buffer_.size() >= kFlushSize) flush();
  buffer_.push_back(0);
  return buffer_.size() - 1;
}

// Completes a record with a long head: `head`, then the length of `fields` and of what the
// buffer holds after the head byte, then `fields` in front of that.
void TokenFileWriter::endLongRecord(std::size_t headAt, unsigned char head,
                                    std::span<const unsigned char> fields) {
  buffer_[headAt] = head;
  unsigned char front[kMaxVarintBytes + 2 * kMaxVarintBytes];
  std::size_t size = putVarint(front, fields.size() + (buffer_.size() - headAt - 1));
  std::copy(fields.begin(), fields.end(), front + size);
  size += fields.size();
  buffer_.insert(buffer_.begin() + static_cast<std::ptrdiff_t>(headAt + 1), front, front + size);
}

void TokenFileWriter::flush() {
  if (buffer_.empty()) return;
  if (!file_.write(buffer_.data(), buffer_.size())) {
    if (file_.inMemory()) reporter_.fatal(Message::outOfMemory);
    reporter_.fatal(Message::cantWrite, kFileName);
  }
  buffer_.clear();
}

TokenFileReader::TokenFileReader(WorkFile& file, const Reporter& reporter)
    : file_(file), reporter_(reporter), data_(kChunkSize) {}

void TokenFileReader::rewind() {
  if (!file_.seek(0)) reporter_.fatal(Message::cantSeek, kFileName);
  pos_ = end_ = 0;
  fileEnded_ = false;
  position_ = TokenFilePosition();
}

// Makes `count` bytes from pos_ contiguous in the buffer, reading chunks as needed. Returns
// the number of bytes available, fewer than asked only at the end of the file.
std::size_t TokenFileReader::ensureAvailable(std::size_t count) {
  while (end_ - pos_ < count && !fileEnded_) {
    if (pos_ > 0) {
      std::memmove(data_.data(), data_.data() + pos_, end_ - pos_);
      end_ -= pos_;
      pos_ = 0;
    }
    if (data_.size() - end_ < kChunkSize / 2 || data_.size() < count) {
      data_.resize(std::max(data_.size() * 2, count + kChunkSize));
    }
    std::size_t got = file_.read(data_.data() + end_, data_.size() - end_);
    if (file_.failed()) reporter_.fatal(Message::cantRead, kFileName);
    if (releaseAsRead_) file_.releaseBefore(file_.tell());
    if (got == 0) fileEnded_ = true;
    end_ += got;
  }
  return end_ - pos_;
}

TokenRecordKind TokenFileReader::next(TokenRecord& record) {
  std::size_t available = ensureAvailable(1 + kMaxVarintBytes);
  TokenRecordReader header(data_.data() + pos_, data_.data() + pos_ + available);
  unsigned head = header.byte();
  std::uint64_t length = head < kShortStatementLimit ? head : header.varint();
  if (!header.ok() || length > kMaxRecordLength) reporter_.fatal(Message::illegalTemporaryFile);
  std::size_t recordSize = header.used() + static_cast<std::size_t>(length);
  if (ensureAvailable(recordSize) < recordSize) reporter_.fatal(Message::illegalTemporaryFile);
  const unsigned char* body = data_.data() + pos_ + header.used();
  TokenRecordReader decoder(body, body + length, position_.symbolIndex);
  pos_ += recordSize;

  record.tokenCount = 0;
  if (head < kShortStatementLimit || head == kStatementHead || head == kFailedStatementHead) {
    record.kind = TokenRecordKind::statement;
    record.failed = head == kFailedStatementHead;
    if (head < kShortStatementLimit) {
      record.fileIndex = position_.fileIndex;
      record.line = lineAfter(position_.line, 1);
    } else {
      record.fileIndex = static_cast<int>(decoder.varint());
      record.line = lineAfter(position_.line, unzigzag(decoder.varint()));
    }
    position_.fileIndex = record.fileIndex;
    position_.line = record.line;
    std::vector<Token>& tokens = record.tokenStorage;
    std::size_t count = 0;
    while (!decoder.atEnd()) {
      if (count == tokens.size()) tokens.resize(std::max<std::size_t>(16, tokens.size() * 2));
      decoder.token(tokens[count++]);
    }
    record.tokenCount = count;
    position_.symbolIndex = decoder.lastSymbol();
  } else {
    switch (head) {
      case kIncludeEnterHead:
        record.kind = TokenRecordKind::includeEnter;
        record.fileIndex = static_cast<int>(decoder.varint());
        position_.enter(record.fileIndex);
        break;
      case kIncludeLeaveHead:
        record.kind = TokenRecordKind::includeLeave;
        position_.leave();
        break;
      case kEndHead:
        record.kind = TokenRecordKind::end;
        break;
      default:
        reporter_.fatal(Message::illegalTemporaryFile);
    }
  }
  if (!decoder.ok() || !decoder.atEnd()) reporter_.fatal(Message::illegalTemporaryFile);
  return record.kind;
}

}  // namespace kz::assembler
