#include "object/cursor.h"

#include <algorithm>
#include <cstdio>

namespace kz::object {
namespace {

bool startsNumber(std::uint8_t byte) { return byte <= kNumberLengthBase + kMaxNumberBytes; }

bool startsTerm(std::uint8_t byte) {
  ElementKind kind = elementKind(byte);
  return startsNumber(byte) || kind == ElementKind::letter || kind == ElementKind::function;
}

std::string describe(std::uint8_t byte) {
  std::string text = "byte " + hexByte(byte);
  if (const RecordInfo* record = findRecord(byte))
    return text + " (" + std::string(record->mnemonic) + " record)";
  return text + " (" + std::string(elementRange(byte).meaning) + ")";
}

}  // namespace

std::string hexByte(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

Cursor::Cursor(std::span<const std::uint8_t> bytes, std::size_t start)
    : bytes_(bytes), offset_(start < bytes.size() ? start : bytes.size()) {}

Cursor::Cursor(ByteSource& source, std::size_t windowLimit, std::optional<std::uint64_t> knownSize)
    : source_(&source), windowLimit_(windowLimit), knownSize_(knownSize) {}

bool Cursor::atEnd() const {
  if (offset_ < size()) return false;
  return source_ == nullptr || failed() || !fill(1);
}

bool Cursor::fill(std::uint64_t count) const {
  if (sourceEnded_ || streamProblem_) return false;
  if (knownSize_ && count > *knownSize_ - std::min<std::uint64_t>(offset_, *knownSize_))
    return false;
  // Drop the released bytes when they are at least half the window, so each byte moves
  // a bounded number of times.
  std::size_t drop = releasedUpTo_ - origin_;
  if (drop > 0 && drop >= windowFill_ / 2) {
    std::copy(window_.begin() + static_cast<std::ptrdiff_t>(drop),
              window_.begin() + static_cast<std::ptrdiff_t>(windowFill_), window_.begin());
    windowFill_ -= drop;
    origin_ = releasedUpTo_;
  }
  std::uint64_t wanted = (offset_ - origin_) + count;
  while (windowFill_ < wanted) {
    if (wanted > windowLimit_) {
      streamProblem_ = "more than " + std::to_string(windowLimit_) +
                       " bytes needed at once, beyond the reader's limit";
      break;
    }
    // The window only grows, so its bytes are cleared once, not at every read.
    std::size_t room = std::max<std::size_t>(kSourceBlock, static_cast<std::size_t>(wanted));
    room = std::min(std::max(room, windowFill_ + kSourceBlock), windowLimit_);
    if (knownSize_ && *knownSize_ - origin_ < room)  // a small file needs no full block
      room = std::max<std::size_t>(static_cast<std::size_t>(*knownSize_ - origin_), wanted);
    if (window_.size() < room) window_.resize(room);
    std::size_t got = source_->read(window_.data() + windowFill_, window_.size() - windowFill_);
    windowFill_ += got;
    if (got == 0) {
      if (auto error = source_->error()) streamProblem_ = "cannot read: " + *error;
      sourceEnded_ = true;
      break;
    }
  }
  bytes_ = std::span<const std::uint8_t>(window_.data(), windowFill_);
  if (streamProblem_ && !failure_) failure_ = ReadFailure{offset_, *streamProblem_};
  return windowFill_ >= wanted;
}

void Cursor::releaseBefore(std::size_t offset) {
  if (source_ != nullptr) releasedUpTo_ = std::max(releasedUpTo_, std::min(offset, offset_));
}

std::span<const std::uint8_t> Cursor::recordBytes(std::size_t from) const {
  if (from < origin_ || from > offset_) return {};
  return bytes_.subspan(from - origin_, offset_ - from);
}

void Cursor::fail(std::size_t offset, std::string reason) {
  if (!failure_) failure_ = ReadFailure{offset, std::move(reason)};
}

void Cursor::failUnexpected(std::uint8_t found, std::string_view what, std::string_view expected) {
  fail(describe(found) + " where " + std::string(what) + " (" + std::string(expected) +
       ") was expected");
}

bool Cursor::require(std::uint64_t count, std::string_view what) {
  if (failed()) return false;
  if (count <= remaining()) return true;
  if (source_ != nullptr && fill(count)) return true;
  if (failed()) return false;
  fail("end of data inside " + std::string(what));
  return false;
}

std::optional<std::uint8_t> Cursor::peek() const {
  if (failed() || atEnd()) return std::nullopt;
  return at(offset_);
}

bool Cursor::nextIs(ElementKind kind) const {
  auto next = peek();
  return next && elementKind(*next) == kind;
}

bool Cursor::nextStartsNumber() const {
  auto next = peek();
  return next && startsNumber(*next);
}

bool Cursor::nextStartsName() const {
  auto next = peek();
  return next && (*next <= kMaxShortName || *next == kByteLengthName || *next == kWordLengthName);
}

bool Cursor::nextStartsTerm() const {
  auto next = peek();
  return next && startsTerm(*next);
}

std::optional<std::uint8_t> Cursor::byte(std::string_view what) {
  if (!require(1, what)) return std::nullopt;
  return at(offset_++);
}

std::optional<std::span<const std::uint8_t>> Cursor::bytes(std::uint64_t count,
                                                           std::string_view what) {
  if (!require(count, what)) return std::nullopt;
  auto run = bytes_.subspan(offset_ - origin_, static_cast<std::size_t>(count));
  offset_ += run.size();
  return run;
}

bool Cursor::expectByte(std::uint8_t expected, std::string_view what) {
  auto next = peek();
  if (!require(1, what)) return false;
  if (*next != expected) {
    failUnexpected(*next, what, hexByte(expected));
    return false;
  }
  ++offset_;
  return true;
}

std::optional<Number> Cursor::number(std::string_view what) {
  if (!require(1, what)) return std::nullopt;
  std::uint8_t first = at(offset_);
  if (first <= kMaxShortNumber) {
    ++offset_;
    return Number{first, false};
  }
  if (first == kOmittedNumber) {
    ++offset_;
    return Number{0, true};
  }
  if (!startsNumber(first)) {
    failUnexpected(first, what, "a number");
    return std::nullopt;
  }
  std::size_t start = offset_;
  std::size_t valueBytes = first - kNumberLengthBase;
  if (!require(1 + valueBytes, what)) return std::nullopt;
  std::uint64_t value = 0;
  for (std::size_t i = 1; i <= valueBytes; ++i) value = (value << 8) | at(start + i);
  offset_ = start + 1 + valueBytes;
  return Number{value, false};
}

std::optional<std::string> Cursor::name(std::string_view what) {
  if (!require(1, what)) return std::nullopt;
  std::uint8_t first = at(offset_);
  std::size_t lengthBytes = first == kByteLengthName ? 1 : first == kWordLengthName ? 2 : 0;
  if (lengthBytes == 0 && first > kMaxShortName) {
    failUnexpected(first, what, "a name");
    return std::nullopt;
  }
  std::size_t start = offset_;
  if (!require(1 + lengthBytes, what)) return std::nullopt;
  std::size_t length = lengthBytes == 0 ? first : 0;
  for (std::size_t i = 1; i <= lengthBytes; ++i) length = (length << 8) | at(start + i);
  offset_ = start + 1 + lengthBytes;
  auto characters = bytes(length, what);
  if (!characters) return std::nullopt;
  return std::string(characters->begin(), characters->end());
}

std::optional<char> Cursor::letter(std::string_view what) {
  if (!require(1, what)) return std::nullopt;
  std::uint8_t found = at(offset_);
  if (elementKind(found) != ElementKind::letter) {
    failUnexpected(found, what, "a letter");
    return std::nullopt;
  }
  ++offset_;
  return found == kNullLetter ? '\0' : static_cast<char>(found - kLetterBase);
}

std::optional<Term> Cursor::term(std::string_view what) {
  std::uint8_t first = at(offset_);
  if (startsNumber(first)) {
    auto value = number(what);
    if (!value) return std::nullopt;
    return Term::unsignedConstant(value->value);
  }
  if (elementKind(first) == ElementKind::function) {
    ++offset_;
    return Term::function(static_cast<Function>(first));
  }
  std::size_t start = offset_;
  auto variable = letter(what);
  if (!variable) return std::nullopt;
  if (*variable == '\0') {
    fail(start, "the null letter C0 inside " + std::string(what));
    return std::nullopt;
  }
  if (!variableHasIndex(*variable)) return Term::variable(*variable, 0);
  auto index = number("the index of variable " + std::string(1, *variable));
  if (!index) return std::nullopt;
  return Term::variable(*variable, index->value);
}

std::optional<Expression> Cursor::expression(std::string_view what) {
  if (!require(1, what)) return std::nullopt;
  if (!nextStartsTerm()) {
    failUnexpected(at(offset_), what, "an expression");
    return std::nullopt;
  }
  Expression terms;
  while (nextStartsTerm()) {
    auto next = term(what);
    if (!next) return std::nullopt;
    bool escapeCall = next->kind == TermKind::function &&
                      next->value == static_cast<std::uint64_t>(Function::escape) &&
                      !terms.empty() && terms.back().kind == TermKind::number;
    if (escapeCall) {
      terms.back() = Term{TermKind::escape, 0, false, terms.back().value};
    } else {
      terms.push_back(*next);
    }
  }
  return terms;
}

std::optional<RelocationItem> Cursor::relocationItem() {
  std::size_t start = offset_;
  auto open = byte("a relocation item");
  if (!open) return std::nullopt;
  const BracketInfo* bracket = findOpeningBracket(*open);
  if (bracket == nullptr) {
    fail(start, describe(*open) + " where a relocation item (BA, BC or BE) was expected");
    return std::nullopt;
  }
  RelocationItem item;
  item.check = bracket->check;
  auto value = expression("the expression of a relocation item");
  if (!value) return std::nullopt;
  item.value = std::move(*value);
  if (peek() == kSeparator) {
    ++offset_;
    auto width = number("the width of a relocation item");
    if (!width) return std::nullopt;
    item.widthInMaus = width->value;
  } else {
    item.widthInMaus = takeTrailingWidth(item.value);
  }
  if (!expectByte(bracket->close, "the closing bracket of a relocation item")) return std::nullopt;
  return item;
}

std::optional<std::uint64_t> takeTrailingWidth(Expression& value) {
  if (value.size() < 2 || value.back().kind != TermKind::number) return std::nullopt;
  std::uint64_t width = value.back().value;
  value.pop_back();
  return width;
}

}  // namespace kz::object
