#include <gtest/gtest.h>

#include "tests/clike/test_support.h"

namespace kz::clike {
namespace {

using testing::PreprocessorHarness;

TEST(Macros, ObjectLikeAndFunctionLike) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define N 0x10\n#define NONE\n#define ADD(a,b) a+b\nN NONE ADD(1, N) ADD\n"),
            "#16 #1 + #16 ADD");
  EXPECT_EQ(h.messages(), "");
  const MacroEntry* add = h.preprocessor->macros().entries().back().name == "ADD"
                              ? &h.preprocessor->macros().entries().back()
                              : nullptr;
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->text, "@@0000+@@0001");
  EXPECT_EQ(add->kind, MacroKind::functionLike);
}

TEST(Macros, ArgumentsSplitOnlyAtOuterCommas) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define P(a, b) [a] [b]\n"
                     "P((1,2), \",)\")\n"
                     "P(',', x /* , */ y)\n"
                     "P( , )\n"),
            "[ ( #1 , #2 ) ] [ \",)\" ] [ '44 ] [ x y ] [ ] [ ]");
  EXPECT_EQ(h.messages(), "");
}

TEST(Macros, ParameterNamesInsideStringsAndNumbersStay) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define S(x, L) \"x\" 'x' x 12L L\nS(1, 2)\n"), "\"x\" '120 #1 #12 #2");
  EXPECT_EQ(h.messages(), "E212");
}

TEST(Macros, WrongArgumentCountAndMissingParenthesis) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define P(a,b) a b\n#define ZZ() z\nP(1) P(1,2,3) ZZ() ZZ(1)\nP(1,\n2)\n"),
            "#1 #1 #2 z z #2 )");
  EXPECT_EQ(h.messages(), "E402 E402 E402 E400");
}

TEST(Macros, RescanExpandsNestedCalls) {
  PreprocessorHarness h;
  EXPECT_EQ(
      h.tokens("#define ID(x) x\n#define TWICE(x) ID(x) ID(x)\n#define G ID\nTWICE(ID(3)) G(4)\n"),
      "#3 #3 #4");
}

TEST(Macros, RecursionStopsAtTheExpansionLimit) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define AA BB\n#define BB AA\nAA;\n#define FF(x) FF(x)\nFF(1);\n"),
            "AA ; FF ( #1 ) ;");
  EXPECT_EQ(h.messages(), "E400 E400");
  // Expansions that end before the next one starts do not count against the limit.
  PreprocessorHarness sequence;
  std::string line;
  for (int i = 0; i < 100; ++i) line += "X ";
  EXPECT_EQ(sequence.tokens("#define X Y\n#define Y 1\n" + line + "\n").size(), 100u * 3 - 1);
  EXPECT_EQ(sequence.messages(), "");
}

TEST(Macros, DefinitionErrors) {
  PreprocessorHarness h;
  EXPECT_EQ(
      h.tokens(
          "#define N 1\n#define N 2\n#define SELF SELF\n#define 9x\n#define P(a\n#define Q(a,a) a\n"
          "N SELF P Q\n"),
      "#1 SELF P Q");
  EXPECT_EQ(h.messages(), "E403 E400 E400 E400 E400");
}

TEST(Macros, UndefAndRedefine) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define N 1\n#undef N\nN\n#define N 2\nN\n#undef 1\n"), "N #2");
  EXPECT_EQ(h.messages(), "E400");
}

// Names seen before are found again by their bytes; a definition or undefinition made
// after that must still change what they stand for.
TEST(Macros, NamesSeenBeforeFollowLaterDefinitions) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("N abcdefgh abcdefghi N\n"
                     "#define N 1\nN abcdefgh\n"
                     "#undef N\nN\n"
                     "#define mac(a) a\nmac mac(2) mac mac(3)\n"
                     "#undef mac\nmac(4)\n"),
            "N abcdefgh abcdefghi N #1 abcdefgh N mac #2 mac #3 mac ( #4 )");
  EXPECT_EQ(h.messages(), "");
  // One symbol per name however it was found.
  EXPECT_EQ(h.symbols.size(), 4u);
  PreprocessorHarness references;
  std::string seen;
  references.setup.reference = [&](const SymbolEntry& symbol, std::uint32_t line, std::uint8_t) {
    seen += std::string(symbol.name) + "@" + std::to_string(line) + " ";
  };
  EXPECT_EQ(references.tokens("ab ab\n#define ab 1\nab\n#undef ab\nab cd\n"), "ab ab #1 ab cd");
  EXPECT_EQ(seen, "ab@1 ab@1 ab@5 cd@5 ");
}

