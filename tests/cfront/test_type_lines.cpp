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

  // A fresh writer, after the options have been changed.
  void restart() {
    lines = std::make_unique<TypeLines>(options, diagnostics);
    out.clear();
  }
  TypeRef basic(K kind) const { return types.basic(kind); }
  TypeRef near(TypeRef target) { return types.pointerTo(target, SizeWord::near); }

  Record* record(K kind, std::string_view tag, std::vector<Field> fields) {
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
      member.bitWidth = static_cast<std::uint8_t>(field.width < 0 ? 0 : field.width);
      record.members.push_back(member);
    }
    types.layOut(record, 2, diagnostics);
  }
  Record* enumeration(std::string_view tag, std::vector<Enumerator> values) {
    Record* made = types.newRecord(K::enumType, tag);
    complete(*made, std::move(values));
    return made;
  }
  void complete(Record& enumeration, std::vector<Enumerator> values) {
    long long low = values.empty() ? 0 : values.front().value;
    long long high = low;
    for (const Enumerator& value : values) {
      low = std::min(low, value.value);
      high = std::max(high, value.value);
    }
    enumeration.enumerators = std::move(values);
    types.settleEnum(enumeration, low, high);
  }
  TypeRef function(TypeRef returns, CallConvention convention = CallConvention::none,
                   bool callv = false, int bank = -1) {
    FunctionInfo info;
    info.returnType = returns;
    info.convention = convention;
    info.callv = callv;
    info.bank = bank;
    return types.functionReturning(std::move(info));
  }

  // The index of each type in turn, and the lines written for all of them.
  std::string indices(std::initializer_list<TypeRef> list) {
    std::string text;
    for (TypeRef type : list) text += std::to_string(lines->indexOf(type, out)) + " ";
    return text;
  }
};

TEST_F(TypeLinesTest, PredefinedIndicesWriteNoLine) {
  std::vector<TypeRef> kinds;
  for (K kind = K::voidType; kind <= K::longDouble; kind = static_cast<K>(int(kind) + 1))
    kinds.push_back(basic(kind));
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    std::uint32_t n = static_cast<std::uint32_t>(i) + 1;
    EXPECT_EQ(lines->indexOf(kinds[i], out), n);
    EXPECT_EQ(lines->indexOf(near(kinds[i]), out), 32 + n);
    EXPECT_EQ(lines->indexOf(types.pointerTo(kinds[i], SizeWord::tiny), out), 32 + n);
    EXPECT_EQ(lines->indexOf(types.pointerTo(kinds[i], SizeWord::far), out), 16 + n);
    EXPECT_EQ(lines->indexOf(types.pointerTo(kinds[i], SizeWord::compact), out), 16 + n);
  }
  EXPECT_EQ(lines->indexOf(types.plainChar(), out), 2u);
  options.unsignedChar = true;
  EXPECT_EQ(lines->indexOf(types.plainChar(), out), 3u);
  EXPECT_EQ(lines->indexOf(nullptr, out), 6u);
  EXPECT_EQ(out.text(), "");
}

TEST_F(TypeLinesTest, DerivedTypesAreMadeOncePerBaseAndKind) {
  TypeRef intPointer = near(basic(K::intType));
  TypeRef pointerPointer = near(intPointer);
  TypeRef array3 = types.arrayOf(basic(K::intType), 3, true);
  EXPECT_EQ(
      indices({pointerPointer, near(intPointer), types.pointerTo(intPointer, SizeWord::compact),
               array3, types.arrayOf(basic(K::intType), 3, true),
               types.arrayOf(basic(K::intType), 4, true),
               types.arrayOf(basic(K::intType), 0, false)}),
      "64 64 65 66 66 67 68 ");
  EXPECT_EQ(out.text(),
            "\t64,o,38,1\n"
            "\t65,p,38,1\n"
            "\t66,a,6,1,3\n"
            "\t67,a,6,1,4\n"
            "\t68,a,6,1,0\n");
}

TEST_F(TypeLinesTest, QualifiedTypesBringTheirNearPointer) {
  TypeRef constInt = types.qualified(basic(K::intType), qualifier::kConst);
  std::uint8_t both = qualifier::kConst | qualifier::kVolatile;
  EXPECT_EQ(indices({constInt, near(constInt), types.qualified(basic(K::intType), both),
                     types.qualified(basic(K::longType), qualifier::kVolatile),
                     types.pointerTo(basic(K::intType), SizeWord::near, qualifier::kConst),
                     types.qualified(near(basic(K::intType)), qualifier::kConst),
                     types.pointerTo(constInt, SizeWord::compact)}),
            "64 65 66 68 70 70 72 ");
  EXPECT_EQ(out.text(),
            "\t64,c,6\n\t65,o,64,1\n"
            "\t66,i,6,3\n\t67,o,66,1\n"
            "\t68,v,8\n\t69,o,68,1\n"
            "\t70,c,38\n\t71,o,70,1\n"
            "\t72,p,64,1\n");
}

