// The pragmas and section options in whole runs: the records they write and where they land,
// the front end state they change, and their messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cfront/builtin_files.h"
#include "cfront/front_end.h"
#include "cfront/sections.h"
#include "tests/cfront/harness.h"

namespace kz::cfront::testing {
namespace {

struct Compiled {
  int status = 0;
  std::string messages;
  std::string output;
};

// A run of zc1 in the scratch directory; the input is t.c there.
Compiled runIn(const ScratchDirectory& scratch, const std::vector<std::string>& options,
               const std::string& output = "t.il") {
  std::vector<std::string> words{"zc1"};
  words.insert(words.end(), options.begin(), options.end());
  words.push_back(scratch.path() + "t.c");
  words.push_back(scratch.path() + output);
  CapturedStream console;
  FrontEnd frontEnd(ProgramEnvironment(words, {"TMP=" + scratch.path(), "SOURCE_DATE_EPOCH=0"}),
                    console.stream());
  Compiled result;
  result.status = frontEnd.run();
  result.messages = console.text();
  result.output = scratch.read(output);
  return result;
}

Compiled compile(const std::string& source, const std::vector<std::string>& options = {}) {
  ScratchDirectory scratch;
  scratch.write("t.c", source);
  return runIn(scratch, options);
}

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

void expectMessages(const Compiled& run, std::initializer_list<const char*> texts) {
  for (const char* text : texts)
    EXPECT_TRUE(has(run.messages, text)) << text << "\n" << run.messages;
}

// The records of the output from the first one that begins with `from`.
std::string recordsFrom(const std::string& output, const std::string& from) {
  std::size_t at = output.find(from);
  return at == std::string::npos ? std::string() : output.substr(at);
}

TEST(Pragmas, RecordsForTheNextPass) {
  Compiled run = compile(
      "#pragma opt 12\n#pragma opt 3\n#pragma check_stack on\n#pragma loop_opt off\n"
      "#pragma define WIDTH 2 * 8\nint x;\n",
      {"-gd"});
  EXPECT_EQ(run.status, 0) << run.messages;
  EXPECT_TRUE(has(run.output, "OPT,9\nOPT,3\nSTACK,1\nLOOP,0\nDEFINE,WIDTH,2 * 8\n\t@_x"))
      << run.output;
  // Without -gd the definition is not written.
  EXPECT_FALSE(has(compile("#pragma define WIDTH 2\nint x;\n").output, "DEFINE"));
}

TEST(Pragmas, MalformedOnesAreReportedAndWriteNothing) {
  Compiled run = compile(
      "#pragma check_stack maybe\n#pragma loop_opt\n#pragma opt\n#pragma opt 2 3\n"
      "#pragma pack(3)\n#pragma pack 2\n#pragma define\n#pragma cdecl now\n#pragma nothing\n"
      "#pragma\nint x;\n");
  EXPECT_EQ(run.status, 0);
  expectMessages(run,
                 {"t.c 1: ZC1-Warning-611: #pragma [on | off] expected", "t.c 2: ZC1-Warning-611:",
                  "t.c 3: ZC1-Warning-610: #pragma keyword expected, 'newline' found",
                  "t.c 4: ZC1-Warning-615: Unexpected #pragma token '3'",
                  "t.c 5: ZC1-Warning-612: #pragma [1 | 2 | 4] expected", "t.c 6: ZC1-Warning-612:",
                  "t.c 7: ZC1-Warning-610: #pragma keyword expected, 'newline' found",
                  "t.c 8: ZC1-Warning-615: Unexpected #pragma token 'now'",
                  "t.c 9: ZC1-Warning-618: Unknown #pragma", "t.c 10: ZC1-Warning-610:"});
  EXPECT_FALSE(has(run.output, "STACK") || has(run.output, "LOOP") || has(run.output, "OPT"));
}

TEST(Pragmas, RecordsLandBetweenTheDeclarationsAndStatementsAroundThem) {
  Compiled run = compile(
      "int a;\n#pragma opt 1\nint b;\nvoid f(void) {\n  a = 1;\n#pragma check_stack on\n"
      "  b = 2;\n#pragma loop_opt on\n}\n#pragma opt 2\nint c;\n");
  EXPECT_EQ(run.status, 0) << run.messages;
  std::string records = recordsFrom(run.output, "\t@_a");
  EXPECT_TRUE(has(records, "\t@_a,\"a\",6,4,2,1,2\nOPT,1\n\t@_b,")) << records;
  EXPECT_TRUE(has(records, "=,@_a,#1,@_a\nSTACK,1\nLINE,7\n=,@_b,#2,@_b\nLOOP,1\nEND,f\n"))
      << records;
  EXPECT_TRUE(has(records, "},1\nOPT,2\n\t@_c,")) << records;
}

TEST(Pragmas, RecordsInNestedBlocksLandBeforeTheStatementAfterThem) {
  Compiled run = compile(
      "int a;\nvoid f(int n) {\n  while (n) {\n    a = 1;\n#pragma opt 3\n    a = 2;\n"
      "    n = 0;\n  }\n}\n");
  EXPECT_EQ(run.status, 0) << run.messages;
  std::string records = recordsFrom(run.output, "BEGIN,f");
  EXPECT_TRUE(has(records, "=,@_a,#1,@_a\nOPT,3\nLINE,6\n=,@_a,#2,@_a\n")) << records;
}

TEST(Pragmas, InitializersTakeNoRecordPragma) {
  Compiled run = compile("int a[2] = {1,\n#pragma opt 2\n2};\n");
  EXPECT_TRUE(has(run.messages, "t.c 2: ZC1-Warning-619: Cannot use #pragma in initializing"))
      << run.messages;
  EXPECT_FALSE(has(run.output, "OPT"));
}

TEST(Pragmas, PackingBoundsTheAlignmentOfLaterStructures) {
  const std::string layout = "struct S { char c; int i; };\nint n = sizeof(struct S);\n";
  EXPECT_TRUE(has(compile("#pragma pack(2)\n" + layout).output, "\t@_n,\"n\",6,4,2,1,1\n\t,s4\n"));
  EXPECT_TRUE(has(compile(layout).output, "\t,s3\n"));
  // pack() goes back to the -Xp value.
  EXPECT_TRUE(
      has(compile("#pragma pack(1)\n#pragma pack()\n" + layout, {"-Xp2"}).output, "\t,s4\n"));
}

TEST(Pragmas, DefaultCallingConventionChangesForLaterDeclarations) {
  Compiled run = compile(
      "#pragma adecl\nint f(int);\n#pragma cdecl\nint g(int);\n"
      "int h(void) { return f(1) + g(2); }\n");
  EXPECT_EQ(run.status, 0) << run.messages;
  EXPECT_TRUE(has(run.output, "\t@_f,\"f\",")) << run.output;
  EXPECT_TRUE(has(run.output, ",6,0,8,0\n")) << run.output;  // adecl attribute bit
  EXPECT_TRUE(has(run.output, "ACALL,@_f,")) << run.output;
  EXPECT_TRUE(has(run.output, "CCALL,@_g,")) << run.output;
}

TEST(Pragmas, DisinterruptMarksTheDefinition) {
  Compiled run = compile(
      "#pragma disinterrupt(5) f, g\n#pragma disinterrupt() h\n#pragma disinterrupt(200) k\n"
      "void f(void) { }\nvoid h(void) { }\nvoid k(void) { }\nvoid other(void) { }\n");
  EXPECT_TRUE(
      has(run.messages, "t.c 3: ZC1-Warning-610: #pragma keyword expected, 'number too big' found"))
      << run.messages;
  EXPECT_TRUE(has(run.output, "DISINT,5\n{,1\nBEGIN,f\n")) << run.output;
  EXPECT_TRUE(has(run.output, "DISINT,0\n{,1\nBEGIN,h\n")) << run.output;
  EXPECT_TRUE(has(run.output, "DISINT,127\n{,1\nBEGIN,k\n")) << run.output;
  EXPECT_TRUE(has(run.output, "},1\n{,1\nBEGIN,other")) << run.output;
}

TEST(Pragmas, DisinterruptAndInlineCheckTheName) {
  Compiled run = compile(
      "int x;\n#pragma disinterrupt(1) x\n#pragma disinterrupt(1) f\n#pragma disinterrupt(2) f\n"
      "#pragma inline x\nvoid __interrupt g(void);\n#pragma inline g\n#pragma disinterrupt 1 f\n"
      "#pragma disinterrupt(1 f\n");
  EXPECT_EQ(run.status, 4) << run.messages;
  expectMessages(
      run,
      {"t.c 2: ZC1-Error-262: Redeclaration of 'x'", "t.c 4: ZC1-Error-262: Redeclaration of 'f'",
       "t.c 5: ZC1-Error-262: Redeclaration of 'x'",
       "t.c 7: ZC1-Error-385: Illegal function type for inline/builtin-function 'g'",
       "t.c 8: ZC1-Warning-610: #pragma keyword expected, '1' found",
       "t.c 9: ZC1-Warning-613: #pragma ')' expected, 'f' found"});
  Compiled later = compile(
      "#pragma inline g, h\nvoid __interrupt g(void) { }\nvoid __adecl h(void) { }\n"
      "#pragma disinterrupt(1) k\n#pragma inline k\n");
  EXPECT_EQ(later.messages.find("h'"), std::string::npos) << later.messages;
  expectMessages(
      later,
      {"t.c 2: ZC1-Error-385: Illegal function type for inline/builtin-function 'g'",
       "t.c 5: ZC1-Warning-616: Cannot use #pragma disinterrupt for inline/builtin-function"});
  Compiled making = compile("#pragma disinterrupt(1) f\nvoid f(void) { }\n", {"-Xb"});
  EXPECT_TRUE(has(making.messages,
                  "ZC1-Warning-616: Cannot use #pragma disinterrupt for inline/builtin-function"))
      << making.messages;
}

TEST(Pragmas, IoVariablesAndPointerSizes) {
  Compiled valid = compile("#pragma io port 0x20\nvoid f(void) { port = 1; }\n");
  EXPECT_TRUE(has(valid.output, "\t@_port,\"port\",3,4,1,1,4\n\t,a32\n")) << valid.output;
  EXPECT_TRUE(has(valid.output, "=,@_port,#1,@_port")) << valid.output;
  Compiled run = compile(
      "#pragma io port 0x20\n#pragma io big 70000\n#pragma io port 3\n"
      "void f(void) {\n#pragma io inner 1\n  port = 1;\n}\n#pragma extern far\n"
      "#pragma extern wide\n#pragma extern tiny\n");
  EXPECT_EQ(run.status, 4) << run.messages;
  expectMessages(run, {"t.c 2: ZC1-Error-402: Illegal section size",
                       "t.c 3: ZC1-Error-262: Redeclaration of 'port'",
                       "t.c 5: ZC1-Error-407: Cannot declare io variable in block-scoped",
                       "t.c 8: ZC1-Error-402:",
                       "t.c 9: ZC1-Warning-610: #pragma keyword expected, 'wide' found"});
}

TEST(Pragmas, SectionSelectsNameAndSize) {
  Compiled run = compile(
      "#pragma section data mydata tiny\nint x = 1;\n#pragma section area myarea 100\n"
      "#pragma section const\n#pragma section io ports 16\n#pragma section code text tiny\n"
      "#pragma section data mydata far\n#pragma section stack\n#pragma section data 9x\n"
      "#pragma section area a 70000\n#pragma section const tiny\n");
  EXPECT_EQ(run.status, 4) << run.messages;
  EXPECT_TRUE(has(run.output,
                  "\tN,1,n_data,n\n\tN,1,mydata,t\n\t@_x,\"x\",6,4,2,0,1\n\t,s1\n"
                  "\tN,2,n_area,n\n\tN,2,myarea,t,100\n\tN,3,n_const,n\n\tN,4,ports,16\n"))
      << run.output;
  expectMessages(run, {"t.c 6: ZC1-Error-402:", "t.c 7: ZC1-Error-402:",
                       "t.c 8: ZC1-Warning-610: #pragma keyword expected, 'stack' found",
                       "t.c 9: ZC1-Warning-610: #pragma keyword expected, '9x' found",
                       "t.c 10: ZC1-Error-402:", "t.c 11: ZC1-Error-402:"});
}

TEST(SectionOptions, NamesAndSizesAtStartUp) {
  Compiled run = compile("int x;\n", {"-Zd", "mydata", "-ZA", "tiny", "-Za", "bss", "-Zi", "myio",
                                      "-Zt", "text,near"});
  EXPECT_EQ(run.status, 0) << run.messages;
  EXPECT_EQ(run.output.substr(0, run.output.find("FILE,")),
            "\tN,0,text,n\n\tN,1,t_data,t\n\tN,1,mydata,n\n\tN,2,bss,t\n\tN,2,n_area,n\n"
            "\tN,4,myio\n");
  // An object without a memory size of its own takes its section's size.
  EXPECT_TRUE(has(run.output, "\t@_x,\"x\",6,4,2,0,2\n")) << run.output;
  // A size option alone names nothing.
  EXPECT_EQ(compile("int x;\n", {"-ZD", "tiny"}).output.substr(0, 5), "FILE,");
}

TEST(SectionOptions, BadSizesAndNames) {
  Compiled run = compile("int x;\n", {"-Zc", "myconst,tiny", "-ZT", "tiny", "-ZD", "far", "-Zd",
                                      "9data", "-Zi", "-io", "-Zd", "ok,compact"});
  EXPECT_EQ(run.status, 4) << run.messages;
  EXPECT_EQ(std::count(run.messages.begin(), run.messages.end(), '\n'), 6) << run.messages;
  EXPECT_TRUE(has(run.messages, "ZC1-Error-402: Illegal section size")) << run.messages;
  EXPECT_TRUE(has(run.messages, "ZC1-Warning-501: Illegal option '-Zd'")) << run.messages;
  EXPECT_TRUE(has(run.messages, "ZC1-Warning-501: Illegal option '-Zi'")) << run.messages;
  EXPECT_FALSE(has(run.output, "\tN,")) << run.output;
}

TEST(Pragmas, SectionSizeWordAloneSwitchesToThatSize) {
  Compiled run = compile("#pragma section data tiny\n#pragma section data near\n");
  EXPECT_TRUE(has(run.output, "\tN,1,n_data,n\n\tN,1,t_data,t\n\tN,1,t_data,t\n\tN,1,n_data,n\n"))
      << run.output;
}

TEST(SectionTable, ChangingSizeRepeatsTheOtherNamedSizes) {
  SectionTable sections;
  EXPECT_EQ(sections.select(SectionKind::data, std::nullopt, std::nullopt, std::nullopt),
            "\tN,1,n_data,n\n");
  EXPECT_EQ(sections.select(SectionKind::area, "z", SizeWord::tiny, std::nullopt),
            "\tN,2,n_area,n\n\tN,2,z,t\n");
  EXPECT_EQ(sections.currentSize(SectionKind::area), SizeWord::tiny);
  EXPECT_EQ(sections.select(SectionKind::area, std::nullopt, std::nullopt, 7ul), "\tN,2,z,t,7\n");
  EXPECT_EQ(sections.nameOf(SectionKind::code, SizeWord::tiny), "");
  EXPECT_FALSE(sectionSizeAllowed(SectionKind::constant, SizeWord::tiny));
  EXPECT_TRUE(sectionSizeAllowed(SectionKind::area, SizeWord::tiny));
}

const char* const kLibrary =
    "static int calls;\n"
    "int twice(int x) { calls++; return x + x; }\n"
    "int nested(int a, int b) { { int y; y = a; } { int z; z = b; } return 0; }\n";

std::vector<std::string> workFilesIn(const ScratchDirectory& scratch) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
    std::string name = entry.path().filename().string();
    if (name.rfind("TP", 0) == 0 || name.rfind("TQ", 0) == 0) names.push_back(name);
  }
  return names;
}

