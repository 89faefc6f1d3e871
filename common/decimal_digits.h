#pragma once
// Decimal digits made two at a time from a table of pairs, for writers that put a number on
// nearly every line they write.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kz {

// The longest unsigned 64-bit number: 18446744073709551615.
inline constexpr std::size_t kLongestDecimal = 20;

// Writes the digits of `value` so that the last one stands just before `end`, and returns
// where the first one stands; room for kLongestDecimal bytes before `end` is enough.
inline char* decimalDigitsBefore(char* end, std::uint64_t value) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char* first = end;
  while (value >= 100) {
    first -= 2;
    std::memcpy(first, kPairs + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    first -= 2;
    std::memcpy(first, kPairs + 2 * value, 2);
  } else {
    *--first = static_cast<char>('0' + value);
  }
  return first;
}

}  // namespace kz
