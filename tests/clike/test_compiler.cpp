#include <gtest/gtest.h>

#include <filesystem>

#include "clike/compiler.h"
#include "tests/clike/test_support.h"

namespace kz::clike {
namespace {

namespace fs = std::filesystem;
using testing::CapturedStream;

// A whole run in this process, in a scratch directory that also holds the work files.
class CompilerRun : public ::testing::Test {
 protected:
  CompilerRun() {
    char pattern[] = "/tmp/kzclrunXXXXXX";
    directory = ::mkdtemp(pattern);
  }
  ~CompilerRun() override { fs::remove_all(directory); }

  int run(const std::string& source, std::vector<std::string> options) {
    std::ofstream(directory / "a.c", std::ios::binary) << source;
    std::vector<std::string> argv{"clzel", "-$"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back("-o");
    argv.push_back((directory / "a.asm").string());
    argv.push_back((directory / "a.c").string());
    Compiler compiler(ProgramEnvironment(argv, {"TMP=" + directory.string() + "/"}),
                      {out.stream(), err.stream()});
    return compiler.run();
  }

  int workFiles() const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(directory))
      count += entry.path().filename().string().starts_with("TP");
    return count;
  }
  bool outputExists() const { return fs::exists(directory / "a.asm"); }

  fs::path directory;
  CapturedStream out, err;
};

TEST_F(CompilerRun, CleanRunKeepsTheOutputOnly) {
  EXPECT_EQ(run("#asm\n nop\n#endasm\n", {}), 0);
  EXPECT_TRUE(outputExists());
  EXPECT_EQ(workFiles(), 0);
}

TEST_F(CompilerRun, ErrorsRemoveTheOutput) {
  // The listing goes to the scratch directory: a test leaves nothing behind.
  EXPECT_EQ(run("@\n", {"-lx3f", (directory / "a.cpl").string()}), 255);
  EXPECT_FALSE(outputExists());
  EXPECT_EQ(workFiles(), 0);
}

TEST_F(CompilerRun, ReducedMessagesKeepOutputAndWorkFileOnErrors) {
  EXPECT_EQ(run("@\n#asm\n nop\n#endasm\n", {"-zr"}), 255);
  EXPECT_TRUE(outputExists());
  EXPECT_EQ(workFiles(), 1);
  std::ifstream in(directory / "a.asm");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "\tmodule\ta\n nop\n\tend\n");
}

// An older, longer output is written over: nothing of it stays behind the new text, on a
// clean run and on a failed one whose output is kept.
TEST_F(CompilerRun, AnOlderOutputIsReplacedWhole) {
  auto outputText = [this] {
    std::ifstream in(directory / "a.asm", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  const std::string older(100000, 'x');
  std::ofstream(directory / "a.asm", std::ios::binary) << older;
  EXPECT_EQ(run("#asm\n nop\n#endasm\n", {}), 0);
  EXPECT_EQ(outputText(), "\tmodule\ta\n nop\n\tend\n");
  std::ofstream(directory / "a.asm", std::ios::binary) << older;
  EXPECT_EQ(run("@\n#asm\n halt\n#endasm\n", {"-zr"}), 255);
  EXPECT_EQ(outputText(), "\tmodule\ta\n halt\n\tend\n");
  // A shorter older file grows to the new text.
  std::ofstream(directory / "a.asm", std::ios::binary) << "x";
  EXPECT_EQ(run("#asm\n nop\n#endasm\n", {}), 0);
  EXPECT_EQ(outputText(), "\tmodule\ta\n nop\n\tend\n");
}

TEST_F(CompilerRun, ReducedMessagesOnACleanRunLeaveNoWorkFile) {
  EXPECT_EQ(run(";\n", {"-zr"}), 0);
  EXPECT_EQ(workFiles(), 0);
}

TEST_F(CompilerRun, FatalUnderReducedMessagesKeepsTheWorkFile) {
  EXPECT_EQ(run("/* open\n", {"-zr"}), 255);
  EXPECT_EQ(workFiles(), 1);
  EXPECT_NE(err.text().find("CLZEL-Fatal-127: Premature EOF"), std::string::npos);
}

TEST_F(CompilerRun, SyntaxCheckRemovesTheOutput) {
  EXPECT_EQ(run(";\n", {"-Xt"}), 0);
  EXPECT_FALSE(outputExists());
  EXPECT_EQ(workFiles(), 0);
}

TEST_F(CompilerRun, MissingWorkDirectoryIsFatal20) {
  std::ofstream(directory / "a.c") << "x;\n";
  std::vector<std::string> argv{"clzel", "-$", (directory / "a.c").string()};
  Compiler compiler(ProgramEnvironment(argv, {"TMP=" + directory.string() + "/none"}),
                    {out.stream(), err.stream()});
  EXPECT_EQ(compiler.run(), 255);
  EXPECT_NE(err.text().find("CLZEL-Fatal-20: Can't open"), std::string::npos);
}

}  // namespace
}  // namespace kz::clike