TEST(BuiltinFiles, MadeFileIndexesEachBodyByItsCrLfOffset) {
  ScratchDirectory scratch;
  scratch.write("t.c", kLibrary);
  Compiled run = runIn(scratch, {"-Xb"}, "lib.bif");
  ASSERT_EQ(run.status, 0) << run.messages;
  const std::string& file = run.output;
  ASSERT_EQ(file.substr(0, 10), "00000002\r\n");
  EXPECT_EQ(file.substr(10, 43), "twice                           ,00000096\r\n");
  EXPECT_EQ(file.substr(53, 33), "nested                          ,");
  for (std::size_t entry = 0; entry < 2; ++entry) {
    std::string line = file.substr(10 + 43 * entry, 41);
    std::string name = line.substr(0, line.find(' '));
    std::size_t offset = std::stoul(line.substr(33));
    EXPECT_EQ(file.substr(offset, 11 + name.size()), "{,1\r\nBEGIN," + name) << offset;
  }
  // Nothing but the bodies: statics by their builtin names, no file-scope records.
  EXPECT_TRUE(has(file, "++,@..S1,,@..S1\r\n")) << file;
  EXPECT_FALSE(has(file, "FILE,"));
  EXPECT_EQ(file.substr(file.size() - 5), "},1\r\n");
  EXPECT_TRUE(workFilesIn(scratch).empty());
}

