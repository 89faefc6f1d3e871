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
#include "common/byte_copy.h"
#include "common/decimal_digits.h"

namespace kz::cfront {

// Copies `text` to `to` and returns its end.
inline char* copyShort(char* to, std::string_view text) {
  copyBytes(to, text.data(), text.size());
  return to + text.size();
}

class LineBuffer : public LineSink {
 public:
  LineBuffer() = default;
  LineBuffer(const LineBuffer&) = delete;
  LineBuffer& operator=(const LineBuffer&) = delete;

  void write(std::string_view text) override { append(text); }

  // A literal: a copy of known length.
  template <std::size_t N>
  LineBuffer& append(const char (&text)[N]) {
    std::memcpy(room(N - 1), text, N - 1);
    size_ += N - 1;
    return *this;
  }
  LineBuffer& append(std::string_view text) {
    commit(copyShort(room(text.size()), text));
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
    commit(decimalDigitsFrom(room(kLongestDecimal), value));
    return *this;
  }
  LineBuffer& signedNumber(long long value);

  // For writers that put a record together in place: room(n) is where the next n bytes go,
  // commit(end) keeps what was written there up to end.
  char* room(std::size_t bytes) {
    if (bytes > capacity_ - size_) grow(bytes);
    return data_.get() + size_;
  }
  void commit(const char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }

  std::string_view text() const { return {data_.get(), size_}; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }

 private:
  void grow(std::size_t more);

  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace kz::cfront
