// The assembly file as a whole, compared byte for byte: the header and name lists, section
// headers, the columns of data objects, source references at each level, the debug lines,
// and that every such file assembles without a message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/clike/compile_helper.h"

namespace kz::clike {
namespace {

using testing::assemble;
using testing::compile;

TEST(ModuleOutput, ExternalsGoFiveALineTinyFirstAndEmptyGroupsWriteNothing) {
  auto c = compile(
      "section ports io;\n"
      "extern __tiny unsigned char port;\n"
      "section code;\n"
      "extern void n1(void); extern void n2(void); extern void n3(void);\n"
      "extern void n4(void); extern void n5(void); extern void n6(void);\n"
      "extern void unused(void);\n"
      "static void f(void) {\n"
      "  n1(); n2(); n3(); A = port; n4(); n5(); n6();\n"
      "}\n");
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.assembly,
            "\tmodule\tprog\n"
            "\textern \tsmall _port\n"
            "\textern \tmedium _n1,_n2,_n3,_n4,_n5\n"
            "\textern \tmedium _n6\n"
            "\n"
            "ports\tsection data small\n"
            "\n"
            "code\tsection code medium\n"
            "_f:\n"
            "\tcall\t_n1\t\n"
            "\tcall\t_n2\t\n"
            "\tcall\t_n3\t\n"
            "\tld\ta,(_port)\n"
            "\tcall\t_n4\t\n"
            "\tcall\t_n5\t\n"
            "\tcall\t_n6\t\n"
            "\tend\n");
  auto e = assemble(c.assembly);
  EXPECT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.err, "");
}

TEST(ModuleOutput, PublicGroupsFollowTheSectionTypesNotTheSourceOrder) {
  auto c = compile(
      "section code;\n"
      "void f(void) { }\n"
      "const unsigned char inCode = 1;\n"
      "section rom const;\n"
      "const unsigned char c1 = 1;\n"
      "section vars area tiny;\n"
      "unsigned char a1, a2, a3, a4, a5, a6;\n"
      "static unsigned char hidden;\n"
      "section ports io;\n"
      "unsigned char p1;\n");
  ASSERT_EQ(c.status, 0) << c.err;
  std::string head = c.assembly.substr(0, c.assembly.find("\ncode\t"));
  EXPECT_EQ(head,
            "\tmodule\tprog\n"
            "\tpublic\t_p1\n"
            "\n"
            "\tpublic\t_a1,_a2,_a3,_a4,_a5\n"
            "\tpublic\t_a6\n"
            "\n"
            "\tpublic\t_c1\n"
            "\n"
            "\tpublic\t_f,_inCode\n"
            "\n");
  auto e = assemble(c.assembly);
  EXPECT_EQ(e.status, 0) << e.err << c.assembly;
}

TEST(ModuleOutput, SectionHeadersAndDataColumnsIndentContinuationRunsByNameLength) {
  auto c = compile(
      "section rom const abs 0x1234;\n"
      "const unsigned char ab[18] = {1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18};\n"
      "const unsigned char abcdefghijk[17] = \"0123456789abcdef\";\n"
      "const unsigned char abcdefghijklmnopqrstuv[17] = \"0123456789abcdef\";\n"
      "const unsigned char abcdefghijklmnopqrstuvwxyz0123[17] = \"0123456789abcdef\";\n"
      "const unsigned char abcdefghijklmnopqrstuvwxyz01234[17] = \"0123456789abcdef\";\n"
      "section tab const;\n"
      "const unsigned char *p = &ab[0];\n"
      "section vars data;\n"
      "unsigned char space[3];\n");
  ASSERT_EQ(c.status, 0) << c.err;
  std::string body = c.assembly.substr(c.assembly.find("\nrom\t"));
  const std::string digits = "48,49,50,51,52,53,54,55,56,57,97,98,99,100,101,102\n";
  EXPECT_EQ(body,
            "\nrom\tsection romdata abs = 0x1234\n"
            "_ab\t\tdb\t1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\n"
            "\t\tdb\t17,18\n"
            "_abcdefghijk\tdb\t" +
                digits +
                "\t\t\tdb\t0\n"
                "_abcdefghijklmnopqrstuv\tdb\t" +
                digits +
                "\t\t\tdb\t0\n"
                "_abcdefghijklmnopqrstuvwxyz0123\tdb\t" +
                digits +
                "\t\t\t\tdb\t0\n"
                "_abcdefghijklmnopqrstuvwxyz01234\tdb\t" +
                digits +
                "\t\t\t\t\tdb\t0\n"
                "\n"
                "tab\tsection romdata medium\n"
                "_p\t\t\tdw\t_ab\n"
                "\n"
                "vars\tsection data medium\n"
                "_space\t\tdsb\t3\n"
                "\tend\n");
  auto e = assemble(c.assembly);
  EXPECT_EQ(e.status, 0) << e.err << c.assembly;
  EXPECT_EQ(e.bytes("\t\tdb\t17,18"), "11 12");
}