TEST(BuiltinFiles, StringLiteralsOfABodyAreBuiltinStatics) {
  ScratchDirectory scratch;
  scratch.write("t.c", "char *name(void) { static char *p = \"ab\"; return p; }\n");
  Compiled run = runIn(scratch, {"-Xb"}, "lib.bif");
  ASSERT_EQ(run.status, 0) << run.messages;
  EXPECT_TRUE(has(run.output, "\t@..S2,\"\",")) << run.output;
  EXPECT_TRUE(has(run.output, ",s..S2\r\n")) << run.output;  // p's data names it without '@'
  EXPECT_FALSE(has(run.output, "\tS2,")) << run.output;
}

TEST(BuiltinFiles, MadeFileHoldsOnlyItsOwnBodies) {
  ScratchDirectory scratch;
  scratch.write("t.c", kLibrary);
  std::string first = runIn(scratch, {"-Xb"}, "first.bif").output;
  scratch.write("t.c",
                "#pragma builtin_file \"first.bif\"\nint third(void) { return 3; }\n"
                "#pragma builtin_file \"first.bif\"\nint fourth(void) { return 4; }\n");
  Compiled run = runIn(scratch, {"-Zf", scratch.path() + "first.bif", "-Xb"}, "second.bif");
  ASSERT_EQ(run.status, 0) << run.messages;
  EXPECT_EQ(run.output.substr(0, 10), "00000002\r\n");
  EXPECT_FALSE(has(run.output, "BEGIN,twice")) << run.output;
  std::size_t fourth = std::stoul(run.output.substr(53 + 33, 8));
  EXPECT_EQ(run.output.substr(fourth, 17), "{,1\r\nBEGIN,fourth");
}