TEST(Macros, ContinuationCommentsAndTrailingBlanks) {
  PreprocessorHarness h;
  EXPECT_EQ(
      h.tokens("#define LL 1 + \\\n  2 /* two */   \nLL\n#define CM 3 /* runs\n on */ 4\nCM\n"),
      "#1 + #2 #4 #3");
  const auto& entries = h.preprocessor->macros().entries();
  EXPECT_EQ(entries[0].text, "1 +   2");
  EXPECT_EQ(entries[1].text, "3");
}

TEST(Macros, ThirtyTwoParametersAreTooMany) {
  std::string list;
  for (int i = 0; i < 32; ++i) list += (i ? ",p" : "p") + std::to_string(i);
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define M(" + list + ") x\nM\n"), "M");
  EXPECT_EQ(h.messages(), "E401");
  // 31 names of 13 characters fill more than the 384-byte parameter area.
  std::string longList;
  for (int i = 0; i < 31; ++i)
    longList += (i ? ",parameter_" : "parameter_") + std::to_string(100 + i);
  PreprocessorHarness area;
  EXPECT_EQ(area.tokens("#define M(" + longList + ") x\n"), "FATAL130");
}

TEST(Macros, TextAreaOverflowIsFatal) {
  PreprocessorHarness h;
  std::string source;
  for (int i = 0; i < 200; ++i)
    source += "#define M" + std::to_string(i) + " " + std::string(40, 'x') + "\n";
  EXPECT_EQ(h.tokens(source), "FATAL130");
  EXPECT_LE(h.preprocessor->macros().textAreaUsed(),
            MacroTable::kTextArea - MacroTable::kTextReserve);
}

TEST(Macros, CommandLineMacrosComeFirst) {
  PreprocessorHarness h;
  h.settings.files.macros = {{true, "AA", "5"}, {true, "BB", ""}, {false, "CM", ""}};
  EXPECT_EQ(h.tokens("#ifdef BB\nAA\n#endif\n#ifndef CM\nc\n#endif\n#define CM 1\nCM\n"),
            "#5 c #1");
}

TEST(Macros, DebugNumbersForObjectLikeMacros) {
  PreprocessorHarness h;
  std::string lines;
  h.setup.debugInfo = true;
  h.setup.debugLine = [&](std::string_view line) { lines += line; };
  h.tokens("#define ONE 1\n#define S \"s\"\n#define NONE\n#define FN(x) x\n");
  EXPECT_EQ(lines,
            "\tsymbol_a \"ONE\",16,64,1\n\tsymbol_a \"1\",16,64,2\n\tsymbol_a \"NONE\",16,65,1\n");
  EXPECT_EQ(h.debugNumbers, 66);
}

TEST(Conditionals, BranchesAndNesting) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define DD\n"
                     "#ifdef DD\n a\n#ifndef DD\n b\n#else\n c\n#endif\n#else\n d\n#ifdef DD\n "
                     "e\n#else\n f\n#endif\n#endif\n"
                     "#ifdef NO\n#if 1\n g\n#else\n h\n#endif\n#else\n i\n#endif\n"),
            "a c i");
  EXPECT_EQ(h.messages(), "");
  EXPECT_EQ(h.preprocessor->openConditionals(), 0);
}

TEST(Conditionals, IfExpressions) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define N 0x10\n"
                     "#if N > 15 && (N & 0x10) == 16 ? -1 : 0\n a\n#endif\n"
                     "#if 7 / 2 * 2 - 6 % 4 << 1\n b\n#endif\n"
                     "#if !'A' || ~0 + 1\n c\n#endif\n"
                     "#if -1 < 0 && 1 >> 5 == 0 && (1 ^ 3) == 2 && (1 | 2) == 3\n d\n#endif\n"),
            "a b d");
  EXPECT_EQ(h.messages(), "");
}

TEST(Conditionals, IfExpressionErrorsMakeTheBranchFalse) {
  PreprocessorHarness h;
  EXPECT_EQ(
      h.tokens(
          "#if UNKNOWN\n a\n#endif\n#if 1 / 0\n b\n#endif\n#if (1\n c\n#endif\n#if A\n d\n#endif\n"
          "#if\n e\n#else\n f\n#endif\n"),
      "f");
  EXPECT_EQ(h.messages(), "E203 E245 E200 E250 E200");
}