TEST_F(TypeLinesTest, StructsUnionsAndArraysOfThem) {
  Record* point =
      record(K::structType, "point", {{"x", basic(K::intType)}, {"y", basic(K::longType)}});
  std::string longTag(40, 't');
  std::string longMember(33, 'm');
  Record* untagged =
      record(K::unionType, "", {{"c", basic(K::signedChar)}, {"d", basic(K::doubleType)}});
  Record* named =
      record(K::structType, longTag, {{longMember, types.arrayOf(basic(K::signedChar), 5, true)}});
  TypeRef points = types.arrayOf(types.recordType(point), 2, true);
  EXPECT_EQ(
      indices({points, types.recordType(point), types.recordType(untagged), types.recordType(named),
               types.qualified(types.recordType(point), qualifier::kConst)}),
      "65 64 66 68 69 ");
  EXPECT_EQ(out.text(),
            "\t64,s,\"point\",6,2\n\t,\"x\",6,0\n\t,\"y\",8,2\n"
            "\t65,a,64,1,2\n"
            "\t66,u,\"\",8,2\n\t,\"c\",2,0\n\t,\"d\",11,0\n"
            "\t67,a,2,1,5\n"
            "\t68,s,\"" +
                longTag.substr(0, 31) + "\",5,1\n\t,\"" + longMember.substr(0, 31) +
                "\",67,0\n"
                "\t69,c,64\n\t70,o,69,1\n");
}

TEST_F(TypeLinesTest, BitFieldPositions) {
  struct Row {
    K container;
    std::uint32_t offset;
    std::uint8_t first;
    std::uint8_t width;
    std::uint32_t byDefault;
    std::uint32_t lowBitFirst;  // -gb
  };
  const Row rows[] = {
      {K::unsignedChar, 2, 0, 3, 21, 16},  // the one-byte container
      {K::unsignedChar, 0, 5, 3, 0, 5},
      {K::intType, 0, 0, 3, 13, 0},  // low byte of a two-byte container
      {K::intType, 0, 5, 4, 7, 5},   // crosses into the high byte
      {K::intType, 4, 12, 4, 32, 36},
      {K::intType, 0, 0, 16, 0, 0},
      {K::longType, 0, 0, 1, 31, 0},
      {K::longType, 0, 8, 8, 16, 0},  // -gb keeps the bit within its byte only
      {K::longType, 0, 20, 3, 9, 20 % 8},
      {K::longType, 2, 24, 8, 16, 16},
  };
  for (const Row& row : rows) {
    Member member;
    member.type = basic(row.container);
    member.offset = row.offset;
    member.bitOffset = row.first;
    member.bitWidth = row.width;
    member.isBitField = true;
    options.debugFlags = 7;  // plain -g leaves the default numbering
    EXPECT_EQ(memberPosition(member, options), row.byDefault) << int(row.first);
    options.debugFlags = 0x20;
    EXPECT_EQ(memberPosition(member, options), row.lowBitFirst) << int(row.first);
    member.isBitField = false;
    EXPECT_EQ(memberPosition(member, options), row.offset);
  }
}

TEST_F(TypeLinesTest, BitFieldMembersGetTheirOwnTypes) {
  TypeRef uint = basic(K::unsignedInt);
  Record* flags = record(K::structType, "flags",
                         {{"a", uint, 3},
                          {"", uint, 2},
                          {"b", uint, 5},
                          {"", uint, 0},
                          {"c", basic(K::intType), 3},
                          {"d", basic(K::signedChar)}});
  EXPECT_EQ(indices({types.recordType(flags)}), "67 ");
  // a: s 0 w 3 -> 13; b: s 5 w 5 -> (-10) mod 8 = 6, bit 9 in the high byte; c opens a unit.
  EXPECT_EQ(out.text(),
            "\t64,b,7,0,3\n\t65,b,7,5,5\n\t66,b,6,0,3\n"
            "\t67,s,\"flags\",6,4\n"
            "\t,\"a\",64,13\n\t,\"b\",65,6\n\t,\"c\",66,29\n\t,\"d\",2,4\n");
  out.clear();
  options.debugFlags = 0x20;
  restart();
  lines->indexOf(types.recordType(flags), out);
  EXPECT_NE(out.text().find("\t,\"a\",64,0\n\t,\"b\",65,5\n\t,\"c\",66,16\n"), std::string::npos)
      << out.text();
}

