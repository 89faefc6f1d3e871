// The option table's matching order and what each kind of option does with its argument,
// including the limits and the messages of bad options.
#include <gtest/gtest.h>

#include <vector>

#include "cfront/command_line.h"
#include "cfront/option_table.h"
#include "tests/cfront/harness.h"

namespace kz::cfront::testing {
namespace {

struct MatchCase {
  const char* word;
  const char* letters;  // the row that wins, "" for none
};

class OptionMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(OptionMatch, TakesTheFirstRowInTableOrder) {
  const OptionRow* row = matchOption(GetParam().word);
  EXPECT_EQ(row ? row->letters : std::string_view{}, GetParam().letters) << GetParam().word;
}

INSTANTIATE_TEST_SUITE_P(
    Words, OptionMatch,
    ::testing::Values(MatchCase{"Xec", "Xec"}, MatchCase{"Xe", "Xe"}, MatchCase{"Xecx", "Xec"},
                      MatchCase{"Xex", "Xe"}, MatchCase{"zTT", "zTT"}, MatchCase{"zT", "zT"},
                      MatchCase{"zTx", "zT"}, MatchCase{"Vanything", "V"}, MatchCase{"XP", "XP"},
                      MatchCase{"Xp4", "Xp"}, MatchCase{"XQ", "X"}, MatchCase{"Zq", "Z"},
                      MatchCase{"zq", "z"}, MatchCase{"GN", "GN"}, MatchCase{"G", ""},
                      MatchCase{"q", ""}, MatchCase{"e", "e"}, MatchCase{"E", "E"}));

// Records what the scan asks of the macro table and the rest of the run.
class RecordedActions : public OptionActions {
 public:
  void defineMacro(std::string_view text) override { log += "D" + std::string(text) + ";"; }
  void undefineMacro(std::string_view name) override { log += "U" + std::string(name) + ";"; }
  void undefinePredefined() override { log += "u;"; }
  void openErrorFile(const std::string& name) override { log += "e" + name + ";"; }
  void printBanner() override { log += "V;"; }
  void printNote(std::string_view text) override { log += std::string(text) + ";"; }
  std::string log;
};

struct Scan {
  RunOptions options;
  RecordedActions actions;
  std::string messages;
  unsigned errors = 0;
  unsigned warnings = 0;

