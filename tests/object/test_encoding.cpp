#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "object/cursor.h"
#include "object/ieee695.h"

namespace kz::object {
namespace {

Bytes encodedNumber(std::uint64_t value) {
  Bytes out;
  appendNumber(out, value);
  return out;
}

Bytes encodedName(const std::string& name) {
  Bytes out;
  appendName(out, name);
  return out;
}

Bytes encodedExpression(const Expression& terms) {
  Bytes out;
  appendExpression(out, terms);
  return out;
}

TEST(NumberEncoding, ShortestFormAtEveryLengthBoundary) {
  EXPECT_EQ(encodedNumber(0), (Bytes{0x00}));
  EXPECT_EQ(encodedNumber(127), (Bytes{0x7F}));
  EXPECT_EQ(encodedNumber(128), (Bytes{0x81, 0x80}));
  EXPECT_EQ(encodedNumber(255), (Bytes{0x81, 0xFF}));
  EXPECT_EQ(encodedNumber(256), (Bytes{0x82, 0x01, 0x00}));
  EXPECT_EQ(encodedNumber(0xFFFF), (Bytes{0x82, 0xFF, 0xFF}));
  EXPECT_EQ(encodedNumber(0x10000), (Bytes{0x83, 0x01, 0x00, 0x00}));
  EXPECT_EQ(encodedNumber(0xFFFFFFFF), (Bytes{0x84, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encodedNumber(0x100000000), (Bytes{0x85, 0x01, 0x00, 0x00, 0x00, 0x00}));
}

TEST(NumberEncoding, ReadsBackEveryFormAndTheOmittedNumber) {
  for (std::uint64_t value :
       {0ull, 127ull, 128ull, 255ull, 256ull, 0xFFFFFFull, 0x1000000ull, ~0ull}) {
    Bytes bytes = encodedNumber(value);
    Cursor cursor(bytes);
    auto read = cursor.number("a number");
    ASSERT_TRUE(read) << value;
    EXPECT_EQ(read->value, value);
    EXPECT_FALSE(read->omitted);
    EXPECT_TRUE(cursor.atEnd());
  }
  Bytes longerThanNeeded{0x81, 0x00, 0x80};
  Cursor cursor(longerThanNeeded);
  EXPECT_EQ(cursor.number("a number")->value, 0u);
  auto omitted = cursor.number("a number");
  ASSERT_TRUE(omitted);
  EXPECT_TRUE(omitted->omitted);
}

TEST(NameEncoding, FormChangesAt128And256Characters) {
  EXPECT_EQ(encodedName(""), (Bytes{0x00}));
  Bytes name127 = encodedName(std::string(127, 'a'));
  EXPECT_EQ(name127.size(), 128u);
  EXPECT_EQ(name127[0], 0x7F);

  Bytes name128 = encodedName(std::string(128, 'b'));
  ASSERT_EQ(name128.size(), 130u);
  EXPECT_EQ(name128[0], 0xDE);
  EXPECT_EQ(name128[1], 0x80);

  Bytes name255 = encodedName(std::string(255, 'c'));
  EXPECT_EQ(name255[0], 0xDE);
  EXPECT_EQ(name255[1], 0xFF);

  Bytes name256 = encodedName(std::string(256, 'd'));
  ASSERT_EQ(name256.size(), 259u);
  EXPECT_EQ((Bytes{name256[0], name256[1], name256[2], name256[3]}),
            (Bytes{0xDF, 0x01, 0x00, 'd'}));
}

TEST(NameEncoding, RoundTripsAndCutsAtTheLongestWritableName) {
  for (std::size_t length : {0u, 1u, 127u, 128u, 255u, 256u, 65535u}) {
    std::string name(length, 'x');
    Bytes bytes = encodedName(name);
    Cursor cursor(bytes);
    EXPECT_EQ(cursor.name("a name"), name) << length;
    EXPECT_TRUE(cursor.atEnd());
  }
  Bytes tooLong = encodedName(std::string(70000, 'y'));
  EXPECT_EQ(tooLong.size(), 3u + 65535u);
}

TEST(LetterEncoding, CapitalsMapToC1ThroughDaAndOthersToNull) {
  Bytes out;
  appendLetter(out, 'A');
  appendLetter(out, 'Z');
  appendLetter(out, 'R');
  appendLetter(out, 'a');
  EXPECT_EQ(out, (Bytes{0xC1, 0xDA, 0xD2, 0xC0}));
}

TEST(ExpressionEncoding, NegativeConstantsAreMagnitudeThenNegate) {
  EXPECT_EQ(encodedExpression({Term::constant(-5)}), (Bytes{0x05, 0xA3}));
  EXPECT_EQ(encodedExpression({Term::constant(-200)}), (Bytes{0x81, 0xC8, 0xA3}));
  EXPECT_EQ(encodedExpression({Term::constant(INT64_MIN)}),
            (Bytes{0x88, 0x80, 0, 0, 0, 0, 0, 0, 0, 0xA3}));
  EXPECT_EQ(encodedExpression(sectionRelative(1, -3)), (Bytes{0xD2, 0x01, 0x03, 0xA3, 0xA5}));
}

TEST(ExpressionEncoding, VariablesCarryTheirIndexExceptTheStartAddress) {
  EXPECT_EQ(encodedExpression(sectionRelative(2, 0)), (Bytes{0xD2, 0x02}));
  EXPECT_EQ(encodedExpression(sectionRelative(1, 0x12)), (Bytes{0xD2, 0x01, 0x12, 0xA5}));
  EXPECT_EQ(encodedExpression(
                {Term::startAddress(), Term::sectionSize(3), Term::function(Function::add)}),
            (Bytes{0xC7, 0xD3, 0x03, 0xA5}));
  EXPECT_EQ(encodedExpression({Term::externalSymbol(300), Term::localSymbol(40)}),
            (Bytes{0xD8, 0x82, 0x01, 0x2C, 0xCE, 0x28}));
}

// The CALLV field: (target - FFC0) / 2 held to 0..15, added to C0.
TEST(ExpressionEncoding, RelocationItemWithEscapeFunctionAndWidth) {
  Expression callVector{Term::constant(0xC0),
                        Term::externalSymbol(5),
                        Term::constant(0xFFC0),
                        Term::function(Function::subtract),
                        Term::constant(2),
                        Term::function(Function::divide),
                        Term::constant(0),
                        Term::constant(0x10),
                        Term::escape(Escape::inBlock),
                        Term::function(Function::add)};
  Bytes out;
  appendRelocationItem(out, FieldCheck::unsignedField, callVector, 1);
  Bytes expected{0xBC, 0x81, 0xC0, 0xD8, 0x05, 0x82, 0xFF, 0xC0, 0xA6,
                 0x02, 0xA7, 0x00, 0x10, 0x04, 0xB9, 0xA5, 0x01, 0xBD};
  EXPECT_EQ(out, expected);

  Cursor cursor(out);
  auto item = cursor.relocationItem();
  ASSERT_TRUE(item) << cursor.failure()->reason;
  EXPECT_EQ(item->check, FieldCheck::unsignedField);
  EXPECT_EQ(item->widthInMaus, 1u);
  EXPECT_EQ(item->value, callVector);
}

// Writers that append an expression in place must give the bytes of the term lists.
TEST(ExpressionEncoding, InPlaceFormsMatchTheTermLists) {
  for (std::uint64_t section : {1u, 200u}) {
    for (std::int64_t offset : std::initializer_list<std::int64_t>{0, 5, -3, 0x12345, INT64_MIN}) {
      Bytes out{0xE2};
      appendSectionRelative(out, section, offset);
      Bytes expected{0xE2};
      appendExpression(expected, sectionRelative(section, offset));
      EXPECT_EQ(out, expected) << section << " " << offset;
    }
  }
  const Expression value{Term::externalSymbol(3), Term::loadPointer(1),
                         Term::function(Function::subtract)};
  for (FieldCheck check :
       {FieldCheck::signedField, FieldCheck::unsignedField, FieldCheck::eitherField}) {
    for (std::uint32_t width : {1u, 2u, 200u}) {
      Bytes framed;
      openRelocationItem(framed, check);
      appendExpression(framed, value);
      closeRelocationItem(framed, check, width);
      Bytes whole;
      appendRelocationItem(whole, check, value, width);
      EXPECT_EQ(framed, whole);
      EXPECT_EQ(framed.front(), bracketInfo(check).open);
      EXPECT_EQ(framed.back(), bracketInfo(check).close);
    }
  }
}

// Only G stands without an index; letters without a row, and bytes beyond ASCII, have one.
TEST(ExpressionEncoding, EveryVariableButTheStartAddressHasAnIndex) {
  for (const VariableInfo& info : kVariables)
    EXPECT_EQ(variableHasIndex(info.letter), info.indexed);
  EXPECT_FALSE(variableHasIndex('G'));
  for (char letter : {'A', 'F', 'M', 'Z', 'a', '\0', static_cast<char>(0xC7)}) {
    EXPECT_TRUE(variableHasIndex(letter)) << static_cast<int>(letter);
  }
}

TEST(ExpressionDecoding, WidthAfterSeparatorOrAbsent) {
  Bytes withSeparator{0xBA, 0xD8, 0x01, 0x90, 0x02, 0xBB};
  Cursor first(withSeparator);
  auto item = first.relocationItem();
  ASSERT_TRUE(item);
  EXPECT_EQ(item->check, FieldCheck::signedField);
  EXPECT_EQ(item->widthInMaus, 2u);
  EXPECT_EQ(item->value, (Expression{Term::externalSymbol(1)}));

  // A single constant is the value, not a width.
  Bytes constantOnly{0xBE, 0x05, 0xBF};
  Cursor second(constantOnly);
  item = second.relocationItem();
  ASSERT_TRUE(item);
  EXPECT_FALSE(item->widthInMaus);
  EXPECT_EQ(item->value, (Expression{Term::constant(5)}));
}

TEST(ExpressionDecoding, MismatchedBracketIsReported) {
  Bytes mismatched{0xBC, 0xD8, 0x01, 0x02, 0xBB};
  Cursor cursor(mismatched);
  EXPECT_FALSE(cursor.relocationItem());
  ASSERT_TRUE(cursor.failed());
  EXPECT_EQ(cursor.failure()->offset, 4u);
  EXPECT_NE(cursor.failure()->reason.find("BD"), std::string::npos);
}

TEST(PartPointers, EightAssignmentsWithFourByteOffsets) {
  PartOffsets offsets{0x50, 0x66, 0, 0x123456, 0, 0x89ABCDEF, 7, 7};
  auto bytes = encodePartPointers(offsets);
  Bytes third(bytes.begin() + 24, bytes.begin() + 32);
  EXPECT_EQ(third, (Bytes{0xE2, 0xD7, 0x03, 0x84, 0x00, 0x12, 0x34, 0x56}));
  Bytes sixth(bytes.begin() + 40, bytes.begin() + 48);
  EXPECT_EQ(sixth, (Bytes{0xE2, 0xD7, 0x05, 0x84, 0x89, 0xAB, 0xCD, 0xEF}));
  Bytes absent(bytes.begin() + 16, bytes.begin() + 24);
  EXPECT_EQ(absent, (Bytes{0xE2, 0xD7, 0x02, 0x84, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace kz::object
