#include <gtest/gtest.h>

#include "object/cursor.h"

namespace kz::object {
namespace {

struct Truncated {
  Bytes bytes;
  bool isName;
  std::size_t failureOffset;
};

TEST(Cursor, TruncatedElementsFailWithoutReadingPastTheEnd) {
  const Truncated cases[] = {
      {{0x84, 0xFF, 0xFF}, false, 0},      // four-byte number, two bytes there
      {{0x05, 'a', 'b'}, true, 1},         // name of 5 characters, 2 there
      {{0xDE}, true, 0},                   // length byte missing
      {{0xDF, 0x01}, true, 0},             // two-byte length cut
      {{0xDF, 0xFF, 0xFF, 'x'}, true, 3},  // 65535 characters, 1 there
  };
  for (const Truncated& test : cases) {
    Cursor cursor(test.bytes);
    bool read =
        test.isName ? cursor.name("the name").has_value() : cursor.number("the value").has_value();
    EXPECT_FALSE(read);
    ASSERT_TRUE(cursor.failed());
    EXPECT_EQ(cursor.failure()->offset, test.failureOffset) << cursor.failure()->reason;
    EXPECT_NE(cursor.failure()->reason.find("end of data"), std::string::npos);
  }
}

TEST(Cursor, HugeCountsFailWithoutOverflow) {
  Bytes bytes{0x88, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  Cursor cursor(bytes);
  auto count = cursor.number("the count");
  ASSERT_TRUE(count);
  EXPECT_FALSE(cursor.bytes(count->value, "the data"));
  EXPECT_EQ(cursor.failure()->offset, 9u);
}

TEST(Cursor, WrongElementKindNamesTheByteAndWhatWasExpected) {
  Bytes bytes{0xE0, 0x89, 0x05};
  Cursor cursor(bytes);
  EXPECT_FALSE(cursor.number("the section index"));
  const std::string& reason = cursor.failure()->reason;
  EXPECT_NE(reason.find("E0"), std::string::npos) << reason;
  EXPECT_NE(reason.find("MB"), std::string::npos) << reason;
  EXPECT_NE(reason.find("the section index"), std::string::npos) << reason;

  Cursor unused(bytes, 1);
  EXPECT_FALSE(unused.number("a number"));
  EXPECT_NE(unused.failure()->reason.find("unused"), std::string::npos);
}

TEST(Cursor, FirstFailureIsKeptAndLaterReadsReturnNothing) {
  Bytes bytes{0xFF, 0x01, 0x02};
  Cursor cursor(bytes);
  EXPECT_FALSE(cursor.letter("a letter"));
  EXPECT_FALSE(cursor.number("a number"));
  EXPECT_FALSE(cursor.peek());
  cursor.fail(2, "later problem");
  EXPECT_EQ(cursor.failure()->offset, 0u);
  EXPECT_EQ(cursor.offset(), 0u);
}

TEST(Cursor, ExpressionStopsAtTheFirstByteThatIsNoTerm) {
  Bytes bytes{0xD2, 0x01, 0x12, 0xA5, 0xE4};
  Cursor cursor(bytes);
  auto value = cursor.expression("a value");
  ASSERT_TRUE(value);
  EXPECT_EQ(*value, sectionRelative(1, 0x12));
  EXPECT_EQ(cursor.offset(), 4u);
}

TEST(Cursor, ExpressionProblems) {
  Bytes empty{0xE1};
  Cursor noTerm(empty);
  EXPECT_FALSE(noTerm.expression("the value"));
  EXPECT_EQ(noTerm.failure()->offset, 0u);

  Bytes nullLetter{0x01, 0xC0, 0x01};
  Cursor withNull(nullLetter);
  EXPECT_FALSE(withNull.expression("the value"));
  EXPECT_EQ(withNull.failure()->offset, 1u);

  Bytes missingIndex{0xD8};
  Cursor cut(missingIndex);
  EXPECT_FALSE(cut.expression("the value"));
  EXPECT_NE(cut.failure()->reason.find("index of variable X"), std::string::npos);
}

TEST(Cursor, EscapeNumberBeforeB9BecomesOneTerm) {
  Bytes bytes{0xD8, 0x01, 0x00, 0x10, 0x04, 0xB9, 0xB9};
  Cursor cursor(bytes);
  auto value = cursor.expression("a value");
  ASSERT_TRUE(value);
  Expression expected{Term::externalSymbol(1), Term::constant(0), Term::constant(16),
                      Term::escape(Escape::inBlock), Term::function(Function::escape)};
  EXPECT_EQ(*value, expected);
}

// ---- Reading from a source

TEST(Cursor, ASourceReadsAcrossEveryPieceBoundary) {
  Bytes bytes{0x84, 0x12, 0x34, 0x56, 0x78, 0xDE, 0x03, 'a', 'b', 'c', 0xD2, 0x01, 0x05, 0xA5};
  for (std::size_t piece : {1, 2, 3, 5}) {
    SpanSource source(bytes, piece);
    Cursor cursor(source, 64);
    EXPECT_EQ(cursor.number("n")->value, 0x12345678u);
    EXPECT_EQ(cursor.name("name"), "abc");
    auto value = cursor.expression("value");
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, sectionRelative(1, 5));
    EXPECT_TRUE(cursor.atEnd());
    EXPECT_FALSE(cursor.failed());
    EXPECT_FALSE(cursor.number("past the end"));
    EXPECT_EQ(cursor.failure()->offset, bytes.size());
  }
}

TEST(Cursor, ReleasedBytesAreDroppedAndTheWindowIsBounded) {
  // 40 names of 3 characters: a window of 16 bytes holds any one of them once the bytes
  // before it are released.
  Bytes bytes;
  for (int i = 0; i < 40; ++i)
    bytes.insert(bytes.end(), {0x03, 'x', 'y', static_cast<std::uint8_t>('0' + i % 10)});
  SpanSource source(bytes, 3);
  Cursor cursor(source, 16);
  for (int i = 0; i < 40; ++i) {
    std::size_t start = cursor.offset();
    cursor.releaseBefore(start);
    ASSERT_EQ(cursor.name("a name"), std::string("xy") + static_cast<char>('0' + i % 10)) << i;
    EXPECT_EQ(cursor.recordBytes(start).size(), 4u);
  }
  // Without releasing, the limit is reached and reported where reading stood.
  SpanSource again(bytes, 3);
  Cursor greedy(again, 16);
  while (greedy.name("a name")) {
  }
  ASSERT_TRUE(greedy.failed());
  EXPECT_NE(greedy.failure()->reason.find("beyond the reader's limit"), std::string::npos);
  EXPECT_EQ(greedy.failure()->offset, 16u);
}

}  // namespace
}  // namespace kz::object
