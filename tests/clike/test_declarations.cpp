// Declaration, section and statement checks: each message where a program reaches it.
#include <gtest/gtest.h>

#include "tests/clike/compile_helper.h"

namespace kz::clike {
namespace {

using testing::compile;

struct Check {
  const char* source;
  const char* messages;
};

void expectMessages(const std::vector<Check>& checks, std::vector<std::string> options = {}) {
  for (const Check& check : checks) {
    EXPECT_EQ(compile(check.source, options).messages, check.messages) << check.source;
  }
}

TEST(Sections, NamesPlacementAndTheTwoWaysOfOpeningThem) {
  auto c = compile(
      "section code abs = 0x1234;\nsection io;\nsection x data;\n"
      "section code abs 0x8000;\n");
  EXPECT_EQ(c.status, 0) << c.err;
  EXPECT_NE(c.assembly.find("\n_prog_00\tsection code abs = 0x1234\n"), std::string::npos)
      << c.assembly;
  EXPECT_NE(c.assembly.find("\nio\tsection data small\n"), std::string::npos);
  EXPECT_NE(c.assembly.find("\nx\tsection data medium\n"), std::string::npos);
  EXPECT_NE(c.assembly.find("\n_prog_03\tsection code abs = 0x8000\n"), std::string::npos);
  expectMessages({
      {"section code rel = 0x100;\n", "E210"},
      {"section code abs;\n", "E216"},
      {"section io abs = 0x100;\n", "E217"},
      {"section io near;\n", "E208"},
      {"section data far;\n", "E208"},
      {"#pragma section code\nsection data;\n", "E200"},
      {"section data;\n#pragma section code\n", "E400"},
      {"#pragma section io near\n", "E410"},
      {"#pragma section const tiny\n", "E410"},
      {"#pragma section stack\n", "E411"},
      {"#pragma section io abs = 0x100\n", "E412"},
      {"#pragma section vars area tiny abs = 0x40\n", ""},
  });
}

TEST(Declarations, TypeWordsAndPlacement) {
  expectMessages({
      {"long x;\n", "E212 E206"},
      {"section area; signed char x;\n", "E278"},
      {"section area; unsigned long x;\n", "E212"},
      {"section area; char short x;\n", "E212"},
      {"section area; void x;\n", "E212"},
      {"section area; int x; int x;\n", "E204"},
      {"section data; __far char x;\n", "E208"},
      {"section io; __near char x;\n", "E208"},
      {"section const; __tiny const char x = 1;\n", "E208"},
      {"section data; union u { char a; short b; } x;\n", "E228"},
      {"section area; union u { char a; short b; } x;\n", ""},
      {"section data; const char x;\n", "E228"},
      {"extern io char x;\n", "E200"},
      {"extern const const char x;\n", "E200"},
      {"section const; entry *p = 0;\n", "E200"},
      {"section data; char (*__tiny fp)(void);\n", "E209"},
      {"section data; char (*fp)(char A);\n", "E233"},
      {"section data; struct s { struct t { char a; } *p; } x;\n", "E220"},
  });
}

TEST(Declarations, InitialisersFollowTheSection) {
  expectMessages({
      {"section area; char x = 1;\n", "E219"},
      {"section const; const char x;\n", "E218"},
      {"section const; const char t[3] = {1, 2, 3, 4};\n", "E257"},
      {"section const; const char t[3] = {1};\n", "E258"},
      {"section const; const char t[2] = \"abc\";\n", "E221"},
      {"section data; char t[];\n", "E222"},
      {"section const; const short p = \"no\";\n", "E223"},
      {"section io; char big[300];\n", "E227"},
      {"section const; const char t[] = {1, 2, 3};\n", ""},
  });
  auto c = compile(
      "section const; const char t[] = {1, 2, 3};\nsection code;\n"
      "void f(void) { A = sizeof t; }\n");
  EXPECT_NE(c.assembly.find("\tld\ta,3\n"), std::string::npos) << c.assembly;
}

TEST(Declarations, FunctionsTakeTheirParametersInRegisters) {
  expectMessages({
      {"section code; void f(char A, short A) { }\n", "E288"},
      {"section code; void f(char x) { }\n", "E226"},
      {"section code; void f(A) { }\n", "E224"},
      {"static void f(char A);\n", "E230"},
      {"struct s { char a; }; section code; struct s f(void) { }\n", "E212"},
      {"section code; void f(char A);\nvoid f(char B) { }\n", "E232"},
      {"section code; void f(void) { g(); }\n", "E231"},
      {"section code; void g(char A); void f(void) { g(); }\n", "E295"},
      {"section code; void g(char A); void f(void) { g(1, 2); }\n", "E296"},
      {"section data; void f(void) { }\n", "E228"},
      {"section code; void f(void) { char local; }\n", "E234"},
      {"section code; void f(void) { register char B; B = 1; }\n", ""},
  });
}

TEST(Declarations, StructuresAndFailedDeclarationsStayQuiet) {
  expectMessages({
      {"section io; struct p { char a; char b; } x;\nsection code;\n"
       "void f(void) { A = x.b; A = x.c; A = count.a; }\n",
       "E215 E203 E214"},
      {"struct p { char a; }; section code; void f(void) { A = p; }\n", "E254"},
      // The declaration failed (out of section) but later uses know the name.
      {"char x;\nsection code; void f(void) { A = x; }\n", "E206"},
      {"section code; void f(void) { A = y; B = y; }\n", "E203"},
  });
}

TEST(Declarations, NamesWhereATypeBelongs) {
  expectMessages({
      // The unknown word is taken as a missing type; the name is still entered.
      {"byte x;\nsection io; char y;\n", "E205 E206"},
      {"section io; byte *x;\nsection code; void f(void) { A = *x; }\n", "E205"},
      {"section io; struct s { foo a; char b; } v;\n", "E205"},
      {"section code; void f(foo A) { }\n", "E205"},
      {"section code; void f(void) { foo B; }\n", "E205"},
      {"x = 1;\nsection io; char y;\n", "E200"},
      // One storage class, where one may stand.
      {"section io; static extern char x;\n", "E211"},
      {"section io; register char x;\n", "E211"},
      {"section io; struct s { static char a; } v;\n", "E211"},
      {"section code; void f(static char A) { }\n", "E211"},
      {"section code; void f(register char A) { }\n", ""},
      {"typedef void f(void) { }\n", "E211 E206"},
      // Types that cannot be.
      {"section io; char f(void)[3];\n", "E229"},
      {"section io; char t[3](void);\n", "E229"},
      {"section code; void f(void)(void);\n", "E229"},
      {"section io; struct s { char f(void); } v;\n", "E229"},
      {"section io; struct t; struct s { struct t x; } v;\n", "E246"},
      {"section io; struct t; struct t list[3];\n", "E246"},
      {"section io; struct t; struct t *p;\n", ""},
  });
}

// Types with many derivations, from the declarator and from typedef names, keep all of
// them: sizes, elements and the pointer at the bottom.
TEST(Declarations, LongChainsOfDerivationsKeepEveryStep) {
  auto c = compile(
      "typedef unsigned char *row[4];\ntypedef row grid[3];\n"
      "section vars area; unsigned char *cube[2][3][4]; grid g[2]; short **deep[2][2][2][2];\n"
      "section code; void f(void) { HL = cube[1][2][3]; DE = g[1][2][3]; A = sizeof deep; }\n");
  EXPECT_EQ(c.messages, "") << c.err;
  EXPECT_NE(c.assembly.find("_cube\t\tdsb\t48\n_g\t\tdsb\t48\n_deep\t\tdsb\t32\n"),
            std::string::npos)
      << c.assembly;
  EXPECT_NE(c.assembly.find("\tld\thl,_cube+46\n\tld\thl,(hl)\n\tld\thl,_g+46\n\tld\tde,(hl)\n"
                            "\tld\ta,32\n"),
            std::string::npos)
      << c.assembly;
}

// sizeof of an element, a member or the object behind a pointer is the size of its type,
// an array's whole.
TEST(Declarations, SizeofOfElementsMembersAndPointedObjects) {
  auto c = compile(
      "struct rec { unsigned char tag; short table[5]; };\n"
      "section vars area; unsigned char *cube[2][3][4]; struct rec r; struct rec *p;\n"
      "unsigned char *bytes;\n"
      "section code; void f(void) { A = sizeof cube[1]; A = sizeof cube[1][2];\n"
      "A = sizeof r.table; A = sizeof p->table[0]; A = sizeof *p; A = sizeof *bytes; }\n");
  EXPECT_EQ(c.messages, "") << c.err;
  EXPECT_NE(c.assembly.find("\tld\ta,24\n\tld\ta,8\n\tld\ta,10\n\tld\ta,2\n\tld\ta,11\n"
                            "\tld\ta,1\n"),
            std::string::npos)
      << c.assembly;
}

TEST(Declarations, TypedefNamesStandForTheirType) {
  auto c = compile(
      "typedef unsigned char byte;\ntypedef byte *bytes;\ntypedef struct { byte lo, hi; } pair;\n"
      "typedef char line[4];\ntypedef void handler(void);\n"
      "section io; byte b; bytes p; pair pr; line text; bytes ps[2];\n"
      "section code; handler tick;\n"
      "section const; const handler *table[2] = {tick, tick};\n"
      "section code; void tick(void) { A = sizeof pr + sizeof text + sizeof ps; A = pr.hi; }\n"
      "void put(byte A) { }\n");
  EXPECT_EQ(c.messages, "") << c.err;
  EXPECT_NE(c.assembly.find("_b\t\tdsb\t1\n_p\t\tdsb\t2\n_pr\t\tdsb\t2\n_text\t\tdsb\t4\n"
                            "_ps\t\tdsb\t4\n"),
            std::string::npos)
      << c.assembly;
  EXPECT_TRUE(c.has("\tld\ta,10")) << c.assembly;
  EXPECT_TRUE(c.has("\tld\ta,(_pr+1)")) << c.assembly;
  expectMessages({
      {"typedef char byte; section io; unsigned byte x;\n", "E229"},
      {"typedef char byte; section io; byte char x;\n", "E229"},
      {"typedef char byte = 1;\n", "E219"},
      {"typedef char byte; typedef short byte;\n", "E204"},
      {"typedef char byte; section io; char byte;\n", "E204"},
      {"typedef char line[3]; section io; line f(void);\n", "E229"},
      {"typedef const char text; section data; text x;\n", "E228"},
      {"typedef char line[]; section const; const line t = \"ab\";\nsection code;\n"
       "void f(void) { A = sizeof t; }\n",
       ""},
      {"typedef struct s { char a; } rec; section io; rec *__far p;\n", ""},
  });
}

TEST(Declarations, InitialValuesThatTheCompilerCompletes) {
  expectMessages(
      {
          {"section const; const char t[8] = \"abc\";\n", "W514"},
          {"section const; const char t[4] = \"abc\";\n", ""},
          {"section const; const char t[] = \"abc\";\n", ""},
          {"section const; struct s { union u { char a; short b; } m; char c; };\n"
           "const struct s x = {{1}, 2};\n",
           "W514"},
      },
      {"-w2"});
  // Below level 2 the warning is not shown.
  expectMessages({{"section const; const char t[8] = \"abc\";\n", ""}});
}

TEST(Declarations, FunctionsInARomDataSectionAreAWarning) {
  auto c = compile("section const; void f(void) { A = 1; }\n", {"-w2"});
  EXPECT_EQ(c.messages, "W519");
  EXPECT_EQ(c.status, 0);
  EXPECT_TRUE(c.has("_f:")) << c.assembly;
  expectMessages({{"section data; void f(void) { }\n", "E228"}});
}

TEST(Declarations, StructuresHoldAtMost255Members) {
  std::string members;
  for (int i = 0; i < 256; ++i) members += "char m" + std::to_string(i) + ";\n";
  auto c = compile("section io; struct big {\n" + members + "} x;\n");
  EXPECT_EQ(c.messages, "E225");
  EXPECT_NE(c.err.find("prog.c 257 : CLZEL-Error-225: Too many 'struct' members \"m255\""),
            std::string::npos)
      << c.err;
}

TEST(Statements, ControlAndCaseChecks) {
  expectMessages({
      {"section code; void f(void) { break; }\n", "E269"},
      {"section code; void f(void) { else A = 1; }\n", "E272"},
      {"section code; void f(void) { switch (A) { } }\n", "E274"},
      {"section code; void f(void) { switch (A) { case B: ; } }\n", "E275 E274"},
      {"section code; void f(void) { switch (A) { case 1: case 1: ; } }\n", "E276"},
      {"section code; void f(void) { switch (A) { case 1: default: default: ; } }\n", "E277"},
      {"section code; void f(void) { default: ; }\n", "E277"},
      {"section code; void f(void) { depend (A) { case 1: ; } }\n", "E275 E274"},
      {"section code; void f(void) { goto nowhere; }\n", "E298"},
      {"section code; void f(void) { x: ; }\nvoid g(void) { goto x; }\n", "E294"},
      {"section code; void f(void) { goto 5; }\n", "E299"},
      {"section code; void f(void) { A.8 = 1; }\n", "E267"},
      {"section code; void f(void) { WA.1 = 1; }\n", "E268"},
      {"section code; void f(void) { A.1 += 1; }\n", "E266"},
      {"section code; void f(void) { A <<= B; }\n", "E282"},
      {"section code; void f(void) { if (A + B) ; }\n", "E281"},
      {"section io; char x; section code; void f(void) { CALL[f, x](A); }\n", "E290"},
      {"section code; void f(void) { f(); }\n", "W522"},
  });
  expectMessages(
      {
          {"section code; void f(void) { return 1; }\n", "W511"},
          {"section code; char f(void) { return; }\n", "W512"},
      },
      {"-w2"});
}

TEST(Parser, HostileNestingEndsWithAMessage) {
  std::string parens = "section code; void f(void) { A = " + std::string(400, '(') + "1" +
                       std::string(400, ')') + "; }\n";
  auto deep = compile(parens);
  EXPECT_EQ(deep.status, 255);
  EXPECT_NE(deep.err.find("CLZEL-Error-200: Parser stack overflow \"(\""), std::string::npos)
      << deep.err;
  std::string loops = "section code; void f(void) {";
  for (int i = 0; i < 40; ++i) loops += " while (A) {";
  loops += std::string(40, '}') + "}\n";
  // The fatal reports the open block first, as every late fatal does.
  EXPECT_EQ(compile(loops).messages, "E207 F128");
}

TEST(Parser, OneMistakeOneMessage) {
  auto c = compile("section code;\nvoid f(void) {\n  A = = 1;\n  B = 2;\n  C = ;\n}\n");
  EXPECT_EQ(c.messages, "E200 E200");
  auto unrecoverable = compile(std::string(12, ')'));
  EXPECT_EQ(unrecoverable.messages, "E200");
}

}  // namespace
}  // namespace kz::clike
