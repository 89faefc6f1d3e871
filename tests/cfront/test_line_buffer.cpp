// The record buffer: numbers written in place at every length, and text kept whole across
// the buffer's growth.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "cfront/line_buffer.h"

namespace kz::cfront {
namespace {

TEST(LineBuffer, NumbersOfEveryLength) {
  std::uint64_t value = 0;
  std::string expected;
  LineBuffer buffer;
  // 0, 9, 10, 99, 100, 999, 1000, ... up to 10^19 - 1 and 10^19.
  for (std::uint64_t power = 1; power <= 1000000000000000000ull; power *= 10) {
    for (std::uint64_t sample : {power - 1, power, power + 7}) {
      buffer.number(sample).put(' ');
      expected += std::to_string(sample) + ' ';
    }
    value = power;
  }
  buffer.number(value * 10).put(' ').number(UINT64_MAX);
  expected += std::to_string(value * 10) + ' ' + std::to_string(UINT64_MAX);
  EXPECT_EQ(buffer.text(), expected);
}

TEST(LineBuffer, SignedNumbers) {
  LineBuffer buffer;
  buffer.signedNumber(0).put(',').signedNumber(-1).put(',').signedNumber(-4096).put(',');
  buffer.signedNumber(LLONG_MAX).put(',').signedNumber(LLONG_MIN);
  EXPECT_EQ(buffer.text(), "0,-1,-4096,9223372036854775807,-9223372036854775808");
}

TEST(LineBuffer, TextSurvivesGrowthAndClearing) {
  LineBuffer buffer;
  std::string expected;
  for (int line = 0; line < 20000; ++line) {  // several times the first capacity
    buffer.append("LAB,L").number(static_cast<std::uint64_t>(line)).put('\n');
    expected += "LAB,L" + std::to_string(line) + '\n';
  }
  std::string big(300000, 'x');  // one piece larger than the buffer has room for
  buffer.append(big);
  expected += big;
  EXPECT_EQ(buffer.size(), expected.size());
  EXPECT_EQ(buffer.text(), expected);
  buffer.clear();
  EXPECT_TRUE(buffer.empty());
  static_cast<LineSink&>(buffer).write("as a sink");
  EXPECT_EQ(buffer.text(), "as a sink");
}

// Short pieces are copied as overlapping words: every length must come out whole, and nothing
// past its end may be written.
TEST(LineBuffer, PiecesOfEveryLength) {
  std::string source = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (std::size_t length = 0; length <= source.size(); ++length) {
    std::string target(source.size() + 1, '#');
    char* end = copyShort(target.data(), std::string_view(source).substr(0, length));
    EXPECT_EQ(static_cast<std::size_t>(end - target.data()), length);
    EXPECT_EQ(target, source.substr(0, length) + std::string(source.size() + 1 - length, '#'));
  }
}

TEST(LineBuffer, AFieldKeepsOnlyItsLength) {
  char field[8] = {'T', '1', '2', 'x', 'x', 'x', 'x', 'x'};
  LineBuffer buffer;
  buffer.appendField(field, 3).put(',').appendField(field, 0).put(',').appendField(field, 8);
  EXPECT_EQ(buffer.text(), "T12,,T12xxxxx");
}

}  // namespace
}  // namespace kz::cfront