const std::string kLoop =
    "section code;\n"
    "void f(void)\n"
    "{\n"
    "  while (A != 0) {\n"
    "    A--;\n"
    "  }\n"
    "}\n";

TEST(ModuleOutput, SourceReferencesAtEachLevelWriteEachLineTextOnce) {
  auto level2 = compile(kLoop, {"-lh2"}, true);
  ASSERT_EQ(level2.status, 0) << level2.err;
  EXPECT_EQ(level2.assembly,
            "\tmodule\tprog\n"
            "\tpublic\t_f\n"
            "\n"
            "\n"
            "code\tsection code medium\n"
            ";+++ \tvoid f(void)\n"
            "_f:\t\t;++0 0002\n"
            ";+++ \twhile (A != 0) {\n"
            "__0000:\t\t;++0 0004\n"
            "\tcmp\ta,0\n"
            "\tj\teq,__0001\n"
            ";+++ \tA--;\n"
            "\tdec\ta\t\t\t;++0 0005\n"
            "\tj\t__0000\t\n"
            "__0001:\n"
            "\tend\n");
  auto level1 = compile(kLoop, {"-lh1"}, true);
  std::string expected1 = level2.assembly;
  for (std::size_t at; (at = expected1.find(";+++")) != std::string::npos;)
    expected1.erase(at, expected1.find('\n', at) + 1 - at);
  EXPECT_EQ(level1.assembly, expected1);
  auto level0 = compile(kLoop, {"-lh0"});
  EXPECT_EQ(level0.assembly.find(";"), std::string::npos) << level0.assembly;
  for (const auto* run : {&level2, &level1}) {
    auto e = assemble(run->assembly);
    EXPECT_EQ(e.status, 0) << e.err;
  }
}

// Code kept aside to be written later (a switch's cases, a for loop's step inside them)
// keeps its source lines: each text goes out once, a long one whole, with the code that
// comes from it, where that code is written.
TEST(ModuleOutput, CodeWrittenLaterKeepsItsSourceLinesOfEveryLength) {
  const std::string longLine = "C = C" + std::string(150, ' ') + "- 1;";
  const std::string source =
      "section code;\n"
      "void f(void)\n"
      "{\n"
      "  switch (A) {\n"
      "  case 1:\n"
      "    for (B = 0; B != 3; B++)\n"
      "      " +
      longLine +
      "\n"
      "    break;\n"
      "  }\n"
      "}\n";
  auto c = compile(source, {"-lh2"}, true);
  ASSERT_EQ(c.status, 0) << c.err;
  auto at = [&c](const std::string& line) { return c.assembly.find("\n" + line + "\n"); };
  std::size_t body = at(";+++ \t" + longLine);
  ASSERT_NE(body, std::string::npos) << c.assembly;
  EXPECT_EQ(c.assembly.find(longLine, body + 6 + longLine.size()), std::string::npos);
  // The cases follow the dispatch, the step follows the body.
  EXPECT_LT(c.assembly.find("\tj\t(hl)"), at(";+++ \tcase 1:"));
  EXPECT_LT(at(";+++ \tfor (B = 0; B != 3; B++)"), body);
  EXPECT_LT(body, c.assembly.find("\tinc\tb"));
  EXPECT_NE(c.assembly.find("\t\t;++0 0007\n", body), std::string::npos) << c.assembly;
  auto e = assemble(c.assembly);
  EXPECT_EQ(e.status, 0) << e.err;
}

const std::string kDebugSource =
    "#define LIMIT 10\n"
    "section vars area;\n"
    "struct node { unsigned char value; struct node *next; };\n"
    "struct node first;\n"
    "struct node *nodes[2];\n"
    "char *names[3];\n"
    "struct node *again;\n"
    "extern unsigned char table[];\n"
    "section code;\n"
    "static unsigned char get(void) { A = table[1]; return A; }\n";

