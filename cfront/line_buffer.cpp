#include "cfront/line_buffer.h"

#include "common/decimal_digits.h"

namespace kz::cfront {
namespace {

constexpr std::size_t kFirstCapacity = 64 * 1024;

}  // namespace

void LineBuffer::grow(std::size_t more) {
  std::size_t wanted = size_ + more;
  std::size_t capacity = capacity_ ? capacity_ : kFirstCapacity;
  while (capacity < wanted) capacity *= 2;
  auto data = std::make_unique<char[]>(capacity);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

LineBuffer& LineBuffer::longerNumber(std::uint64_t value) {
  if (kLongestDecimal > capacity_ - size_) grow(kLongestDecimal);
  // The digits are made from the right in the second half of a scratch array, so that a
  // copy of fixed length from the first digit stays inside it.
  char digits[2 * kLongestDecimal];
  char* end = digits + kLongestDecimal;
  char* first = decimalDigitsBefore(end, value);
  std::memcpy(data_.get() + size_, first, kLongestDecimal);
  size_ += static_cast<std::size_t>(end - first);
  return *this;
}

LineBuffer& LineBuffer::signedNumber(long long value) {
  if (value >= 0) return number(static_cast<std::uint64_t>(value));
  put('-');
  return number(0 - static_cast<std::uint64_t>(value));
}

}  // namespace kz::cfront
