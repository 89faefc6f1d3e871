#include <gtest/gtest.h>

#include <filesystem>

#include "asm/command_line.h"
#include "asm/file_names.h"
#include "asm/option_lines.h"
#include "common/fatal_error.h"
#include "common/install_root.h"

namespace kz::assembler {
namespace {

struct Parsed {
  RunOptions options;
  std::vector<std::string> ignored;
};

Parsed parse(const std::vector<std::string>& arguments) {
  Parsed parsed;
  OptionSettings settings(parsed.options);
  parseCommandLine(arguments, settings);
  parsed.ignored = settings.ignoredOptions();
  return parsed;
}

int fatalNumberOf(const std::vector<std::string>& arguments) {
  try {
    parse(arguments);
  } catch (const FatalError& error) {
    return error.number();
  }
  return 0;
}

TEST(OptionMatching, TableOrderAndPrefixRules) {
  EXPECT_EQ(matchOption("-lsxp12").rule->text, "-lsxp");
  EXPECT_EQ(matchOption("-lsxp12").attached, "12");
  EXPECT_EQ(matchOption("-lsx1").rule->text, "-lsx");
  EXPECT_EQ(matchOption("-efile").attached, "file");
  EXPECT_EQ(matchOption("-Fa17").rule->text, "-Fa");
  EXPECT_EQ(matchOption("-g1").rule->text, "-g");
  EXPECT_EQ(matchOption("-O0").attached, "0");
  EXPECT_EQ(matchOption("-lffile").rule, nullptr);  // -lf takes the next argument only
  EXPECT_EQ(matchOption("-GNname").rule, nullptr);
  EXPECT_EQ(matchOption("-lxs1").rule, nullptr);
}

TEST(OptionParsing, ListingKindFirstLetterDecides) {
  EXPECT_EQ(parse({"-lsx", "a"}).options.listingKind, ListingKind::sourceOnly);
  EXPECT_EQ(parse({"-lxs", "a"}).options.listingKind, ListingKind::crossRef);
  EXPECT_EQ(parse({"-ls", "-lx", "a"}).options.listingKind, ListingKind::sourceOnly);
  EXPECT_EQ(parse({"-l", "a"}).options.listingKind, ListingKind::plain);
}

TEST(OptionParsing, PlainListingAndPageLengthExcludeEachOther) {
  auto plainFirst = parse({"-l", "-lp40", "a"}).options;
  EXPECT_FALSE(plainFirst.paged);
  auto pagedFirst = parse({"-lp40", "-l", "a"}).options;
  EXPECT_TRUE(pagedFirst.paged);
  EXPECT_EQ(pagedFirst.pageLength, 40);
}

TEST(OptionParsing, PageLengthAndWidthAreClampedAndCut) {
  EXPECT_EQ(parse({"-lp10", "a"}).options.pageLength, 33);
  EXPECT_EQ(parse({"-lp99999999", "a"}).options.pageLength, 65535);  // first six digits: 999999
  EXPECT_EQ(parse({"-lp0000401", "a"}).options.pageLength, 40);      // first six digits: 000040
  EXPECT_EQ(parse({"-lw300", "a"}).options.lineWidth, 256);
  EXPECT_EQ(parse({"-lw10", "a"}).options.lineWidth, 72);
  EXPECT_EQ(parse({"-lw01000", "a"}).options.lineWidth, 100);  // first four digits
}

TEST(OptionParsing, FirstValueWins) {
  auto options =
      parse({"-e", "one", "-etwo", "-o", "x.rel", "-oy.rel", "-g1", "-g0", "-w1", "-w", "a"})
          .options;
  EXPECT_EQ(options.errorFileName, "one");
  EXPECT_EQ(options.objectFileName, "x.rel");
  EXPECT_EQ(options.debugLevel, 1);
  EXPECT_FALSE(options.suppressWarnings);
}

TEST(OptionParsing, SyntaxOnlyAndObjectNameConflict) {
  auto xtFirst = parse({"-Xt", "-o", "x", "a"});
  EXPECT_TRUE(xtFirst.options.syntaxOnly);
  EXPECT_FALSE(xtFirst.options.objectFileName);
  EXPECT_EQ(xtFirst.ignored, std::vector<std::string>{"-o"});
  auto objectFirst = parse({"-o", "x", "-Xt", "a"});
  EXPECT_FALSE(objectFirst.options.syntaxOnly);
  EXPECT_EQ(objectFirst.ignored, std::vector<std::string>{"-Xt"});
}

TEST(OptionParsing, FillOptions) {
  auto kindsThenAll = parse({"-Fc", "-Fd7", "-Fa", "a"});
  EXPECT_EQ(kindsThenAll.ignored, (std::vector<std::string>{"-Fc", "-Fd"}));
  EXPECT_EQ(kindsThenAll.options.fill.code, 0);
  EXPECT_EQ(kindsThenAll.options.fill.data, 255);
  auto allThenKind = parse({"-Fa3", "-Fr", "a"});
  EXPECT_EQ(allThenKind.ignored, std::vector<std::string>{"-Fr"});
  EXPECT_EQ(allThenKind.options.fill.romData, 3);
  auto single = parse({"-Fd", "a"}).options.fill;
  EXPECT_FALSE(single.code);
  EXPECT_EQ(single.data, 255);
}

TEST(OptionParsing, FatalNumbers) {
  EXPECT_EQ(fatalNumberOf({"-lp", "a"}), 107);
  EXPECT_EQ(fatalNumberOf({"-lq", "a"}), 107);
  EXPECT_EQ(fatalNumberOf({"-lp4x", "a"}), 109);
  EXPECT_EQ(fatalNumberOf({"-lx2", "a"}), 105);
  EXPECT_EQ(fatalNumberOf({"-Fa256", "a"}), 105);
  EXPECT_EQ(fatalNumberOf({"-Fcx", "a"}), 109);
  EXPECT_EQ(fatalNumberOf({"-g2", "a"}), 105);
  EXPECT_EQ(fatalNumberOf({"-xx", "a"}), 109);
  EXPECT_EQ(fatalNumberOf({"-H1", "a"}), 109);
  EXPECT_EQ(fatalNumberOf({"a", "-o"}), 106);
  EXPECT_EQ(fatalNumberOf({"-o", "-x", "a"}), 105);
  EXPECT_EQ(fatalNumberOf({"-o", "--"}), 106);
  EXPECT_EQ(fatalNumberOf({"--", "a"}), 100);
  EXPECT_EQ(fatalNumberOf({"a", "--x"}), 101);
  EXPECT_EQ(fatalNumberOf({"-fcmd", "a"}), 111);  // a -f left after expansion came from a file
}

TEST(OptionParsing, DashDashTakesNextArgumentVerbatim) {
  auto options = parse({"-o", "--", "-odd.rel", "a"}).options;
  EXPECT_EQ(options.objectFileName, "-odd.rel");
  EXPECT_EQ(options.sourceFileName, "a");
  EXPECT_EQ(parse({"a", "b"}).options.sourceFileName, "b");
}

TEST(CommandFileWords, QuotesCtrlZAndSharedPool) {
  CommandFileWords pool;
  std::vector<std::string> words;
  pool.addText("one \"two words\" th\"re\"e\t\n\x1a four", words);
  EXPECT_EQ(words, (std::vector<std::string>{"one", "two words", "three"}));

  CommandFileWords limited;
  std::vector<std::string> many;
  std::string text;
  for (int i = 0; i < 700; ++i) text += "abc ";  // 700 words of 4 pool characters
  limited.addText(text, many);
  limited.addText("more", many);
  EXPECT_EQ(many.size(), 512u);  // 2048 / 4
}

struct OptionLineRun {
  RunOptions options;
  int refused = 0;
};

OptionLineRun applyLines(const std::vector<std::string>& commandLine,
                         const std::vector<std::string>& lines) {
  OptionLineRun run;
  OptionSettings settings(run.options);
  parseCommandLine(commandLine, settings);
  for (const auto& line : lines) applyOptionLine(line, settings, [&] { ++run.refused; });
  return run;
}

TEST(OptionLines, Classification) {
  EXPECT_EQ(classifyPrescanLine("   \t"), PrescanLine::skipped);
  EXPECT_EQ(classifyPrescanLine("  ; note"), PrescanLine::skipped);
  EXPECT_EQ(classifyPrescanLine("\t-g"), PrescanLine::options);
  EXPECT_EQ(classifyPrescanLine(" NOP"), PrescanLine::statement);
}

TEST(OptionLines, OptionsSplitAtBlanksDashesAndComments) {
  auto run = applyLines({"a"}, {"-g-lx ; -w", "-e err.txt -lp40"});
  EXPECT_EQ(run.refused, 0);
  EXPECT_EQ(run.options.debugLevel, 0);
  EXPECT_EQ(run.options.listingKind, ListingKind::crossRef);
  EXPECT_FALSE(run.options.suppressWarnings);
  EXPECT_EQ(run.options.errorFileName, "err.txt");
  EXPECT_EQ(run.options.pageLength, 40);
}

TEST(OptionLines, FixedSettingsAndUnknownOptionsAreRefused) {
  auto run = applyLines({"-o", "x.rel", "-ls", "a"},
                        {"-e e1 -e e2", "-o y.rel -f c.txt -xx -q", "-lx -lp40"});
  EXPECT_EQ(run.refused, 6);  // second -e, -o, -f, -xx, -q, -lx
  EXPECT_EQ(run.options.objectFileName, "x.rel");
  EXPECT_EQ(run.options.listingKind, ListingKind::sourceOnly);
  EXPECT_EQ(run.options.pageLength, 40);
}

TEST(OptionLines, MissingOrBadValuesAreRefusedNotFatal) {
  auto run = applyLines({"a"}, {"-e", "-lp", "-Fa999", "-o -g"});
  EXPECT_EQ(run.refused, 4);
  EXPECT_EQ(run.options.debugLevel, 0);
}

}  // namespace
}  // namespace kz::assembler

