// Input meant to break the assembler: each case must end promptly with a message and a
// status, never a crash, a hang or a runaway in time or memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "tests/asm/assemble_helper.h"

namespace kz::assembler {
namespace {

using testing::assemble;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

std::string chain(const std::string& first, const std::string& link, int links) {
  std::string text = first;
  text.reserve(first.size() + link.size() * static_cast<std::size_t>(links));
  for (int i = 0; i < links; ++i) text += link;
  return text;
}

// A scratch directory and a whole run of the assembler in it.
class HostileRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kzhostile-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

  struct Result {
    int status = 0;
    std::string err;
  };
  Result run(std::vector<std::string> arguments, std::FILE* out = nullptr) const {
    arguments.insert(arguments.begin(), {"asmzel", "-$"});
    std::FILE* err = std::tmpfile();
    std::FILE* console = out ? out : std::tmpfile();
    Result result;
    {
      Assembler assembler(ProgramEnvironment(arguments, {"TMP=" + dir_.string()}),
                          Console{console, err});
      result.status = assembler.run();
    }
    result.err = testing::readStream(err);
    std::fclose(err);
    if (!out) std::fclose(console);
    return result;
  }

  fs::path dir_;
};

// 40 000 operators in one line, more than a recursion as deep as the chain survived: folded
// on a stack of values instead.
TEST(HostileExpressions, LongOperatorChainsFoldInEquAndOperands) {
  auto run = assemble("prog SECTION CODE\nx EQU " + chain("1", "+1", 39999) + "\n DL x\n LD A," +
                      chain("1", "-1+1", 20000) + "\n END\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.bytesAt(3), (Bytes{0x40, 0x9C, 0x00, 0x00}));
  EXPECT_EQ(run.bytesAt(4).size(), 2u);
  EXPECT_EQ(run.bytesAt(4).back(), 1);
}

// A value for the linker is an expression record: past 1024 terms it is error 204, so no
// record (and no walk over its tree) grows with the source.
TEST(HostileExpressions, ValuesForTheLinkerHaveAtMost1024Terms) {
  auto run = assemble(" EXTERN ext\nprog SECTION CODE\n DW " + chain("ext", "+1", 600) + "\n DW " +
                      chain("ext", "*2", 400) + "\nbig EQU " + chain("ext", "*2", 400) +
                      "\nbigger EQU big+big\n DW bigger+bigger\n END\n");
  EXPECT_EQ(run.err,
            "3 : ASMZEL-Error-204 : Invalid relocatable expression\n"
            "6 : ASMZEL-Error-204 : Invalid relocatable expression\n");
  EXPECT_EQ(run.bytesAt(4).size(), 2u);
}

// Repetitions past the end of the address space are error 228 and are never built: without
// that the first line alone took seconds and hundreds of megabytes.
TEST(HostileData, RepetitionsPastTheAddressSpaceAreNotBuilt) {
  auto run = assemble(
      "prog SECTION CODE\n DFB 399999999,1,2\n DFD 2000000000,1\n DSL 2000000000\n"
      " DFB 60000,1\n END\n");
  EXPECT_EQ(run.err, "2 : ASMZEL-Error-228 : Overflow in location counter\n");
  EXPECT_EQ(run.status, 16);
  for (long line : {2, 3, 4, 5}) {
    ASSERT_TRUE(run.at(line)) << line;
    EXPECT_TRUE(run.at(line)->failed) << line;
  }
  // Within the address space a repetition stays what it was.
  auto fits = assemble("prog SECTION CODE\n DFB 65535,1\n END\n");
  EXPECT_EQ(fits.err, "");
  ASSERT_TRUE(fits.at(2));
  EXPECT_EQ(fits.at(2)->repeat, 65535u);
}

TEST_F(HostileRun, ALineLongerThanTheReaderTakesIsFatal152) {
  write("long.asm", std::string(SourceReader::kMaxLineLength + 1, ' '));
  Result result = run({"-Xt", path("long.asm")});
  EXPECT_EQ(result.status, 192);
  EXPECT_NE(result.err.find("ASMZEL-Fatal-152"), std::string::npos) << result.err;
}

// Every file is read more than once, which a pipe or a device does not allow: the main
// source is fatal 102, an include error 236, and neither blocks.
TEST_F(HostileRun, SourcesThatAreNotRegularFilesAreRefused) {
  ASSERT_EQ(::mkfifo(path("pipe.asm").c_str(), 0600), 0);
  Result fifo = run({"-Xt", path("pipe.asm")});
  EXPECT_EQ(fifo.status, 128);
  EXPECT_NE(fifo.err.find("ASMZEL-Fatal-102"), std::string::npos) << fifo.err;

  Result device = run({"-Xt", "/dev/zero"});
  EXPECT_NE(device.err.find("ASMZEL-Fatal-102"), std::string::npos) << device.err;

  write("inc.asm", "prog SECTION CODE\n$INCLUDE \"/dev/zero\"\n$INCLUDE \"" + path("pipe.asm") +
                       "\"\n NOP\n END\n");
  Result include = run({"-Xt", path("inc.asm")});
  EXPECT_EQ(include.status, 16);
  EXPECT_NE(include.err.find("2 : ASMZEL-Error-236 : File must be a disk"), std::string::npos)
      << include.err;
  EXPECT_NE(include.err.find("3 : ASMZEL-Error-236 : File must be a disk"), std::string::npos)
      << include.err;
}

TEST_F(HostileRun, BackslashesSeparateDirectoriesInTheSourceName) {
  fs::create_directories(dir_ / "sub");
  write("sub/prog.asm", "prog SECTION CODE\n NOP\n END\n");
  std::string name = path("sub\\prog.asm");
  Result result = run({"-Xt", name});
  EXPECT_EQ(result.status, 0) << result.err;
}

// An empty error file goes at the end of a clean run only when this run made it and it is a
// regular file: a file that was there, or a pipe the name stands for, stays.
TEST_F(HostileRun, OnlyAnErrorFileThisRunMadeIsRemoved) {
  write("ok.asm", "prog SECTION CODE\n NOP\n END\n");
  EXPECT_EQ(run({"-Xt", "-e", path("made.err"), path("ok.asm")}).status, 0);
  EXPECT_FALSE(fs::exists(dir_ / "made.err"));

  write("there.err", "");
  EXPECT_EQ(run({"-Xt", "-e", path("there.err"), path("ok.asm")}).status, 0);
  EXPECT_TRUE(fs::exists(dir_ / "there.err"));

  ASSERT_EQ(::mkfifo(path("pipe.err").c_str(), 0600), 0);
  int holder = ::open(path("pipe.err").c_str(), O_RDWR);  // a reader, so opening does not wait
  EXPECT_EQ(run({"-Xt", "-e", path("pipe.err"), path("ok.asm")}).status, 0);
  ::close(holder);
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.err"));
}

// An object file that cannot be written ends in fatal 154; the abort path removes a regular
// file, but never what a pipe or device name stands for.
TEST_F(HostileRun, TheAbortPathRemovesOnlyARegularObjectFile) {
  // More than the writer's buffer: the part pointers are patched after the first bytes went
  // out, which a pipe cannot take.
  write("ok.asm", "prog SECTION CODE\n DFB 9000,1\n END\n");
  ASSERT_EQ(::mkfifo(path("pipe.rel").c_str(), 0600), 0);
  int holder = ::open(path("pipe.rel").c_str(), O_RDWR);
  Result result = run({"-o", path("pipe.rel"), path("ok.asm")});
  ::close(holder);
  EXPECT_EQ(result.status, 192);
  EXPECT_NE(result.err.find("ASMZEL-Fatal-154"), std::string::npos) << result.err;
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.rel"));
}

// A fatal diagnostic at the very end (here: the listing on a standard output that fails)
// still takes the object file away, and so does an error without -zr.
TEST_F(HostileRun, NoObjectFileAfterALateFatalOrAnError) {
  write("ok.asm", "prog SECTION CODE\n NOP\n END\n");
  std::FILE* full = std::fopen("/dev/full", "w");
  ASSERT_TRUE(full);
  Result late = run({"-l", "-lf", "con", "-o", path("ok.rel"), path("ok.asm")}, full);
  std::fclose(full);
  EXPECT_GE(late.status, 128);
  EXPECT_FALSE(fs::exists(dir_ / "ok.rel"));

  write("bad.asm", "prog SECTION CODE\n DB undefined\n END\n");
  EXPECT_EQ(run({"-o", path("bad.rel"), path("bad.asm")}).status, 16);
  EXPECT_FALSE(fs::exists(dir_ / "bad.rel"));
  EXPECT_EQ(run({"-zr", "-o", path("bad.rel"), path("bad.asm")}).status, 16);
  EXPECT_TRUE(fs::exists(dir_ / "bad.rel"));
  EXPECT_EQ(run({"-o", path("ok.rel"), path("ok.asm")}).status, 0);
  EXPECT_TRUE(fs::exists(dir_ / "ok.rel"));
}

}  // namespace
}  // namespace kz::assembler
