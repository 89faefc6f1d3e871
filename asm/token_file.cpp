#include "asm/token_file.h"

#include "asm/reserved_words.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace kz::assembler {
namespace {

constexpr std::string_view kFileName = "tokenfile";
constexpr unsigned char kSymbolReference = 0x80;
constexpr std::size_t kMaxVarintBytes = 10;
constexpr std::uint64_t kMaxRecordLength = std::uint64_t{1} << 31;

// A punctuation character in this range is written as the token's only byte; token kinds
// are below it and a symbol reference above it.
bool isPrintablePunct(char c) { return c >= 0x20 && c < 0x7F; }

std::uint64_t zigzag(std::int64_t value) {
  return (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
}

std::int64_t unzigzag(std::uint64_t value) {
  return static_cast<std::int64_t>(value >> 1) ^ -static_cast<std::int64_t>(value & 1);
}

class Encoder {
 public:
  explicit Encoder(std::vector<unsigned char>& out) : out_(out) {}

  void byte(unsigned value) { out_.push_back(static_cast<unsigned char>(value)); }
  void varint(std::uint64_t value) {
    while (value >= 0x80) {
      out_.push_back(static_cast<unsigned char>(value | 0x80));
      value >>= 7;
    }
    out_.push_back(static_cast<unsigned char>(value));
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
    if (token.kind == TokenKind::punct && isPrintablePunct(token.punct)) {
      byte(static_cast<unsigned char>(token.punct));
      return;
    }
    bool symbolReference = token.kind == TokenKind::identifier && token.symbolIndex != kNoSymbol;
    byte(static_cast<unsigned>(token.kind) | (symbolReference ? kSymbolReference : 0u));
    switch (token.kind) {
      case TokenKind::punct:
        byte(static_cast<unsigned char>(token.punct));
        break;
      case TokenKind::reserved:
        byte(reservedIndexOf(token.wordClass, token.value));
        break;
      case TokenKind::identifier:
        if (symbolReference) {
          varint(token.symbolIndex);
        } else {
          text(token.text);
        }
        break;
      case TokenKind::integer:
        varint(zigzag(token.value));
        text(token.text);
        break;
      case TokenKind::floating:
        byte(static_cast<unsigned>(token.precision));
        raw(&token.floatValue, sizeof token.floatValue);
        text(token.text);
        break;
      case TokenKind::string:
        byte(static_cast<unsigned char>(token.punct));
        text(token.text);
        break;
      default:
        break;
    }
  }

 private:
  std::vector<unsigned char>& out_;
};

// Reads one record body; running past its end marks the record as malformed.
class Decoder {
 public:
  Decoder(const unsigned char* begin, const unsigned char* end)
      : begin_(begin), p_(begin), end_(end) {}

  bool ok() const { return ok_; }
  std::size_t used() const { return static_cast<std::size_t>(p_ - begin_); }
  bool atEnd() const { return p_ == end_; }

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
  std::int32_t signedValue() { return static_cast<std::int32_t>(unzigzag(varint())); }
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

  void token(Token& token) {
    unsigned kind = byte();
    token.text.clear();
    if (isPrintablePunct(static_cast<char>(kind))) {
      token.kind = TokenKind::punct;
      token.punct = static_cast<char>(kind);
      return;
    }
    token.kind = static_cast<TokenKind>(kind & ~unsigned{kSymbolReference});
    switch (token.kind) {
      case TokenKind::punct:
        token.punct = static_cast<char>(byte());
        break;
      case TokenKind::memoryOpen:
        token.punct = '(';
        break;
      case TokenKind::memoryClose:
        token.punct = ')';
        break;
      case TokenKind::reserved: {
        std::span<const ReservedWord> table = reservedWordTable();
        unsigned index = byte();
        if (index >= table.size()) {
          fail();
          break;
        }
        token.wordClass = table[index].wordClass;
        token.value = table[index].value;
        break;
      }
      case TokenKind::identifier:
        token.symbolIndex = kNoSymbol;
        if (kind & kSymbolReference) {
          token.symbolIndex = static_cast<std::uint32_t>(varint());
        } else {
          text(token.text);
        }
        break;
      case TokenKind::integer:
        token.value = signedValue();
        text(token.text);
        break;
      case TokenKind::floating:
        token.precision = static_cast<FloatPrecision>(byte());
        raw(&token.floatValue, sizeof token.floatValue);
        text(token.text);
        break;
      case TokenKind::string:
        token.punct = static_cast<char>(byte());
        text(token.text);
        break;
      case TokenKind::lineEnd:
      case TokenKind::endOfSource:
      case TokenKind::shiftLeft:
      case TokenKind::shiftRight:
        break;
      default:
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

  const unsigned char* begin_;
  const unsigned char* p_;
  const unsigned char* end_;
  bool ok_ = true;
};

}  // namespace

TokenFileWriter::TokenFileWriter(WorkFile& file, const Reporter& reporter)
    : file_(file), reporter_(reporter) {
  buffer_.reserve(kFlushSize + 1024);
  body_.reserve(1024);
}

void TokenFileWriter::writeStatement(int fileIndex, long line, std::span<const Token> tokens, bool failed) {
  body_.clear();
  Encoder body(body_);
  body.varint(static_cast<std::uint64_t>(fileIndex));
  body.varint(zigzag(line - lastLine_));
  lastLine_ = line;
  body.varint(tokens.size());
  for (const Token& token : tokens) body.token(token);
  putRecord(failed ? 'F' : 'S');
}

void TokenFileWriter::writeIncludeEnter(int fileIndex) {
  body_.clear();
  Encoder(body_).varint(static_cast<std::uint64_t>(fileIndex));
  putRecord('I');
}

void TokenFileWriter::writeIncludeLeave() {
  body_.clear();
  putRecord('L');
}

void TokenFileWriter::writeEnd() {
  body_.clear();
  putRecord('E');
  flush();
}

void TokenFileWriter::putRecord(char tag) {
  Encoder out(buffer_);
  out.byte(static_cast<unsigned char>(tag));
  out.varint(body_.size());
  out.raw(body_.data(), body_.size());
  if (buffer_.size() >= kFlushSize) flush();
}

void TokenFileWriter::flush() {
  if (buffer_.empty()) return;
  if (!file_.write(buffer_.data(), buffer_.size())) {
    if (file_.inMemory()) reporter_.fatal(161);
    reporter_.fatal(23, kFileName);
  }
  buffer_.clear();
}

TokenFileReader::TokenFileReader(WorkFile& file, const Reporter& reporter)
    : file_(file), reporter_(reporter), data_(kChunkSize) {}

void TokenFileReader::rewind() {
  if (!file_.seek(0)) reporter_.fatal(24, kFileName);
  pos_ = end_ = 0;
  fileEnded_ = false;
  lastLine_ = 0;
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
    if (file_.failed()) reporter_.fatal(22, kFileName);
    if (got == 0) fileEnded_ = true;
    end_ += got;
  }
  return end_ - pos_;
}

TokenRecordKind TokenFileReader::next(TokenRecord& record) {
  std::size_t available = ensureAvailable(1 + kMaxVarintBytes);
  Decoder header(data_.data() + pos_, data_.data() + pos_ + available);
  char tag = static_cast<char>(header.byte());
  std::uint64_t length = header.varint();
  if (!header.ok() || length > kMaxRecordLength) reporter_.fatal(151);
  std::size_t recordSize = header.used() + static_cast<std::size_t>(length);
  if (ensureAvailable(recordSize) < recordSize) reporter_.fatal(151);
  const unsigned char* body = data_.data() + pos_ + header.used();
  Decoder decoder(body, body + length);
  pos_ += recordSize;

  record.tokenCount = 0;
  switch (tag) {
    case 'S':
    case 'F': {
      record.kind = TokenRecordKind::statement;
      record.failed = tag == 'F';
      record.fileIndex = static_cast<int>(decoder.varint());
      record.line = lastLine_ + static_cast<long>(unzigzag(decoder.varint()));
      lastLine_ = record.line;
      std::size_t count = static_cast<std::size_t>(decoder.varint());
      if (!decoder.ok() || count > length) reporter_.fatal(151);
      if (record.tokenStorage.size() < count) record.tokenStorage.resize(count);
      for (std::size_t i = 0; i < count; ++i) decoder.token(record.tokenStorage[i]);
      record.tokenCount = count;
      break;
    }
    case 'I':
      record.kind = TokenRecordKind::includeEnter;
      record.fileIndex = static_cast<int>(decoder.varint());
      break;
    case 'L':
      record.kind = TokenRecordKind::includeLeave;
      break;
    case 'E':
      record.kind = TokenRecordKind::end;
      break;
    default:
      reporter_.fatal(151);
  }
  if (!decoder.ok() || !decoder.atEnd()) reporter_.fatal(151);
  return record.kind;
}

}  // namespace kz::assembler