namespace kz::assembler {
namespace {

TEST(IncludeDirs, NormalisedAndCompleted) {
  std::string cwd = std::filesystem::current_path().string();
  auto options = parse({"-I", "inc\\sub", "-I/abs/dir/", "-Id:lib", "a"}).options;
  EXPECT_EQ(options.includeDirs,
            (std::vector<std::string>{cwd + "/inc/sub/", "/abs/dir/", "d:lib/"}));

  RunOptions withRoots;
  completeIncludeList(withRoots, ProgramEnvironment({"asmzel"}, {"KHOMEZEL=/opt/kz\\", "KHOME="}));
  EXPECT_EQ(withRoots.includeDirs, (std::vector<std::string>{"/opt/kz/include/", "./include/"}));

  RunOptions withoutRoots;
  withoutRoots.sourceFileName = "src\\prog.asm";
  completeIncludeList(withoutRoots, ProgramEnvironment({"asmzel"}, {}));
  // The test program's own root (a build tree holds etc/) comes before the source directory.
  std::vector<std::string> expected{"src/"};
  if (auto root = rootAboveExecutable()) expected.insert(expected.begin(), *root + "/include/");
  EXPECT_EQ(withoutRoots.includeDirs, expected);
}

TEST(IncludeDirs, FortyNineAtMost) {
  std::vector<std::string> arguments;
  for (int i = 0; i < 49; ++i) arguments.push_back("-Id" + std::to_string(i));
  arguments.push_back("a");
  auto options = parse(arguments).options;
  EXPECT_EQ(options.includeDirs.size(), 49u);
  EXPECT_THROW(completeIncludeList(options, ProgramEnvironment({"asmzel"}, {})), FatalError);
  arguments.insert(arguments.begin(), "-Iextra");
  EXPECT_EQ(fatalNumberOf(arguments), 158);
}

TEST(WorkDirectory, TmpUpToSemicolonWithSeparator) {
  EXPECT_EQ(workDirectoryOf(ProgramEnvironment({"a"}, {"TMP=/tmp/w;/other"})), "/tmp/w/");
  EXPECT_EQ(workDirectoryOf(ProgramEnvironment({"a"}, {"TMP=c:\\temp\\"})), "c:/temp/");
  EXPECT_EQ(workDirectoryOf(ProgramEnvironment({"a"}, {})), "");
}

}  // namespace
}  // namespace kz::assembler
