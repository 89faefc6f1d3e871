#include "cfront/line_buffer.h"

namespace kz::cfront {
namespace {

// Small enough to stay out of the heap's zone of large blocks on a short run; it doubles.
constexpr std::size_t kFirstCapacity = 4 * 1024;

}  // namespace

void LineBuffer::grow(std::size_t more) {
  std::size_t wanted = size_ + more;
  std::size_t capacity = capacity_ ? capacity_ : kFirstCapacity;
  while (capacity < wanted) capacity *= 2;
  std::unique_ptr<char[]> data(new char[capacity]);  // not cleared: only written parts are read
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

LineBuffer& LineBuffer::signedNumber(long long value) {
  if (value >= 0) return number(static_cast<std::uint64_t>(value));
  put('-');
  return number(0 - static_cast<std::uint64_t>(value));
}

}  // namespace kz::cfront