TEST_F(TypeLinesTest, Enumerations) {
  struct Row {
    std::vector<Enumerator> values;
    std::string plain;
    std::string bySize;  // -Xec
  };
  const Row rows[] = {
      {{{"red", 0}, {"green", 1}, {"blue", 2}},
       "\t64,n,\"e\",3\n\t,\"red\",0\n\t,\"green\",1\n\t,\"blue\",2\n",
       "\t64,n,\"e\",3,2\n\t,\"red\",0\n\t,\"green\",1\n\t,\"blue\",2\n"},
      {{{"low", -5}, {"high", 100}},
       "\t64,n,\"e\",2\n\t,\"low\",-5\n\t,\"high\",100\n",
       "\t64,n,\"e\",2,2\n\t,\"low\",-5\n\t,\"high\",100\n"},
      {{{"big", 200}}, "\t64,n,\"e\",1\n\t,\"big\",200\n", "\t64,n,\"e\",1,3\n\t,\"big\",200\n"},
      {{{"neg", -1}, {"wide", 1000}},
       "\t64,n,\"e\",2\n\t,\"neg\",-1\n\t,\"wide\",1000\n",
       "\t64,n,\"e\",2,6\n\t,\"neg\",-1\n\t,\"wide\",1000\n"},
      {{{"top", 40000}},
       "\t64,n,\"e\",1\n\t,\"top\",40000\n",
       "\t64,n,\"e\",1,7\n\t,\"top\",40000\n"},
  };
  for (bool bySize : {false, true}) {
    options.enumBySize = bySize;
    for (const Row& row : rows) {
      restart();
      EXPECT_EQ(lines->indexOf(types.recordType(enumeration("e", row.values)), out), 64u);
      EXPECT_EQ(out.text(), bySize ? row.bySize : row.plain);
    }
  }
}

TEST_F(TypeLinesTest, TagsNeededBeforeTheirBodyKeepTheirIndex) {
  for (bool bySize : {false, true}) {
    options.enumBySize = bySize;
    restart();
    Record* later = types.newRecord(K::enumType, "later");
    Record* shape = types.newRecord(K::structType, "shape");
    EXPECT_EQ(
        indices({types.recordType(later), near(types.recordType(shape)), types.recordType(later)}),
        "64 66 64 ");
    complete(*later, {{"one", 1000}});
    fill(*shape, {{"kind", types.recordType(later)}});
    EXPECT_EQ(
        indices({types.recordType(later), types.recordType(shape), near(types.recordType(shape))}),
        "64 65 66 ");
    std::string tag = bySize ? "\t64,n,\"later\",0,2\n" : "\t64,n,\"later\",0\n";
    std::string full = bySize ? "\t64,n,\"later\",1,6\n" : "\t64,n,\"later\",1\n";
    EXPECT_EQ(out.text(), tag + "\t65,s,\"shape\",0,0\n\t66,o,65,1\n" + full +
                              "\t,\"one\",1000\n"
                              "\t65,s,\"shape\",2,1\n\t,\"kind\",64,0\n");
  }
}

TEST_F(TypeLinesTest, RecursiveStructsTerminate) {
  // struct node { struct node *next; int value; };
  Record* node = types.newRecord(K::structType, "node");
  fill(*node, {{"next", near(types.recordType(node))}, {"value", basic(K::intType)}});
  // struct a { struct b *b; }; struct b { struct a *a; long n; };
  Record* a = types.newRecord(K::structType, "a");
  Record* b = types.newRecord(K::structType, "b");
  fill(*a, {{"b", near(types.recordType(b))}});
  fill(*b, {{"a", near(types.recordType(a))}, {"n", basic(K::longType)}});
  EXPECT_EQ(indices({types.recordType(node), near(types.recordType(node)), types.recordType(a),
                     types.recordType(b)}),
            "64 65 66 68 ");
  EXPECT_EQ(out.text(),
            "\t64,s,\"node\",0,0\n\t65,o,64,1\n"
            "\t64,s,\"node\",4,2\n\t,\"next\",65,0\n\t,\"value\",6,2\n"
            "\t66,s,\"a\",0,0\n\t67,o,66,1\n"
            "\t68,s,\"b\",6,2\n\t,\"a\",67,0\n\t,\"n\",8,2\n"
            "\t69,o,68,1\n"
            "\t66,s,\"a\",2,1\n\t,\"b\",69,0\n");
}

