#include <gtest/gtest.h>

#include <functional>

#include "cfront/expression_facts.h"
#include "expression_fixture.h"
#include "parse_harness.h"

namespace kz::cfront::testing {
namespace {

using K = TypeKind;

class ExpressionsTest : public ::testing::Test, public ExpressionFixture {
 protected:
  ExpressionsTest() {
    Record* s = types.newRecord(K::structType, "point");
    Member x;
    x.name = "x";
    x.type = basic(K::intType);
    Member bits;
    bits.name = "bits";
    bits.type = basic(K::intType);
    bits.isBitField = true;
    bits.bitWidth = 3;
    s->members = {x, bits};
    types.layOut(*s, 2, *diagnostics);
    point = types.recordType(s);
    incomplete = types.recordType(types.newRecord(K::structType, "later"));
  }

  TypeRef pointer(TypeKind kind) { return types.pointerTo(basic(kind)); }
  TypeRef array(TypeKind kind, std::uint32_t count) {
    return types.arrayOf(basic(kind), count, true);
  }
  TypeRef function(TypeRef returns, std::vector<TypeRef> parameters, bool prototype = true,
                   bool variadic = false, CallConvention convention = CallConvention::none) {
    FunctionInfo info;
    info.returnType = returns;
    info.hasPrototype = prototype;
    info.variadic = variadic;
    info.voidList = prototype && parameters.empty();
    info.convention = convention;
    for (TypeRef parameter : parameters) info.parameters.push_back({"", parameter});
    return types.functionReturning(std::move(info));
  }
  Expr* call(Expr* function, std::vector<Expr*> arguments) {
    return builder->call(function, arguments, {});
  }
  Expr* bin(BinaryOp op, Expr* a, Expr* b) { return builder->binary(op, a, b, {}); }
  Expr* set(Expr* a, Expr* b) { return builder->assign(BinaryOp::none, a, b, {}); }

