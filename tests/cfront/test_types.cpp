#include <gtest/gtest.h>

#include "expression_fixture.h"

namespace kz::cfront::testing {
namespace {

using K = TypeKind;

class TypesTest : public ::testing::Test, public ExpressionFixture {
 protected:
  struct Field {
    std::string_view name;
    TypeRef type;
    int width = -1;  // -1: not a bit field
  };

  Record* layOut(TypeKind kind, std::vector<Field> fields, std::uint8_t packing) {
    Record* record = types.newRecord(kind, "s");
    for (const Field& field : fields) {
      Member member;
      member.name = field.name;
      member.type = field.type;
      member.isBitField = field.width >= 0;
      member.bitWidth = static_cast<std::uint8_t>(field.width < 0 ? 0 : field.width);
      record->members.push_back(member);
    }
    types.layOut(*record, packing, *diagnostics);
    return record;
  }

  TypeRef function(TypeRef returns, std::vector<TypeRef> parameters, bool prototype) {
    FunctionInfo info;
    info.returnType = returns;
    info.hasPrototype = prototype;
    for (TypeRef parameter : parameters) info.parameters.push_back({"", parameter});
    return types.functionReturning(std::move(info));
  }
};

TEST_F(TypesTest, SizesAndCodesOfTheBasicTypes) {
  struct Row {
    TypeKind kind;
    std::uint32_t size;
    std::uint8_t code;
    const char* name;
  };
  const Row rows[] = {
      {K::voidType, 0, 0x03, "void"},
      {K::signedChar, 1, 0x09, "signed char"},
      {K::unsignedChar, 1, 0x11, "unsigned char"},
      {K::shortType, 2, 0x0A, "short"},
      {K::unsignedShort, 2, 0x12, "unsigned short"},
      {K::intType, 2, 0x0A, "int"},
      {K::unsignedInt, 2, 0x12, "unsigned int"},
      {K::longType, 4, 0x0C, "long"},
      {K::unsignedLong, 4, 0x14, "unsigned long"},
      {K::floatType, 4, 0x25, "float"},
      {K::doubleType, 8, 0x26, "double"},
      {K::longDouble, 10, 0x27, "long double"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(sizeOf(basic(row.kind)), row.size);
    EXPECT_EQ(arithmeticCode(basic(row.kind)), row.code);
    EXPECT_EQ(typeName(basic(row.kind)), row.name);
  }
  EXPECT_EQ(types.plainChar()->kind, K::signedChar);
  options.unsignedChar = true;
  EXPECT_EQ(types.plainChar()->kind, K::unsignedChar);
}

TEST_F(TypesTest, DerivedSizesAndNames) {
  TypeRef character = basic(K::signedChar);
  EXPECT_EQ(sizeOf(types.pointerTo(character)), 2u);
  EXPECT_EQ(sizeOf(types.pointerTo(character, SizeWord::tiny)), 1u);
  EXPECT_EQ(sizeOf(types.pointerTo(character, SizeWord::compact)), 4u);
  TypeRef matrix = types.arrayOf(types.arrayOf(basic(K::longType), 3, true), 5, true);
  EXPECT_EQ(sizeOf(matrix), 60u);
  EXPECT_EQ(sizeOf(types.arrayOf(basic(K::intType), 0, false)), 0u);
  EXPECT_FALSE(isComplete(types.arrayOf(basic(K::intType), 0, false)));
  EXPECT_EQ(sizeOf(function(basic(K::intType), {}, false)), 0u);
  // Pointers are shared, qualified basic types too.
  EXPECT_EQ(types.pointerTo(character), types.pointerTo(character));
  TypeRef constInt = types.qualified(basic(K::intType), qualifier::kConst);
  EXPECT_EQ(constInt, types.qualified(basic(K::intType), qualifier::kConst));
  EXPECT_EQ(types.unqualified(constInt), basic(K::intType));
  EXPECT_EQ(typeName(types.pointerTo(constInt)), "const int *");
  EXPECT_EQ(typeName(matrix), "long [3] [5]");
}

TEST_F(TypesTest, EnumerationsTakeTheTypeTheirRangeNeedsOnlyWithXec) {
  struct Row {
    long long low, high;
    TypeKind bySize;
  };
  const Row rows[] = {{0, 127, K::signedChar},    {-128, 5, K::signedChar},
                      {0, 200, K::unsignedChar},  {-1, 200, K::intType},
                      {0, 40000, K::unsignedInt}, {-40000, 0, K::intType}};
  for (const Row& row : rows) {
    for (bool bySize : {false, true}) {
      options.enumBySize = bySize;
      Record* record = types.newRecord(K::enumType, "e");
      types.settleEnum(*record, row.low, row.high);
      TypeRef type = types.recordType(record);
      TypeKind expected = bySize ? row.bySize : K::intType;
      EXPECT_EQ(record->enumBase->kind, expected) << row.low << ".." << row.high;
      EXPECT_EQ(sizeOf(type), sizeOf(basic(expected)));
      EXPECT_EQ(isUnsigned(type), isUnsigned(basic(expected)));
    }
  }
}

TEST_F(TypesTest, AlignmentIsNaturalCappedAtThePackingValue) {
  struct Row {
    TypeKind kind;
    std::uint8_t at1, at2, at4;
  };
  const Row rows[] = {{K::signedChar, 1, 1, 1}, {K::intType, 1, 2, 2},    {K::longType, 1, 2, 4},
                      {K::floatType, 1, 2, 4},  {K::doubleType, 1, 2, 4}, {K::longDouble, 1, 2, 2}};
  for (const Row& row : rows) {
    EXPECT_EQ(alignmentOf(basic(row.kind), 1), row.at1);
    EXPECT_EQ(alignmentOf(basic(row.kind), 2), row.at2);
    EXPECT_EQ(alignmentOf(basic(row.kind), 4), row.at4);
  }
  EXPECT_EQ(alignmentOf(types.arrayOf(basic(K::longType), 2, true), 4), 4);
  EXPECT_EQ(alignmentOf(types.pointerTo(basic(K::longType), SizeWord::compact), 2), 2);
}

TEST_F(TypesTest, OrdinaryMembersUnderEachPacking) {
  struct Row {
    std::uint8_t packing;
    std::vector<std::uint32_t> offsets;
    std::uint32_t size;
  };
  const Row rows[] = {{1, {0, 1, 5, 6}, 14}, {2, {0, 2, 6, 8}, 16}, {4, {0, 4, 8, 12}, 20}};
  for (const Row& row : rows) {
    Record* record = layOut(K::structType,
                            {{"c", basic(K::signedChar)},
                             {"l", basic(K::longType)},
                             {"d", basic(K::signedChar)},
                             {"x", basic(K::doubleType)}},
                            row.packing);
    for (std::size_t i = 0; i < row.offsets.size(); ++i)
      EXPECT_EQ(record->members[i].offset, row.offsets[i]) << "packing " << int(row.packing);
    EXPECT_EQ(record->size, row.size) << "packing " << int(row.packing);
    // A nested struct brings its alignment, capped again by the outer packing.
    Record* outer =
        layOut(K::structType, {{"c", basic(K::signedChar)}, {"s", types.recordType(record)}}, 2);
    EXPECT_EQ(outer->members[1].offset, row.packing == 1 ? 1u : 2u);
  }
  Record* onion = layOut(K::unionType,
                         {{"c", basic(K::signedChar)},
                          {"l", basic(K::longType)},
                          {"a", types.arrayOf(basic(K::signedChar), 5, true)}},
                         4);
  EXPECT_EQ(onion->size, 8u);
  EXPECT_EQ(onion->members[2].offset, 0u);
  EXPECT_TRUE(numbers().empty());
}

TEST_F(TypesTest, BitFieldsShareUnitsByTheRuleOfXw) {
  TypeRef i = basic(K::intType);
  TypeRef u = basic(K::unsignedInt);
  std::vector<Field> fields = {{"a", i, 3}, {"b", i, 5}, {"c", i, 9}, {"d", u, 4}, {"e", u, 3}};
  struct Placed {
    std::uint32_t offset;
    std::uint8_t bit;
  };
  struct Row {
    bool strict;
    std::vector<Placed> placed;
    std::uint32_t size;
  };
  const Row rows[] = {
      {false, {{0, 0}, {0, 3}, {2, 0}, {2, 9}, {2, 13}}, 4},
      {true, {{0, 0}, {0, 3}, {2, 0}, {4, 0}, {4, 4}}, 6},
  };
  for (const Row& row : rows) {
    options.bitFieldRule = row.strict;
    Record* record = layOut(K::structType, fields, 2);
    for (std::size_t n = 0; n < row.placed.size(); ++n) {
      EXPECT_EQ(record->members[n].offset, row.placed[n].offset) << n << " strict " << row.strict;
      EXPECT_EQ(record->members[n].bitOffset, row.placed[n].bit) << n << " strict " << row.strict;
    }
    EXPECT_EQ(record->size, row.size);
  }
}

TEST_F(TypesTest, BitFieldUnitsFollowTheirTypeAndZeroWidthClosesThem) {
  TypeRef c = basic(K::unsignedChar);
  TypeRef i = basic(K::intType);
  Record* mixed = layOut(K::structType, {{"a", c, 3}, {"b", i, 4}, {"c", c, 2}}, 2);
  EXPECT_EQ(mixed->members[1].offset, 2u);
  EXPECT_EQ(mixed->members[2].offset, 4u);
  EXPECT_EQ(mixed->size, 6u);
  Record* packed = layOut(K::structType, {{"a", c, 3}, {"b", i, 4}}, 1);
  EXPECT_EQ(packed->members[1].offset, 1u);
  EXPECT_EQ(packed->size, 3u);
  Record* closed = layOut(K::structType, {{"a", i, 3}, {"", i, 0}, {"b", i, 3}}, 2);
  EXPECT_EQ(closed->members[2].offset, 2u);
  EXPECT_EQ(closed->members[2].bitOffset, 0);
  EXPECT_TRUE(numbers().empty());
  Record* onion = layOut(K::unionType, {{"a", i, 3}, {"b", basic(K::longType), 20}}, 4);
  EXPECT_EQ(onion->members[1].bitOffset, 0);
  EXPECT_EQ(onion->size, 4u);
}

TEST_F(TypesTest, MemberMessages) {
  TypeRef i = basic(K::intType);
  Record* wide = layOut(K::structType, {{"w", i, 17}, {"x", i, 1}}, 2);
  EXPECT_EQ(numbers(), std::vector<int>{340});
  EXPECT_EQ(wide->members[0].bitWidth, 16);
  EXPECT_EQ(wide->members[1].offset, 2u);
  layOut(K::structType, {{"z", i, 0}}, 2);
  EXPECT_EQ(numbers(), std::vector<int>{246});
  Record* empty = layOut(K::structType, {}, 2);
  EXPECT_EQ(empty->size, 0u);
  layOut(K::structType, {{"e", types.recordType(empty)}, {"a", types.arrayOf(i, 0, true)}}, 2);
  EXPECT_EQ(numbers(), (std::vector<int>{237, 237}));
  EXPECT_NE(console.text().find("Illegal zero sized member 'a'"), std::string::npos);
}

TEST_F(TypesTest, CompatibilityAndComposite) {
  TypeRef i = basic(K::intType);
  TypeRef l = basic(K::longType);
  Record* e = types.newRecord(K::enumType, "e");
  types.settleEnum(*e, 0, 3);
  Record* a = layOut(K::structType, {{"x", i}}, 2);
  Record* b = layOut(K::structType, {{"x", i}}, 2);
  TypeRef oldStyle = function(i, {}, false);
  TypeRef takesChar = function(i, {basic(K::signedChar)}, true);
  TypeRef takesInt = function(i, {i}, true);
  TypeRef unsized = types.arrayOf(i, 0, false);
  struct Row {
    TypeRef left, right;
    bool compatible;
  };
  const Row rows[] = {
      {i, types.qualified(i, qualifier::kConst), false},
      {types.pointerTo(i), types.pointerTo(l), false},
      {types.pointerTo(i), types.pointerTo(i, SizeWord::compact), false},
      {unsized, types.arrayOf(i, 3, true), true},
      {types.arrayOf(i, 4, true), types.arrayOf(i, 3, true), false},
      {types.recordType(e), i, true},
      {types.recordType(e), basic(K::unsignedInt), false},
      {types.recordType(a), types.recordType(a, 0), true},
      {types.recordType(a), types.recordType(b), false},
      {oldStyle, takesInt, true},
      {oldStyle, takesChar, false},
      {takesInt, function(l, {i}, true), false},
      {takesInt, function(i, {types.qualified(i, qualifier::kConst)}, true), true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(compatible(row.left, row.right), row.compatible)
        << typeName(row.left) << " / " << typeName(row.right);
    EXPECT_EQ(compatible(row.right, row.left), row.compatible);
  }
  TypeRef sized = composite(types, unsized, types.arrayOf(i, 7, true));
  EXPECT_TRUE(sized->countKnown);
  EXPECT_EQ(sized->count, 7u);
  TypeRef merged = composite(types, oldStyle, takesInt);
  ASSERT_TRUE(merged->function);
  EXPECT_TRUE(merged->function->hasPrototype);
  EXPECT_EQ(merged->function->parameters.size(), 1u);
}

TEST_F(TypesTest, PromotionsAndUsualArithmeticConversions) {
  struct Row {
    TypeKind a, b, result;
  };
  const Row rows[] = {
      {K::signedChar, K::signedChar, K::intType},
      {K::unsignedChar, K::shortType, K::intType},
      {K::unsignedShort, K::intType, K::unsignedInt},
      {K::unsignedInt, K::intType, K::unsignedInt},
      {K::longType, K::unsignedInt, K::longType},
      {K::unsignedShort, K::longType, K::longType},
      {K::unsignedLong, K::signedChar, K::unsignedLong},
      {K::longType, K::floatType, K::floatType},
      {K::floatType, K::doubleType, K::doubleType},
      {K::longDouble, K::intType, K::longDouble},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(usualArithmetic(types, basic(row.a), basic(row.b))->kind, row.result)
        << typeName(basic(row.a)) << " with " << typeName(basic(row.b));
    EXPECT_EQ(usualArithmetic(types, basic(row.b), basic(row.a))->kind, row.result);
  }
  EXPECT_EQ(promoted(types, basic(K::unsignedShort))->kind, K::unsignedInt);
  EXPECT_EQ(promoted(types, basic(K::floatType))->kind, K::floatType);
  EXPECT_EQ(argumentPromoted(types, basic(K::floatType))->kind, K::doubleType);
  options.enumBySize = true;
  Record* e = types.newRecord(K::enumType, "e");
  types.settleEnum(*e, 0, 200);
  EXPECT_EQ(promoted(types, types.recordType(e))->kind, K::intType);
  EXPECT_EQ(arithmeticCode(types.recordType(e)), 0x11);
}

}  // namespace
}  // namespace kz::cfront::testing