  explicit Scan(const std::vector<std::string>& words) {
    CapturedStream stream;
    Diagnostics diagnostics(options, stream.stream());
    OptionScanner(options, diagnostics, actions).scan(words);
    messages = stream.text();
    errors = diagnostics.errorCount();
    warnings = diagnostics.warningCount();
  }
};

TEST(OptionScan, SecondPreprocessModeIsReportedAndTheFirstKept) {
  Scan scan({"-E", "-P"});
  EXPECT_EQ(scan.options.ppMode, 'E');
  EXPECT_EQ(scan.messages, "ZC1-Warning-500: Duplicate option '-P'\n");
}

TEST(OptionScan, WarningLevels) {
  EXPECT_EQ(Scan({"-w"}).options.warnLevel, 0);
  EXPECT_EQ(Scan({"-w3"}).options.warnLevel, 3);
  Scan high({"-w2", "-w4"});
  EXPECT_EQ(high.options.warnLevel, 2);
  EXPECT_EQ(high.messages, "ZC1-Warning-501: Illegal option '-w4'\n");
  EXPECT_EQ(Scan({"-w-1"}).messages, "ZC1-Warning-501: Illegal option '-w-1'\n");
  EXPECT_EQ(Scan({"-wx"}).messages, "ZC1-Warning-501: Illegal option '-wx'\n");
}

TEST(OptionScan, PackingTakesExactlyOneOfThreeDigits) {
  Scan two({"-Xp2"});
  EXPECT_EQ(two.options.packAlign, 2);
  EXPECT_EQ(two.options.packAlignDefault, 2);
  for (const char* bad : {"-Xp3", "-Xp", "-Xp22"}) {
    Scan scan({bad});
    EXPECT_EQ(scan.options.packAlign, 1) << bad;
    EXPECT_EQ(scan.messages, std::string("ZC1-Warning-501: Illegal option '") + bad + "'\n");
  }
}

TEST(OptionScan, DebugLetters) {
  EXPECT_EQ(Scan({"-g"}).options.debugFlags, 7);
  EXPECT_EQ(Scan({"-gtd"}).options.debugFlags, 0x06);
  EXPECT_EQ(Scan({"-GF", "-gb"}).options.debugFlags, 0x29);
  EXPECT_EQ(Scan({"-gq"}).messages, "ZC1-Warning-501: Illegal option '-gq'\n");
}

TEST(OptionScan, PointerAndDisplacementSizes) {
  Scan far({"-Zz", "far"});
  EXPECT_EQ(far.messages, "ZC1-Warning-650: Illegal pointer size\n");
  EXPECT_EQ(far.errors, 0u);
  Scan compact({"-Zzcompact"});
  EXPECT_EQ(compact.messages, "ZC1-Error-400: Illegal pointer size\n");
  EXPECT_EQ(compact.errors, 1u);
  Scan tiny({"-Zx", "tiny", "-Zyfar"});
  EXPECT_EQ(tiny.options.displacementX, SizeWord::tiny);
  EXPECT_EQ(tiny.messages, "ZC1-Error-401: Illegal displacement size\n");
  EXPECT_EQ(Scan({"-Zz", "big"}).messages, "ZC1-Warning-501: Illegal option '-Zz big'\n");
  EXPECT_EQ(Scan({"-ZDhuge"}).messages, "ZC1-Warning-501: Illegal option '-ZD'\n");
}

TEST(OptionScan, RequiredArgumentsComeFromTheWordOrTheNext) {
  Scan scan({"-Iinc", "-I", "other", "-Dname=1", "-D", "two", "-U"});
  EXPECT_EQ(scan.options.includeDirs, (std::vector<std::string>{"inc", "other"}));
  EXPECT_EQ(scan.actions.log, "Dname=1;Dtwo;");
  EXPECT_EQ(scan.messages, "ZC1-Warning-503: Option '-U' requires an argument\n");
}

TEST(OptionScan, FileNamesAndStandardStreams) {
  Scan both({"in.c", "-E", "out.i"});
  EXPECT_EQ(both.options.inputName, "in.c");
  EXPECT_EQ(both.options.outputName, "out.i");
  Scan dash({"-", "out.i", "third"});
  EXPECT_FALSE(dash.options.inputName);
  EXPECT_EQ(dash.options.outputName, "out.i");
  EXPECT_EQ(dash.messages, "ZC1-Warning-501: Illegal option 'third'\n");
}

TEST(OptionScan, IncludeDefineAndUndefineLimits) {
  std::vector<std::string> words;
  for (int i = 0; i < 33; ++i) words.push_back("-Id" + std::to_string(i));
  for (int i = 0; i < 256; ++i) words.push_back("-DM" + std::to_string(i));
  for (int i = 0; i < 257; ++i) words.push_back("-UM" + std::to_string(i));
  Scan scan(words);
  EXPECT_EQ(scan.options.includeDirs.size(), 31u);
  EXPECT_EQ(scan.messages,
            "ZC1-Error-365: Compiler limit, too many -I options\n"
            "ZC1-Error-366: Compiler limit, too many -D options\n"
            "ZC1-Error-367: Compiler limit, too many -U options\n");
  EXPECT_EQ(scan.errors, 3u);
  EXPECT_EQ(std::count(scan.actions.log.begin(), scan.actions.log.end(), ';'), 255 + 255);
}

TEST(OptionScan, AcceptedIgnoredAndRejectedOptions) {
  Scan scan({"-Xq", "-Zq", "-Z", "arg", "-zq", "-Xd", "-Y", "-zYY", "-Xec", "-Xa", "-Vx"});
  EXPECT_TRUE(scan.options.enumBySize);
  EXPECT_EQ(scan.options.ansiMode, 1);
  EXPECT_EQ(scan.actions.log, "not use -zYY, remake YYDEBUG;V;");
  EXPECT_EQ(scan.messages,
            "ZC1-Warning-501: Illegal option '-Xd'\nZC1-Warning-501: Illegal option '-Y'\n");
  EXPECT_FALSE(scan.options.inputName);  // "arg" was the argument of -Z
}

TEST(OptionScan, VersionRecordTextLeavesOutTheFileNames) {
  EXPECT_EQ(optionTextOf({"-E", "in.c", "-I", "inc", "-Dx", "out.i", "-GN", "n.c", "-"}),
            "-E -I inc -Dx -GN n.c");
}

}  // namespace
}  // namespace kz::cfront::testing
