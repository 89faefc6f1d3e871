#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cfront/diagnostics.h"
#include "cfront/fatal.h"
#include "cfront/type_lines.h"
#include "harness.h"

namespace kz::cfront::testing {
namespace {

using K = TypeKind;
using C = CallConvention;

class TypeLinesTest : public ::testing::Test {
 protected:
  struct Field {
    std::string_view name;
    TypeRef type;
    int width = -1;  // -1: not a bit field
  };

  RunOptions options;
  CapturedStream console;
  Diagnostics diagnostics{options, console.stream()};
  TypeTable types{options};
  StringSink out;
  std::unique_ptr<TypeLines> lines = std::make_unique<TypeLines>(options, diagnostics);

  void restart() {  // after the options have changed
    lines = std::make_unique<TypeLines>(options, diagnostics);
    out.clear();
  }
  TypeRef basic(K kind) const { return types.basic(kind); }
  TypeRef near(TypeRef target) { return types.pointerTo(target, SizeWord::near); }
  TypeRef of(Record* record) { return types.recordType(record); }

  Record* record(K kind, std::string_view tag, const std::vector<Field>& fields) {
    Record* made = types.newRecord(kind, tag);
    fill(*made, fields);
    return made;
  }
  void fill(Record& record, const std::vector<Field>& fields) {
    for (const Field& field : fields) {
      Member member;
      member.name = field.name;
      member.type = field.type;
      member.isBitField = field.width >= 0;
      member.bitWidth = static_cast<std::uint8_t>(std::max(field.width, 0));
      record.members.push_back(member);
    }
    types.layOut(record, 2, diagnostics);
  }
  void complete(Record& enumeration, std::vector<Enumerator> values) {
    long long low = values.front().value;
    long long high = low;
    for (const Enumerator& value : values) {
      low = std::min(low, value.value);
      high = std::max(high, value.value);
    }
    enumeration.enumerators = std::move(values);
    types.settleEnum(enumeration, low, high);
  }
  TypeRef function(TypeRef returns, C convention = C::none, bool callv = false, int bank = -1) {
    FunctionInfo info;
    info.returnType = returns;
    info.convention = convention;
    info.callv = callv;
    info.bank = bank;
    return types.functionReturning(std::move(info));
  }
  // The index of each type in turn; their lines collect in `out`.
  std::string indices(std::initializer_list<TypeRef> list) {
    std::string text;
    for (TypeRef type : list) text += std::to_string(lines->indexOf(type, out)) + " ";
    return text;
  }
};

TEST_F(TypeLinesTest, PredefinedIndicesWriteNoLine) {
  for (std::uint32_t n = 1; n <= 12; ++n) {
    TypeRef type = basic(static_cast<K>(n - 1));
    EXPECT_EQ(lines->indexOf(type, out), n);
    EXPECT_EQ(lines->indexOf(near(type), out), 32 + n);
    EXPECT_EQ(lines->indexOf(types.pointerTo(type, SizeWord::tiny), out), 32 + n);
    EXPECT_EQ(lines->indexOf(types.pointerTo(type, SizeWord::far), out), 16 + n);
    EXPECT_EQ(lines->indexOf(types.pointerTo(type, SizeWord::compact), out), 16 + n);
  }
  EXPECT_EQ(lines->indexOf(types.plainChar(), out), 2u);
  options.unsignedChar = true;
  EXPECT_EQ(lines->indexOf(types.plainChar(), out), 3u);
  EXPECT_EQ(out.text(), "");
}

TEST_F(TypeLinesTest, DerivedAndQualifiedTypesAreMadeOnce) {
  TypeRef word = basic(K::intType);
  TypeRef constInt = types.qualified(word, qualifier::kConst);
  std::uint8_t both = qualifier::kConst | qualifier::kVolatile;
  // Arrays are new Type objects each time, as two declarations make them.
  EXPECT_EQ(
      indices({near(near(word)), near(near(word)), types.pointerTo(near(word), SizeWord::compact),
               types.arrayOf(word, 3, true), types.arrayOf(word, 3, true),
               types.arrayOf(word, 0, false), constInt, near(constInt), types.qualified(word, both),
               types.qualified(basic(K::longType), qualifier::kVolatile),
               types.pointerTo(word, SizeWord::near, qualifier::kConst),
               types.qualified(near(word), qualifier::kConst),
               types.pointerTo(constInt, SizeWord::compact)}),
      "64 64 65 66 66 67 68 69 70 72 74 74 76 ");
  EXPECT_EQ(out.text(),
            "\t64,o,38,1\n\t65,p,38,1\n\t66,a,6,1,3\n\t67,a,6,1,0\n"
            "\t68,c,6\n\t69,o,68,1\n\t70,i,6,3\n\t71,o,70,1\n\t72,v,8\n\t73,o,72,1\n"
            "\t74,c,38\n\t75,o,74,1\n\t76,p,68,1\n");
}

TEST_F(TypeLinesTest, RecordsArraysOfThemAndTypedefs) {
  Record* point =
      record(K::structType, "point", {{"x", basic(K::intType)}, {"y", basic(K::longType)}});
  Record* untagged =
      record(K::unionType, "", {{"c", basic(K::signedChar)}, {"d", basic(K::doubleType)}});
  std::string longName(40, 'n');
  Record* named =
      record(K::structType, longName, {{longName, types.arrayOf(basic(K::signedChar), 5, true)}});
  EXPECT_EQ(indices({types.arrayOf(of(point), 2, true), of(point), of(untagged), of(named),
                     types.qualified(of(point), qualifier::kConst)}),
            "65 64 66 68 69 ");
  EXPECT_EQ(lines->declareTypedef("byte", basic(K::unsignedChar), out), 71u);
  EXPECT_EQ(lines->declareTypedef(longName, near(of(point)), out), 73u);
  EXPECT_EQ(lines->declareTypedef("", of(point), out), 74u);
  std::string cut = "\"" + longName.substr(0, 31) + "\"";
  EXPECT_EQ(out.text(),
            "\t64,s,\"point\",6,2\n\t,\"x\",6,0\n\t,\"y\",8,2\n\t65,a,64,1,2\n"
            "\t66,u,\"\",8,2\n\t,\"c\",2,0\n\t,\"d\",11,0\n"
            "\t67,a,2,1,5\n\t68,s," +
                cut + ",5,1\n\t," + cut +
                ",67,0\n"
                "\t69,c,64\n\t70,o,69,1\n"
                "\t71,t,\"byte\",3\n\t72,o,64,1\n\t73,t," +
                cut + ",72\n\t74,t,\"\",64\n");
}

TEST_F(TypeLinesTest, BitFieldPositionsAndTypes) {
  struct Row {
    K container;
    std::uint32_t offset;
    std::uint8_t first, width;
    std::uint32_t byDefault, lowBitFirst;  // -gb
  };
  const Row rows[] = {
      {K::unsignedChar, 2, 0, 3, 21, 16}, {K::intType, 0, 0, 3, 13, 0},
      {K::intType, 0, 5, 4, 7, 5},        {K::intType, 4, 12, 4, 32, 36},
      {K::longType, 0, 0, 1, 31, 0},      {K::longType, 0, 8, 8, 16, 0},
      {K::longType, 0, 20, 3, 9, 4},      {K::longType, 2, 24, 8, 16, 16},
  };
  for (const Row& row : rows) {
    Member member;
    member.type = basic(row.container);
    member.offset = row.offset;
    member.bitOffset = row.first;
    member.bitWidth = row.width;
    member.isBitField = true;
    options.debugFlags = 7;  // plain -g keeps the default numbering
    EXPECT_EQ(memberPosition(member, options), row.byDefault) << int(row.first);
    options.debugFlags = 0x20;
    EXPECT_EQ(memberPosition(member, options), row.lowBitFirst) << int(row.first);
  }
  TypeRef uint = basic(K::unsignedInt);
  Record* flags = record(K::structType, "flags",
                         {{"a", uint, 3},
                          {"", uint, 2},
                          {"b", uint, 5},
                          {"", uint, 0},
                          {"c", basic(K::intType), 3},
                          {"d", basic(K::signedChar)}});
  for (int debug : {0, 0x20}) {
    options.debugFlags = static_cast<std::uint8_t>(debug);
    restart();
    EXPECT_EQ(lines->indexOf(of(flags), out), 67u);
    std::string positions =
        debug ? "0\n\t,\"b\",65,5\n\t,\"c\",66,16\n" : "13\n\t,\"b\",65,6\n\t,\"c\",66,29\n";
    EXPECT_EQ(out.text(),
              "\t64,b,7,0,3\n\t65,b,7,5,5\n\t66,b,6,0,3\n\t67,s,\"flags\",6,4\n\t,\"a\",64," +
                  positions + "\t,\"d\",2,4\n");
  }
}

TEST_F(TypeLinesTest, EnumerationsWithAndWithoutSizing) {
  struct Row {
    std::vector<Enumerator> values;
    const char* lines;
    std::uint32_t base;  // written with -Xec
  };
  const Row rows[] = {
      {{{"red", 0}, {"green", 1}, {"blue", 2}},
       ",3\n\t,\"red\",0\n\t,\"green\",1\n\t,\"blue\",2\n",
       2},
      {{{"big", 200}}, ",1\n\t,\"big\",200\n", 3},
      {{{"neg", -1}, {"wide", 1000}}, ",2\n\t,\"neg\",-1\n\t,\"wide\",1000\n", 6},
      {{{"top", 40000}}, ",1\n\t,\"top\",40000\n", 7},
  };
  for (bool bySize : {false, true}) {
    options.enumBySize = bySize;
    for (const Row& row : rows) {
      restart();
      Record* made = types.newRecord(K::enumType, "e");
      complete(*made, row.values);
      EXPECT_EQ(lines->indexOf(of(made), out), 64u);
      std::string text = std::string("\t64,n,\"e\"") + row.lines;
      if (bySize) text.insert(text.find('\n'), "," + std::to_string(row.base));
      EXPECT_EQ(out.text(), text);
    }
  }
}

TEST_F(TypeLinesTest, TagsNeededBeforeTheirBodyAndRecursiveRecords) {
  for (bool bySize : {false, true}) {
    options.enumBySize = bySize;
    restart();
    Record* later = types.newRecord(K::enumType, "later");
    Record* shape = types.newRecord(K::structType, "shape");
    EXPECT_EQ(indices({of(later), near(of(shape)), of(later)}), "64 66 64 ");
    complete(*later, {{"one", 1000}});
    fill(*shape, {{"kind", of(later)}});
    EXPECT_EQ(indices({of(later), of(shape), near(of(shape))}), "64 65 66 ");
    EXPECT_EQ(out.text(), std::string(bySize ? "\t64,n,\"later\",0,2\n" : "\t64,n,\"later\",0\n") +
                              "\t65,s,\"shape\",0,0\n\t66,o,65,1\n" +
                              (bySize ? "\t64,n,\"later\",1,6\n" : "\t64,n,\"later\",1\n") +
                              "\t,\"one\",1000\n\t65,s,\"shape\",2,1\n\t,\"kind\",64,0\n");
  }
  restart();
  // struct node { struct node *next; int value; };
  Record* node = types.newRecord(K::structType, "node");
  fill(*node, {{"next", near(of(node))}, {"value", basic(K::intType)}});
  // struct a { struct b *b; }; struct b { struct a *a; long n; };
  Record* a = types.newRecord(K::structType, "a");
  Record* b = types.newRecord(K::structType, "b");
  fill(*a, {{"b", near(of(b))}});
  fill(*b, {{"a", near(of(a))}, {"n", basic(K::longType)}});
  EXPECT_EQ(indices({of(node), near(of(node)), of(a), of(b)}), "64 65 66 68 ");
  EXPECT_EQ(
      out.text(),
      "\t64,s,\"node\",0,0\n\t65,o,64,1\n\t64,s,\"node\",4,2\n\t,\"next\",65,0\n\t,\"value\",6,2\n"
      "\t66,s,\"a\",0,0\n\t67,o,66,1\n\t68,s,\"b\",6,2\n\t,\"a\",67,0\n\t,\"n\",8,2\n"
      "\t69,o,68,1\n\t66,s,\"a\",2,1\n\t,\"b\",69,0\n");
}

TEST_F(TypeLinesTest, FunctionTypes) {
  struct Row {
    C convention;
    bool callv;
    int bank;
    char runDefault;
    const char* text;
  };
  const Row rows[] = {
      {C::none, false, -1, 'c', "c"},         {C::none, false, -1, 'a', "a"},
      {C::cdecl, false, -1, 'a', "c"},        {C::adecl, false, -1, 'c', "a"},
      {C::interrupt, false, -1, 'c', "i"},    {C::interruptN, false, -1, 'c', "Ni"},
      {C::regbank, false, 3, 'c', "3"},       {C::regbank, false, -1, 'c', "-1"},
      {C::regbankN, false, 254, 'c', "N254"}, {C::cdecl, true, -1, 'a', "Vc"},
      {C::none, true, -1, 'a', "Va"},         {C::interrupt, true, -1, 'c', "i"},
      {C::regbank, true, 7, 'c', "7"},
  };
  for (const Row& row : rows) {
    options.defaultCallConv = row.runDefault;
    restart();
    EXPECT_EQ(lines->indexOf(function(basic(K::intType), row.convention, row.callv, row.bank), out),
              64u);
    EXPECT_EQ(out.text(), std::string("\t64,x,\"\",") + row.text + ",6,-1\n");
  }
  options.defaultCallConv = 'c';
  restart();
  Record* pair = record(K::structType, "pair", {{"x", basic(K::intType)}});
  EXPECT_EQ(indices({function(basic(K::intType)), function(basic(K::intType), C::cdecl),
                     function(near(of(pair))), near(function(basic(K::intType)))}),
            "64 64 67 68 ");
  // long f(int **pp, ...) __regbank(2), its name cut to 31 characters; void main().
  FunctionInfo info;
  info.returnType = basic(K::longType);
  info.hasPrototype = info.variadic = true;
  info.convention = C::regbank;
  info.bank = 2;
  info.parameters.push_back({"pp", near(near(basic(K::intType)))});
  std::string name(35, 'f');
  lines->enterFunctionBody();
  EXPECT_EQ(lines->writeDefinedFunction(types.functionReturning(info), name, out), 10001u);
  EXPECT_EQ(lines->writeDefinedFunction(function(basic(K::voidType)), "main", out), 10002u);
  EXPECT_EQ(out.text(),
            "\t64,x,\"\",c,6,-1\n\t65,s,\"pair\",2,1\n\t,\"x\",6,0\n\t66,o,65,1\n"
            "\t67,x,\"\",c,66,-1\n\t68,o,64,1\n\t10000,o,38,1\n\t10001,x,\"" +
                name.substr(0, 31) + "\",2,8,-3\n\t10002,x,\"main\",c,1,-1\n");
  // The last field: parameters of a prototype, -1 without one, -2 - fixed when variadic.
  info.variadic = false;
  EXPECT_EQ(parameterField(&info), 1);
  info.parameters.clear();
  EXPECT_EQ(parameterField(&info), 0);
  info.hasPrototype = false;
  EXPECT_EQ(parameterField(&info), -1);
}

TEST_F(TypeLinesTest, FunctionBodiesNumberTheirOwnTypesAndForgetThem) {
  TypeRef fileType = near(near(basic(K::intType)));
  Record* local = record(K::structType, "local", {{"x", basic(K::intType)}});
  Record* later = types.newRecord(K::structType, "later");
  TypeRef pair = types.arrayOf(basic(K::longType), 2, true);
  EXPECT_EQ(indices({fileType, near(of(later))}), "64 66 ");
  fill(*later, {{"v", pair}});
  std::string body = "\t10000,s,\"local\",2,1\n\t,\"x\",6,0\n\t10001,o,10000,1\n";
  for (int pass = 0; pass < 2; ++pass) {
    lines->enterFunctionBody();
    EXPECT_EQ(indices({fileType, of(local), near(of(local))}), "64 10000 10001 ");
    lines->leaveFunctionBody();
  }
  // A file-scope tag completed in a body: its member types are file-scope ones.
  lines->enterFunctionBody();
  EXPECT_EQ(indices({of(later), pair}), "65 67 ");
  lines->leaveFunctionBody();
  EXPECT_EQ(indices({pair, of(local)}), "67 68 ");
  EXPECT_EQ(out.text(), "\t64,o,38,1\n\t65,s,\"later\",0,0\n\t66,o,65,1\n" + body + body +
                            "\t67,a,8,1,2\n\t65,s,\"later\",8,1\n\t,\"v\",67,0\n"
                            "\t68,s,\"local\",2,1\n\t,\"x\",6,0\n");

  // A builtin-function file: everything from 10000, and a body sees none of the file's types.
  options.builtinMake = 1;
  restart();
  EXPECT_EQ(indices({fileType}), "10000 ");
  lines->enterFunctionBody();
  EXPECT_EQ(indices({fileType, fileType}), "10000 10000 ");
  lines->leaveFunctionBody();
  EXPECT_EQ(indices({pair}), "10001 ");
  EXPECT_EQ(out.text(), "\t10000,o,38,1\n\t10000,o,38,1\n\t10001,a,8,1,2\n");
}

// An index lasts when asking for the type again anywhere later gives it again and writes
// nothing: not while a struct it holds has no body yet, not for a function type (its
// attribute may follow a later default convention), not for a type of a function body.
TEST_F(TypeLinesTest, WhichIndicesLast) {
  auto lasting = [&](TypeRef type) {
    bool lasts = false;
    lines->indexOf(type, out, &lasts);
    return lasts;
  };
  Record* later = types.newRecord(K::structType, "later");
  TypeRef toLater = near(of(later));
  TypeRef fileType = near(near(basic(K::intType)));
  EXPECT_TRUE(lasting(basic(K::intType)));
  EXPECT_TRUE(lasting(fileType));
  EXPECT_FALSE(lasting(toLater));
  EXPECT_FALSE(lasting(near(toLater)));
  EXPECT_FALSE(lasting(function(basic(K::intType))));
  EXPECT_FALSE(lasting(near(function(basic(K::intType)))));
  fill(*later, {{"v", basic(K::longType)}});
  lines->enterFunctionBody();
  // The struct's body is written now, where its pointer is asked for again.
  EXPECT_EQ(indices({toLater}), "66 ");
  EXPECT_TRUE(lasting(toLater));
  EXPECT_TRUE(lasting(fileType));
  Record* local = record(K::structType, "local", {{"x", near(of(later))}});
  EXPECT_FALSE(lasting(of(local)));
  EXPECT_FALSE(lasting(types.arrayOf(of(later), 2, true)));
  lines->leaveFunctionBody();
  EXPECT_EQ(out.text(),
            "\t64,o,38,1\n\t65,s,\"later\",0,0\n\t66,o,65,1\n\t67,o,66,1\n"
            "\t68,x,\"\",c,6,-1\n\t69,o,68,1\n"
            "\t65,s,\"later\",4,1\n\t,\"v\",8,0\n"
            "\t10000,s,\"local\",2,1\n\t,\"x\",66,0\n\t10001,a,65,1,2\n");
  options.builtinMake = 1;
  restart();
  EXPECT_FALSE(lasting(fileType));
}

// The parts a type is made of are asked for again when the type is made anew in each body;
// a struct whose body was missing at first is written when it is known, in the body that asks.
TEST_F(TypeLinesTest, PartsAskedForAgainInEachBody) {
  Record* shape = types.newRecord(K::structType, "shape");
  TypeRef toShape = near(of(shape));
  Record* point = record(K::structType, "point", {{"x", basic(K::intType)}});
  EXPECT_EQ(indices({toShape, of(point)}), "65 66 ");
  fill(*shape, {{"at", of(point)}});
  std::string text = "\t64,s,\"shape\",0,0\n\t65,o,64,1\n\t66,s,\"point\",2,1\n\t,\"x\",6,0\n";
  for (int pass = 0; pass < 2; ++pass) {
    lines->enterFunctionBody();
    EXPECT_EQ(indices({near(toShape), types.qualified(of(point), qualifier::kConst)}),
              "10000 10001 ");
    lines->leaveFunctionBody();
    if (pass == 0) text += "\t64,s,\"shape\",2,1\n\t,\"at\",66,0\n";
    text += "\t10000,o,65,1\n\t10001,c,66\n\t10002,o,10001,1\n";
  }
  EXPECT_EQ(out.text(), text);
}

TEST_F(TypeLinesTest, RunningOutOfIndicesIsFatal) {
  std::uint32_t last = 0;
  for (std::uint32_t count = 1; count <= 9935; ++count)
    last = lines->indexOf(types.arrayOf(basic(K::intType), count, true), out);
  EXPECT_EQ(last, 9998u);
  EXPECT_EQ(lines->indexOf(types.arrayOf(basic(K::intType), 1, true), out), 64u);
  try {
    lines->indexOf(types.arrayOf(basic(K::intType), 9936, true), out);
    ADD_FAILURE() << "index 9999 was handed out";
  } catch (const RunAborted& aborted) {
    EXPECT_EQ(aborted.number(), 136);
  }
  EXPECT_NE(console.text().find("Compiler limit, too many internal variables in 'TYPE-INDEX'"),
            std::string::npos);
  EXPECT_EQ(out.text().find("\t9999,"), std::string::npos);
  // Inside a body the indices are 16-bit: 10000 to 65535.
  lines->enterFunctionBody();
  for (std::uint32_t count = 1; count <= 65536 - 10000; ++count)
    last = lines->indexOf(types.arrayOf(basic(K::longType), count, true), out);
  EXPECT_EQ(last, 65535u);
  EXPECT_THROW(lines->indexOf(types.arrayOf(basic(K::longType), 0, true), out), RunAborted);
}

}  // namespace
}  // namespace kz::cfront::testing
