#pragma once
// Reading IEEE-695 elements from a byte span. Every read checks the bounds; the first
// problem stops the cursor and is kept as a failure (file offset and reason). After that,
// every read returns nothing, so a reader can run a record's whole grammar and check
// failed() once.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "object/ieee695.h"

namespace kz::object {

struct ReadFailure {
  std::size_t offset = 0;
  std::string reason;
};

struct Number {
  std::uint64_t value = 0;
  bool omitted = false;  // written as 80; value is then 0
};

// A relocation item of an LR record: bracket, expression, optional width, bracket.
struct RelocationItem {
  FieldCheck check = FieldCheck::unsignedField;
  Expression value;
  std::optional<std::uint64_t> widthInMaus;  // absent: MAUs per address
};

class Cursor {
 public:
  explicit Cursor(std::span<const std::uint8_t> bytes, std::size_t start = 0);

  std::size_t offset() const { return offset_; }
  std::size_t size() const { return bytes_.size(); }
  std::size_t remaining() const { return bytes_.size() - offset_; }
  bool atEnd() const { return offset_ >= bytes_.size(); }
  bool failed() const { return failure_.has_value(); }
  const std::optional<ReadFailure>& failure() const { return failure_; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

  // The next byte, without consuming it; nothing at the end or after a failure.
  std::optional<std::uint8_t> peek() const;
  bool nextIs(ElementKind kind) const;
  bool nextStartsNumber() const;  // 00..88
  bool nextStartsName() const;    // 00..7F, DE, DF
  bool nextStartsTerm() const;    // number, letter or function code

  std::optional<std::uint8_t> byte(std::string_view what);
  std::optional<std::span<const std::uint8_t>> bytes(std::uint64_t count, std::string_view what);
  bool expectByte(std::uint8_t expected, std::string_view what);
  std::optional<Number> number(std::string_view what);
  std::optional<std::string> name(std::string_view what);
  std::optional<char> letter(std::string_view what);
  // Terms up to the first byte that is not a number, letter or function code.
  std::optional<Expression> expression(std::string_view what);
  // Bracket, expression, [90 width | width as the expression's last number], bracket.
  std::optional<RelocationItem> relocationItem();

  // Keeps the first failure only.
  void fail(std::size_t offset, std::string reason);
  void fail(std::string reason) { fail(offset_, std::move(reason)); }

 private:
  bool require(std::uint64_t count, std::string_view what);
  std::optional<Term> term(std::string_view what);
  void failUnexpected(std::uint8_t found, std::string_view what, std::string_view expected);

  std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
  std::optional<ReadFailure> failure_;
};

// Takes a width off the end of a relocation expression read without separator: an
// expression of two or more terms that ends in a number leaves two values, the second
// being the width.
std::optional<std::uint64_t> takeTrailingWidth(Expression& value);

std::string hexByte(std::uint8_t byte);

}  // namespace kz::object
