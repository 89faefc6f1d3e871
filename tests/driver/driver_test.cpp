#include "driver/driver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/driver/fake_runner.h"

namespace kz::driver {
namespace {

namespace fs = std::filesystem;
using enum OptionAction;
using enum SourceKind;

constexpr std::array kTools = std::to_array<ToolRule>({
    {"pre", true, false},
    {"asm", false, false},
    {"late", false, true},
    {"lnk", true, false},
});
constexpr std::array kUpper = std::to_array<OptionEntry>({
    {1, "D:", toolBit(0) | kSeparateArgument, none},
    {2, "I(", toolBit(0) | toolBit(1) | kSeparateArgument | kDriverAction, includeDirectory},
    {3, "N)", toolBit(1), none},
    {4, "Q", kDriverAction, ignored},
    {5, "W+", kDriverAction, passToTool},
    {6, "Y+", kDriverAction, toolDirectory},
    {7, "V", kDriverAction, version},
    {135, "Z", toolBit(3), none},
});
constexpr std::array kOther = std::to_array<OptionEntry>({
    {40, "c", kDriverAction, noLink},
    {41, "f(", kDriverAction, commandFile},
    {42, "o(", kDriverAction, outputFile},
    {43, "q-", toolBit(1), none},
    {44, "#", kDriverAction, printOnly},
    {45, "$", kDriverAction, quiet},
});
constexpr std::array kSuffixes = std::to_array<SuffixRule>({
    {"pp", preprocessedSource, ""},
    {"asm", assemblySource, ""},
    {"zz", assemblySource, ""},
    {"rel", object, ""},
    {"", object, "an 'object'"},
});
constexpr std::array kStages = std::to_array<StageRule>({
    {0, preprocessedSource, assemblySource, ".asm", ""},
    {1, assemblySource, object, ".rel", ".lst"},
});
constexpr std::array<int, 1> kIncludeDot = {0};
constexpr DriverConfig kConfig{
    .title = "Test Driver",
    .versionLine = "Driver Version 9",
    .optionsVariable = "TESTDRV",
    .environmentFile = "testdrv.env",
    .helpFile = "testdrv.hlp",
    .warningPrefix = "t-W-",
    .fatalPrefix = "t-F-",
    .keptTemplate = "\\TEXXXXXX",
    .scratchTemplate = "\\TFXXXXXX",
    .tools = kTools,
    .upperOptions = kUpper,
    .otherOptions = kOther,
    .suffixes = kSuffixes,
    .stages = kStages,
    .assemblerTool = 1,
    .linkerTool = 3,
    .highestPassToolNumber = 3,
    .processorOption = "-KZEL",
    .imageSuffix = ".abs",
    .alternateImageSuffix = ".abf",
    .mapSuffix = ".map",
    .currentDirectoryIncludeTools = kIncludeDot,
};

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kzdriver-" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "etc");
    std::ofstream(dir_ / "etc" / "testdrv.env") << "V 2.0\nsecond line\n";
    std::ofstream(dir_ / "etc" / "testdrv.hlp") << "help text\n";
  }
  void TearDown() override { fs::remove_all(dir_); }

  int run(std::vector<std::string> arguments, std::vector<std::string> extraEnvironment = {}) {
    arguments.insert(arguments.begin(), "testdrv");
    std::vector<std::string> environment = {"KHOMEZEL=" + dir_.string(), "TMP=" + dir_.string()};
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    out_.str("");
    err_.str("");
    Driver driver(kConfig, ProgramEnvironment(arguments, environment), runner_, out_, err_);
    int status = driver.run();
    temporaries_ = 0;
    for (const auto& entry : fs::directory_iterator(dir_))
      temporaries_ += entry.path().filename().string().starts_with("T");
    return status;
  }
  std::vector<std::string> words(std::size_t start) const {
    const auto& block = runner_.starts.at(start).block;
    return {block.begin() + 7, block.end()};
  }

  fs::path dir_;
  FakeRunner runner_;
  std::ostringstream out_, err_;
  int temporaries_ = 0;
};

using Words = std::vector<std::string>;

