// The parser's messages: declarations, declarators, limits and recovery after syntax errors.
#include <gtest/gtest.h>

#include "cfront/c_tokens.h"
#include "cfront/parser.h"
#include "cfront/types.h"
#include "parse_harness.h"
#include "tests/fuzz/fuzz_c_parser_input.h"

namespace kz::cfront::testing {
namespace {

struct Case {
  const char* name;
  const char* source;
  std::vector<int> numbers;
  int warnLevel = 1;
  bool ansi = false;
};

const Case kCases[] = {
    // Declarations that must pass without a message.
    {"typedef_redeclared_inner", "typedef int T; void f(void) { int T; T = 1; }", {}},
    {"typedef_as_member_name", "typedef int T; struct s { T T; } v;", {}},
    {"function_pointer_table",
     "int a(int); int b(int); int (*const table[2])(int) = { a, b };"
     "int call(int i) { return (*table[i])(i) + table[i](i); }",
     {}},
    {"old_style_definition", "int add(a, b) int a; long b; { return a + (int)b; }", {}},
    {"incomplete_array_completed", "extern int v[]; int v[3] = {1, 2, 3};", {}},
    {"brace_elision", "struct p { int x, y; } pts[2] = { 1, 2, 3, 4 }; char s[4] = \"abc\";", {}},
    {"forward_struct_reference",
     "struct b; struct a { struct b *link; }; struct b { struct a *back; int v; };",
     {}},
    {"labels_and_goto", "int f(int n) { again: if (n--) goto again; return n; }", {}},
    {"cast_of_typedef",
     "typedef unsigned char byte; int f(int x) { return (byte)x + sizeof(byte); }",
     {}},
    {"near_keyword_under_ansi", "int __near;", {}, 1, true},

    // Type words and storage classes.
    {"signed_unsigned", "signed unsigned int x;", {225}},
    {"duplicate_storage", "static static int x;", {226}},
    {"illegal_combination", "long char c;", {235}},
    {"storage_after_type", "int static x;", {563}},
    {"duplicate_qualifier", "const const int x = 1;", {530}},
    {"reserved_keyword", "int __pascal f(void);", {408, 216}},

    // Memory sizes and function attributes.
    {"tiny_pointer", "char __tiny *p;", {400}},
    {"far_pointer", "char __far *p;", {650}},
    {"duplicate_memory", "char __near __near *p;", {404}},
    {"tiny_object_too_large", "char __tiny big[257];", {362}},
    {"memory_on_automatic", "void f(void) { int __near x; x = 1; }", {536}},
    {"memory_on_parameter", "int g(int __near x) { return x; }", {536}},
    {"default_convention_matches_cdecl", "void f(void); void __cdecl f(void) { }", {}},
    {"interrupt_callv", "void __interrupt __callv f(void);", {620}},
    {"two_attributes", "void __adecl __cdecl f(void);", {371}},
    {"io_in_block", "void f(void) { __io int port; }", {407}},
    {"io_initialised", "__io int port = 3;", {406}},

    // Declarators.
    {"array_of_functions", "int f[3](void);", {221}},
    {"function_returning_array", "int f(void)[3];", {231}},
    {"function_returning_function", "int f(void)(void);", {232}},
    {"negative_size", "int a[-1];", {239}},
    {"thirteen_derivations", "int *************p;", {363}},
    {"twelve_derivations", "int ************p;", {}},
    {"too_many_parameters",
     "void f(int,int,int,int,int,int,int,int,int,int,int,int,int,int,int,int,"
     "int,int,int,int,int,int,int,int,int,int,int,int,int,int,int,int);",
     {364}},

    // Structures and bit fields.
    {"duplicate_member", "struct s { int a; int a; };", {264}},
    {"tag_redefined", "struct s { int a; }; struct s { int b; };", {263}},
    {"tag_kind_mismatch", "struct s { int a; }; union s *p;", {263}},
    {"bit_field_char", "struct s { char c : 3; };", {350}},
    {"bit_field_float", "struct s { float f : 3; };", {229}},
    {"bit_field_too_wide", "struct s { int a : 17; };", {340}},
    {"named_zero_width", "struct s { int a : 0; };", {246}},
    {"function_member", "struct s { int f(void); };", {228}},
    {"incomplete_member", "struct t; struct s { struct t inner; };", {254}},
    {"untagged_declares_nothing", "struct { int a; };", {532}, 2},
    {"no_identifier_level1", "struct { int a; }; int;", {}},
    {"no_identifier_level2", "int;", {531}, 2},

    // Redeclarations and initialisers.
    {"incompatible_redeclaration", "int x; long x;", {262}},
    {"block_redeclaration", "void f(void) { int a; int a; }", {262}},
    {"parameter_redeclared_in_body", "void f(int a) { int a; }", {262}},
    {"array_size_mismatch", "extern int a[3]; int a[4];", {557}},
    {"two_definitions", "int f(void) { return 0; } int f(void) { return 1; }", {262}},
    {"too_many_initializers", "int a[2] = { 1, 2, 3 };", {245}},
    {"static_non_constant", "int g; int *p = &g; int h = g;", {241}},
    {"extern_initialised_in_block", "void f(void) { extern int x = 1; }", {223}},
    {"const_uninitialised_level3", "const int c;", {544}, 3},
    {"const_uninitialised_level1", "const int c;", {}, 1},

    // Statements.
    {"break_outside", "void f(void) { break; }", {211}},
    {"continue_in_switch", "void f(int x) { switch (x) { case 1: continue; } }", {212}},
    {"duplicate_case", "void f(int x) { switch (x) { case 1: case 1: ; } }", {260}},
    {"duplicate_default", "void f(int x) { switch (x) { default: default: ; } }", {261}},
    {"undefined_label", "void f(void) { goto nowhere; }", {256}},
    {"unused_label", "void f(void) { here: ; }", {537}},
    {"case_outside_switch", "void f(void) { case 1: ; default: ; }", {215, 215}},

    // Recovery: one mistake, one message, and the parse goes on.
    {"missing_semicolon_then_more",
     "int f(void) { int a = 1 return a; }\nint g(void) { return h; }",
     {216, 256}},
    {"garbage_at_file_scope", "int x = ;\nint y = 2; int z = q;", {216, 256}},
    {"error_in_struct",
     "struct s { int a b; };\nstruct t { int c; } v; int w = sizeof v.c;",
     {216}},
    {"illegal_character", "int a @= 1;\nint b = $;", {201, 201, 216}},
    {"unbalanced_paren", "int f(void) { return (1 + 2; }\nint g; int k = undefined1;", {216, 256}},
};

class ParserMessages : public ::testing::TestWithParam<Case> {};

TEST_P(ParserMessages, GivesExactlyTheseNumbers) {
  const Case& c = GetParam();
  RunOptions options;
  options.warnLevel = static_cast<std::uint8_t>(c.warnLevel);
  options.ansiMode = c.ansi ? 1 : 0;
  ParseResult result = parse(c.source, options);
  EXPECT_EQ(result.numbers, c.numbers) << result.messages;
}

INSTANTIATE_TEST_SUITE_P(Cases, ParserMessages, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Each expression is folded and compared with the value C gives it (found with another
// compiler); a wrong grouping makes an array of negative size, which is reported.
TEST(ParserExpressions, BinaryOperatorsGroupByPrecedenceAndFromTheLeft) {
  struct Grouping {
    const char* expression;
    int value;
  };
  const Grouping groupings[] = {
      {"1 + 2 * 3 - 4", 3},
      {"20 - 6 - 3 - 1", 10},
      {"100 / 10 / 5", 2},
      {"2 * 3 % 4 + 7 % 4 * 2", 8},
      {"1 << 2 + 1", 8},
      {"64 >> 1 >> 2 << 1", 16},
      {"3 < 5 == 1", 1},
      {"1 == 2 < 3", 1},
      {"5 > 3 > 0", 1},
      {"6 & 3 == 3", 0},
      {"6 & 3 ^ 1 | 8", 11},
      {"1 | 2 ^ 3 & 4", 3},
      {"0 && 1 || 1", 1},
      {"1 || 0 && 0", 1},
      {"1 + 2 < 4 && 8 >> 1 == 4 | 0", 1},
      {"2 * 3 + 4 * 5 - 6 / 2 << 1 >= 45 == 1 & 1 ^ 1 | 0 && 1 || 0", 0},
      {"10 - 2 * 3 - (1 - 2 - 3) * 2", 12},
      {"1 - -1 * - 2 + ~0 * !0", -2},
      {"7 % 3 * 3 / 2 - 1", 0},
      {"9 ^ 5 ^ 3 & 6 | 1 | 16", 31},
  };
  std::string source;
  int at = 0;
  for (const Grouping& grouping : groupings)
    source += "char t" + std::to_string(at++) + "[(" + grouping.expression +
              ") == " + std::to_string(grouping.value) + " ? 1 : -1];\n";
  ParseResult result = parse(source);
  EXPECT_TRUE(result.numbers.empty()) << result.messages;

  // The check itself: a grouping that gives another value is reported.
  EXPECT_EQ(parse("char t[(1 + 2 * 3) == 9 ? 1 : -1];").numbers, std::vector<int>{239});
}

// Nesting that would exhaust the stack of a recursive parser ends with a message instead.
TEST(ParserLimits, DeepNestingEndsWithFatalMessages) {
  struct Deep {
    std::string source;
    int number;
  };
  const std::string many(20000, '(');
  const std::string close(20000, ')');
  const Deep cases[] = {
      {"int x = " + many + "1" + close + ";", 138},
      {"int " + many + "x" + close + ";", 138},
      {"int a[1] = " + std::string(20000, '{') + "1" + std::string(20000, '}') + ";", 138},
      {"int y = " + std::string(100000, '-') + "1;", 138},
      {"void f(void) " + std::string(17, '{') + std::string(17, '}'), 131},
  };
  for (const Deep& deep : cases) {
    ParseResult result = parse(deep.source);
    EXPECT_TRUE(result.aborted);
    ASSERT_FALSE(result.numbers.empty());
    EXPECT_EQ(result.numbers.back(), deep.number) << deep.source.substr(0, 40);
  }
  std::string structs;
  for (int i = 0; i < 16; ++i) structs += "struct s" + std::to_string(i) + " {";
  structs += "int x;";
  for (int i = 0; i < 16; ++i) structs += "} m" + std::to_string(i) + ";";
  EXPECT_EQ(parse(structs).numbers, std::vector<int>{134});
  EXPECT_TRUE(parse("void f(void) " + std::string(16, '{') + std::string(16, '}')).numbers.empty());
}

}  // namespace
}  // namespace kz::cfront::testing

namespace kz::cfront::testing {
namespace {

// Every punctuator spelling maps back to its own kind.
TEST(CTokens, PunctuatorsRoundTrip) {
  for (int k = static_cast<int>(Tok::lbracket); k <= static_cast<int>(Tok::hashHash); ++k) {
    Tok kind = static_cast<Tok>(k);
    std::string_view spelling = spellingOf(kind);
    ASSERT_FALSE(spelling.empty()) << k;
    EXPECT_EQ(punctuatorKind(spelling), kind) << spelling;
  }
  EXPECT_EQ(punctuatorKind("@"), Tok::other);
  EXPECT_EQ(punctuatorKind("=>"), Tok::other);
}

// Lists collected on one stack by nested steps: each sees only its own items, and a step left
// by an exception takes its items with it.
TEST(StackTop, NestedListsStayApartThroughExceptions) {
  std::vector<Expr*> stack;
  Expr nodes[4];
  StackTop<Expr> outer(stack);
  stack.push_back(&nodes[0]);
  {
    StackTop<Expr> inner(stack);
    stack.push_back(&nodes[1]);
    stack.push_back(&nodes[2]);
    ASSERT_EQ(inner.items().size(), 2u);
    EXPECT_EQ(inner.items()[0], &nodes[1]);
  }
  try {
    StackTop<Expr> failing(stack);
    stack.push_back(&nodes[2]);
    throw 1;
  } catch (int) {
  }
  stack.push_back(&nodes[3]);
  ASSERT_EQ(outer.items().size(), 2u);
  EXPECT_EQ(outer.items()[0], &nodes[0]);
  EXPECT_EQ(outer.items()[1], &nodes[3]);
}

// Looking one and two tokens ahead, in every order the parser mixes them, never loses a token
// or hands one out twice.
TEST(CTokens, LookingAheadKeepsTheOrder) {
  RunOptions options;
  Diagnostics diagnostics(options, stderr);
  Preprocessor preprocessor(options, diagnostics, 0);
  preprocessor.definePredefined();
  preprocessor.openPrimary(std::string("t.c"), "a b\nc d e f ; g\n");
  TokenReader tokens(preprocessor, diagnostics, options);
  EXPECT_EQ(tokens.peek().text, "a");
  EXPECT_EQ(tokens.peekSecond().text, "b");
  EXPECT_EQ(tokens.take().text, "a");
  EXPECT_EQ(tokens.peek().text, "b");
  EXPECT_EQ(tokens.peekSecond().text, "c");
  tokens.skip();
  EXPECT_EQ(tokens.peekSecond().text, "d");
  EXPECT_TRUE(tokens.accept(Tok::identifier));  // c
  EXPECT_EQ(tokens.take().text, "d");
  EXPECT_EQ(tokens.peekSecond().text, "f");
  EXPECT_FALSE(tokens.accept(Tok::semicolon));
  EXPECT_EQ(tokens.take().text, "e");
  EXPECT_EQ(tokens.take().text, "f");
  EXPECT_TRUE(tokens.accept(Tok::semicolon));
  CToken last = tokens.take();
  EXPECT_EQ(last.text, "g");
  EXPECT_EQ(last.spot.line, 2u);
  EXPECT_EQ(last.spot.column, 11u);
  EXPECT_EQ(tokens.peekSecond().kind, Tok::end);
  EXPECT_EQ(tokens.take().kind, Tok::end);
}

}  // namespace
}  // namespace kz::cfront::testing

namespace kz::cfront::testing {
namespace {

// The parser fuzz harness's regression corpus, read as the harness reads it: each input ends
// in messages, never a crash or a hang.
TEST(ParserLimits, FuzzRegressionCorpusEnds) {
  int inputs = forEachCorpusInput("c_parser_corpus", [](const std::string& path,
                                                        const std::string& data) {
    ParseResult result = parse(
        data.substr(1), fuzzing::parserOptionsFromByte(static_cast<std::uint8_t>(data[0])), true);
    EXPECT_TRUE(!result.aborted || result.messages.find("-Fatal-") != std::string::npos) << path;
  });
  EXPECT_GT(inputs, 10);
}

}  // namespace
}  // namespace kz::cfront::testing

namespace kz::cfront::testing {
namespace {

// The pointer a type keeps for reuse belongs to that type alone, not to copies made from it.
TEST(TypeTablePointers, QualifiedCopiesDoNotShareThePointer) {
  RunOptions options;
  TypeTable types(options);
  TypeRef plainInt = types.basic(TypeKind::intType);
  TypeRef toInt = types.pointerTo(plainInt);
  TypeRef constInt = types.qualified(plainInt, qualifier::kConst);
  TypeRef toConstInt = types.pointerTo(constInt);
  EXPECT_NE(toInt, toConstInt);
  EXPECT_EQ(toConstInt->target, constInt);
  EXPECT_EQ(types.pointerTo(plainInt), toInt);
  EXPECT_EQ(types.pointerTo(constInt), toConstInt);
}

}  // namespace
}  // namespace kz::cfront::testing

namespace kz::cfront::testing {
namespace {

// A struct and its qualified forms are made once: asking again gives the same type.
TEST(TypeTablePointers, RecordTypesAreMadeOnce) {
  RunOptions options;
  TypeTable types(options);
  Record* record = types.newRecord(TypeKind::structType, "s");
  TypeRef plain = types.recordType(record);
  EXPECT_EQ(types.recordType(record), plain);
  TypeRef constant = types.recordType(record, qualifier::kConst);
  EXPECT_EQ(types.qualified(plain, qualifier::kConst), constant);
  EXPECT_EQ(types.unqualified(constant), plain);
  EXPECT_TRUE(constant->isConst());
}

}  // namespace
}  // namespace kz::cfront::testing