TEST(BuiltinFiles, MakingWithErrorsWritesNoFile) {
  ScratchDirectory scratch;
  scratch.write("t.c", "int f(void) { return undeclared; }\n");
  Compiled run = runIn(scratch, {"-Xb"}, "lib.bif");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output, "");
  EXPECT_TRUE(workFilesIn(scratch).empty());
}

struct Library {
  ScratchDirectory scratch;
  std::string made;
  CapturedStream console;
  RunOptions options;
  Diagnostics diagnostics{options, console.stream()};
  std::unique_ptr<WorkFile> file = createMemoryFile("TQ");
  BodyStore store{*file, diagnostics};
  FunctionMarks marks;
  BuiltinLibrary library{store, diagnostics, marks, {scratch.path() + "a/", scratch.path() + "b/"}};

  Library() {
    scratch.write("t.c", kLibrary);
    made = runIn(scratch, {"-Xb"}, "lib.bif").output;
  }
  std::string bodyOf(const std::string& name) {
    std::optional<std::uint64_t> at = library.bodyOf(name);
    return at ? store.bodyAt(*at) : std::string();
  }
};

TEST(BuiltinFiles, ReadBackIntoTheStoreWithCrLfOrLf) {
  Library lib;
  std::string lfOnly;
  for (char c : lib.made)
    if (c != '\r') lfOnly += c;
  lib.scratch.write("a/crlf.bif", lib.made);
  lib.scratch.write("a/lf.bif", lfOnly);
  lib.library.readBuiltinFile("crlf.bif", false);
  std::string fromCrLf = lib.bodyOf("nested");
  lib.library.readBuiltinFile("lf.bif", false);  // appended after the first file's bodies
  EXPECT_EQ(lib.bodyOf("nested"), fromCrLf);
  EXPECT_EQ(fromCrLf.substr(0, 17), "{,1\r\nBEGIN,nested");
  EXPECT_EQ(fromCrLf.substr(fromCrLf.size() - 5), "},1\r\n");
  EXPECT_EQ(lib.bodyOf("twice").substr(0, 16), "{,1\r\nBEGIN,twice");
  EXPECT_TRUE(lib.marks.isBuiltin("twice"));
  lib.marks.builtinSwitch["twice"] = false;
  EXPECT_FALSE(lib.marks.isBuiltin("twice"));
  EXPECT_EQ(lib.console.text(), "");
  EXPECT_EQ(parameterCountOf(fromCrLf), 2u);
  EXPECT_EQ(parameterCountOf(lib.bodyOf("twice")), 1u);
}

