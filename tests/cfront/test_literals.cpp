#include <gtest/gtest.h>

#include <cmath>

#include "cfront/literals.h"
#include "expression_fixture.h"

namespace kz::cfront::testing {
namespace {

class LiteralsTest : public ::testing::Test, public ExpressionFixture {
 protected:
  std::string collect(std::initializer_list<std::string_view> pieces) {
    StringLiteralBuffer buffer(options, *diagnostics);
    buffer.clear();
    for (std::string_view piece : pieces) buffer.append(piece);
    wide = buffer.wide();
    return std::string(buffer.bytes());
  }
  bool wide = false;
};

TEST_F(LiteralsTest, StringEscapes) {
  using namespace std::string_literals;
  struct Row {
    std::string_view spelling;
    std::string bytes;
    std::vector<int> messages;
    bool kanji = false;
  };
  const Row rows[] = {
      {R"("abc")", "abc", {}},
      {R"("a\tb\n\a\b\f\r\v")", "a\tb\n\a\b\f\r\v", {}},
      {R"("\"\'\?\\")", "\"'?\\", {}},
      {R"("\101\0z\777")", "A\0z\xFF"s, {}},
      {R"("\x41\x4142")", "AAB", {}},
      {R"("\x12345")", "\x01\x23\x45", {}},
      {R"("\x123456789")", "\x23\x45\x67\x89", {511}},
      {R"("\q")", "q", {621}},
      {R"("\x")", "", {204}},
      {"\"\x81\\n\"", "\x81\n", {}},
      {"\"\x81\\n\"", "\x81\\n", {}, true},
      {"\"\xE0\\n\"", "\xE0\\n", {}, true},
      {"\"a\nb\"", "a", {206}},
  };
  for (const Row& row : rows) {
    options.kanjiText = row.kanji;
    EXPECT_EQ(collect({row.spelling}), row.bytes) << row.spelling;
    EXPECT_EQ(numbers(), row.messages) << row.spelling;
  }
}

TEST_F(LiteralsTest, ConcatenationWideLiteralsAndTheBufferLimit) {
  EXPECT_EQ(collect({R"("ab")", R"("")", R"("c\x41")"}), "abcA");
  EXPECT_FALSE(wide);
  using namespace std::string_literals;
  EXPECT_EQ(collect({R"(L"a\x1234")", R"("b")"}), "\0a\x12\x34\0b"s);
  EXPECT_TRUE(wide);
  Expr* literal = builder->stringLiteral("\0a\x12\x34"s, true, {});
  EXPECT_EQ(literal->type->count, 3u);
  EXPECT_EQ(literal->type->target->kind, TypeKind::intType);

  std::string full = "\"" + std::string(StringLiteralBuffer::kCapacity - 1, 'x') + "\"";
  EXPECT_EQ(collect({full, R"("y")"}).size(), StringLiteralBuffer::kCapacity);
  EXPECT_TRUE(numbers().empty());
  EXPECT_THROW(collect({full, R"("yz")"}), RunAborted);
  EXPECT_EQ(numbers(), std::vector<int>{150});
}

TEST_F(LiteralsTest, FloatingConstants) {
  struct Row {
    std::string_view text;
    double value;
    TypeKind type;
    bool valid;
    std::vector<int> messages;
  };
  const Row rows[] = {
      {"1.5", 1.5, TypeKind::doubleType, true, {}},
      {"1.5f", 1.5, TypeKind::floatType, true, {}},
      {"2e3L", 2000, TypeKind::longDouble, true, {}},
      {".25", 0.25, TypeKind::doubleType, true, {}},
      {"7.", 7, TypeKind::doubleType, true, {}},
      {"1E-2F", 0.01, TypeKind::floatType, true, {}},
      {"3e", 3, TypeKind::doubleType, true, {207}},
      {"4e+f", 4, TypeKind::floatType, true, {207}},
      {"12", 0, TypeKind::doubleType, false, {}},
      {"1.0x", 0, TypeKind::doubleType, false, {}},
      {"1.0fl", 0, TypeKind::doubleType, false, {}},
  };
  for (const Row& row : rows) {
    FloatingValue value = parseFloatingConstant(row.text, *diagnostics);
    EXPECT_EQ(numbers(), row.messages) << row.text;
    EXPECT_EQ(value.valid, row.valid) << row.text;
    if (!row.valid) continue;
    EXPECT_DOUBLE_EQ(value.value, row.value) << row.text;
    EXPECT_EQ(value.type, row.type) << row.text;
  }
  EXPECT_NE(console.text().find("Unexpected exponent character 'e'"), std::string::npos);
  FloatingValue huge = parseFloatingConstant("1e400", *diagnostics);
  EXPECT_TRUE(std::isinf(huge.value));
  builder->floatingConstant(huge.value, basic(huge.type), {});
  EXPECT_TRUE(numbers().empty());  // 510 needs -w2
  options.warnLevel = 2;
  builder->floatingConstant(huge.value, basic(huge.type), {});
  EXPECT_EQ(numbers(), std::vector<int>{510});
}

}  // namespace
}  // namespace kz::cfront::testing