// Under -g a new source line is marked by a line directive, at source-comment level 1 or 2.
TEST(ModuleOutput, DebugLinesNumberDerivedTypesAfterTheMacros) {
  auto c = compile(kDebugSource, {"-g", "-lh1"}, true);
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.assembly.substr(0, c.assembly.find("\ncode\t")),
            "\tfile \"" + c.assembly.substr(7, c.assembly.find('"', 7) - 7) +
                "\",0,0,0\n"
                "\tsymbol_a \"1.3b\",54,415,2\n"
                "\tmodule\tprog\n"
                "\tsymbol_t 69,Z,\"\",3,-1,\"\",-1,0\n"
                "\tsymbol_b 3,nc,69,0\n"
                "\tsymbol_n \"table\",69,6,0\n"
                "\tsymbol_a \"table\",5,0,0\n"
                "\textern \tmedium _table\n"
                "\tpublic\t_first,_nodes,_names,_again\n"
                "\n"
                "\tsymbol_a \"LIMIT\",16,64,1\n"
                "\tsymbol_a \"10\",16,64,2\n"
                "\n"
                "vars\tsection data medium\n"
                "\tline \"\",4,0,0\n"
                "\tsymbol_t 66,O,65,1\n"
                "\tsymbol_t 65,xc,\"node\",3,2,\"value\",3,0,\"next\",66,0\n"
                "\tsymbol_b 3,nc,65,0\n"
                "\tsymbol_b 66,nc,65,0\n"
                "\tsymbol_n \"first\",65,4,0\n"
                "\tsymbol_a \"first\",8,0,0\n"
                "_first\t\tdsb\t3\n"
                "\tline \"\",5,0,0\n"
                "\tsymbol_t 67,Z,\"\",66,1,\"\",2,0\n"
                "\tsymbol_b 66,nc,67,0\n"
                "\tsymbol_n \"nodes\",67,4,0\n"
                "\tsymbol_a \"nodes\",8,0,0\n"
                "_nodes\t\tdsb\t4\n"
                "\tline \"\",6,0,0\n"
                "\tsymbol_t 68,Z,\"\",34,1,\"\",3,0\n"
                "\tsymbol_b 34,nc,68,0\n"
                "\tsymbol_n \"names\",68,4,0\n"
                "\tsymbol_a \"names\",8,0,0\n"
                "_names\t\tdsb\t6\n"
                "\tline \"\",7,0,0\n"
                "\tsymbol_n \"again\",66,4,0\n"
                "\tsymbol_a \"again\",8,0,0\n"
                "_again\t\tdsb\t2\n");
  EXPECT_TRUE(c.has("\tsymbol_n \"get\",3,5,0")) << c.assembly;
  EXPECT_TRUE(c.has("\tsymbol_a \"get\",3,0,0")) << c.assembly;
  EXPECT_TRUE(c.has("\tsymbol_b \"get\",1,10,1\n_get:")) << c.assembly;
  auto e = assemble(c.assembly);
  EXPECT_EQ(e.status, 0) << e.err << c.assembly;
  EXPECT_EQ(e.err, "");
  // Level 0 writes no source reference of either kind; the debug lines stay.
  auto level0 = compile(kDebugSource, {"-g"});
  ASSERT_EQ(level0.status, 0) << level0.err;
  EXPECT_EQ(level0.assembly.find("\tline "), std::string::npos) << level0.assembly;
  EXPECT_TRUE(level0.has("\tsymbol_b \"get\",1,10,1\n_get:")) << level0.assembly;
}

