// Macro replacement as ISO C defines it: the standard's own examples, rescanning and the
// rule against recursion, # and ##, empty arguments and calls that span lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <random>
#include <set>

#include "cfront/hide_sets.h"
#include "tests/cfront/harness.h"

namespace kz::cfront::testing {
namespace {

struct ExpansionCase {
  const char* name;
  const char* source;
  const char* output;
};

class Expansion : public ::testing::TestWithParam<ExpansionCase> {};

TEST_P(Expansion, GivesTheStandardResult) {
  Result result = preprocess(GetParam().source);
  EXPECT_EQ(result.output, GetParam().output);
  EXPECT_EQ(result.errors, 0u) << result.messages;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Expansion,
    ::testing::Values(
        ExpansionCase{"RescanExample",
                      "#define x 3\n#define f(a) f(x * (a))\n#undef x\n#define x 2\n"
                      "#define g f\n#define z z[0]\n#define h g(~\n#define m(a) a(w)\n"
                      "#define w 0,1\n#define t(a) a\n"
                      "f(y+1) + f(f(z)) % t(t(g)(0) + t)(1);\n"
                      "g(x+(3,4)-w) | h 5) & m\n(f)^m(m);\n",
                      "f(2 * (y+1)) + f(2 * (f(2 * (z[0])))) % f(2 * (0)) + t(1);\n"
                      "f(2 * (2+(3,4)-0,1)) | f(2 * (~ 5)) & f(2 * (0,1))^m(0,1);\n"},
        ExpansionCase{
            "StringizeAndPasteExample",
            "#define str(s) # s\n#define xstr(s) str(s)\n"
            "#define debug(s, t) printf(\"x\" # s \"= %d, x\" # t \"= %s\", x ## s, x ## t)\n"
            "#define INCFILE(n) vers ## n\n#define glue(a, b) a ## b\n"
            "#define xglue(a, b) glue(a, b)\n#define HIGHLOW \"hello\"\n"
            "#define LOW LOW \", world\"\n"
            "debug(1, 2);\n"
            "fputs(str(strncmp(\"abc\\0d\", \"abc\", '\\4') /* gone */ == 0) str(: @\\n), s);\n"
            "xstr(INCFILE(2).h)\nglue(HIGH, LOW);\nxglue(HIGH, LOW)\n",
            "printf(\"x\" \"1\" \"= %d, x\" \"2\" \"= %s\", x1, x2);\n"
            "fputs(\"strncmp(\\\"abc\\\\0d\\\", \\\"abc\\\", '\\\\4') == 0\" \": @\\n\", s);\n"
            "\"vers2.h\"\n\"hello\";\n\"hello\" \", world\"\n"},
        ExpansionCase{
            "HashHashExample",
            "#define hash_hash # ## #\n#define mkstr(a) # a\n"
            "#define in_between(a) mkstr(a)\n#define join(c, d) in_between(c hash_hash d)\n"
            "char p[] = join(x, y);\n",
            "char p[] = \"x ## y\";\n"},
        ExpansionCase{
            "MutualRecursionStops",
            "#define a a b\n#define b a\na b\n#define f(x) f(x) g\n#define g f\nf(1)(2)(3)\n",
            "a a a b\nf(1) f(2)(3)\n"},
        ExpansionCase{"SelfReferenceInArgument", "#define f(x) x\n#define q f(q)\nq f(f(q))\n",
                      "q q\n"},
        ExpansionCase{"NameWithoutParenthesisStays", "#define F(x) [x]\nF + F;\n", "F + F;\n"},
        ExpansionCase{"CallOnTheNextLine", "#define F(x) [x]\nF\n(1) end\n", "[1] end\n"},
        ExpansionCase{"ParenthesisAfterBlankIsObjectLike", "#define F (x)\nF(1)\n", "(x)(1)\n"},
        ExpansionCase{"ArgumentsSpanLines", "#define F(a, b) a-b\nF(1,\n  2) x\ny\n", "1-2 x\ny\n"},
        ExpansionCase{"NestedParenthesesAndCommasInLiterals",
                      "#define F(a, b) <a|b>\nF((1, 2), \",\") F(',', (x))\n",
                      "<(1, 2)|\",\"> <','|(x)>\n"},
        ExpansionCase{"ArgumentBlanksFold", "#define S(a) #a\nS(  a   +\n  b  )\n", "\"a + b\"\n"},
        ExpansionCase{"PasteMakesAMacroName", "#define AB done\n#define J(a, b) a ## b\nJ(A, B)\n",
                      "done\n"},
        ExpansionCase{"PasteOfArgumentIsNotExpandedFirst",
                      "#define X 1\n#define J(a) a ## 2\n#define E(a) a\nJ(X) E(X)\n", "X2 1\n"},
        ExpansionCase{"ExpansionKeepsOperatorsApart", "#define M -\n-M -M\n", "- - - -\n"},
        ExpansionCase{"FunctionLikeWithoutParameters", "#define N() 7\nN() N ( ) N\n", "7 7 N\n"},
        ExpansionCase{"ObjectLikeUsedAsFunctionName",
                      "#define f(a) a*g\n#define g(a) f(a)\nf(2)(9)\n", "2*9*g\n"},
        ExpansionCase{"NonRecursiveIndirection", "#define AA BB\n#define BB AA\nAA BB\n",
                      "AA BB\n"},
        ExpansionCase{"FixedPredefinedMacros", "__STDC__ __ZEL__ __Xmsdos__\n", "0 1 1\n"},
        ExpansionCase{"DirectiveInsideArguments", "#define F(x) [x]\nF(1\n#define Y 2\nY)\nY\n",
                      "[1 2]\n2\n"},
        ExpansionCase{"UndefInsideItsOwnCall",
                      "#define F(x) [x]\nF(1\n#undef F\n#define F(x) <x>\n)\nF(2)\n",
                      "[1]\n<2>\n"}),
    [](const ::testing::TestParamInfo<ExpansionCase>& info) { return info.param.name; });

TEST(Expansion, EmptyArgumentsFollowTheStandardAndAreReported) {
  Result result = preprocess(
      "#define t(x,y,z) x ## y ## z\n"
      "int j[] = { t(1,2,3), t(,4,5), t(6,,7), t(8,9,), t(10,,), t(,11,), t(,,12), t(,,) };\n");
  EXPECT_EQ(result.output, "int j[] = { 123, 45, 67, 89, 10, 11, 12, };\n");
  EXPECT_EQ(result.warnings, 7u);
  EXPECT_NE(result.messages.find("t.c 2: ZC1-Warning-592: Illegal macro call 't', "
                                 "mismatched number of parameters\n"),
            std::string::npos);
}

TEST(Expansion, WrongArgumentCountIsReportedAndMissingOnesAreEmpty) {
  Result result = preprocess("#define F(a, b) <a|b>\nF(1) F(1, 2, 3)\n");
  EXPECT_EQ(result.output, "<1|> <1|2>\n");
  EXPECT_EQ(result.warnings, 2u);
}

TEST(Expansion, EndOfInputInsideACallIsReported) {
  Result result = preprocess("#define F(a) a\nF(1, \n");
  EXPECT_NE(result.messages.find("ZC1-Error-326: Unexpected EOF in macro 'F'"), std::string::npos);
  EXPECT_EQ(result.errors, 1u);
}

TEST(Expansion, LineAndFileFollowTheSource) {
  Result result = preprocess(
      "#define L __LINE__\nL\n#line 70 \"C:\\src\\m.c\"\n__FILE__ L\n__DATE__ __TIME__\n");
  EXPECT_EQ(result.output, "2\n\"C:\\\\src\\\\m.c\" 70\n\"Nov 14 2023\" \"22:13:20\"\n");
}

// Enough names to grow the table several times, and removals from the middle of its chains.
TEST(Expansion, ManyMacrosSurviveGrowthAndRemoval) {
  std::string source;
  std::string use;
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    std::string name = "M" + std::to_string(i);
    source += "#define " + name + " " + std::to_string(i) + "\n";
    use += name + " ";
    expected += (i % 3 == 0 ? name : std::to_string(i)) + " ";
  }
  for (int i = 0; i < 1000; i += 3) source += "#undef M" + std::to_string(i) + "\n";
  source += "#undef M1000\n" + use + "\n";
  expected.back() = '\n';
  Result result = preprocess(source);
  EXPECT_EQ(result.output, expected);
  EXPECT_EQ(result.errors, 0u) << result.messages;
}

TEST(Expansion, RunawayGrowthEndsWithALimit) {
  std::string source = "#define X0 a a\n";
  for (int i = 1; i <= 22; ++i)
    source += "#define X" + std::to_string(i) + " X" + std::to_string(i - 1) + " X" +
              std::to_string(i - 1) + "\n";
  source += "X22\n";
  Result result = preprocess(source);
  EXPECT_TRUE(result.aborted);
  EXPECT_NE(result.messages.find("ZC1-Fatal-130: Compiler limit, out of space"), std::string::npos);
}

TEST(Expansion, HugeArgumentListsEndWithTheBufferLimit) {
  std::string source = "#define F(a) a\nF(";
  source.append(200000, ',');
  source += ")\n";
  Result result = preprocess(source);
  EXPECT_TRUE(result.aborted);
  EXPECT_NE(result.messages.find("ZC1-Fatal-150: Too large string"), std::string::npos);
}

// Random chains of the three operations against plain ordered sets: interning must give one
// number per distinct set and the cached answers must stay those of the members.
TEST(HideSets, OperationsAgreeWithOrderedSets) {
  HideSets sets;
  std::vector<std::set<std::uint32_t>> model{{}};
  std::vector<std::uint32_t> numbers{HideSets::kEmpty};
  std::map<std::set<std::uint32_t>, std::uint32_t> numberOf{{{}, HideSets::kEmpty}};
  std::mt19937 random(7);
  auto membersOf = [&](std::uint32_t set) {
    std::span<const std::uint32_t> members = sets.members(set);
    return std::set<std::uint32_t>(members.begin(), members.end());
  };
  for (int step = 0; step < 20000; ++step) {
    std::size_t a = random() % numbers.size();
    std::size_t b = random() % numbers.size();
    std::set<std::uint32_t> want;
    std::uint32_t got = 0;
    switch (random() % 3) {
      case 0: {
        std::uint32_t macro = 1 + random() % 40;
        want = model[a];
        want.insert(macro);
        got = sets.with(numbers[a], macro);
        break;
      }
      case 1:
        std::set_union(model[a].begin(), model[a].end(), model[b].begin(), model[b].end(),
                       std::inserter(want, want.end()));
        got = sets.unite(numbers[a], numbers[b]);
        break;
      default:
        std::set_intersection(model[a].begin(), model[a].end(), model[b].begin(), model[b].end(),
                              std::inserter(want, want.end()));
        got = sets.intersect(numbers[a], numbers[b]);
        break;
    }
    ASSERT_EQ(membersOf(got), want) << "step " << step;
    auto [known, added] = numberOf.emplace(want, got);
    ASSERT_EQ(got, known->second) << "a set interned twice, step " << step;
    if (added) {
      model.push_back(want);
      numbers.push_back(got);
    }
  }
  EXPECT_EQ(sets.size(), model.size());
  EXPECT_GT(sets.size(), 1000u);  // the index has grown many times
  for (std::uint32_t macro = 1; macro <= 40; ++macro)
    EXPECT_EQ(sets.contains(numbers.back(), macro), model.back().count(macro) == 1);
}

}  // namespace
}  // namespace kz::cfront::testing
