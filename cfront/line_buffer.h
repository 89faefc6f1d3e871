#pragma once
// Records put together field by field in one growing block of text: no string per line, no
// string per number. The emitter writes into one and hands what it holds on to the stream
// the records go to in large pieces; as a sink it also takes whole records from writers that
// format their own (the type lines, the pragma records).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "cfront/line_sink.h"

namespace kz::cfront {

class LineBuffer : public LineSink {
 public:
  LineBuffer() = default;
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  void write(std::string_view text) override { append(text); }

  LineBuffer& append(std::string_view text) {
    if (text.size() > capacity_ - size_) grow(text.size());
    if (!text.empty()) std::memcpy(data_.get() + size_, text.data(), text.size());
    size_ += text.size();
    return *this;
  }
  LineBuffer& put(char c) {
    if (size_ == capacity_) grow(1);
    data_[size_++] = c;
    return *this;
  }
  // A field of at most N bytes kept in an array of N: the whole array is copied, which costs
  // less than copying its exact length, and only the field is kept.
  template <std::size_t N>
  LineBuffer& appendField(const char (&field)[N], std::size_t length) {
    if (N > capacity_ - size_) grow(N);
    std::memcpy(data_.get() + size_, field, N);
    size_ += length;
    return *this;
  }
  // Decimal, without leading zeros; a negative value with its minus sign.
  LineBuffer& number(std::uint64_t value) {
    if (value >= 10) return longerNumber(value);
    return put(static_cast<char>('0' + value));
  }
  LineBuffer& signedNumber(long long value);

  std::string_view text() const { return {data_.get(), size_}; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }

 private:
  void grow(std::size_t more);
  LineBuffer& longerNumber(std::uint64_t value);  // of two digits or more

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace kz::cfront
