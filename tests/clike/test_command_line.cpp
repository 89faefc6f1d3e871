#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "clike/command_line.h"
#include "clike/file_names.h"
#include "common/fatal_error.h"

namespace kz::clike {
namespace {

struct Parsed {
  RunSettings settings;
  std::vector<std::string> repeated;
  int fatal = 0;
  std::string fatalText;
};

Parsed parse(const std::string& text) {
  Parsed result;
  CommandLine line(result.settings,
                   [&](std::string_view word) { result.repeated.emplace_back(word); });
  try {
    line.read(text);
    result.settings.options.applyDefaults();
  } catch (const FatalError& fatal) {
    result.fatal = fatal.number();
    result.fatalText = fatal.argument();
  }
  return result;
}

TEST(CommandLine, DefaultsWithoutOptions) {
  Parsed p = parse("a.c");
  ASSERT_EQ(p.fatal, 0);
  const OptionSettings& o = p.settings.options;
  EXPECT_EQ(*p.settings.files.sourceName, "a.c");
  EXPECT_FALSE(p.settings.anyOption);
  EXPECT_EQ(o.noListing, 1);
  EXPECT_EQ(o.keepOutput, 1);
  EXPECT_EQ(o.warnLevel, 1);
  EXPECT_EQ(o.bannerLevel, 2);
  EXPECT_EQ(o.optUnit, 1);
  EXPECT_EQ(o.sourceCommentLevel, 2);
  EXPECT_EQ(o.pageWidth, 0);
}

TEST(CommandLine, RepeatedOptionsWarnAndKeepTheFirstValue) {
  Parsed p = parse("-w2 -$ a.c -w0 -V -o x.asm -o y.asm b.c -lp10 -l");
  ASSERT_EQ(p.fatal, 0);
  EXPECT_EQ(p.repeated, (std::vector<std::string>{"-w0", "-V", "-o", "b.c", "-l"}));
  EXPECT_EQ(p.settings.options.warnLevel, 2);
  EXPECT_EQ(p.settings.options.bannerLevel, 0);
  EXPECT_EQ(*p.settings.files.outputName, "x.asm");
  EXPECT_EQ(*p.settings.files.sourceName, "a.c");
  EXPECT_EQ(p.settings.options.pageLength, 10);
}

TEST(CommandLine, SyntaxCheckAndOutputShareOneSetting) {
  EXPECT_EQ(parse("-Xt -o x.asm a.c").settings.options.keepOutput, 0);
  Parsed p = parse("-o x.asm -Xt a.c");
  EXPECT_EQ(p.settings.options.keepOutput, 1);
  EXPECT_EQ(p.repeated, std::vector<std::string>{"-Xt"});
}

TEST(CommandLine, ListingLetters) {
  Parsed p = parse("-lh1p60w999x3ys a.c");
  ASSERT_EQ(p.fatal, 0);
  const OptionSettings& o = p.settings.options;
  EXPECT_EQ(o.noListing, 0);
  EXPECT_EQ(o.sourceCommentLevel, 1);
  EXPECT_EQ(o.pageLength, 60);
  EXPECT_EQ(o.pageWidth, 256);
  EXPECT_EQ(o.xrefLevel1, 1);
  EXPECT_EQ(o.xrefLevel2, 0);  // s after x3
  EXPECT_EQ(o.xrefLevel3, 1);
  EXPECT_EQ(o.listSymbolsAll, 1);
  EXPECT_EQ(parse("-l a.c").settings.options.xrefLevel2, 1);
  EXPECT_EQ(parse("-lh7 a.c").settings.options.sourceCommentLevel, 2);
  Parsed file = parse("-lf \"my list.cpl\" a.c");
  EXPECT_EQ(*file.settings.files.listingName, "my list.cpl");
  EXPECT_EQ(file.settings.options.listToConsole, 0);
  Parsed console = parse("-lf con a.c");
  EXPECT_EQ(console.settings.options.listToConsole, 1);
  EXPECT_FALSE(console.settings.files.listingName);
}

TEST(CommandLine, WarningAndOptimizeLetters) {
  EXPECT_EQ(parse("-w a.c").settings.options.warnLevel, 0);
  Parsed three = parse("-w3 a.c");
  EXPECT_EQ(three.settings.options.warnLevel, 2);
  EXPECT_EQ(three.settings.options.regWarnings, 1);
  Parsed r = parse("-wr a.c");
  EXPECT_EQ(r.settings.options.warnLevel, 1);
  EXPECT_EQ(r.settings.options.regWarnings, 1);
  EXPECT_EQ(parse("-wr -w2 a.c").repeated, std::vector<std::string>{"-w2"});
  Parsed es = parse("-Oes a.c");
  EXPECT_EQ(es.settings.options.optUnit, 0);
  EXPECT_EQ(es.settings.options.optE, 1);
  EXPECT_EQ(es.settings.options.optS, 1);
  EXPECT_EQ(parse("-Ou a.c").settings.options.optUnit, 1);
  EXPECT_EQ(parse("-O0 a.c").settings.options.optUnit, 0);
}

TEST(CommandLine, OptionsFollowEachOtherAfterADash) {
  Parsed p = parse("-$-g-Mr-zu a.c");
  ASSERT_EQ(p.fatal, 0);
  EXPECT_EQ(p.settings.options.bannerLevel, 0);
  EXPECT_EQ(p.settings.options.debugInfo, 1);
  EXPECT_EQ(p.settings.options.modeR, 1);
  EXPECT_EQ(p.settings.options.asmToConsole, 1);
  EXPECT_EQ(p.settings.options.reduceMessages, 1);
}

TEST(CommandLine, MacroOptions) {
  Parsed p = parse("-D ONE=1 -DEMPTY -U OLD -DX=a-g a.c");
  ASSERT_EQ(p.fatal, 0);
  const auto& macros = p.settings.files.macros;
  ASSERT_EQ(macros.size(), 4u);
  EXPECT_EQ(macros[0].text, "1");
  EXPECT_EQ(macros[1].text, "");
  EXPECT_FALSE(macros[2].define);
  EXPECT_EQ(macros[3].text, "a");  // the text ends at '-'; "-g" is the next option
  EXPECT_EQ(p.settings.options.debugInfo, 1);
}

TEST(CommandLine, MalformedOptionsAreFatal) {
  struct Case {
    const char* text;
    int fatal;
  };
  for (Case c : std::initializer_list<Case>{
           {"-q a.c", 109},
           {"-gx a.c", 109},
           {"-Mx a.c", 109},
           {"-$x a.c", 109},
           {"-Xs a.c", 106},
           {"-ax a.c", 106},
           {"-Ox a.c", 106},
           {"-wx a.c", 106},
           {"-lq a.c", 106},
           {"-lx4 a.c", 106},
           {"-lp a.c", 106},
           {"-lfx a.c", 106},
           {"-GX a.c", 106},
           {"-zq a.c", 106},
           {"-o", 105},
           {"-o -g a.c", 105},
           {"-e", 105},
           {"-GN", 105},
           {"-D1X a.c", 103},
           {"-U -g a.c", 103},
           {"-DX= a.c", 105},
           {"-DX =1 a.c", 105},
           {"-DX -DX a.c", 103},
           {"-DX -UX -DX a.c", 0},
           {"-o x.asmx a.c", 101},
           {"-o a?.asm a.c", 101},
           {"a*.c", 101},
           {"-f none.arg", 20},
       }) {
    EXPECT_EQ(parse(c.text).fatal, c.fatal) << c.text;
  }
  EXPECT_EQ(parse("-q a.c").fatalText, "-q");
}

TEST(CommandLine, IncludeDirectories) {
  Parsed eight = parse("-I1 -I2 -I3 -I4 -I5 -I6 -I7 -I 8 a.c");
  EXPECT_EQ(eight.fatal, 0);
  EXPECT_EQ(eight.settings.files.includeDirs.back(), "8");
  EXPECT_EQ(parse("-I1 -I2 -I3 -I4 -I5 -I6 -I7 -I8 -I9 a.c").fatal, 111);
  EXPECT_EQ(parse("-I" + std::string(260, 'd') + " a.c").fatal, 101);
}

TEST(CommandLine, ArgumentFilesAreInsertedInPlace) {
  char pattern[] = "/tmp/kzargsXXXXXX";
  std::string directory = ::mkdtemp(pattern);
  std::string args = directory + "/a.arg";
  std::string nested = directory + "/n.arg";
  std::ofstream(args, std::ios::binary) << "-g\n-o\r\nout.asm\x1a-w0";
  std::ofstream(nested, std::ios::binary) << "-f " << args << "\n";
  Parsed p = parse("-f " + args + " src.c -$");
  ASSERT_EQ(p.fatal, 0);
  EXPECT_EQ(p.settings.options.debugInfo, 1);
  EXPECT_EQ(*p.settings.files.outputName, "out.asm");
  EXPECT_EQ(p.settings.options.warnLevel, 0);
  EXPECT_EQ(p.settings.commandText, "-g -o  out.asm -w0  src.c -$");
  EXPECT_EQ(parse("-f " + nested + " a.c").fatal, 110);
  // After the inserted text, another argument file is no nesting.
  EXPECT_EQ(parse("-f " + args + " -f " + args + " a.c").repeated.size(), 3u);
  std::filesystem::remove_all(directory);
}

TEST(CommandLine, QuotedWordsStayWhole) {
  EXPECT_EQ(joinArgumentWords({"-o", "my out.asm", "a.c"}), "-o \"my out.asm\" a.c");
  Parsed p = parse(joinArgumentWords({"-o", "my out.asm", "my source.c"}));
  EXPECT_EQ(*p.settings.files.outputName, "my out.asm");
  EXPECT_EQ(*p.settings.files.sourceName, "my source.c");
}

TEST(FileNames, ModuleAndDefaultNames) {
  EXPECT_EQ(moduleNameOf("dir/sub.x/my-prog.c"), "my_prog");
  EXPECT_EQ(moduleNameOf("c:prog.v1.c"), "prog_v1");
  EXPECT_EQ(baseNameOf("..\\src\\main.c"), "main");
  EXPECT_EQ(defaultOutputName("/work", "src/main.c", ".asm"), "/work/main.asm");
  EXPECT_NO_THROW(checkFileName("../dir.name/file.c"));
  EXPECT_NO_THROW(checkFileName("noextension"));
  EXPECT_THROW(checkFileName("file.long"), FatalError);
  EXPECT_THROW(checkFileName(std::string(260, 'f')), FatalError);
}

}  // namespace
}  // namespace kz::clike