TEST_F(TypeLinesTest, FunctionAttributeTexts) {
  using C = CallConvention;
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
      {C::adecl, true, -1, 'c', "Va"},        {C::none, true, -1, 'a', "Va"},
      {C::none, true, -1, 'c', "Vc"},         {C::interrupt, true, -1, 'c', "i"},
      {C::regbank, true, 7, 'c', "7"},
  };
  for (const Row& row : rows) {
    options.defaultCallConv = row.runDefault;
    restart();
    TypeRef type = function(basic(K::intType), row.convention, row.callv, row.bank);
    EXPECT_EQ(attributeText(type->function, options), row.text);
    EXPECT_EQ(lines->indexOf(type, out), 64u);
    EXPECT_EQ(out.text(), std::string("\t64,x,\"\",") + row.text + ",6,-1\n");
  }
  options.defaultCallConv = 'c';
  EXPECT_EQ(attributeText(nullptr, options), "c");
}

TEST_F(TypeLinesTest, FunctionTypesAreSharedByAttributeAndReturnType) {
  Record* pair = record(K::structType, "pair", {{"x", basic(K::intType)}});
  TypeRef pairPointer = near(types.recordType(pair));
  EXPECT_EQ(
      indices({function(basic(K::intType)), function(basic(K::intType), CallConvention::cdecl),
               function(basic(K::voidType), CallConvention::adecl), function(pairPointer),
               near(function(basic(K::intType)))}),
      "64 64 65 68 69 ");
  EXPECT_EQ(out.text(),
            "\t64,x,\"\",c,6,-1\n\t65,x,\"\",a,1,-1\n"
            "\t66,s,\"pair\",2,1\n\t,\"x\",6,0\n\t67,o,66,1\n\t68,x,\"\",c,67,-1\n"
            "\t69,o,64,1\n");
}

TEST_F(TypeLinesTest, DefinedFunctionLine) {
  struct Row {
    std::vector<TypeRef> parameters;
    bool prototype;
    bool variadic;
    int field;
  };
  TypeRef word = basic(K::intType);
  const Row rows[] = {
      {{}, false, false, -1},   {{word, word}, false, false, -1},
      {{}, true, false, 0},     {{word, word}, true, false, 2},
      {{word}, true, true, -3}, {{word, word, word}, true, true, -5},
  };
  for (const Row& row : rows) {
    FunctionInfo info;
    info.hasPrototype = row.prototype;
    info.variadic = row.variadic;
    for (TypeRef parameter : row.parameters) info.parameters.push_back({"p", parameter});
    EXPECT_EQ(parameterField(&info), row.field);
  }
  EXPECT_EQ(parameterField(nullptr), -1);

  // long f(int **pp, ...) __regbank(2), its name longer than 31 characters.
  FunctionInfo info;
  info.returnType = basic(K::longType);
  info.hasPrototype = true;
  info.variadic = true;
  info.convention = CallConvention::regbank;
  info.bank = 2;
  info.parameters.push_back({"pp", near(near(word))});
  std::string name(35, 'f');
  lines->enterFunctionBody();
  EXPECT_EQ(lines->writeDefinedFunction(types.functionReturning(info), name, out), 10001u);
  EXPECT_EQ(lines->writeDefinedFunction(function(basic(K::voidType)), "main", out), 10002u);
  EXPECT_EQ(out.text(), "\t10000,o,38,1\n\t10001,x,\"" + name.substr(0, 31) +
                            "\",2,8,-3\n"
                            "\t10002,x,\"main\",c,1,-1\n");
}

TEST_F(TypeLinesTest, TypedefNames) {
  Record* pair = record(K::structType, "pair", {{"x", basic(K::intType)}});
  std::string longName(40, 'n');
  EXPECT_EQ(lines->declareTypedef("byte", basic(K::unsignedChar), out), 64u);
  EXPECT_EQ(lines->declareTypedef("byte", basic(K::unsignedChar), out), 65u);
  EXPECT_EQ(lines->declareTypedef(longName, types.recordType(pair), out), 67u);
  EXPECT_EQ(lines->declareTypedef("", near(types.recordType(pair)), out), 69u);
  EXPECT_EQ(out.text(),
            "\t64,t,\"byte\",3\n\t65,t,\"byte\",3\n"
            "\t66,s,\"pair\",2,1\n\t,\"x\",6,0\n\t67,t,\"" +
                longName.substr(0, 31) +
                "\",66\n"
                "\t68,o,66,1\n\t69,t,\"\",68\n");
}

