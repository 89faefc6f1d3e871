// The decimal writer: every length, the edges of its four-digit groups, and which bytes each
// direction may touch.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/decimal_digits.h"

namespace kz {
namespace {

std::vector<std::uint64_t> samples() {
  std::vector<std::uint64_t> values = {0, 5, UINT32_MAX, UINT32_MAX + 1ull, UINT64_MAX};
  for (std::uint64_t power = 10; power <= 10000000000000000000ull; power *= 10) {
    values.insert(values.end(), {power - 1, power, power + 1, power / 2 + 3});
    if (power == 10000000000000000000ull) break;
  }
  return values;
}

TEST(DecimalDigits, BothDirectionsAtEveryLength) {
  for (std::uint64_t value : samples()) {
    std::string expected = std::to_string(value);
    EXPECT_EQ(decimalLength(value), expected.size()) << value;
    char forward[kLongestDecimal + 1];
    char* end = decimalDigitsFrom(forward, value);
    EXPECT_EQ(std::string(forward, end), expected);
    char backward[kLongestDecimal];
    char* first = decimalDigitsBefore(backward + kLongestDecimal, value);
    EXPECT_EQ(std::string(first, backward + kLongestDecimal), expected);
  }
}

// Digits made from the right are padded by their callers: nothing before the first digit may
// change.
TEST(DecimalDigits, FromTheRightTouchesNothingBeforeTheFirstDigit) {
  for (std::uint64_t value : samples()) {
    std::string room(2 * kLongestDecimal, '#');
    char* end = room.data() + room.size();
    char* first = decimalDigitsBefore(end, value);
    EXPECT_EQ(std::string(room.data(), first), std::string(first - room.data(), '#')) << value;
  }
}

}  // namespace
}  // namespace kz
