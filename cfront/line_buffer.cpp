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
  char* at = data_.get() + size_;
  if (value < 100) {  // most numbers of a record are short: no count of digits for them
    std::memcpy(at, kDigitPairs + 2 * value, 2);
    size_ += 2;
    return *this;
  }
  std::size_t length = 3;
  for (std::uint64_t bound = 1000; length < kLongestNumber && value >= bound; bound *= 10) ++length;
  size_ += length;
  char* end = at + length;
  while (value >= 100) {
    end -= 2;
    std::memcpy(end, kDigitPairs + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10)
    std::memcpy(end - 2, kDigitPairs + 2 * value, 2);
  else
    end[-1] = static_cast<char>('0' + value);
  return *this;
}

LineBuffer& LineBuffer::signedNumber(long long value) {
  if (value >= 0) return number(static_cast<std::uint64_t>(value));
  put('-');
  return number(0 - static_cast<std::uint64_t>(value));
}

}  // namespace kz::cfront