TEST_F(TypeLinesTest, FunctionBodiesNumberTheirOwnTypesAndForgetThem) {
  TypeRef fileType = near(near(basic(K::intType)));
  Record* local = record(K::structType, "local", {{"x", basic(K::intType)}});
  TypeRef localArray = types.arrayOf(basic(K::longType), 2, true);
  EXPECT_EQ(indices({fileType}), "64 ");
  for (int body = 0; body < 2; ++body) {
    lines->enterFunctionBody();
    EXPECT_TRUE(lines->inFunctionBody());
    EXPECT_EQ(
        indices({fileType, types.recordType(local), localArray, near(types.recordType(local))}),
        "64 10000 10001 10002 ");
    lines->leaveFunctionBody();
  }
  EXPECT_FALSE(lines->inFunctionBody());
  EXPECT_EQ(indices({localArray, types.recordType(local)}), "65 66 ");
  std::string body = "\t10000,s,\"local\",2,1\n\t,\"x\",6,0\n\t10001,a,8,1,2\n\t10002,o,10000,1\n";
  EXPECT_EQ(out.text(),
            "\t64,o,38,1\n" + body + body + "\t65,a,8,1,2\n\t66,s,\"local\",2,1\n\t,\"x\",6,0\n");
}

TEST_F(TypeLinesTest, FileScopeTagCompletedInsideABodyKeepsFileIndices) {
  Record* later = types.newRecord(K::structType, "later");
  EXPECT_EQ(indices({near(types.recordType(later))}), "65 ");
  fill(*later, {{"v", types.arrayOf(basic(K::intType), 2, true)}});
  lines->enterFunctionBody();
  EXPECT_EQ(indices({types.recordType(later), types.arrayOf(basic(K::intType), 2, true)}),
            "64 66 ");
  lines->leaveFunctionBody();
  EXPECT_EQ(indices({types.arrayOf(basic(K::intType), 2, true)}), "66 ");
  EXPECT_EQ(out.text(),
            "\t64,s,\"later\",0,0\n\t65,o,64,1\n"
            "\t66,a,6,1,2\n\t64,s,\"later\",4,1\n\t,\"v\",66,0\n");
}

TEST_F(TypeLinesTest, BuiltinFileBodiesDeclareEverythingTheyUse) {
  options.builtinMake = 1;
  restart();
  TypeRef pointerPointer = near(near(basic(K::intType)));
  EXPECT_EQ(indices({pointerPointer}), "10000 ");
  lines->enterFunctionBody();
  EXPECT_EQ(indices({pointerPointer, pointerPointer}), "10000 10000 ");
  lines->leaveFunctionBody();
  EXPECT_EQ(indices({types.arrayOf(basic(K::intType), 1, true)}), "10001 ");
  EXPECT_EQ(out.text(), "\t10000,o,38,1\n\t10000,o,38,1\n\t10001,a,6,1,1\n");
}

TEST_F(TypeLinesTest, RunningOutOfIndicesIsFatal) {
  TypeRef word = basic(K::intType);
  std::uint32_t last = 0;
  for (std::uint32_t count = 1; count <= 9935; ++count)
    last = lines->indexOf(types.arrayOf(word, count, true), out);
  EXPECT_EQ(last, 9998u);
  EXPECT_EQ(lines->indexOf(types.arrayOf(word, 1, true), out), 64u);  // known ones still fine
  try {
    lines->indexOf(types.arrayOf(word, 9936, true), out);
    ADD_FAILURE() << "index 9999 was handed out";
  } catch (const RunAborted& aborted) {
    EXPECT_EQ(aborted.number(), 136);
  }
  EXPECT_NE(console.text().find("Compiler limit, too many internal variables in 'TYPE-INDEX'"),
            std::string::npos)
      << console.text();
  EXPECT_EQ(out.text().find("\t9999,"), std::string::npos);

  // Inside a body the indices are 16-bit: 10000 to 65535.
  lines->enterFunctionBody();
  for (std::uint32_t count = 1; count <= 65535 - 10000 + 1; ++count)
    last = lines->indexOf(types.arrayOf(basic(K::longType), count, true), out);
  EXPECT_EQ(last, 65535u);
  EXPECT_THROW(lines->indexOf(types.arrayOf(basic(K::longType), 0, true), out), RunAborted);
}

}  // namespace
}  // namespace kz::cfront::testing