TEST(BuiltinFiles, CopiedBodiesTakeFreshBlocksLabelsAndTemporaries) {
  Library lib;
  lib.scratch.write("a/lib.bif", lib.made);
  lib.library.readBuiltinFile("lib.bif", false);
  std::uint32_t blocks = 7;
  std::uint32_t labels = 40;
  std::uint32_t temporaries = 3;
  FreshNumbers fresh{[&] { return ++blocks; }, [&] { return ++labels; },
                     [&] { return ++temporaries; }};
  std::string body = renumberedBody(lib.bodyOf("nested"), fresh);
  EXPECT_EQ(blocks, 10u);
  EXPECT_EQ(body.substr(0, 4), "{,8\n");
  EXPECT_TRUE(has(body, "\n{,9\n") && has(body, "\n},9\n{,10\n") && has(body, "\n},10\n")) << body;
  EXPECT_EQ(body.substr(body.size() - 4), "},8\n");
  EXPECT_EQ(renumberedBody("{,3,text\n},3,text\n{,x\n", fresh), "{,11,text\n},11,text\n{,x\n");
  // The same old number is the same new one within a copy; names, text records and symbol
  // lines keep what only looks like a number.
  EXPECT_EQ(renumberedBody("\tT1,12\n+,P1,#1,T1\nTRUE,*T1,,L7\nLAB,L7\nJMP,L7\n"
                           "=,@L7,T12,@T1\n\tI1,\"T1\",12,1,2\nBEGIN,L7\nasm,T1,L7\n",
                           fresh),
            "\tT4,12\n+,P1,#1,T4\nTRUE,*T4,,L42\nLAB,L42\nJMP,L42\n=,@L7,T5,@T1\n"
            "\tI1,\"T1\",12,1,2\nBEGIN,L7\nasm,T1,L7\n");
  EXPECT_EQ(labels, 42u);  // one label in the stored body
  EXPECT_EQ(temporaries, 5u);
}

