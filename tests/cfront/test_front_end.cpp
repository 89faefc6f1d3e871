// Whole runs in-process: exit statuses, the work files, the version record, the output left
// after errors and removed after a fatal message, expressions deeper than a thread's usual stack.
#include <gtest/gtest.h>

#include <filesystem>

#include "cfront/front_end.h"
#include "common/large_stack.h"
#include "tests/cfront/harness.h"

namespace kz::cfront::testing {
namespace {

struct RunResult {
  int status = 0;
  std::string messages;
};

RunResult runFrontEnd(const ScratchDirectory& scratch, std::vector<std::string> words) {
  words.insert(words.begin(), "zc1");
  CapturedStream console;
  FrontEnd frontEnd(ProgramEnvironment(words, {"TMP=" + scratch.path(), "SOURCE_DATE_EPOCH=0"}),
                    console.stream());
  RunResult run;
  run.status = frontEnd.run();
  run.messages = console.text();
  return run;
}

std::vector<std::string> filesIn(const ScratchDirectory& scratch) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FrontEnd, ErrorsAreTheStatusAndTheOutputStays) {
  ScratchDirectory scratch;
  std::string input = scratch.write("t.c", "#error one\nkept\n#error two\n");
  RunResult run = runFrontEnd(scratch, {"-P", input, scratch.path() + "t.i"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(scratch.read("t.i"), "kept\n");
  EXPECT_EQ(filesIn(scratch), (std::vector<std::string>{"t.c", "t.i"}));
}

TEST(FrontEnd, FatalMessageRemovesWorkFilesAndThePartialOutput) {
  ScratchDirectory scratch;
  std::string input = scratch.write("t.c", "text\n/* never closed\n");
  RunResult run = runFrontEnd(scratch, {"-E", input, scratch.path() + "t.i"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.messages, input + " 2: ZC1-Fatal-163: Unexpected EOF in commnent\n");
  EXPECT_EQ(filesIn(scratch), (std::vector<std::string>{"t.c"}));
}

// The output is written over an older file of its name, which ends where the new text ends;
// a shorter older file grows to it.
TEST(FrontEnd, AnOlderOutputIsWrittenOverAndCutToTheNewText) {
  ScratchDirectory scratch;
  std::string input = scratch.write("t.c", "kept\n");
  for (const std::string& older : {std::string(200000, 'x'), std::string("x")}) {
    scratch.write("t.i", older);
    RunResult run = runFrontEnd(scratch, {"-P", input, scratch.path() + "t.i"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(scratch.read("t.i"), "kept\n");
  }
}

// An output that names the source (itself or through another path) is refused before it is
// opened: the source stays as it was.
TEST(FrontEnd, AnOutputThatIsTheSourceIsRefusedAndTheSourceKept) {
  ScratchDirectory scratch;
  const std::string text = "int x;\n";
  std::string input = scratch.write("t.c", text);
  for (const std::string& output : {input, scratch.path() + "./t.c"}) {
    RunResult run = runFrontEnd(scratch, {input, output});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.messages, "ZC1-Fatal-126: Output file \"" + output + "\" is the input file\n");
    EXPECT_EQ(scratch.read("t.c"), text);
    EXPECT_EQ(filesIn(scratch), (std::vector<std::string>{"t.c"}));
  }
}

TEST(FrontEnd, VersionRecordIsAppendedOnlyWhenItExists) {
  ScratchDirectory scratch;
  std::string input = scratch.write("src/prog.c", "x\n");
  runFrontEnd(scratch, {"-P", input, scratch.path() + "a.i"});
  EXPECT_FALSE(std::filesystem::exists(scratch.path() + "prog.ver"));
  scratch.write("prog.ver", "; before\n");
  runFrontEnd(scratch, {"-P", "-I", "inc", "-DX=1", input, scratch.path() + "a.i"});
  EXPECT_EQ(scratch.read("prog.ver"),
            "; before\n; KORV-ZEL C Compiler - Parser (32) Version 1.8r.12.03\n"
            "; Option: -P -I inc -DX=1\n");
}

TEST(FrontEnd, WorkDirectoryThatCannotHoldFilesIsFatal) {
  ScratchDirectory scratch;
  std::string input = scratch.write("t.c", "x\n");
  CapturedStream console;
  FrontEnd frontEnd(ProgramEnvironment({"zc1", "-P", input}, {"TMP=" + scratch.path() + "none/"}),
                    console.stream());
  EXPECT_EQ(frontEnd.run(), 1);
  EXPECT_EQ(console.text(), "ZC1-Fatal-122: Cannot open temporary file\n");
}

TEST(FrontEnd, PredefinedStandardMacroFollowsTheAnsiOption) {
  ScratchDirectory scratch;
  std::string input = scratch.write("t.c", "__STDC__\n");
  runFrontEnd(scratch, {"-P", "-Xa", "-U__STDC__", input, scratch.path() + "a.i"});
  EXPECT_EQ(scratch.read("a.i"), "1\n");
  runFrontEnd(scratch, {"-P", "-Xa", "-Xe", input, scratch.path() + "a.i"});
  EXPECT_EQ(scratch.read("a.i"), "0\n");
}

// A sum of n terms is a tree n deep; the program runs on a stack that holds the walk over it,
// and an expression deeper than the walk may go ends the run with 138, not with a crash.
std::string termsJoinedBy(const char* separator, int count) {
  std::string text = "a";
  for (int i = 1; i < count; ++i) text.append(separator).append("a");
  return text;
}

TEST(FrontEnd, DeepExpressionsAreWrittenOrEndTheRunWithTheirLimit) {
  ScratchDirectory scratch;
  std::string sum =
      scratch.write("sum.c", "int a;\nvoid f(void) { a = " + termsJoinedBy("+", 30000) + "; if (" +
                                 termsJoinedBy("&&", 30000) + ") a = 0; }\n");
  RunResult run;
  runOnLargeStack(std::size_t{512} << 20, [&] {
    run = runFrontEnd(scratch, {sum, scratch.path() + "sum.i"});
    return 0;
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.messages, "");
  std::string records = scratch.read("sum.i");
  std::size_t additions = 0;
  for (std::size_t at = records.find("\n+,"); at != std::string::npos;
       at = records.find("\n+,", at + 1))
    ++additions;
  EXPECT_EQ(additions, 29999u);

  std::string commas = scratch.write(
      "commas.c", "int a;\nvoid f(void) { a = (" + termsJoinedBy(",", 60000) + "); }\n");
  runOnLargeStack(std::size_t{512} << 20, [&] {
    run = runFrontEnd(scratch, {commas, scratch.path() + "commas.i"});
    return 0;
  });
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.messages.find("ZC1-Fatal-138: Yacc stack overflow"), std::string::npos)
      << run.messages;
  EXPECT_FALSE(std::filesystem::exists(scratch.path() + "commas.i"));
}

}  // namespace
}  // namespace kz::cfront::testing