TEST_F(DriverTest, HandOverBlockAndStageOrder) {
  ASSERT_EQ(run({"-$", "-Iinc", "-D", "X=1", "a.pp", "-Z", "lib.x"}), 0);
  ASSERT_EQ(runner_.starts.size(), 3u);
  const auto& first = runner_.starts[0];
  EXPECT_EQ(first.name, "pre");
  EXPECT_EQ(first.path, "./pre");
  Words head(first.block.begin(), first.block.begin() + 7);
  EXPECT_EQ(head, (Words{" ", " ", " ", " ", dir_.string(), " ", dir_.string()}));
  std::string temp1 = dir_.string() + "/TE000000";
  EXPECT_EQ(words(0),
            (Words{"-KZEL", "-D", "X=1", "-I", ".", "-I", "inc", "-$", "-o", temp1, "a.pp"}));
  // The flag is set once a tool has started: later stages name the user's source.
  EXPECT_EQ(words(1), (Words{"-I", "inc", "-$", "-GN", "a.pp", "-o", "a.rel", temp1}));
  EXPECT_EQ(words(2), (Words{"a.rel", "-KZEL", "-Z", "lib.x", "-$", "-o", "a.abs"}));
  EXPECT_EQ(err_.str(), "t-W-522 : Unknown suffix, \"lib.x\" used as an 'object' file\n");
  EXPECT_EQ(temporaries_, 0);
}

TEST_F(DriverTest, FailingStageStopsEverythingAfterIt) {
  runner_.statuses = {0, 5};
  EXPECT_EQ(run({"-$", "a.pp", "b.asm"}), 1);
  EXPECT_EQ(runner_.starts.size(), 2u);  // no b.asm stage, no link
  EXPECT_EQ(temporaries_, 0);
}

TEST_F(DriverTest, ToolThatCannotStartEndsTheRunInEitherWording) {
  runner_.statuses = {-1};
  EXPECT_EQ(run({"-$", "a.asm"}), 255);
  EXPECT_EQ(err_.str(), "t-F-116 : Can't execute \"./asm\"\n");
  runner_.statuses = {-1};
  EXPECT_EQ(run({"-$", "-Y2,/opt/t", "-W2,-x", "a.rel"}), 255);  // tool 2 never runs here
  runner_.starts.clear();
  runner_.statuses = {0, -1};
  EXPECT_EQ(run({"-$", "-Y3,/opt/t", "a.asm"}), 255);
  EXPECT_EQ(runner_.starts.back().path, "/opt/t/lnk");
  EXPECT_EQ(temporaries_, 0);
}

TEST_F(DriverTest, SecondExecWordingExitsWithThree) {
  // A configuration whose link tool uses the second wording.
  DriverConfig config = kConfig;
  constexpr std::array tools = std::to_array<ToolRule>(
      {{"pre", true, false}, {"asm", false, false}, {"late", false, true}, {"lnk", true, true}});
  config.tools = tools;
  runner_.statuses = {0, -1};
  Driver driver(config,
                ProgramEnvironment({"t", "-$", "a.asm"},
                                   {"KHOMEZEL=" + dir_.string(), "TMP=" + dir_.string()}),
                runner_, out_, err_);
  EXPECT_EQ(driver.run(), 3);
  EXPECT_EQ(err_.str(), "t-F-116: cannot execute \"./lnk\"\n");
}