TEST(BuiltinFiles, SearchAndMalformedFiles) {
  Library lib;
  lib.scratch.write("a/only-a.bif", lib.made);
  lib.scratch.write("b/short.bif", "0002\r\n");
  lib.scratch.write("b/letter.bif", "x0000001\r\n");
  lib.library.readBuiltinFile("only-a.bif", true);  // <name> starts at the second directory
  lib.library.readBuiltinFile("short.bif", true);
  lib.library.readBuiltinFile("letter.bif", false);
  lib.library.readBuiltinFile(lib.scratch.path() + "a/only-a.bif", true);  // used as it is
  EXPECT_EQ(lib.console.text(),
            "ZC1-Error-383: Cannot open builtin-file 'only-a.bif'\n"
            "ZC1-Error-383: Cannot open builtin-file 'short.bif'\n"
            "ZC1-Error-383: Cannot open builtin-file 'letter.bif'\n");
  EXPECT_TRUE(lib.library.bodyOf("twice"));
  lib.scratch.write("b/index.bif", "00000001\r\ntwice ,00000001\r\n");
  EXPECT_THROW(lib.library.readBuiltinFile("index.bif", false), RunAborted);
  EXPECT_TRUE(has(lib.console.text(), "ZC1-Fatal-124: Problems with input file"));
}

