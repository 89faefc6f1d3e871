// The short-text comparisons: every length up to past the in-line words, a difference at
// every position, and texts that sit at different offsets of their buffers.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "common/short_text.h"

namespace kz {
namespace {

TEST(ShortText, SameTextAtEveryLengthAndEveryDifference) {
  const std::string source = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (std::size_t size = 0; size <= 24; ++size) {
    // The copies start at other offsets, so that the words are read unaligned.
    std::string left = "#" + source.substr(0, size);
    std::string right = "##" + source.substr(0, size);
    std::string_view a(left.data() + 1, size);
    std::string_view b(right.data() + 2, size);
    EXPECT_TRUE(sameText(a, b)) << size;
    for (std::size_t at = 0; at < size; ++at) {
      std::string changed = right;
      changed[2 + at] = '!';
      EXPECT_FALSE(sameText(a, std::string_view(changed.data() + 2, size))) << size << " " << at;
    }
    if (size > 0) {
      EXPECT_FALSE(sameText(a, b.substr(0, size - 1))) << size;
    }
  }
}

TEST(ShortText, IsTextMatchesOnlyTheWholeWord) {
  EXPECT_TRUE(isText("cmp", "cmp"));
  EXPECT_FALSE(isText("cm", "cmp"));
  EXPECT_FALSE(isText("cmpx", "cmp"));
  EXPECT_FALSE(isText("cmq", "cmp"));
  EXPECT_TRUE(isText("", ""));
  EXPECT_FALSE(isText("-", ""));
  EXPECT_TRUE(isText("->", "->"));
  EXPECT_FALSE(isText("-=", "->"));
  static_assert(isText("test", "test") && !isText("tesT", "test"));
}

}  // namespace
}  // namespace kz
