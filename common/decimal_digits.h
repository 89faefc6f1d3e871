#pragma once
// Decimal digits made four at a time from a table of all four-digit groups, for writers that
// put a number on nearly every line they write.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kz {

// The longest unsigned 64-bit number: 18446744073709551615.
inline constexpr std::size_t kLongestDecimal = 20;

namespace decimal {

// "0000", "0001", ... "9999", one after the other.
struct Groups {
  char text[4 * 10000];
  constexpr Groups() : text() {
    for (int group = 0; group < 10000; ++group)
      for (int place = 3, rest = group; place >= 0; --place, rest /= 10)
        text[4 * group + place] = static_cast<char>('0' + rest % 10);
  }
};
inline constexpr Groups kGroups;

inline const char* group(std::uint32_t value) { return kGroups.text + 4 * value; }

// Digits in a value below 10000.
inline std::size_t smallLength(std::uint32_t value) {
  return 1 + (value >= 10) + (value >= 100) + (value >= 1000);
}

// A value below 10000 from `first` on; the four bytes from `first` may all be written.
inline char* smallFrom(char* first, std::uint32_t value) {
  std::size_t length = smallLength(value);
  std::memcpy(first, group(value) + 4 - length, 4);  // what follows the digits is dropped
  return first + length;
}

}  // namespace decimal

// Writes the digits of `value` so that the last one stands just before `end`, and returns
// where the first one stands; nothing before that is touched.
inline char* decimalDigitsBefore(char* end, std::uint64_t value) {
  char* first = end;
  for (; value >= 10000; value /= 10000) {
    first -= 4;
    std::memcpy(first, decimal::group(static_cast<std::uint32_t>(value % 10000)), 4);
  }
  auto rest = static_cast<std::uint32_t>(value);
  std::size_t length = decimal::smallLength(rest);
  first -= length;
  const char* digits = decimal::group(rest) + 4 - length;
  for (std::size_t at = 0; at < length; ++at) first[at] = digits[at];
  return first;
}

// How many digits `value` has in decimal.
inline std::size_t decimalLength(std::uint64_t value) {
  std::size_t length = 0;
  for (; value >= 10000; value /= 10000) length += 4;
  return length + decimal::smallLength(static_cast<std::uint32_t>(value));
}

namespace decimal {

// decimalDigitsFrom() of a value of nine digits or more.
char* longFrom(char* first, std::uint64_t value);

}  // namespace decimal

// Writes the digits of `value` from `first` on and returns their end. Room for
// kLongestDecimal bytes from `first` is needed: bytes after the digits may be written too.
// Short enough to be inlined for the numbers of up to eight digits that nearly all are.
inline char* decimalDigitsFrom(char* first, std::uint64_t value) {
  if (value < 10000) return decimal::smallFrom(first, static_cast<std::uint32_t>(value));
  if (value >= 100000000) return decimal::longFrom(first, value);
  auto rest = static_cast<std::uint32_t>(value);
  char* at = decimal::smallFrom(first, rest / 10000);
  std::memcpy(at, decimal::group(rest % 10000), 4);
  return at + 4;
}

}  // namespace kz
