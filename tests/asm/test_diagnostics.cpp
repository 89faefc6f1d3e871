#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "asm/diagnostics.h"
#include "tests/asm/test_support.h"

namespace kz::assembler {
namespace {

class RecordingListing : public ListingSink {
 public:
  void writeMessageLine(std::string_view text) override { lines.emplace_back(text); }
  void writeSummary(int errors, int warnings) override {
    lines.push_back("summary " + std::to_string(errors) + " " + std::to_string(warnings));
  }
  std::vector<std::string> lines;
};

using testing::readStream;

class DiagnosticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    workDir = std::filesystem::temp_directory_path() / ("kzdiag-" + std::to_string(::getpid()));
    std::filesystem::create_directories(workDir);
    options.sourceFileName = "main.asm";
    out = std::tmpfile();
    err = std::tmpfile();
    diagnostics = std::make_unique<Diagnostics>(options, workDir.string() + "/", out, err);
    diagnostics->setListing(&listing);
    diagnostics->setFileNameLookup([](int index) { return index == 0 ? "main.asm" : "inc.h"; });
  }
  void TearDown() override {
    diagnostics.reset();
    std::fclose(out);
    std::fclose(err);
    EXPECT_TRUE(std::filesystem::is_empty(workDir)) << "message files left behind";
    std::filesystem::remove_all(workDir);
  }

  std::filesystem::path workDir;
  RunOptions options;
  std::FILE* out = nullptr;
  std::FILE* err = nullptr;
  RecordingListing listing;
  std::unique_ptr<Diagnostics> diagnostics;
};

TEST_F(DiagnosticsTest, MessagesShowAfterTheirLineInPassOrder) {
  diagnostics->reportCommandLineWarning(Message::ignoredOption, "-o");
  diagnostics->setPass(PassKind::pass1);
  diagnostics->beginStatement(0, 2);
  diagnostics->reportError(Message::undefinedSymbol);
  diagnostics->beginStatement(1, 2);
  diagnostics->reportWarning(Message::illegalEscape);
  diagnostics->setPass(PassKind::sizing, 1);
  diagnostics->beginStatement(0, 2);
  diagnostics->reportError(Message::undefinedSymbol);
  diagnostics->reportError(
      Message::relativeOutOfRange);  // only the first error of a statement in a sizing pass
  diagnostics->setPass(PassKind::final);

  diagnostics->flushMessages(0, 1);
  EXPECT_EQ(listing.lines, std::vector<std::string>{"ASMZEL-Warning-519 : Ignored option '-o'"});
  listing.lines.clear();
  diagnostics->beginStatement(0, 2);
  diagnostics->reportWarning(Message::valueOutOfRange);
  diagnostics->flushMessages(0, 2);
  EXPECT_EQ(listing.lines, (std::vector<std::string>{
                               "main.asm 2 : ASMZEL-Error-221 : Undefined symbol",
                               "main.asm 2 : ASMZEL-Error-221 : Undefined symbol",
                               "main.asm 2 : ASMZEL-Warning-501 : Operand value is out of range"}));
  listing.lines.clear();
  diagnostics->flushMessages(1, 2);
  EXPECT_EQ(listing.lines,
            std::vector<std::string>{"inc.h 2 : ASMZEL-Warning-516 : Illegal escape sequence"});
  EXPECT_EQ(diagnostics->errorCount(), 2);
  EXPECT_EQ(diagnostics->warningCount(), 3);
  EXPECT_EQ(readStream(err),
            "ASMZEL-Warning-519 : Ignored option '-o'\n"
            "main.asm 2 : ASMZEL-Error-221 : Undefined symbol\n"
            "main.asm 2 : ASMZEL-Error-221 : Undefined symbol\n"
            "main.asm 2 : ASMZEL-Warning-501 : Operand value is out of range\n"
            "inc.h 2 : ASMZEL-Warning-516 : Illegal escape sequence\n");
}

TEST_F(DiagnosticsTest, RecordingRulesOfThePasses) {
  diagnostics->setPass(PassKind::pass1);
  diagnostics->beginStatement(0, 1);
  diagnostics->reportError(Message::typeMismatch);
  diagnostics->reportError(Message::typeMismatch);  // once per statement in pass 1
  diagnostics->reportError(Message::undefinedSymbol);
  EXPECT_TRUE(diagnostics->statementHasError());
  diagnostics->setPass(PassKind::sizing, 2);
  diagnostics->beginStatement(0, 2);
  EXPECT_FALSE(diagnostics->statementHasError());
  diagnostics->reportWarning(
      Message::valueOutOfRange);  // warnings only in the first sizing repetition
  diagnostics->reportWarning(Message::optimizationsLost);  // except this one
  diagnostics->setPass(PassKind::final);
  diagnostics->flushRemaining();
  EXPECT_EQ(listing.lines, (std::vector<std::string>{
                               "main.asm 1 : ASMZEL-Error-230 : Operand type mismatch",
                               "main.asm 1 : ASMZEL-Error-221 : Undefined symbol",
                               "main.asm 2 : ASMZEL-Warning-503 : Some optimizations lost"}));
}

TEST_F(DiagnosticsTest, WarningSuppressionAndMessageName) {
  options.quietWarnings = true;
  options.messageName = "shown";
  diagnostics->setPass(PassKind::final);
  diagnostics->beginStatement(0, 7);
  diagnostics->reportWarning(Message::valueOutOfRange);
  diagnostics->reportWarning(Message::tooLongTitle);
  diagnostics->reportError(Message::multiDefined, "twice");
  diagnostics->flushMessages(0, 7);
  EXPECT_EQ(listing.lines, (std::vector<std::string>{
                               "shown 7 : ASMZEL-Warning-502 : Too long title",
                               "shown 7 : ASMZEL-Error-203 : Multi-defined symbol \"twice\""}));
  options.suppressWarnings = true;
  diagnostics->reportWarning(Message::tooLongTitle);
  diagnostics->flushMessages(0, 7);
  EXPECT_EQ(diagnostics->warningCount(), 1);
}

TEST_F(DiagnosticsTest, LineNumbersBeyondFiveDigitsSurviveTheMessageFile) {
  diagnostics->setPass(PassKind::pass1);
  diagnostics->beginStatement(3, 1234567);
  diagnostics->reportError(Message::syntaxError);
  diagnostics->setPass(PassKind::final);
  diagnostics->flushMessages(3, 1234567);
  EXPECT_EQ(listing.lines,
            std::vector<std::string>{"inc.h 1234567 : ASMZEL-Error-200 : Syntax error"});
}

TEST_F(DiagnosticsTest, MessagesOfUnlistedLinesAreNotLost) {
  diagnostics->setPass(PassKind::pass1);
  diagnostics->beginStatement(0, 5);
  diagnostics->reportWarning(Message::textAfterEnd);
  diagnostics->setPass(PassKind::final);
  diagnostics->flushMessages(0, 9);
  EXPECT_TRUE(listing.lines.empty());
  diagnostics->flushRemaining();
  EXPECT_EQ(listing.lines.size(), 1u);
}

}  // namespace
}  // namespace kz::assembler
