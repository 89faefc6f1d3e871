#include "object/cursor.h"

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
  fail("end of data inside " + std::string(what));
  return false;
}

std::optional<std::uint8_t> Cursor::peek() const {
  if (failed() || atEnd()) return std::nullopt;
  return bytes_[offset_];
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
  return bytes_[offset_++];
}

std::optional<std::span<const std::uint8_t>> Cursor::bytes(std::uint64_t count,
                                                           std::string_view what) {
  if (!require(count, what)) return std::nullopt;
  auto run = bytes_.subspan(offset_, static_cast<std::size_t>(count));
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
  std::uint8_t first = bytes_[offset_];
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
  for (std::size_t i = 1; i <= valueBytes; ++i) value = (value << 8) | bytes_[start + i];
  offset_ = start + 1 + valueBytes;
  return Number{value, false};
}

std::optional<std::string> Cursor::name(std::string_view what) {
  if (!require(1, what)) return std::nullopt;
  std::uint8_t first = bytes_[offset_];
  std::size_t lengthBytes = first == kByteLengthName ? 1 : first == kWordLengthName ? 2 : 0;
  if (lengthBytes == 0 && first > kMaxShortName) {
    failUnexpected(first, what, "a name");
    return std::nullopt;
  }
  std::size_t start = offset_;
  if (!require(1 + lengthBytes, what)) return std::nullopt;
  std::size_t length = lengthBytes == 0 ? first : 0;
  for (std::size_t i = 1; i <= lengthBytes; ++i) length = (length << 8) | bytes_[start + i];
  offset_ = start + 1 + lengthBytes;
  auto characters = bytes(length, what);
  if (!characters) return std::nullopt;
  return std::string(characters->begin(), characters->end());
}

std::optional<char> Cursor::letter(std::string_view what) {
  if (!require(1, what)) return std::nullopt;
  std::uint8_t found = bytes_[offset_];
  if (elementKind(found) != ElementKind::letter) {
    failUnexpected(found, what, "a letter");
    return std::nullopt;
  }
  ++offset_;
  return found == kNullLetter ? '\0' : static_cast<char>(found - kLetterBase);
}

std::optional<Term> Cursor::term(std::string_view what) {
  std::uint8_t first = bytes_[offset_];
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
    failUnexpected(bytes_[offset_], what, "an expression");
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
