#include "cfront/line_buffer.h"

namespace kz::cfront {
namespace {

constexpr std::size_t kFirstCapacity = 64 * 1024;
constexpr std::size_t kLongestNumber = 20;  // 18446744073709551615
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

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
  if (kLongestNumber > capacity_ - size_) grow(kLongestNumber);
  // The digits are made from the right in the second half of a scratch array, so that a
  // copy of fixed length from the first digit stays inside it.
  char digits[2 * kLongestNumber];
  char* end = digits + kLongestNumber;
  char* first = end;
  while (value >= 100) {
    first -= 2;
    std::memcpy(first, kDigitPairs + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    first -= 2;
    std::memcpy(first, kDigitPairs + 2 * value, 2);
  } else {
    *--first = static_cast<char>('0' + value);
  }
  std::memcpy(data_.get() + size_, first, kLongestNumber);
  size_ += static_cast<std::size_t>(end - first);
  return *this;
}

LineBuffer& LineBuffer::signedNumber(long long value) {
  if (value >= 0) return number(static_cast<std::uint64_t>(value));
  put('-');
  return number(0 - static_cast<std::uint64_t>(value));
}

}  // namespace kz::cfront