TEST_F(DriverTest, ArgumentKindsAndTheirMessages) {
  EXPECT_EQ(run({"-$", "-#", "-N12", "-q", "-qz", "-o", "--", "-x.abs", "a.asm"}), 0);
  EXPECT_NE(out_.str().find("'-N12' '-q' '-qz' '-$' '-o' 'a.rel'"), std::string::npos)
      << out_.str();
  EXPECT_NE(out_.str().find("'-o' '--' '-x.abs'"), std::string::npos) << out_.str();

  struct Case {
    Words arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"-N1a", "a.asm"}, "t-F-112 : Not allowed character \"N1a\""},
      {{"-D"}, "t-F-106 : Missing parameter \"-D\""},
      {{"-D", "-c", "a.asm"}, "t-F-106 : Missing parameter \"-D\""},
      {{"-o", "--"}, "t-F-106 : Missing parameter \"-o\""},
      {{",x"}, "t-F-106 : Missing parameter \",x\""},
      {{"-cq", "a.asm"}, "t-F-109 : Unrecognized option \"-cq\""},
      {{"-W9,a", "a.asm"}, "t-F-113 : Invalid subargument \"-W9,a\""},
      {{"-W", "1", "a.asm"}, "t-F-113 : Invalid subargument \"-W1\""},
      {{"-W1,a,,b", "a.asm"}, "t-F-113 : Invalid subargument \"-W1,a,,b\""},
      {{"-Y1,", "a.asm"}, "t-F-113 : Invalid subargument \"-Y1,\""},
      {{"-$"}, "t-F-100 : No source file found in invocation"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.arguments), 255) << c.message;
    EXPECT_EQ(err_.str(), c.message + "\n");
    EXPECT_EQ(temporaries_, 0);
  }
}

TEST_F(DriverTest, OptionSetAndIgnoredOptions) {
  Driver driver(kConfig,
                ProgramEnvironment({"t", "-#", "-$", "-Q", "-Z", "a.rel"},
                                   {"KHOMEZEL=" + dir_.string(), "TMP=" + dir_.string()}),
                runner_, out_, err_);
  EXPECT_EQ(driver.run(), 0);
  EXPECT_EQ(err_.str(), "t-W-521 : Ignored option \"-Q\"\n");
  EXPECT_TRUE(driver.optionSet().test(135));
  EXPECT_TRUE(driver.optionSet().test(44));
  EXPECT_FALSE(driver.optionSet().test(4));
  EXPECT_EQ(driver.optionSet().count(), 3u);
}

TEST_F(DriverTest, CommandAndOptionsFilesKeepTheirOrder) {
  std::ofstream(dir_ / "cmd.txt") << "-Dcmd \"b c.asm\"\n";
  std::ofstream(dir_ / "opts.txt") << "-Dopt -q\\\"x\n";
  std::string cmd = (dir_ / "cmd.txt").string();
  ASSERT_EQ(run({"-#", "-$", "-c", "-f", "--", cmd, "-Dlast", "a.pp"},
                {"TESTDRV=" + (dir_ / "opts.txt").string()}),
            0);
  // pre sees the options in reading order; "b c.asm" goes to asm quoted as one word.
  EXPECT_NE(out_.str().find("'-KZEL' '-D' 'cmd' '-D' 'last' '-D' 'opt' '-I'"), std::string::npos)
      << out_.str();
  EXPECT_NE(out_.str().find("'-q\"x' '-$' '-o' '\"b c.rel\"' '\"b c.asm\"'"), std::string::npos)
      << out_.str();
}

TEST_F(DriverTest, BannerAndHelp) {
  EXPECT_EQ(run({}), 0);
  EXPECT_EQ(out_.str().substr(0, 17), "Test Driver  V 2.");
  EXPECT_NE(out_.str().find("\n\nhelp text\n"), std::string::npos);
  EXPECT_EQ(out_.str().find("Driver Version"), std::string::npos);
  EXPECT_EQ(run({"-V"}), 0);  // a bare -V runs nothing
  EXPECT_NE(out_.str().find("V 2.0\nDriver Version 9\n"), std::string::npos);
  EXPECT_TRUE(runner_.starts.empty());
  fs::remove(dir_ / "etc" / "testdrv.env");
  EXPECT_EQ(run({"a.asm"}, {"KHOME=/nonexistent"}), 255);
  EXPECT_NE(err_.str().find("t-F-20 : Can't open : ./etc/testdrv.env"), std::string::npos)
      << err_.str();
}

TEST(WordSplitting, QuotesAndBackslashes) {
  EXPECT_EQ(splitFileWords("a  \"b c\"\n\td\\\"e f\\g \"\""),
            (Words{"a", "b c", "d\"e", "f\\g", ""}));
  EXPECT_EQ(splitFileWords("x\"y z\"w"), (Words{"xy zw"}));
  EXPECT_TRUE(splitFileWords(" \r\n").empty());
}

}  // namespace
}  // namespace kz::driver
