// Directives and their messages: conditional groups with the #if expression, #include
// search, #line, #error, #pragma, definitions and redefinitions, nesting limits.
#include <gtest/gtest.h>

#include "tests/cfront/harness.h"
#include "tests/fuzz/fuzz_preprocessor_input.h"

namespace kz::cfront::testing {
namespace {

struct ConditionCase {
  const char* expression;
  bool taken;
};

class Condition : public ::testing::TestWithParam<ConditionCase> {};

TEST_P(Condition, IsEvaluatedAsTheTargetDoes) {
  Result result = preprocess(std::string("#define ONE 1\n#define F(x) x\n#if ") +
                             GetParam().expression + "\nyes\n#else\nno\n#endif\n");
  EXPECT_EQ(result.output, GetParam().taken ? "yes\n" : "no\n") << GetParam().expression;
  EXPECT_EQ(result.errors, 0u) << result.messages;
}

INSTANTIATE_TEST_SUITE_P(
    Expressions, Condition,
    ::testing::Values(
        ConditionCase{"1 + 2 * 3 == 7", true}, ConditionCase{"(1 + 2) * 3 == 9", true},
        ConditionCase{"-1 < 0", true}, ConditionCase{"-1 < 0u", false},
        ConditionCase{"0xFFFF > 0", true}, ConditionCase{"-1 < 0xFFFF", false},
        ConditionCase{"1 << 31 < 0", true}, ConditionCase{"~0u == 4294967295", true},
        ConditionCase{"40000 > 32767", true}, ConditionCase{"7 / 2 == 3 && -7 / 2 == -3", true},
        ConditionCase{"-7 % 3 == -1", true}, ConditionCase{"0 || 2 || 1 / 0", true},
        ConditionCase{"0 && 1 / 0", false}, ConditionCase{"1 ? 0 : 1 / 0", false},
        ConditionCase{"'ab' == 0x6162", true}, ConditionCase{"'\\n' == 10", true},
        ConditionCase{"'\\377' < 0", true}, ConditionCase{"defined ONE && defined(F)", true},
        ConditionCase{"defined NOPE", false}, ConditionCase{"NOPE == 0", true},
        ConditionCase{"F(ONE) + F(2) == 3", true}, ConditionCase{"!ONE", false},
        ConditionCase{"(2 > 1) == 1 && (1 >= 2) == 0", true},
        ConditionCase{"(5 & 3) == 1 && (5 | 3) == 7 && (5 ^ 3) == 6", true},
        ConditionCase{"-8 >> 1 == -4 && 8u >> 1 == 4", true}));

struct MessageCase {
  const char* name;
  const char* source;
  const char* message;  // the first message expected, without its position
  unsigned errors;
};

class DirectiveMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(DirectiveMessage, IsReported) {
  RunOptions options;
  options.warnLevel = 3;
  Result result = preprocess(GetParam().source, options);
  std::string want = std::string("ZC1-") + GetParam().message + "\n";
  EXPECT_NE(result.messages.find(want), std::string::npos) << result.messages;
  EXPECT_EQ(result.errors, GetParam().errors) << result.messages;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirectiveMessage,
    ::testing::Values(
        MessageCase{"SecondElse", "#if 1\n#else\n#else\n#endif\n", "Error-325: Too many #else", 1},
        MessageCase{"LoneEndif", "#endif\n", "Error-328: Unexpected #endif", 1},
        MessageCase{"LoneElse", "#else\n", "Error-317: Illegal #else", 1},
        MessageCase{"LoneElif", "#elif 1\n", "Error-316: Illegal #elif", 1},
        MessageCase{"ElifAfterElse", "#if 0\n#else\n#elif 1\n#endif\n",
                    "Error-330: #elif following #else", 1},
        MessageCase{"OpenAtEnd", "#if 1\n", "Error-327: Unexpected EOF in #if/#ifdef/#ifndef", 1},
        MessageCase{"LineZero", "#line 0\n", "Error-320: Illegal #line number", 1},
        MessageCase{"LineTooBig", "#line 70000\n", "Error-320: Illegal #line number", 1},
        MessageCase{"LineLongFraction", "#line 0.44444444444444444444444\n",
                    "Error-320: Illegal #line number", 1},
        MessageCase{"LineNameUnclosed", "#line 5 \"a.c\n", "Error-319: Illegal #line filename", 1},
        MessageCase{"ThirtyTwoParameters",
                    "#define M(a0,a1,a2,a3,a4,a5,a6,a7,a8,a9,b0,b1,b2,b3,b4,b5,b6,b7,b8,b9,"
                    "c0,c1,c2,c3,c4,c5,c6,c7,c8,c9,d0,d1) x\n",
                    "Error-364: Compiler limit, too many parameter", 1},
        MessageCase{"RepeatedParameter", "#define M(a, a) a\n",
                    "Error-314: Illegal macro paramter 'a'", 1},
        MessageCase{"NameFollowedByOperator", "#define A+1\n", "Error-313: Illegal macro name", 1},
        MessageCase{"NumberAsName", "#define 1A\n", "Error-313: Illegal macro name", 1},
        MessageCase{"Redefinition", "#define A 1\n#define A 2\n", "Error-322: Macro 'A' redefined",
                    1},
        MessageCase{"PredefinedRedefinition", "#define __LINE__ 5\n",
                    "Error-322: Macro '__LINE__' redefined", 1},
        MessageCase{"UndefWithoutName", "#undef\n", "Warning-591: Illegal/missing macro name", 0},
        MessageCase{"IfdefWithoutName", "#ifdef\n#endif\n",
                    "Warning-591: Illegal/missing macro name", 0},
        MessageCase{"ExtraAfterEndif", "#if 1\n#endif X\n",
                    "Warning-599: Unexpected character after directive, ignored", 0},
        MessageCase{"PasteAtStart", "#define P ## x\n",
                    "Warning-596: Illegal ##, beginning of a macro definition", 0},
        MessageCase{"PasteAtEnd", "#define P x ##\n",
                    "Warning-597: Illegal ##, ending of a macro definition", 0},
        MessageCase{"StringizeWithoutParameter", "#define S(a) # b\n",
                    "Warning-598: Macro formal parameter expected after #", 0},
        MessageCase{"UnknownDirective", "#frobnicate\n", "Error-329: Unknown preprocessor command",
                    1},
        MessageCase{"ErrorIsExpanded", "#define W world\n#error hello W\n",
                    "Error-331: #error 'hello world'", 1},
        MessageCase{"DefinedWithoutName", "#if defined(1)\n#endif\n",
                    "Error-311: Illegal identifier '1' found in defined-operator", 1},
        MessageCase{"DefinedWithoutClosing", "#if defined(A\n#endif\n",
                    "Error-332: ')' not found in 'defined'", 1},
        MessageCase{"DivisionByZero", "#if 1 / 0\n#endif\n",
                    "Error-390: Division/remainder by zero", 1},
        MessageCase{"BrokenExpression", "#if 1 +\n#endif\n",
                    "Error-216: Syntax error at or near column 1", 1},
        MessageCase{"IncludeWithoutName", "#include foo\n", "Error-318: Illegal #include filename",
                    1},
        MessageCase{"IncludeMissing", "#include \"nope.h\"\n",
                    "Error-310: Cannot open #include file \"nope.h\"", 1},
        MessageCase{"OctalWithEight", "#if 089\n#endif\n",
                    "Error-202: Illegal digit '8' for base '8'", 1},
        MessageCase{"CommentEndOutside", "a */ b\n", "Warning-626: '*/' found outside of comment",
                    0},
        MessageCase{"CommentInComment", "/* a /* b */\n",
                    "Warning-631: '/*' found inside of comment", 0},
        MessageCase{"CommentNotClosed", "/* a\n", "Fatal-163: Unexpected EOF in commnent", 0}),
    [](const ::testing::TestParamInfo<MessageCase>& info) { return info.param.name; });

TEST(Directives, SkippedGroupsIgnoreWhatWouldBeErrors) {
  Result result = preprocess(
      "#if 0\n#frobnicate\n'unterminated\n#include <none.h>\n#if "
      "1/0\n#endif\n#else\nkept\n#endif\n");
  EXPECT_EQ(result.output, "kept\n");
  EXPECT_EQ(result.messages, "");
}

TEST(Directives, OnlyTheFirstTrueBranchIsKept) {
  Result result = preprocess("#if 0\na\n#elif 1\nb\n#elif 1\nc\n#else\nd\n#endif\n");
  EXPECT_EQ(result.output, "b\n");
}

TEST(Directives, CommentAcrossLinesHidesADirective) {
  Result result = preprocess("#if 0\n/* \n#endif */\n#else\nx\n#endif\n");
  EXPECT_EQ(result.output, "x\n");
  EXPECT_EQ(result.errors, 0u);
}

TEST(Directives, IdenticalRedefinitionIsSilentAndTheFirstStays) {
  Result result =
      preprocess("#define A (1 + 2)\n#define A /* c */ (1 +   2)\n#define B 1\n#define B 2\nA B\n");
  EXPECT_EQ(result.output, "(1 + 2) 1\n");
  EXPECT_EQ(result.errors, 1u);
}

TEST(Directives, TrigraphsAndSplicesComeFirst) {
  Result result = preprocess("?\?=define X 1\nX ?\?( ?\?) ?\?< ?\?>\nab\\\ncd X\ne\n");
  EXPECT_EQ(result.output, "1 [ ] { }\nabcd 1\n\ne\n");
}

TEST(Directives, QuotedIncludesLookNextToTheSourceFirst) {
  ScratchDirectory files;
  files.write("x.h", "beside\n");
  files.write("inc/x.h", "searched\n");
  files.write("inc/y.h", "only searched\n");
  Result result =
      preprocess("#include \"x.h\"\n#include <x.h>\n#define Y <y.h>\n#include Y\n", {}, &files);
  EXPECT_EQ(result.output, "beside\nsearched\nonly searched\n");
}

TEST(Directives, DeepIncludeNestingStopsOnce) {
  ScratchDirectory files;
  files.write("inc/self.h", "#include <self.h>\nx\n");
  Result result = preprocess("#include <self.h>\n", {}, &files);
  EXPECT_EQ(result.errors, 1u) << result.messages;
  EXPECT_NE(result.messages.find("ZC1-Error-361: Compiler limit, too deep nesting of #include"),
            std::string::npos);
  EXPECT_EQ(std::count(result.output.begin(), result.output.end(), 'x'), 31);
}

TEST(Directives, DeepConditionalNestingIsReported) {
  std::string source;
  for (int i = 0; i < 32; ++i) source += "#if 1\n";
  source += "in\n";
  for (int i = 0; i < 32; ++i) source += "#endif\n";
  Result result = preprocess(source);
  EXPECT_EQ(result.output, "in\n");
  EXPECT_EQ(result.errors, 1u);
  EXPECT_NE(result.messages.find("t.c 32: ZC1-Error-360:"), std::string::npos) << result.messages;
}

TEST(Directives, LineDirectivesMarkEveryJump) {
  ScratchDirectory files;
  files.write("inc/h.h", "in_header\n");
  RunOptions options;
  options.ppMode = 'E';
  Result result =
      preprocess("a\n#include <h.h>\n#define Q\nb\n\nc\n#line 40 \"z.c\"\nd\n", options, &files);
  EXPECT_EQ(result.output,
            "#line 1 \"t.c\"\na\n#line 1 \"" + files.path() +
                "inc/h.h\"\nin_header\n#line 4 \"t.c\"\nb\n\nc\n#line 40 \"z.c\"\nd\n");
}

TEST(Directives, PragmaLinesAreCopiedExpanded) {
  Result result = preprocess("#define N 4\n#pragma pack(N)\nx\n#pragma\n");
  EXPECT_EQ(result.output, "#pragma pack(4)\nx\n#pragma\n");
}

TEST(Directives, DefinitionsAreShownUnderDebugFlag) {
  RunOptions options;
  options.debugFlags = 0x04;
  Result result =
      preprocess("#define A 1 + 2\n#define S \"s\"\n#define E\n#define F(x) x\nA\n", options);
  EXPECT_EQ(result.output, "#pragma define A 1 + 2\n1 + 2\n");
}

TEST(Directives, CommentsAreKeptOnRequest) {
  RunOptions options;
  options.ppMode = 'P' | RunOptions::kKeepComments;
  Result result = preprocess("a /* one */ b // two\n#define X /* gone */ 1\nX\n", options);
  EXPECT_EQ(result.output, "a /* one */ b // two\n1\n");
}

TEST(Directives, MessagesNameTheIncludedFile) {
  ScratchDirectory files;
  files.write("inc/bad.h", "\n#error inside\n");
  RunOptions options;
  options.messageName = "shown.c";
  Result result = preprocess("#include <bad.h>\n#error outside\n", options, &files);
  EXPECT_EQ(result.messages, files.path() +
                                 "inc/bad.h 2: ZC1-Error-331: #error 'inside'\n"
                                 "shown.c 2: ZC1-Error-331: #error 'outside'\n");
}

}  // namespace
}  // namespace kz::cfront::testing