TEST(ModuleOutput, WordsAreLinesOfTheirOwnAndTheSwitchRoutineIsANearExternal) {
  auto c = compile(
      "section code;\n"
      "extern void far1(void);\n"
      "const unsigned char a = 1;\n"
      "const unsigned char b = 2;\n"
      "const unsigned char *handlers[3] = { &a, &b, &a };\n"
      "void pick(unsigned char A) { switch (A) { case 1: far1(); } }\n",
      {"-Os"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(c.assembly.substr(0, c.assembly.find("\n\n")),
            "\tmodule\tprog\n"
            "\textern \tmedium _far1,__switch\n"
            "\tpublic\t_a,_b,_handlers,_pick");
  // Each word is a "\tdw\t" line of its own, the first after the name.
  EXPECT_NE(c.assembly.find("_handlers\t\tdw\t_a\n"
                            "\tdw\t_b\n"
                            "\tdw\t_a\n"),
            std::string::npos)
      << c.assembly;
  auto e = assemble(c.assembly);
  EXPECT_EQ(e.status, 0) << e.err << c.assembly;
}

TEST(ModuleOutput, TheBreakOfTheLastCaseIsDroppedUnderHoldBackOnly) {
  const std::string source =
      "section code;\n"
      "void f(unsigned char A) {\n"
      "  switch (A) { case 1: B = 1; break; case 2: B = 2; break; }\n"
      "  depend (A) { case 0: C = 1; break; case 1: C = 2; break; }\n"
      "}\n";
  auto held = compile(source);
  ASSERT_EQ(held.status, 0) << held.err;
  EXPECT_NE(held.assembly.find("\tld\tb,2\n__0000:\n"), std::string::npos) << held.assembly;
  EXPECT_NE(held.assembly.find("\tld\tc,2\n__0006:\n"), std::string::npos) << held.assembly;
  EXPECT_NE(held.assembly.find("\tld\tb,1\n\tj\t__0000\t\n"), std::string::npos);
  auto plain = compile(source, {"-O"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_NE(plain.assembly.find("\tld\tb,2\n\tj\t__0000\t\n__0000:\n"), std::string::npos)
      << plain.assembly;
  for (const auto* run : {&held, &plain}) {
    auto e = assemble(run->assembly);
    EXPECT_EQ(e.status, 0) << e.err << run->assembly;
  }
}

TEST(ModuleOutput, SyntaxCheckAndFailedRunsWriteNothingButTheEndLine) {
  // -zr keeps what failed for inspection, so the end line alone can be seen.
  auto failed = compile("section code;\nvoid f(void) { A = ; }\n", {"-zr"});
  EXPECT_NE(failed.status, 0);
  EXPECT_NE(failed.assembly.find("\tmodule\tprog\n"), std::string::npos) << failed.assembly;
  auto check = compile("section code;\nvoid f(void) { }\n", {"-Xt"});
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_EQ(check.assembly, "");
}

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every program of the examples and of the end-to-end cases that compiles, in every form of
// output (source references at each level, debug lines, the switch routine, added returns),
// assembles without a single message. The examples must compile in every form.
TEST(ModuleOutput, EveryProgramAssemblesInEveryOutputForm) {
  namespace fs = std::filesystem;
  const fs::path root(KZ_SOURCE_DIR);
  std::vector<std::pair<fs::path, bool>> programs;  // the program, and whether it must compile
  for (const auto& entry : fs::directory_iterator(root / "examples")) {
    if (entry.path().extension() == ".c") programs.emplace_back(entry.path(), true);
  }
  for (const auto& entry : fs::recursive_directory_iterator(root / "tests/e2e/clzel")) {
    if (entry.path().extension() == ".c") programs.emplace_back(entry.path(), false);
  }
  const std::vector<std::vector<std::string>> forms{
      {}, {"-lh1"}, {"-g"}, {"-g", "-lh1"}, {"-Os", "-Mr", "-lh2"}, {"-O", "-g", "-lh2"}};
  int assembled = 0;
  for (const auto& [path, mustCompile] : programs) {
    std::string source = fileText(path);
    // #asm text before the first section is the writer's own, outside any section.
    if (source.find("#asm") < source.find("section")) continue;
    for (const auto& form : forms) {
      bool levelGiven = std::any_of(form.begin(), form.end(),
                                    [](const std::string& o) { return o.rfind("-lh", 0) == 0; });
      auto c = compile(source, form, levelGiven);
      if (c.status != 0) {
        EXPECT_FALSE(mustCompile) << path << " " << c.err;
        continue;
      }
      auto e = assemble(c.assembly);
      EXPECT_EQ(e.status, 0) << path << "\n" << c.assembly;
      EXPECT_EQ(e.err, "") << path << "\n" << c.assembly;
      ++assembled;
    }
  }
  EXPECT_GE(assembled, 60);
}

// Records are gathered before they reach the disk: a work file kept for inspection (-zr)
// or read back holds every byte written, also across the gathering block's size.
TEST(ModuleOutput, WorkFilesKeepEveryRecordWritten) {
  char pattern[] = "/tmp/kzclwfXXXXXX";
  std::filesystem::path directory = ::mkdtemp(pattern);
  const std::string records(1200 * 1024 + 7, 'r');
  std::string kept;
  {
    DiskWorkFile file;
    ASSERT_TRUE(file.create(directory.string() + "/", "TP"));
    for (std::size_t at = 0; at < records.size(); at += 1000)
      ASSERT_TRUE(
          file.write(records.data() + at, std::min<std::size_t>(1000, records.size() - at)));
    kept = file.path();
    file.keep();
  }
  EXPECT_EQ(fileText(kept), records);
  DiskWorkFile again;
  ASSERT_TRUE(again.create(directory.string() + "/", "TP"));
  ASSERT_TRUE(again.write(records.data(), 3));
  ASSERT_TRUE(again.closeForWriting());
  ASSERT_TRUE(again.openForReading());
  char back[8] = {};
  EXPECT_EQ(again.read(back, sizeof back), 3u);
  again.remove();
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace kz::clike
