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
#include <vector>

#include "object/byte_source.h"
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
  // Reads the source as it goes, in large blocks, keeping only the bytes from the last
  // releaseBefore() on; a read that would hold more than windowLimit bytes at once fails.
  // Offsets are file offsets; a span returned by bytes(count, ...) holds until the next read.
  // With a known size (a regular file), a read past it fails as the end of data at once.
  Cursor(ByteSource& source, std::size_t windowLimit,
         std::optional<std::uint64_t> knownSize = std::nullopt);

  std::size_t offset() const { return offset_; }
  // Bytes seen so far: the whole span, or the end of what a source has delivered.
  std::size_t size() const { return origin_ + bytes_.size(); }
  std::size_t remaining() const { return size() - offset_; }
  bool atEnd() const;
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

  // With a source: the bytes before offset (at most the current offset) are not needed
  // again. The bytes from offset to the current offset stay readable through recordBytes.
  void releaseBefore(std::size_t offset);
  std::span<const std::uint8_t> recordBytes(std::size_t from) const;

 private:
  bool require(std::uint64_t count, std::string_view what);
  std::uint8_t at(std::size_t offset) const { return bytes_[offset - origin_]; }
  // Reads from the source until count bytes lie after the current offset; false at the
  // end of the source, on a read error or at the window limit (streamProblem_ says which).
  bool fill(std::uint64_t count) const;
  std::optional<Term> term(std::string_view what);
  void failUnexpected(std::uint8_t found, std::string_view what, std::string_view expected);

  mutable std::span<const std::uint8_t> bytes_;
  std::size_t offset_ = 0;
  mutable std::optional<ReadFailure> failure_;  // also set by a read the source failed
  // Reading from a source: window_ holds the file's bytes from offset origin_ on.
  ByteSource* source_ = nullptr;
  std::size_t windowLimit_ = 0;
  std::optional<std::uint64_t> knownSize_;
  std::size_t releasedUpTo_ = 0;
  mutable std::vector<std::uint8_t> window_;
  mutable std::size_t windowFill_ = 0;  // bytes of window_ read so far
  mutable std::size_t origin_ = 0;
  mutable bool sourceEnded_ = false;
  mutable std::optional<std::string> streamProblem_;
};

// Takes a width off the end of a relocation expression read without separator: an
// expression of two or more terms that ends in a number leaves two values, the second
// being the width.
std::optional<std::uint64_t> takeTrailingWidth(Expression& value);

std::string hexByte(std::uint8_t byte);

}  // namespace kz::object