namespace kz::cfront::testing {
namespace {

TEST(HostileInput, HugeLineIsCopiedWhole) {
  std::string line;
  for (int i = 0; i < 20000; ++i) line += "a+";
  Result result = preprocess("#define a b\n" + line + "c\n");
  std::string expected;
  for (int i = 0; i < 20000; ++i) expected += "b+";
  EXPECT_EQ(result.output, expected + "c\n");
}

TEST(HostileInput, VeryDeepConditionalNestingEndsAtTheErrorLimit) {
  std::string source;
  for (int i = 0; i < 100000; ++i) source += "#ifdef X\n";
  Result result = preprocess(source);
  EXPECT_TRUE(result.aborted);
  EXPECT_NE(result.messages.find("ZC1-Fatal-100: Too many errors"), std::string::npos);
}

// The fuzz harness's regression corpus, read as the harness reads it: each input must end in
// output and messages, or in a fatal message, never a crash.
TEST(HostileInput, FuzzRegressionCorpusEnds) {
  int inputs =
      forEachCorpusInput("zc1_corpus", [](const std::string& path, const std::string& data) {
        ScratchDirectory files;
        for (const char* directory : {"", "inc/"})
          files.write(directory + std::string(fuzzing::kIncludeName),
                      std::string(fuzzing::kIncludeText));
        RunOptions options = fuzzing::optionsFromByte(static_cast<std::uint8_t>(data[0]));
        Result result = preprocess(data.substr(1), options, &files);
        EXPECT_TRUE(!result.aborted || result.messages.find("-Fatal-") != std::string::npos)
            << path << "\n"
            << result.messages;
      });
  EXPECT_GT(inputs, 0);
}

TEST(HostileInput, SelfReferentialMacrosStop) {
  Result result = preprocess("#define f(x) f(f(x))\n#define g g g\nf(f(1)) g\n");
  EXPECT_EQ(result.output, "f(f(f(f(1)))) g g\n");
}

}  // namespace
}  // namespace kz::cfront::testing