  TypeRef point = nullptr;
  TypeRef incomplete = nullptr;
};

TEST_F(ExpressionsTest, ConstantsTakeTheNarrowestTypeFromTheTarget) {
  struct Row {
    long long value;
    TypeKind to;
    long long result;
    TypeKind type;
    bool overflowed;
  };
  const Row rows[] = {
      {300, K::signedChar, 300, K::intType, false},
      {100, K::signedChar, 100, K::signedChar, false},
      {200, K::signedChar, 200, K::unsignedChar, false},
      {70000, K::intType, 70000, K::longType, false},
      {40000, K::intType, 40000, K::unsignedInt, false},
      {40000, K::longType, 40000, K::longType, false},
      {5, K::unsignedChar, 5, K::unsignedChar, false},
      {-1, K::unsignedInt, 65535, K::unsignedInt, true},
      {-5, K::unsignedChar, 65531, K::unsignedInt, true},
      {5000000000LL, K::longType, 5000000000LL % 4294967296LL, K::longType, true},
      {-1, K::unsignedLong, 4294967295LL, K::unsignedLong, true},
      {-3000000000LL, K::longType, 1294967296LL, K::longType, true},
      {-2147483648LL, K::longType, -2147483648LL, K::longType, false},
      {4294967295LL, K::unsignedLong, 4294967295LL, K::unsignedLong, false},
      {-3, K::shortType, -3, K::intType, false},
  };
  for (const Row& row : rows) {
    ConvertedConstant converted = convertIntegerConstant(types, row.value, basic(row.to));
    EXPECT_EQ(converted.value, row.result) << row.value << " to " << typeName(basic(row.to));
    EXPECT_EQ(converted.type->kind, row.type) << row.value << " to " << typeName(basic(row.to));
    EXPECT_EQ(converted.overflowed, row.overflowed) << row.value;
  }
}

TEST_F(ExpressionsTest, FloatingConstantsConvertedToIntegersAndFloat) {
  options.warnLevel = 2;
  Expr* big = builder->floatingConstant(5e9, basic(K::doubleType), {});
  Expr* converted = builder->convertForAssignment(big, basic(K::longType), {});
  EXPECT_EQ(numbers(), std::vector<int>{516});
  ASSERT_TRUE(converted->isConstant);
  EXPECT_EQ(converted->integer, 5000000000LL % 4294967296LL);
  EXPECT_EQ(converted->type->kind, K::longType);
  for (int level : {1, 2}) {
    options.warnLevel = static_cast<std::uint8_t>(level);
    builder->convertForAssignment(builder->floatingConstant(1e39, basic(K::doubleType), {}),
                                  basic(K::floatType), {});
    EXPECT_EQ(numbers(), level == 2 ? std::vector<int>{510} : std::vector<int>{});
    builder->floatingConstant(1e-320, basic(K::doubleType), {});
    EXPECT_EQ(numbers(), level == 2 ? std::vector<int>{510} : std::vector<int>{});
  }
  builder->floatingConstant(1e-320, basic(K::longDouble), {});
  Expr* quarter = builder->convertForAssignment(integer(3), basic(K::floatType), {});
  EXPECT_TRUE(numbers().empty());
  EXPECT_EQ(quarter->kind, ExprKind::floatingConstant);
  EXPECT_EQ(quarter->floating, 3.0);
}

TEST_F(ExpressionsTest, ConversionWarningsFollowTheirLevels) {
  struct Row {
    TypeKind from, to;
    int message;  // 0: none
    int level;
  };
  const Row rows[] = {
      {K::longType, K::intType, 546, 3},      {K::intType, K::signedChar, 546, 3},
      {K::doubleType, K::intType, 514, 2},    {K::floatType, K::unsignedChar, 514, 2},
      {K::longType, K::floatType, 514, 2},    {K::unsignedLong, K::floatType, 514, 2},
      {K::intType, K::floatType, 0, 0},       {K::doubleType, K::floatType, 547, 3},
      {K::longDouble, K::doubleType, 547, 3}, {K::floatType, K::longDouble, 0, 0},
      {K::intType, K::longType, 0, 0},        {K::intType, K::unsignedInt, 0, 0},
  };
  for (const Row& row : rows) {
    for (int level = 1; level <= 3; ++level) {
      options.warnLevel = static_cast<std::uint8_t>(level);
      Expr* converted = builder->convertForAssignment(var("v", basic(row.from)), basic(row.to), {});
      EXPECT_EQ(converted->kind, ExprKind::implicitConversion);
      EXPECT_EQ(converted->type->kind, row.to);
      std::vector<int> expected;
      if (row.message != 0 && level >= row.level) expected.push_back(row.message);
      EXPECT_EQ(numbers(), expected)
          << typeName(basic(row.from)) << " to " << typeName(basic(row.to)) << " at -w" << level;
    }
  }
  // A truth value is 0 or 1, but still reported as converted to floating or narrower.
  options.warnLevel = 3;
  Expr* truth = bin(BinaryOp::less, var("a", basic(K::intType)), var("b", basic(K::intType)));
  builder->convertForAssignment(truth, basic(K::doubleType), {});
  builder->convertForAssignment(truth, basic(K::signedChar), {});
  EXPECT_EQ(numbers(), (std::vector<int>{514, 546}));
}

TEST_F(ExpressionsTest, FoldingInTheResultType) {
  options.warnLevel = 2;
  struct Row {
    BinaryOp op;
    long long a;
    TypeKind ta;
    long long b;
    TypeKind tb;
    long long result;
    TypeKind type;
    std::vector<int> messages;
  };
  const Row rows[] = {
      {BinaryOp::add, 30000, K::intType, 30000, K::intType, -5536, K::intType, {516}},
      {BinaryOp::add, 30000, K::longType, 30000, K::intType, 60000, K::longType, {}},
      {BinaryOp::multiply,
       300,
       K::unsignedInt,
       300,
       K::unsignedInt,
       90000 % 65536,
       K::unsignedInt,
       {516}},
      {BinaryOp::subtract, 1, K::unsignedInt, 2, K::unsignedInt, 65535, K::unsignedInt, {}},
      {BinaryOp::divide, -7, K::intType, 2, K::intType, -3, K::intType, {}},
      {BinaryOp::remainder, -7, K::intType, 2, K::intType, -1, K::intType, {}},
      {BinaryOp::shiftLeft, 1, K::longType, 20, K::intType, 1 << 20, K::longType, {}},
      {BinaryOp::shiftLeft, 1, K::intType, 15, K::intType, -32768, K::intType, {516}},
      {BinaryOp::shiftRight, -16, K::intType, 2, K::intType, -4, K::intType, {}},
      {BinaryOp::less, -1, K::intType, 0, K::unsignedInt, 0, K::intType, {516}},
      {BinaryOp::less, -1, K::intType, 0, K::longType, 1, K::intType, {}},
      {BinaryOp::bitXor, 0xF0F0, K::unsignedInt, 0xFF, K::intType, 0xF00F, K::unsignedInt, {}},
      {BinaryOp::logicalOr, 0, K::intType, 7, K::longType, 1, K::intType, {}},
      {BinaryOp::divide, 5, K::intType, 0, K::intType, 0, K::intType, {390}},
      {BinaryOp::remainder, 5, K::longType, 0, K::longType, 0, K::longType, {390}},
  };
  for (const Row& row : rows) {
    Expr* result = bin(row.op, integer(row.a, row.ta), integer(row.b, row.tb));
    std::string what =
        std::to_string(row.a) + std::string(operatorText(row.op)) + std::to_string(row.b);
    EXPECT_EQ(numbers(), row.messages) << what;
    EXPECT_EQ(result->type->kind, row.type) << what;
    if (row.messages != std::vector<int>{390}) {
      ASSERT_TRUE(result->isConstant) << what;
      EXPECT_EQ(result->integer, row.result) << what;
    } else {
      EXPECT_FALSE(result->isConstant) << what;
    }
  }
  Expr* quotient = bin(BinaryOp::divide, var("x", basic(K::intType)), integer(0));
  EXPECT_EQ(numbers(), std::vector<int>{390});
  EXPECT_FALSE(quotient->isConstant);
  Expr* negated = builder->unary(ExprKind::negate, integer(-32768), {});
  EXPECT_EQ(numbers(), std::vector<int>{516});
  EXPECT_EQ(negated->integer, -32768);
  Expr* complement = builder->unary(ExprKind::bitNot, integer(0, K::unsignedInt), {});
  EXPECT_EQ(complement->integer, 65535);
  Expr* half =
      bin(BinaryOp::divide, builder->floatingConstant(1, basic(K::floatType), {}), integer(4));
  EXPECT_EQ(half->type->kind, K::floatType);
  EXPECT_EQ(half->floating, 0.25);
  Expr* chosen = builder->conditional(integer(0), integer(1), integer(2, K::longType), {});
  EXPECT_TRUE(chosen->isConstant);
  EXPECT_EQ(chosen->integer, 2);
  EXPECT_EQ(chosen->type->kind, K::longType);
  Expr* narrowed = builder->cast(basic(K::signedChar), integer(300), {});
  EXPECT_EQ(narrowed->integer, 44);
  EXPECT_EQ(
      builder
          ->cast(basic(K::intType), builder->floatingConstant(-2.7, basic(K::doubleType), {}), {})
          ->integer,
      -2);
  EXPECT_TRUE(numbers().empty());
}

TEST_F(ExpressionsTest, ResultTypesAndLvalues) {
  Expr* text = builder->stringLiteral("abc", false, {});
  EXPECT_EQ(text->type->kind, K::array);
  EXPECT_EQ(text->type->count, 4u);
  Expr* size = builder->sizeofExpression(text, {});
  EXPECT_TRUE(size->isConstant);
  EXPECT_EQ(size->integer, 4);
  EXPECT_EQ(size->type->kind, K::unsignedInt);
  EXPECT_EQ(builder->sizeofType(basic(K::longDouble), {})->integer, 10);
  EXPECT_EQ(builder->sizeofType(point, {})->integer, 4);

  Symbol* a = variable("a", array(K::longType, 10));
  Expr* element = builder->subscript(ref(a), integer(3), {});
  EXPECT_TRUE(element->isLvalue);
  EXPECT_EQ(element->type->kind, K::longType);
  EXPECT_EQ(element->left->kind, ExprKind::implicitConversion);
  EXPECT_EQ(element->left->type->kind, K::pointer);
  Expr* swapped = builder->subscript(integer(3), ref(a), {});
  EXPECT_EQ(swapped->type->kind, K::longType);

  Expr* p = var("p", pointer(K::intType));
  Expr* q = var("q", pointer(K::intType));
  EXPECT_EQ(bin(BinaryOp::add, p, integer(1))->type, p->type);
  EXPECT_EQ(bin(BinaryOp::add, integer(1), p)->type, p->type);
  EXPECT_EQ(bin(BinaryOp::subtract, p, q)->type->kind, K::intType);
  Expr* c = var("c", basic(K::signedChar));
  Expr* sum = bin(BinaryOp::add, c, c);
  EXPECT_EQ(sum->type->kind, K::intType);
  EXPECT_EQ(sum->left->kind, ExprKind::implicitConversion);
  EXPECT_FALSE(sum->isLvalue);
  Expr* mixed = bin(BinaryOp::add, var("l", basic(K::longType)), var("u", basic(K::unsignedInt)));
  EXPECT_EQ(mixed->type->kind, K::longType);
  Expr* shift = bin(BinaryOp::shiftLeft, c, var("l", basic(K::longType)));
  EXPECT_EQ(shift->type->kind, K::intType);

  Expr* object = var("s", point);
  Expr* x = builder->member(object, "x", false, {});
  EXPECT_TRUE(x->isLvalue);
  EXPECT_EQ(x->type->kind, K::intType);
  Expr* viaPointer = builder->member(
      var("sp", types.pointerTo(types.qualified(point, qualifier::kConst))), "x", true, {});
  EXPECT_TRUE(viaPointer->isLvalue);
  EXPECT_TRUE(viaPointer->type->isConst());
  Expr* deref = builder->unary(ExprKind::indirection, p, {});
  EXPECT_TRUE(deref->isLvalue);
  Expr* address = builder->unary(ExprKind::addressOf, deref, {});
  EXPECT_EQ(address->type->kind, K::pointer);
  EXPECT_FALSE(address->isLvalue);
  Expr* assigned = set(var("i", basic(K::intType)), var("l", basic(K::longType)));
  EXPECT_EQ(assigned->type->kind, K::intType);
  EXPECT_EQ(assigned->right->kind, ExprKind::implicitConversion);
  Expr* constantStore = set(var("i", basic(K::intType)), integer(70000, K::longType));
  EXPECT_EQ(constantStore->right->type->kind, K::longType);  // a constant keeps its value
  Expr* compound = builder->assign(BinaryOp::add, var("d", basic(K::doubleType)), integer(1), {});
  EXPECT_EQ(compound->right->kind, ExprKind::floatingConstant);
  Expr* nullArm = builder->conditional(var("i", basic(K::intType)), p, integer(0), {});
  EXPECT_EQ(nullArm->type, p->type);

  TypeRef takesLong = function(basic(K::intType), {basic(K::longType)});
  Expr* called = call(var("f", takesLong), {integer(1)});
  EXPECT_EQ(called->type->kind, K::intType);
  ASSERT_EQ(called->arguments().size(), 1u);
  EXPECT_EQ(called->arguments()[0]->type->kind, K::longType);
  TypeRef printfLike = function(basic(K::intType), {pointer(K::signedChar)}, true, true);
  Expr* variadic = call(var("printf", printfLike),
                        {builder->stringLiteral("%f", false, {}), var("fl", basic(K::floatType)),
                         var("ch", basic(K::signedChar))});
  EXPECT_EQ(variadic->arguments()[1]->type->kind, K::doubleType);
  EXPECT_EQ(variadic->arguments()[2]->type->kind, K::intType);
  EXPECT_EQ(builder->integerConstantValue(bin(BinaryOp::multiply, integer(6), integer(7))), 42);
  EXPECT_TRUE(builder->cast(pointer(K::signedChar), integer(0x40), {})->isConstant);
  EXPECT_FALSE(builder->cast(pointer(K::signedChar), var("i", basic(K::intType)), {})->isConstant);
  EXPECT_EQ(builder->caseValue(integer(-1), basic(K::unsignedInt), {}), 65535);
  EXPECT_TRUE(numbers().empty());
}

// Expressions of valid C that must pass without a message at the default level.
TEST_F(ExpressionsTest, CleanExpressionsGiveNoMessages) {
  Expr* p = var("p", pointer(K::intType));
  Expr* v = var("v", types.pointerTo(basic(K::voidType)));
  Expr* cp = var("cp", types.pointerTo(types.qualified(basic(K::signedChar), qualifier::kConst)));
  Expr* i = var("i", basic(K::intType));
  set(v, p);
  set(p, v);
  set(p, integer(0));
  set(cp, builder->stringLiteral("x", false, {}));
  set(var("c", basic(K::signedChar)), integer('a'));
  bin(BinaryOp::equal, p, integer(0));
  bin(BinaryOp::notEqual, p, v);
  bin(BinaryOp::less, p, var("q", pointer(K::intType)));
  builder->conditional(i, p, v, {});
  builder->increment(p, true, false, {});
  builder->assign(BinaryOp::add, p, integer(2), {});
  builder->assign(BinaryOp::shiftLeft, i, var("l", basic(K::longType)), {});
  builder->cast(basic(K::longType), p, {});
  builder->cast(pointer(K::signedChar), i, {});
  builder->checkExpressionStatement(builder->cast(basic(K::voidType), i, {}));
  builder->checkExpressionStatement(call(var("g", function(basic(K::voidType), {})), {}));
  builder->checkExpressionStatement(
      var("port", types.qualified(basic(K::unsignedChar), qualifier::kVolatile)));
  builder->checkCondition(bin(BinaryOp::logicalAnd, p, i));
  builder->switchValue(var("ch", basic(K::signedChar)), {});
  builder->returnValue(integer(0), basic(K::longType), {});
  builder->returnValue(nullptr, basic(K::voidType), {});
  builder->member(builder->unary(ExprKind::addressOf, var("s", point), {}), "x", true, {});
  builder->sizeofType(types.pointerTo(incomplete), {});
  Expr* null = builder->cast(types.pointerTo(basic(K::voidType)), integer(0), {});
  set(var("fp", types.pointerTo(function(basic(K::intType), {}))), null);
  bin(BinaryOp::equal, bin(BinaryOp::equal, i, i), i);
  call(var("f",
           function(basic(K::intType), {types.pointerTo(basic(K::intType), SizeWord::compact)})),
       {p});
  EXPECT_TRUE(numbers().empty()) << console.text();
}

TEST_F(ExpressionsTest, EachCheckGivesItsMessage) {
  TypeRef i = basic(K::intType);
  TypeRef voidFunction = function(basic(K::voidType), {});
  TypeRef twoInts = function(i, {i, i});
  auto pointerToArray = [&](std::uint32_t n) { return types.pointerTo(array(K::intType, n)); };
  struct Row {
    const char* what;
    std::function<void()> build;
    std::vector<int> messages;
    int level = 1;
  };
  const std::vector<Row> rows = {
      {"struct + int", [&] { bin(BinaryOp::add, var("s", point), integer(1)); }, {289}},
      {"struct == struct", [&] { bin(BinaryOp::equal, var("s", point), var("t", point)); }, {284}},
      {"void + 1",
       [&] { bin(BinaryOp::add, call(var("g", voidFunction), {}), integer(1)); },
       {300}},
      {"p * 2", [&] { bin(BinaryOp::multiply, var("p", pointer(K::intType)), integer(2)); }, {270}},
      {"~double",
       [&] { builder->unary(ExprKind::bitNot, var("d", basic(K::doubleType)), {}); },
       {534}},
      {"double % 2",
       [&] { bin(BinaryOp::remainder, var("d", basic(K::doubleType)), integer(2)); },
       {534}},
      {"-pointer",
       [&] { builder->unary(ExprKind::negate, var("p", pointer(K::intType)), {}); },
       {288}},
      {"p + q",
       [&] { bin(BinaryOp::add, var("p", pointer(K::intType)), var("q", pointer(K::intType))); },
       {292}},
      {"p + 1.5",
       [&] { bin(BinaryOp::add, var("p", pointer(K::intType)), var("d", basic(K::doubleType))); },
       {293}},
      {"1 - p", [&] { bin(BinaryOp::subtract, integer(1), var("p", pointer(K::intType))); }, {294}},
      {"int* - long*",
       [&] {
         bin(BinaryOp::subtract, var("p", pointer(K::intType)), var("q", pointer(K::longType)));
       },
       {550}},
      {"int* == int**",
       [&] {
         bin(BinaryOp::equal, var("p", pointer(K::intType)),
             var("q", types.pointerTo(pointer(K::intType))));
       },
       {549}},
      {"int(*)[3] = int(*)[4]",
       [&] { set(var("p", pointerToArray(3)), var("q", pointerToArray(4))); },
       {548}},
      {"near = compact",
       [&] {
         set(var("p", pointer(K::intType)),
             var("q", types.pointerTo(basic(K::intType), SizeWord::compact)));
       },
       {653}},
      {"char* = const char*",
       [&] {
         set(var("p", pointer(K::signedChar)),
             var("q", types.pointerTo(types.qualified(basic(K::signedChar), qualifier::kConst))));
       },
       {545}},
      {"p = 5", [&] { set(var("p", pointer(K::intType)), integer(5)); }, {550}},
      {"int = struct", [&] { set(var("i", i), var("s", point)); }, {291}},
      {"int ? struct",
       [&] { builder->conditional(var("c", i), var("s", point), integer(2), {}); },
       {291}},
      {"int ? void",
       [&] { builder->conditional(var("c", i), call(var("g", voidFunction), {}), integer(2), {}); },
       {555}},
      {"5 = x", [&] { set(integer(5), var("x", i)); }, {295}},
      {"5++", [&] { builder->increment(integer(5), true, false, {}); }, {301}},
      {"array = array",
       [&] { set(var("a", array(K::intType, 2)), var("b", array(K::intType, 2))); },
       {352}},
      {"const = 1",
       [&] { set(var("k", types.qualified(i, qualifier::kConst)), integer(1)); },
       {296}},
      {"&register",
       [&] {
         builder->unary(ExprKind::addressOf, ref(variable("r", i, StorageClass::registerClass)),
                        {});
       },
       {277}},
      {"&bit field",
       [&] {
         builder->unary(ExprKind::addressOf, builder->member(var("s", point), "bits", false, {}),
                        {});
       },
       {277}},
      {"&(x + 1)",
       [&] {
         builder->unary(ExprKind::addressOf, bin(BinaryOp::add, var("x", i), integer(1)), {});
       },
       {240}},
      {"*int", [&] { builder->unary(ExprKind::indirection, var("x", i), {}); }, {272}},
      {"pointer.x",
       [&] { builder->member(var("p", types.pointerTo(point)), "x", false, {}); },
       {274}},
      {"struct->x", [&] { builder->member(var("s", point), "x", true, {}); }, {275}},
      {"s.nope", [&] { builder->member(var("s", point), "nope", false, {}); }, {278}},
      {"int.x", [&] { builder->member(var("i", i), "x", false, {}); }, {250}},
      {"int->x", [&] { builder->member(var("i", i), "x", true, {}); }, {251}},
      {"incomplete->x",
       [&] { builder->member(var("p", types.pointerTo(incomplete)), "x", true, {}); },
       {253}},
      {"3[4]", [&] { builder->subscript(integer(3), integer(4), {}); }, {276}},
      {"a[1.5]",
       [&] {
         builder->subscript(var("a", array(K::intType, 4)), var("d", basic(K::doubleType)), {});
       },
       {286}},
      {"a[i, 1]",
       [&] {
         builder->subscript(var("a", array(K::intType, 4)),
                            builder->comma(var("i", i), integer(1), {}), {});
       },
       {542},
       3},
      {"a[4]",
       [&] { builder->subscript(var("a", array(K::intType, 4)), integer(4), {}); },
       {559},
       3},
      {"(int[2])x", [&] { builder->cast(array(K::intType, 2), var("x", i), {}); }, {282}},
      {"(function)x", [&] { builder->cast(voidFunction, var("x", i), {}); }, {283}},
      {"(int)void", [&] { builder->cast(i, call(var("g", voidFunction), {}), {}); }, {280}},
      {"(struct)x", [&] { builder->cast(point, var("x", i), {}); }, {271}},
      {"(char*)1.5",
       [&] { builder->cast(pointer(K::signedChar), var("d", basic(K::doubleType)), {}); },
       {271}},
      {"sizeof function", [&] { builder->sizeofExpression(var("g", voidFunction), {}); }, {273}},
      {"sizeof bit field",
       [&] { builder->sizeofExpression(builder->member(var("s", point), "bits", false, {}), {}); },
       {273}},
      {"sizeof incomplete", [&] { builder->sizeofType(incomplete, {}); }, {622}},
      {"x()", [&] { call(var("x", i), {}); }, {285}},
      {"undefined", [&] { builder->name(nullptr, "nothing", false, {}); }, {256}},
      {"implicit f()",
       [&] { call(builder->name(nullptr, "later", true, {}), {integer(1)}); },
       {582},
       2},
      {"f(void) with 1", [&] { call(var("g", voidFunction), {integer(1)}); }, {574}},
      {"too few", [&] { call(var("f", twoInts), {integer(1)}); }, {577}},
      {"too many",
       [&] {
         call(var("f", twoInts), {integer(1), integer(2), integer(3)});
       },
       {578}},
      {"pointer argument from int",
       [&] { call(var("f", function(i, {pointer(K::signedChar)})), {integer(5)}); },
       {579}},
      {"struct argument from int",
       [&] { call(var("f", function(i, {point})), {integer(5)}); },
       {281}},
      {"void argument",
       [&] { call(var("f", function(i, {i})), {call(var("g", voidFunction), {})}); },
       {281}},
      {"int* argument from long*",
       [&] {
         call(var("f", function(i, {pointer(K::intType)})), {var("q", pointer(K::longType))});
       },
       {583}},
      {"compact argument for a near parameter",
       [&] {
         call(var("f", function(i, {pointer(K::intType)})),
              {var("q", types.pointerTo(i, SizeWord::compact))});
       },
       {583}},
      {"call of interrupt function",
       [&] {
         call(var("h", function(basic(K::voidType), {}, true, false, CallConvention::interrupt)),
              {});
       },
       {372}},
      {"pointer to other attribute",
       [&] {
         set(var("fp", types.pointerTo(function(i, {}, true, false, CallConvention::adecl))),
             var("f", function(i, {}, true, false, CallConvention::cdecl)));
       },
       {375}},
      {"pointer to other parameters",
       [&] { set(var("fp", types.pointerTo(function(i, {i}))), var("f", twoInts)); },
       {572}},
      {"pointer to other return",
       [&] {
         set(var("fp", types.pointerTo(function(basic(K::longType), {i, i}))), var("f", twoInts));
       },
       {587}},
      {"if (x = 1)", [&] { builder->checkCondition(set(var("x", i), integer(1))); }, {540}, 3},
      {"while (1)", [&] { builder->checkCondition(integer(1)); }, {543}, 3},
      {"!\"abc\"",
       [&] { builder->unary(ExprKind::logicalNot, builder->stringLiteral("abc", false, {}), {}); },
       {551}},
      {"\"abc\" || x",
       [&] { bin(BinaryOp::logicalOr, builder->stringLiteral("abc", false, {}), var("x", i)); },
       {551}},
      {"x + 1;",
       [&] { builder->checkExpressionStatement(bin(BinaryOp::add, var("x", i), integer(1))); },
       {552}},
      {"a < b < c",
       [&] { bin(BinaryOp::less, bin(BinaryOp::less, var("a", i), var("b", i)), var("c", i)); },
       {558}},
      {"return 1 in void",
       [&] { builder->returnValue(integer(1), basic(K::voidType), {}); },
       {561}},
      {"return; in int", [&] { builder->returnValue(nullptr, i, {}); }, {553}},
      {"switch (double)", [&] { builder->switchValue(var("d", basic(K::doubleType)), {}); }, {298}},
      {"case 70000", [&] { builder->caseValue(integer(70000, K::longType), i, {}); }, {541}},
      {"case x", [&] { builder->caseValue(var("x", i), i, {}); }, {210}},
      {"++ on flag",
       [&] {
         Symbol* flag = variable("__CF", i);
         flag->kind = SymbolKind::flagVariable;
         builder->increment(ref(flag), true, true, {});
       },
       {403}},
  };
  for (const Row& row : rows) {
    for (int level : {row.level - 1, 3}) {
      if (level < 0) continue;
      options.warnLevel = static_cast<std::uint8_t>(level);
      restart();
      row.build();
      bool warning = row.messages[0] >= 500 && row.messages[0] < 700;
      std::vector<int> expected = warning && level < row.level ? std::vector<int>{} : row.messages;
      EXPECT_EQ(numbers(), expected) << row.what << " at -w" << level;
    }
  }
  EXPECT_NE(console.text().find("ZC1-Warning-553: No return value in ''"), std::string::npos);
}

// An operand an earlier error left without a type gives no further message, and no crash.
TEST_F(ExpressionsTest, OperandsInErrorAreQuiet) {
  options.warnLevel = 3;
  auto broken = [&] { return nodes.expr(); };  // type nullptr
  Expr* i = var("i", basic(K::intType));
  std::vector<Expr*> built = {
      call(broken(), {i}),
      builder->member(broken(), "x", false, {}),
      builder->member(broken(), "x", true, {}),
      builder->subscript(broken(), i, {}),
      builder->subscript(var("a", array(K::intType, 2)), broken(), {}),
      builder->increment(broken(), true, true, {}),
      builder->sizeofExpression(broken(), {}),
      builder->sizeofType(nullptr, {}),
      builder->cast(basic(K::longType), broken(), {}),
      builder->cast(nullptr, i, {}),
      bin(BinaryOp::add, broken(), i),
      bin(BinaryOp::less, i, broken()),
      set(broken(), i),
      set(i, broken()),
      builder->assign(BinaryOp::multiply, i, broken(), {}),
      builder->conditional(broken(), i, i, {}),
      builder->conditional(i, broken(), i, {}),
      builder->comma(i, broken(), {}),
      builder->convertForAssignment(broken(), basic(K::intType), {}),
      builder->switchValue(broken(), {}),
      builder->returnValue(broken(), basic(K::intType), {}),
      call(var("f", function(basic(K::intType), {nullptr})), {i}),
      builder->unary(ExprKind::indirection, var("p", types.pointerTo(nullptr)), {}),
  };
  for (ExprKind kind : {ExprKind::addressOf, ExprKind::indirection, ExprKind::negate,
                        ExprKind::bitNot, ExprKind::logicalNot})
    built.push_back(builder->unary(kind, broken(), {}));
  builder->checkCondition(broken());
  builder->checkExpressionStatement(broken());
  EXPECT_EQ(builder->caseValue(broken(), basic(K::intType), {}), 0);
  EXPECT_EQ(builder->integerConstantValue(broken()), std::nullopt);
  for (Expr* expression : built) EXPECT_NE(expression, nullptr);
  EXPECT_TRUE(numbers().empty()) << console.text();
}

// Programs of ordinary C through the parser: no message at the default level.
TEST(ExpressionChecksInPrograms, OrdinaryCodeIsQuiet) {
  const char* source = R"(
typedef unsigned int size_t;
typedef struct node { struct node *next; int value; char name[8]; unsigned flag : 1; int bits : 3; } Node;
enum color { RED, GREEN = 5, BLUE };
extern int printf(const char *format, ...);
extern void *malloc(size_t n);
extern int strcmp(const char *a, const char *b);
extern char *strcpy(char *d, const char *s);
static const char *names[] = { "red", "green", "blue" };
static int table[10] = { 1, 2, 3 };
static char text[] = "hello";
static long big = 100000L;
static unsigned long mask = 0xFFFFFFFFUL;
static double ratio = 1.5;
static float f = 2.5f;
static int (*handler)(const char *, ...) = printf;

static int sum(const int *values, int count) {
  int total = 0;
  int i;
  for (i = 0; i < count; i++) total += values[i];
  return total;
}

static Node *push(Node *head, int value) {
  Node *n = (Node *)malloc(sizeof *n);
  if (n == 0) return head;
  n->next = head;
  n->value = value;
  n->flag = 1;
  n->bits = -1;
  strcpy(n->name, "x");
  return n;
}

int count(Node *p) {
  int n = 0;
  while (p) { ++n; p = p->next; }
  return n;
}

int compare(const void *a, const void *b) {
  const int *x = (const int *)a;
  const int *y = (const int *)b;
  return *x < *y ? -1 : *x > *y;
}

unsigned char checksum(const unsigned char *data, size_t length) {
  unsigned char c = 0;
  while (length--) c ^= *data++;
  return (unsigned char)(c & 0xFF);
}

int main(int argc, char **argv) {
  Node *list = 0;
  enum color col = GREEN;
  char buffer[sizeof(int) * 4];
  char *cursor = buffer;
  long l = big * 2;
  unsigned u = 40000u;
  int i;
  double d = ratio * 2 + f;
  void (*callback)(void) = 0;
  for (i = 0; i < (int)(sizeof table / sizeof table[0]); i++) list = push(list, table[i]);
  if (argc > 1 && strcmp(argv[1], "-v") == 0) printf("%d %s\n", count(list), names[col - GREEN]);
  switch (col) {
    case RED: break;
    case GREEN: l += u; break;
    default: break;
  }
  *cursor++ = 'a';
  *cursor = '\0';
  i = cursor - buffer;
  l = l << 2 | 1;
  u = u >> 1;
  d = d / 3;
  i = !list ? 0 : list->value;
  mask &= ~1UL;
  text[0] = text[1];
  handler("%ld %u %f %c\n", l, u, d, text[0]);
  if (callback) callback();
  (void)sum(table, 10);
  i = sum(&table[2], 3) + compare(&i, &i);
  i = checksum((const unsigned char *)buffer, sizeof buffer);
  return i > 0 ? 0 : 1;
}
)";
  const char* second = R"(
#define NULL ((void *)0)
#define EOF (-1)
typedef int (*compare_fn)(const void *, const void *);
typedef union { long l; unsigned char bytes[4]; float f; } Word;
struct pair { int first; int second; };
struct outer { struct pair p; struct pair list[3]; const char *label; };
extern int getchar();
extern int atoi();
extern void qsort(void *base, unsigned n, unsigned size, compare_fn cmp);
static int grid[3][4];
static const char *const words[] = { "a", "bb", NULL };

int old_style(a, b, s)
  int a; char *b; struct pair s;
{
  return a + *b + s.first;
}

static struct pair make(int a, int b) { struct pair p; p.first = a; p.second = b; return p; }

static int by_first(const void *x, const void *y) {
  return ((const struct pair *)x)->first - ((const struct pair *)y)->first;
}

static void fill(int (*g)[4], int rows) {
  int r, c;
  for (r = 0; r < rows; r++)
    for (c = 0; c < 4; c++) g[r][c] = r * c;
}

long digits(const char *s) {
  long value = 0;
  while (*s >= '0' && *s <= '9') value = value * 10 + (*s++ - '0');
  return value;
}

int main(int argc, char *argv[]) {
  struct outer o;
  struct pair pairs[4];
  Word w;
  int c, i = 0, j;
  char line[80];
  char *p = line;
  void *any = line;
  const char *label = argc > 1 ? argv[1] : "none";
  unsigned char byte = 0x80;
  unsigned short us = 65535;
  long total = 0L;
  double mean;
  float scale = 0.5f;
  compare_fn cmp = by_first;
  o.p = make(1, 2);
  o.list[0] = o.p;
  o.label = words[0];
  pairs[0] = make(3, 4);
  (&pairs[1])->first = 5;
  (*(pairs + 2)).second = 6;
  qsort(pairs, sizeof pairs / sizeof *pairs, sizeof(struct pair), cmp);
  fill(grid, 3);
  while ((c = getchar()) != EOF && i < (int)sizeof line - 1) line[i++] = (char)c;
  line[i] = 0;
  p = (char *)any;
  do { total += *p; } while (*p++);
  w.l = 0x12345678L;
  byte = (unsigned char)(byte >> 1 | w.bytes[0]);
  byte |= 1;
  byte = ~byte & 0x7F;
  us--;
  total = total + us + byte;
  mean = total / (double)(i ? i : 1) * scale;
  j = i > 0 && line[0] == '-' ? -atoi(line + 1) : atoi(line);
  switch (line[0]) {
    case 'a': case 'b': j++; break;
    case '\n': goto done;
    default: j = j % 10;
  }
done:
  for (i = 0, j = 0; words[i] != NULL; i++) j += words[i][0];
  if (!label || !*label) return 1;
  if (o.p.first == pairs[0].first && grid[2][3] == 6) j = 0;
  j = old_style(1, line, o.p) + (int)mean + (argc > 2 ? argv[2][0] : 0);
  any = &o;
  any = NULL;
  if (any == NULL && p != NULL) j = j << 1;
  return j == 0 ? 0 : digits(label) > 0L;
}
)";
  RunOptions strict;
  strict.warnLevel = 3;
  // At -w3 the second one hears of its old-style function, its calls without a prototype
  // and an int stored in an unsigned char.
  const std::vector<int> strictNumbers[] = {{}, {585, 582, 546, 582, 582, 582}};
  int n = 0;
  for (const char* program : {source, second}) {
    ParseResult result = parse(program);
    EXPECT_TRUE(result.numbers.empty()) << result.messages;
    result = parse(program, strict);
    EXPECT_EQ(result.numbers, strictNumbers[n++]) << result.messages;
  }
  ParseResult result;
  // The same route reports what the checks find.
  result = parse(
      "long g; int f(int x) { char c; x + 1; c = g; if (x = 2) return x * 1.5; return; }", strict);
  EXPECT_EQ(result.numbers, (std::vector<int>{552, 546, 540, 514, 553})) << result.messages;
}

}  // namespace
}  // namespace kz::cfront::testing