TEST(BuiltinFiles, BrokenIndexEndsTheRunWithoutLeftovers) {
  ScratchDirectory scratch;
  scratch.write("t.c", "int x;\n");
  scratch.write("broken.bif", "00000003\r\nshort ,00000001\r\n");
  Compiled run = runIn(scratch, {"-Zf", scratch.path() + "broken.bif"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(has(run.messages, "ZC1-Fatal-124: Problems with input file")) << run.messages;
  EXPECT_TRUE(workFilesIn(scratch).empty());
  EXPECT_FALSE(std::filesystem::exists(scratch.path() + "t.il"));
}

TEST(BuiltinFiles, PragmaReadsAtFileScopeAndChecksEarlierDeclarations) {
  ScratchDirectory scratch;
  scratch.write("t.c", kLibrary);
  scratch.write("lib.bif", runIn(scratch, {"-Xb"}, "lib.bif").output);
  scratch.write("t.c",
                "int twice;\nint __interrupt nested(void);\n#pragma builtin_file \"lib.bif\"\n"
                "void f(void) {\n#pragma builtin_file \"lib.bif\"\n}\n"
                "#pragma builtin_file lib\n#pragma builtin_file \"none.bif\"\n");
  Compiled run = runIn(scratch, {});
  expectMessages(
      run, {"t.c 3: ZC1-Error-262: Redeclaration of 'twice'",
            "t.c 3: ZC1-Error-385: Illegal function type for inline/builtin-function 'nested'",
            "t.c 5: ZC1-Error-384: Cannot use #pragma builtin_file in block-scoped",
            "t.c 7: ZC1-Warning-595: Illegal #pragma builtin_file",
            "t.c 8: ZC1-Error-383: Cannot open builtin-file 'none.bif'"});
  EXPECT_EQ(run.status, 4);
  EXPECT_TRUE(workFilesIn(scratch).empty());
}

}  // namespace
}  // namespace kz::cfront::testing