TEST(Conditionals, ElseAndEndifErrors) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#else\n#endif\n#ifdef X\n#else\n a\n#else\n b\n#endif\n#ifdef 1\n c\n#else\n "
                     "d\n#endif\n"),
            "a b d");
  EXPECT_EQ(h.messages(), "E405 E406 E400 E400");
}

TEST(Conditionals, SeventeenthLevelIsTooComplexAndSkippedToItsEndif) {
  std::string source;
  for (int i = 0; i < 17; ++i) source += "#ifndef X\n";
  source += " inner\n#else\n other\n#endif\n after16\n";
  for (int i = 0; i < 16; ++i) source += "#endif\n";
  source += "end\n";
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens(source), "after16 end");
  EXPECT_EQ(h.messages(), "E404");
  EXPECT_EQ(h.preprocessor->openConditionals(), 0);
}

TEST(Conditionals, OpenLevelAtTheEndIsCounted) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#ifdef X\na\n"), "");
  EXPECT_EQ(h.preprocessor->openConditionals(), 1);
}

TEST(Includes, SearchOrderAndReturnToTheIncludingFile) {
  PreprocessorHarness h;
  h.write("inc1/a.h", "from_inc1\n");
  h.write("inc2/a.h", "from_inc2\n#include \"b.h\"\n");
  h.write("inc2/b.h", "b_of_inc2\n");
  h.write("a.h", "from_source_dir\n");
  h.setup.search.directories = {h.path("inc2") + "/", h.path("inc1") + "/"};
  EXPECT_EQ(h.tokens("#include \"a.h\"\n#include <a.h>\nlast\n"),
            "from_source_dir from_inc2 b_of_inc2 last");
  EXPECT_EQ(h.messages(), "");
}

TEST(Includes, NameErrorsAndMissingFiles) {
  for (const char* source :
       {"#include a.h\n", "#include \"a.h\n", "#include <a.h\n", "#include \"\"\n"}) {
    PreprocessorHarness h;
    EXPECT_EQ(h.tokens(source), "FATAL101") << source;
  }
  PreprocessorHarness missing;
  EXPECT_EQ(missing.tokens("#include <none.h>\n"), "FATAL20");
}

TEST(Includes, NinthNestedIncludeIsFatal) {
  PreprocessorHarness h;
  for (int i = 1; i <= 9; ++i)
    h.write("i" + std::to_string(i) + ".h", "#include \"i" + std::to_string(i + 1) + ".h\"\n");
  h.write("i10.h", "deep\n");
  EXPECT_EQ(h.tokens("#include \"i1.h\"\n"), "FATAL129");
  EXPECT_EQ(h.reader->depth(), 8);
  PreprocessorHarness eight;
  for (int i = 1; i <= 7; ++i)
    eight.write("i" + std::to_string(i) + ".h", "#include \"i" + std::to_string(i + 1) + ".h\"\n");
  eight.write("i8.h", "deep\n");
  EXPECT_EQ(eight.tokens("#include \"i1.h\"\nback\n"), "deep back");
}

TEST(Includes, CommentMayNotRunOutOfAnIncludeFile) {
  PreprocessorHarness h;
  h.write("c.h", "/* open\n");
  EXPECT_EQ(h.tokens("#include \"c.h\"\n*/ x\n"), "FATAL127");
}

TEST(AsmBlocks, TextPassesUnchanged) {
  PreprocessorHarness h;
  EXPECT_EQ(
      h.tokens("a\n#asm\n\tld a,1 ; #define X\n#include \"no\"\n  # endasm junk\nb\n#endasm\n"),
      "a asm{\tld a,1 ; #define X\n#include \"no\"\n} b");
  EXPECT_EQ(h.messages(), "E408");
}

TEST(AsmBlocks, EndOfFileBeforeEndasm) {
  PreprocessorHarness h;
  h.write("a.h", "#asm\n nop\n");
  EXPECT_EQ(h.tokens("#include \"a.h\"\nafter\n"), "asm{ nop\n} after");
  EXPECT_EQ(h.messages(), "E409");
}

TEST(Directives, PragmaSectionGoesToTheParser) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#define ADDR 0x100\n#pragma section code abs ADDR\n#pragma once\nx\n"),
            "#pragma section code abs #256 <eod> x");
  EXPECT_EQ(h.messages(), "E400");
}

TEST(Directives, UnknownOrMisplacedDirectives) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("#elif 1\na # define X\n  #  define Y 2\nY\n#\n"), "a #2");
  EXPECT_EQ(h.messages(), "E400 E400 E400");
}

}  // namespace
}  // namespace kz::clike
