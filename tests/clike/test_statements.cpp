// Statements: the limits of nesting and of case tables, critical names, and what the parser
// does with hostile or broken input (one message, the rest still checked, never a crash).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/clike/compile_helper.h"

namespace kz::clike {
namespace {

using testing::compile;

struct Check {
  std::string source;
  const char* messages;
};

void expectMessages(const std::vector<Check>& checks, std::vector<std::string> options = {}) {
  for (const Check& check : checks) {
    EXPECT_EQ(compile(check.source, options).messages, check.messages) << check.source;
  }
}

std::string nestedSwitches(int depth) {
  std::string text = "section code; void f(void) {\n";
  for (int i = 0; i < depth; ++i) text += "switch (A) { case " + std::to_string(i) + ":\n";
  return text + ";" + std::string(static_cast<std::size_t>(depth), '}') + "}\n";
}

TEST(Statements, SwitchTablesHaveFixedLimits) {
  auto eight = compile(nestedSwitches(8));
  EXPECT_EQ(eight.messages, "");
  auto nine = compile(nestedSwitches(9));
  EXPECT_EQ(nine.messages, "E260");
  EXPECT_NE(nine.err.find("prog.c 10 : CLZEL-Error-260: Statement nest too deep \"switch\""),
            std::string::npos)
      << nine.err;
  std::string cases = "section code; void f(void) { switch (A) {\n";
  for (int value = 0; value < 256; ++value) cases += "case " + std::to_string(value) + ": ;\n";
  auto full = compile(cases + "} }\n");
  EXPECT_EQ(full.messages, "E273");
  EXPECT_NE(full.err.find("prog.c 257 : CLZEL-Error-273: Too many 'case'"), std::string::npos);
}

TEST(Statements, CriticalNamesWarnAtEveryUse) {
  const std::string names =
      "#pragma critical port, reset\n"
      "section io; char port; char plain;\n"
      "section code; void reset(void);\n";
  expectMessages({
      {names + "void f(void) { A = port; }\n", "W523"},
      {names + "void f(void) { if (port.3) A = 1; }\n", "W523"},
      {names + "void f(void) { reset(); }\n", "W524"},
      {names + "void f(void) { CALL(reset); }\n", "W524"},
      {names + "void f(void) { CALL[reset](A); }\n", "W524"},
      {names + "void f(void) { J(reset); }\n", "W521"},
      // Taking an address or a size is no access.
      {names + "void f(void) { HL = &port; A = sizeof port; A = plain; }\n", ""},
      {"#pragma critical again\nsection code; void f(void) { again: ; goto again; }\n", "W521"},
      // The pragma may follow the declaration and stand inside a function.
      {"section io; char late;\nsection code; void f(void) {\n#pragma critical late\n"
       "A = late; }\n",
       "W523"},
  });
  // The warnings are at level 1, so -w0 alone silences them.
  expectMessages({{names + "void f(void) { A = port; reset(); }\n", ""}}, {"-w0"});
  expectMessages({
      {"#pragma critical\n", "E400"},
      {"#pragma critical 5, x\n", "E400"},
      {"#pragma critical a,,b\n", "E400"},
      {"section code; void f(void) {\n#pragma section data\n}\n", "E400"},
  });
}

TEST(Statements, OperandsAndLocalsThatDoNotFit) {
  expectMessages(
      {
          {"section io; char x;\nsection code; void f(void) { A = x[1]; }\n", "E213"},
          {"section code; void f(void) { A = *(HL+200); }\n", "W526 E261"},
          {"section code; void f(void) { A = *(HL+100); }\n", ""},
          // A register takes its value from a statement: none is dropped unseen.
          {"section code; void f(void) { register char B = 5; }\n", "E219"},
      },
      {"-w2"});
}

// Deep nesting of every kind ends with one message at a fixed capacity.
TEST(Parser, EveryKindOfNestingHasACapacity) {
  std::string braces =
      "section code; void f(void) " + std::string(300, '{') + std::string(300, '}') + "\n";
  std::string declarator =
      "section io; char " + std::string(300, '(') + "*x" + std::string(300, ')') + ";\n";
  std::string members = "section io; struct a {";
  for (int i = 0; i < 300; ++i) members += "\nstruct b" + std::to_string(i) + " {";
  members += " char c; " + std::string(300, '}') + "\n";
  std::string unary = "section code; void f(void) { A = " + std::string(600, '-') + "1; }\n";
  std::string conditions = "section code; void f(void) { if (";
  for (int i = 0; i < 300; ++i) conditions += "A == 1 &&\n(";
  conditions += "A" + std::string(300, ')') + ") ; }\n";
  for (const std::string& source : {braces, declarator, members, unary, conditions}) {
    auto c = compile(source);
    EXPECT_EQ(c.status, 255) << source.substr(0, 60);
    EXPECT_NE(c.err.find("CLZEL-Error-200: Parser stack overflow"), std::string::npos)
        << source.substr(0, 60) << "\n"
        << c.err;
  }
}

TEST(Parser, AMistakeCostsOneMessageAndTheRestIsChecked) {
  expectMessages({
      // Braces go only as deep as the type: a scalar takes none.
      {"section const; const char t[1] = " + std::string(300, '{') + "1" + std::string(300, '}') +
           ";\nconst char u = 1;\n",
       "E200"},
      {"section io; char x y;\nchar z;\nsection code; void f(void) { A = z; B = q; }\n",
       "E200 E203"},
      {"section code; void f(void) { A = (1; }\nvoid g(void) { A = q; }\n", "E200 E203"},
      {"section io; struct s { char a b; char c; } v;\nsection code;\n"
       "void f(void) { A = v.c; A = q; }\n",
       "E200 E203"},
      {"section const; const char t[2] = {1, ; 2};\nconst char u = 1;\n", "E200"},
      {"section code; void f(void) { if A) ; B = q; }\n", "E200 E203"},
      {"section code; void f(void) { while (A { } }\nvoid g(void) { A = q; }\n", "E200 E203"},
  });
}

// A block that an include file opens and leaves open is reported at the end against the
// main file: the include file's name is gone by then.
TEST(Parser, ABlockLeftOpenByAnIncludeFile) {
  char pattern[] = "/tmp/kzclincXXXXXX";
  std::filesystem::path directory = ::mkdtemp(pattern);
  std::ofstream(directory / "open.h") << "section code;\nvoid f(void) {\n";
  auto c = compile("#include \"" + (directory / "open.h").string() + "\"\n");
  std::filesystem::remove_all(directory);
  EXPECT_EQ(c.messages, "E207");
  EXPECT_NE(c.err.find("prog.c 1 : CLZEL-Error-207: '}' missing"), std::string::npos) << c.err;
}

// The regression corpus of the fuzz harness: each input (an option byte, then the source)
// compiles to an exit status, never a crash.
TEST(Parser, FuzzRegressionCorpusCompiles) {
  std::filesystem::path corpus = std::filesystem::path(KZ_SOURCE_DIR) / "tests/fuzz/clike_corpus";
  ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
  int inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string data = text.str();
    if (data.empty()) continue;
    auto c = compile(data.substr(1), {"-w3", "-g"});
    EXPECT_TRUE(c.status == 0 || c.status == 255) << entry.path();
    ++inputs;
  }
  EXPECT_GT(inputs, 0);
}

}  // namespace
}  // namespace kz::clike
