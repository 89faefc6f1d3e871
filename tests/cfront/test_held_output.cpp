// Held-back output: in memory up to its bound, then in the TP work file, copied back in order.
#include <gtest/gtest.h>

#include "cfront/held_output.h"
#include "tests/cfront/harness.h"
#include "tests/common/unseekable_work_file.h"

namespace kz::cfront::testing {
namespace {

struct Spill {
  CapturedStream console;
  RunOptions options;
  Diagnostics diagnostics{options, console.stream()};
  std::unique_ptr<WorkFile> file = createMemoryFile("TP");
  SpillFile spill{*file, diagnostics};
};

TEST(HeldOutput, GoesToTheWorkFilePastItsBoundAndComesBackInOrder) {
  Spill tp;
  HeldOutput held(&tp.spill, 8);
  held.write("\tS1,\"\",6,3,2,1,3\n");
  EXPECT_TRUE(held.spilled());
  held.write("\t,s1\n");
  EXPECT_GT(tp.file->size(), 0u);
  StringSink out;
  held.copyTo(out);
  EXPECT_EQ(out.text(), "\tS1,\"\",6,3,2,1,3\n\t,s1\n");
  // Used again after the copy, from the start.
  held.write("0123456789\n");
  held.copyTo(out);
  EXPECT_EQ(out.text(), "\tS1,\"\",6,3,2,1,3\n\t,s1\n0123456789\n");
  EXPECT_EQ(tp.console.text(), "");
}

TEST(HeldOutput, OneStreamAtATimeSpillsAndTheOthersStayInMemory) {
  Spill tp;
  HeldOutput outer(&tp.spill, 4);
  HeldOutput inner(&tp.spill, 4);
  outer.write("outer one\n");
  inner.write("inner one\n");
  outer.write("outer two\n");
  EXPECT_TRUE(outer.spilled());
  EXPECT_FALSE(inner.spilled());
  StringSink inside;
  inner.copyTo(inside);
  StringSink outside;
  outer.copyTo(outside);
  EXPECT_EQ(inside.text(), "inner one\n");
  EXPECT_EQ(outside.text(), "outer one\nouter two\n");
  HeldOutput next(&tp.spill, 4);
  next.write("next\n");
  EXPECT_TRUE(next.spilled());
}

TEST(HeldOutput, FailedSeekOfTheWorkFileIsFatal) {
  CapturedStream console;
  RunOptions options;
  Diagnostics diagnostics(options, console.stream());
  kz::testing::UnseekableWorkFile file("TP", false);
  SpillFile spill(file, diagnostics);
  HeldOutput held(&spill, 4);
  EXPECT_THROW(held.write("too long\n"), RunAborted);
  EXPECT_EQ(console.text(), "ZC1-Fatal-123: Cannot seek temporary file\n");
}

}  // namespace
}  // namespace kz::cfront::testing