namespace kz::cfront::testing {
namespace {

// The block numbers of the copies that follow each INLINE line of the output.
std::vector<std::string> copiedBlocks(const std::string& output) {
  std::vector<std::string> blocks;
  for (std::size_t at = output.find("INLINE,"); at != std::string::npos;
       at = output.find("INLINE,", at + 1)) {
    std::size_t open = output.find('\n', at) + 1;
    blocks.push_back(output.substr(open, output.find('\n', open) - open));
  }
  return blocks;
}

TEST(InlineFunctions, DefinitionIsKeptAndEachCallGetsAFreshCopy) {
  Compiled run = compile(
      "int twice(int x);\n#pragma inline twice\nint early(int a) { return twice(a); }\n"
      "int twice(int x) { if (x) { return x + x; } return 0; }\n"
      "int use(int a) { return twice(a) + twice(a + 1); }\n");
  ASSERT_EQ(run.status, 0) << run.messages;
  // Before its definition a call is a call; the definition itself is not in the output.
  EXPECT_TRUE(has(run.output, "CCALL,@_twice,#2,A\n")) << run.output;
  std::string use = recordsFrom(run.output, "BEGIN,use");
  EXPECT_FALSE(has(recordsFrom(run.output, "END,early"), "CCALL")) << run.output;
  EXPECT_LT(run.output.find("BEGIN,use"), run.output.find("BEGIN,twice"));
  // The argument lines of the convention, the call line named INLINE, then the body whose
  // blocks (its own and the nested one) are numbered afresh for each copy.
  EXPECT_TRUE(has(use, "CARG,P1\n\tT1,6\nINLINE,@_twice,#2,T1\n{,")) << use;
  std::vector<std::string> blocks = copiedBlocks(use);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_NE(blocks[0], blocks[1]);
  EXPECT_NE(blocks[0], "{,1");
  std::string first = recordsFrom(use, blocks[0] + "\nBEGIN,twice\n");
  EXPECT_TRUE(has(first, "END,twice\n}" + blocks[0].substr(1) + "\n")) << first;
  std::string closeFirst = "}" + blocks[0].substr(1);
  std::string second = recordsFrom(use, blocks[1] + "\n");
  EXPECT_FALSE(has(second, closeFirst + "\n")) << "the second copy reuses block numbers";
}

TEST(InlineFunctions, AdeclCopiesTakeTheirCallNumberLine) {
  Compiled run = compile(
      "#pragma inline pick\nint __adecl pick(int a, int b) { return a > b ? a : b; }\n"
      "int f(int x) { return pick(x, 3); }\n");
  ASSERT_EQ(run.status, 0) << run.messages;
  EXPECT_TRUE(has(run.output, "AARG,P1,1,1\nAARG,#3,1,2\nINLINE,@_pick,1,A\n{,2\nBEGIN,pick\n"))
      << run.output;
}

TEST(InlineFunctions, ArgumentsAreCountedAgainstTheStoredParameters) {
  Compiled variadic = compile(
      "#pragma inline first\nint first(int a, ...) { return a; }\n"
      "int f(void) { return first(1, 2, 3); }\n");
  ASSERT_EQ(variadic.status, 0) << variadic.messages;
  EXPECT_TRUE(has(variadic.output, "INLINE,@_first,#6,A\n")) << variadic.output;
  // The message names the line of the call, not the end of the function that holds it.
  Compiled tooMany = compile(
      "#pragma inline one\nint one(int a) { return a; }\nint f(void) {\n  return one(1, 2);\n"
      "}\n");
  expectMessages(tooMany, {"t.c 4: ZC1-Error-381: Illegal builtin-function call 'one', too many"});
}

TEST(InlineFunctions, MissingReturnValueIsAnErrorForCopiedBodies) {
  Compiled inlined = compile("#pragma inline f\nint f(int a) { if (a) return 1; }\n");
  expectMessages(inlined, {"t.c 2: ZC1-Error-382: No return value in 'f'"});
  EXPECT_NE(inlined.status, 0);
  Compiled made = compile("int f(int a) { if (a) return 1; }\n", {"-Xb"});
  expectMessages(made, {"ZC1-Error-382: No return value in 'f'"});
  Compiled plain = compile("int f(int a) { if (a) return 1; }\n");
  expectMessages(plain, {"ZC1-Warning-553: No return value in 'f'"});
  EXPECT_FALSE(has(plain.messages, "382"));
}

TEST(BuiltinFiles, CallsOfEnabledBuiltinsAreExpandedAndCounted) {
  ScratchDirectory scratch;
  scratch.write("t.c", kLibrary);
  scratch.write("lib.bif", runIn(scratch, {"-Xb"}, "lib.bif").output);
  scratch.write("t.c",
                "#pragma builtin_file \"lib.bif\"\nint f(int v) { return nested(v, 2); }\n"
                "#pragma builtin_off nested\nint g(int v) { return nested(v, 2); }\n");
  Compiled run = runIn(scratch, {});
  ASSERT_EQ(run.status, 0) << run.messages;
  std::string f = recordsFrom(run.output, "BEGIN,f");
  // The body's static keeps the name it was made with; its blocks 2 and 3 are fresh here.
  EXPECT_TRUE(has(f, "CARG,#2\nCARG,P1\nINLINE,@_nested,#4,A\n{,2\nBEGIN,nested\n")) << f;
  EXPECT_TRUE(has(f, "{,3\n")) << f;
  EXPECT_TRUE(has(f, "END,nested\n},2\n")) << f;
  EXPECT_FALSE(has(f, "\r"));
  // Switched off, a call is a call.
  EXPECT_TRUE(has(recordsFrom(run.output, "BEGIN,g"), "CCALL,@_nested,#4,A")) << run.output;

  // A run stops writing records at its first error: one wrong call a run.
  scratch.write("t.c", "#pragma builtin_file \"lib.bif\"\nint f(int v) { return twice(); }\n");
  expectMessages(runIn(scratch, {}), {"t.c 2: ZC1-Error-380: Illegal builtin-function call "
                                      "'twice', too few actual parameters"});
  scratch.write("t.c", "#pragma builtin_file \"lib.bif\"\nint g(int v) { return twice(v, v); }\n");
  expectMessages(runIn(scratch, {}), {"t.c 2: ZC1-Error-381: Illegal builtin-function call "
                                      "'twice', too many actual parameters"});
  EXPECT_TRUE(workFilesIn(scratch).empty());
}

}  // namespace
}  // namespace kz::cfront::testing
