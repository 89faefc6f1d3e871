// Generated functions put through the assembler: the key shapes and their encoded bytes.
#include <gtest/gtest.h>

#include "tests/clike/compile_helper.h"

namespace kz::clike {
namespace {

using testing::assemble;
using testing::compile;

const std::string kHeader =
    "section vars area tiny;\n"
    "unsigned char count;\n"
    "char flags;\n"
    "section code;\n";

TEST(CodeGeneration, AssignmentsAndCompoundOperatorsEncodeAsTheirInstructions) {
  auto c = compile(kHeader +
                   "void f(void) {\n"
                   "  A = 5; count = A; A += B; HL += 5; B -= A; A &= 0x0F; A |= count;\n"
                   "  A ^= B; C++; --HL; WA = W * A; HL = DE; A = *(HL+C); *HL++ = A;\n"
                   "  A = *(HL+3); *DE = A; BC = *HLW; A = *--HL; A <<= 2; B >>= 1;\n"
                   "}\n");
  ASSERT_EQ(c.status, 0) << c.err;
  auto e = assemble(c.assembly);
  ASSERT_EQ(e.status, 0) << e.err << c.assembly;
  EXPECT_EQ(e.bytes("\tld\ta,5"), "30 05");
  EXPECT_EQ(e.bytes("\tld\t(_count),a"), "2A 00");
  EXPECT_EQ(e.bytes("\tadd\ta,b"), "EB 61");
  EXPECT_EQ(e.bytes("\tadd\thl,5"), "EB 39 05 00");
  EXPECT_EQ(e.bytes("\tsub\tb,a"), "EB 6B");
  EXPECT_EQ(e.bytes("\tand\ta,15"), "74 0F");
  EXPECT_EQ(e.bytes("\tor\ta,(_count)"), "7E 00");
  EXPECT_EQ(e.bytes("\txor\ta,b"), "EB 65");
  EXPECT_EQ(e.bytes("\tinc\tc\t"), "62");
  EXPECT_EQ(e.bytes("\tdec\thl\t"), "1B");
  EXPECT_EQ(e.bytes("\tmul\tw,a"), "02");
  EXPECT_EQ(e.bytes("\tld\thl,de"), "EA 17");
  EXPECT_EQ(e.bytes("\tld\ta,(hl+c)"), "E5 58");
  EXPECT_EQ(e.bytes("\tld\t(hl+),a"), "F6 50");
  EXPECT_EQ(e.bytes("\tld\ta,(hl+3)"), "E4 03 58");
  EXPECT_EQ(e.bytes("\tld\t(de),a"), "F2 50");
  EXPECT_EQ(e.bytes("\tld\tbc,(hl)"), "E3 15");
  EXPECT_EQ(e.bytes("\tld\ta,(-hl)"), "E7 58");
  EXPECT_EQ(e.bytes("\tshlc\ta\t", 0), "1C");
  EXPECT_EQ(e.bytes("\tshlc\ta\t", 1), "1C");
  EXPECT_EQ(e.bytes("\tshrc\tb\t"), "EB 1D");
}

TEST(CodeGeneration, SwitchSearchesItsTableOfCaseValues) {
  auto c = compile(kHeader +
                   "void f(void) {\n"
                   "  switch (A) {\n"
                   "  case 1: B = 2; break;\n"
                   "  case 2: B = 3; break;\n"
                   "  case 7: B = 4; break;\n"
                   "  }\n"
                   "}\n");
  ASSERT_EQ(c.status, 0) << c.err;
  // The table: three cases, and the end label last since there is no default.
  EXPECT_NE(
      c.assembly.find("\tld\thl,__0004\n\tld\tw,(hl+)\n__0005:\n\tcmp\ta,(hl+)\n\tj\tt,__0006\n"
                      "\tinc\thl\n\tinc\thl\n\tdec\tw\n\tj\tnz,__0005\n__0006:\n\tj\t(hl)\n"
                      "__0004\tdb\t0x3\n\tdb\t0x1\n\tdw\t__0001\n\tdb\t0x2\n\tdw\t__0002\n"
                      "\tdb\t0x7\n\tdw\t__0003\n\tdw\t__0000\n"),
      std::string::npos)
      << c.assembly;
  auto e = assemble(c.assembly);
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.bytes("\tld\tw,(hl+)"), "E6 59");
  EXPECT_EQ(e.bytes("\tcmp\ta,(hl+)"), "E6 7F");
  EXPECT_EQ(e.bytes("\tj\t(hl)"), "E3 FE");
  EXPECT_EQ(e.bytes("__0004\tdb\t0x3"), "03");
}

TEST(CodeGeneration, SwitchUnderOptionSCallsTheLibraryRoutine) {
  auto c = compile(kHeader + "void f(void) { switch (A) { case 1: B = 1; } }\n", {"-Os"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_TRUE(c.has("\tcall\t__switch")) << c.assembly;
  EXPECT_TRUE(c.has("\textern \tmedium __switch")) << c.assembly;
  EXPECT_EQ(c.assembly.find("\tld\tw,(hl+)"), std::string::npos);
  EXPECT_EQ(assemble(c.assembly).status, 0);
}

TEST(CodeGeneration, DependJumpsThroughOneWordPerCase) {
  auto c = compile(kHeader +
                   "void f(void) {\n"
                   "  depend (A) { case 0: B = 0; break; case 1: B = 1; break;\n"
                   "               case 2: B = 2; break; case 3: B = 3; }\n"
                   "}\n");
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_NE(c.assembly.find("\tshlc\ta\t\n\tj\t(pc+a)\n\tdw\t__0001\n\tdw\t__0002\n\tdw\t__0003\n"
                            "\tdw\t__0004\n__0001:\n"),
            std::string::npos)
      << c.assembly;
  auto e = assemble(c.assembly);
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.bytes("\tj\t(pc+a)"), "E1 FE");
}

// The largest tables: every byte value a case may take, negative ones as their low byte,
// and a depend of many words.
TEST(CodeGeneration, FullSwitchAndDependTablesHoldEveryCase) {
  std::string text = kHeader + "void f(void) {\n  switch (A) {\n";
  for (int value = -128; value < 127; ++value)
    text += "  case " + std::to_string(value) + ": B = 1; break;\n";
  text += "  default: B = 2;\n  }\n  depend (A) {\n";
  for (int value = 0; value < 120; ++value)
    text += "  case " + std::to_string(value) + ": C = 1; break;\n";
  text += "  }\n}\n";
  auto c = compile(text);
  ASSERT_EQ(c.status, 0) << c.err;
  auto count = [&](std::string_view piece) {
    std::size_t found = 0;
    for (std::size_t at = c.assembly.find(piece); at != std::string::npos;
         at = c.assembly.find(piece, at + 1))
      ++found;
    return found;
  };
  EXPECT_EQ(count("\tdb\t0x"), 256u);  // the count and 255 values
  EXPECT_EQ(count("\tdw\t"), 256u + 120u);
  EXPECT_EQ(count("\tdb\t0xff\n\tdb\t0x80\n\tdw\t"), 1u);  // count 255, first value -128
  EXPECT_EQ(count("\tdb\t0x7e\n\tdw\t"), 1u);              // the last value, 126
  EXPECT_EQ(assemble(c.assembly).status, 0);
}

TEST(CodeGeneration, TableCallAndCallsWithRegisterArguments) {
  auto c = compile(kHeader +
                   "void put(char A, short HL);\n"
                   "void put(char A, short HL) { }\n"
                   "void stop(void) { }\n"
                   "void f(void) {\n"
                   "  put(B, 0x1234);\n"
                   "  CALL[put, stop](A);\n"
                   "}\n");
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_NE(c.assembly.find("\tld\ta,b\n\tld\thl,4660\n\tcall\t_put\t\n"), std::string::npos)
      << c.assembly;
  EXPECT_NE(c.assembly.find("\tshlc\ta\t\n\tadd\ta,2\n\tcall\t(pc+a)\n\tjr\t__0000\n\tdw\t_put\n"
                            "\tdw\t_stop\n__0000:\n"),
            std::string::npos)
      << c.assembly;
  auto e = assemble(c.assembly);
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.bytes("\tld\ta,b"), "53");
  EXPECT_EQ(e.bytes("\tcall\t(pc+a)"), "E1 FC");
  EXPECT_EQ(e.bytes("\tadd\ta,2"), "71 02");
}

TEST(CodeGeneration, BitFormsAndConditions) {
  auto c = compile(kHeader +
                       "void f(void) {\n"
                       "  flags.3 = 1; A.7 = 0; *HL.B = 1; flags.2 ^= 1;\n"
                       "  if (A.1) B = 1;\n"
                       "  while (A < 10 && B != 0) A++;\n"
                       "  if (CS) C = 0;\n"
                       "}\n",
                   {"-w3"});
  ASSERT_EQ(c.status, 0) << c.err;
  auto e = assemble(c.assembly);
  ASSERT_EQ(e.status, 0) << e.err << c.assembly;
  EXPECT_EQ(e.bytes("\tset\t(_flags).3\t"), "43 01");
  EXPECT_EQ(e.bytes("\tclr\ta.7\t"), "E8 4F");
  EXPECT_EQ(e.bytes("\tset\t(hl).b\t"), "EB 83");
  EXPECT_EQ(e.bytes("\tcpl\t(_flags).2\t"), "E0 01 C2");
  EXPECT_EQ(e.bytes("\ttest\ta.1\t"), "E8 D9");
  EXPECT_TRUE(c.has("\tcmp\ta,10") && c.has("\tj\tge,__0002")) << c.assembly;
  EXPECT_TRUE(c.has("\tj\tcc,__0003")) << c.assembly;
}

TEST(CodeGeneration, NearObjectsAreReachedThroughHLWithAWarning) {
  auto c = compile(
      "section ram data;\nchar level;\nsection code;\n"
      "void f(void) { level = A; }\n",
      {"-w3", "-lf", "/dev/null"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_NE(c.assembly.find("\tld\thl,_level\n\tld\t(hl),a\n"), std::string::npos) << c.assembly;
  EXPECT_EQ(assemble(c.assembly).status, 0);
}

TEST(CodeGeneration, ARegisterWrittenLastMayTakeHLForItsValue) {
  std::string data =
      "section ram data;\nunsigned char level;\nunsigned short wide;\nsection code;\n";
  auto c = compile(data + "void f(void) {\n HL = level;\n L = wide;\n}\n");
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_NE(c.assembly.find("\tld\thl,_level\n\tld\tl,(hl)\n\tld\th,0\n\tld\thl,_wide\n"
                            "\tld\tl,(hl)\n"),
            std::string::npos)
      << c.assembly;
  auto e = assemble(c.assembly);
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.bytes("\tld\tl,(hl)"), "E3 5E");
  // An operation reads L again after HL has been taken: refused.
  EXPECT_EQ(compile(data + "void f(void) { L += level; }\n").messages, "E287");
}

TEST(CodeGeneration, OperationsWithoutAnInstructionAreReported) {
  // No 16-bit ALU form takes memory; CALLD has no instruction; DE has no multiply with C.
  auto c = compile(kHeader + "void f(void) {\n WA += *HLW;\n CALLD(5);\n DE = D * C;\n}\n");
  EXPECT_EQ(c.messages, "E262 E262 E262");
  EXPECT_EQ(c.status, 255);
}

TEST(CodeGeneration, WorkingRegisterAWhenTheOperandsHaveNoForm) {
  // There is no load from (HL) into (DE); a store into (HL+C) has no form at all.
  auto c = compile(kHeader + "void f(void) { *DE = *HL; }\n", {"-w3", "-lf", "/dev/null"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_NE(c.assembly.find("\tld\ta,(hl)\n\tld\t(de),a\n"), std::string::npos) << c.assembly;
  EXPECT_EQ(compile(kHeader + "void f(void) { *(HL+C) = 5; }\n").messages, "E262");
}

TEST(CodeGeneration, ModeRClosesEveryBodyWithOneReturn) {
  auto c = compile(kHeader + "void f(void) { A = 1; }\nvoid g(void) { A = 2; return; }\n", {"-Mr"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_NE(c.assembly.find("\tld\ta,1\n\tret\n"), std::string::npos) << c.assembly;
  EXPECT_NE(c.assembly.find("\tld\ta,2\n\tret\n\tend"), std::string::npos);
  EXPECT_EQ(c.assembly.find("\tret\n\tret\n"), std::string::npos);
}

TEST(CodeGeneration, ChoiceUDropsAJumpToTheNextLabelAndChoiceEClearsMemory) {
  std::string source = kHeader + "void f(void) { goto next; next: count = 0; }\n";
  auto held = compile(source);
  auto plain = compile(source, {"-O"});
  EXPECT_FALSE(held.has("\tj\tf.next\t")) << held.assembly;
  EXPECT_TRUE(plain.has("\tj\tf.next\t")) << plain.assembly;
  EXPECT_TRUE(plain.has("\tld\t(_count),0")) << plain.assembly;
  auto cleared = compile(source, {"-Oe"});
  EXPECT_TRUE(cleared.has("\tclr\t(_count)\t")) << cleared.assembly;
  EXPECT_EQ(assemble(cleared.assembly).status, 0);
}

// Names are significant to 31 characters; the longest operands made of them (a statement
// label of a long function, a bit of a long name's element) come out whole, and a longer
// name names the same object.
TEST(CodeGeneration, OperandsOfTheLongestNamesComeOutWhole) {
  const std::string f(31, 'f'), label(31, 'l'), data(31, 'd');
  auto c = compile("section vars area tiny;\nunsigned char " + data +
                       "[200];\nsection code;\nvoid " + f + "(void) { goto " + label + "; " +
                       label + ": " + data + "[199].7 = 1; " + data + "xyz[2] = 0; }\n",
                   {"-O"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_TRUE(c.has("\tj\t" + f + "." + label + "\t")) << c.assembly;
  EXPECT_TRUE(c.has(f + "." + label + ":")) << c.assembly;
  EXPECT_TRUE(c.has("\tset\t(_" + data + "+199).7\t")) << c.assembly;
  EXPECT_TRUE(c.has("\tld\t(_" + data + "+2),0")) << c.assembly;
}

const std::string kPointers =
    "section vars area tiny;\n"
    "unsigned char *p;\n"                             // 0
    "struct pt { unsigned char x; short y; } *pp;\n"  // 2
    "unsigned char buf[8];\n"                         // 4
    "short words[4];\n"                               // 12
    "unsigned char *__tiny tp;\n"                     // 20
    "short *sp;\n"                                    // 21
    "section code;\n";

TEST(CodeGeneration, PointerAndRegisterIndirectForms) {
  auto c = compile(kPointers +
                   "void g(struct pt *DE, short *HL) {\n"
                   "  B = DE->x; HL++; WA = DE->y;\n"
                   "}\n"
                   "void f(void) {\n"
                   "  A = *p; *p = B; A = pp->x; WA = pp->y; A = *BC; A = *tp;\n"
                   "  HL = sp + 3; A = *(p + 2); HL = &pp->y; B = *(BC - 3);\n"
                   "}\n");
  ASSERT_EQ(c.status, 0) << c.err;
  auto e = assemble(c.assembly);
  ASSERT_EQ(e.status, 0) << e.err << c.assembly;
  EXPECT_EQ(e.bytes("\tld\tb,(de)"), "E2 5B");
  EXPECT_EQ(e.bytes("\tadd\thl,2"), "EB 39 02 00");  // a short pointer steps by two
  EXPECT_EQ(e.bytes("\tld\thl,de"), "EA 17");
  EXPECT_EQ(e.bytes("\tld\twa,(hl+1)"), "E4 01 14");
  EXPECT_EQ(e.bytes("\tld\thl,(_p)"), "E0 00 17");
  EXPECT_EQ(e.bytes("\tld\ta,(hl)"), "23");
  EXPECT_EQ(e.bytes("\tld\t(hl),b"), "F3 53");
  EXPECT_EQ(e.bytes("\tld\thl,(_pp)"), "E0 02 17");
  EXPECT_EQ(e.bytes("\tld\thl,bc"), "E9 17");
  EXPECT_EQ(e.bytes("\tld\tl,(_tp)"), "E0 14 5E");
  EXPECT_EQ(e.bytes("\tld\th,0"), "37 00");
  EXPECT_EQ(e.bytes("\tld\thl,(_sp)"), "E0 15 17");
  EXPECT_EQ(e.bytes("\tadd\thl,6"), "EB 39 06 00");  // three shorts on
  EXPECT_EQ(e.bytes("\tld\ta,(hl+2)"), "E4 02 58");
  EXPECT_EQ(e.bytes("\tadd\thl,1"), "EB 39 01 00");
  EXPECT_EQ(e.bytes("\tld\tb,(hl-3)"), "E4 FD 5B");
  EXPECT_EQ(c.assembly.find("\tld\thl,hl"), std::string::npos) << c.assembly;
}

TEST(CodeGeneration, SubscriptsKnownOnlyWhenTheProgramRuns) {
  std::string source = kPointers +
                       "void f(void) {\n"
                       "  A = buf[B];\n"
                       "  WA = words[C];\n"
                       "  A = p[B];\n"
                       "}\n";
  // Widened to 16 bits: the index times the size in WA, plus the base, into HL.
  auto wide = compile(source);
  ASSERT_EQ(wide.status, 0) << wide.err;
  EXPECT_NE(wide.assembly.find("\tld\ta,b\n\tld\tw,0\n\tadd\twa,_buf\n\tld\thl,wa\n"
                               "\tld\ta,(hl)\n"),
            std::string::npos)
      << wide.assembly;
  EXPECT_NE(wide.assembly.find("\tld\ta,c\n\tld\tw,2\n\tmul\tw,a\n\tadd\twa,_words\n"),
            std::string::npos)
      << wide.assembly;
  EXPECT_NE(wide.assembly.find("\tld\thl,(_p)\n\tadd\twa,hl\n\tld\thl,wa\n"), std::string::npos)
      << wide.assembly;
  auto e = assemble(wide.assembly);
  ASSERT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(e.bytes("\tld\tw,0"), "31 00");
  EXPECT_EQ(e.bytes("\tadd\twa,_buf"), "E8 39 04 00");
  EXPECT_EQ(e.bytes("\tld\thl,wa"), "E8 17");
  EXPECT_EQ(e.bytes("\tmul\tw,a"), "02");
  EXPECT_EQ(e.bytes("\tld\twa,(hl)"), "E3 14");
  EXPECT_EQ(e.bytes("\tadd\twa,hl"), "EB 31");
  // Under -a an unsigned char index stays in C: (HL+C), shifted for two-byte elements
  // unless it is the program's own C.
  auto narrow = compile(source, {"-a1"});
  ASSERT_EQ(narrow.status, 0) << narrow.err;
  EXPECT_NE(narrow.assembly.find("\tld\tc,b\n\tld\thl,_buf\n\tld\ta,(hl+c)\n"), std::string::npos)
      << narrow.assembly;
  EXPECT_NE(narrow.assembly.find("\tld\ta,c\n\tld\tw,2\n\tmul\tw,a\n"), std::string::npos)
      << narrow.assembly;
  auto n = assemble(narrow.assembly);
  ASSERT_EQ(n.status, 0) << n.err;
  EXPECT_EQ(n.bytes("\tld\tc,b"), "EB 5A");
  EXPECT_EQ(n.bytes("\tld\ta,(hl+c)"), "E5 58");
  auto shifted = compile(kPointers + "void f(void) { WA = words[B]; }\n", {"-a1"});
  EXPECT_NE(shifted.assembly.find("\tld\tc,b\n\tshlc\tc\t\n\tld\thl,_words\n"
                                  "\tld\twa,(hl+c)\n"),
            std::string::npos)
      << shifted.assembly;
  EXPECT_EQ(assemble(shifted.assembly).bytes("\tld\twa,(hl+c)"), "E5 14");
}

TEST(CodeGeneration, AnArrayTooLargeForAnEightBitIndexIsMarked) {
  // 200 shorts span 400 bytes: more than C can reach, though fewer than 256 elements.
  std::string source =
      "section ram data;\nshort table[200];\nsection code;\n"
      "void f(void) { WA = table[B]; }\n";
  EXPECT_EQ(compile(source, {"-a1"}).messages, "W529");
  EXPECT_EQ(compile(source).messages, "");
  // A signed index cannot be widened.
  EXPECT_EQ(compile("section vars area tiny;\nunsigned char buf[4];\nchar i;\nsection code;\n"
                    "void f(void) { A = buf[i]; }\n")
                .messages,
            "E265");
}

TEST(CodeGeneration, DataInitialisersBecomeBytesAndWords) {
  auto c = compile(
      "section code;\nvoid reset(void) { }\nsection tables const;\n"
      "const char message[] = \"hi\";\n"
      "const short words[2] = {0x1234, -1};\n"
      "entry vector = reset;\n");
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_TRUE(c.has("_message\tdb\t104,105,0")) << c.assembly;
  EXPECT_TRUE(c.has("_words\t\tdb\t52,18,255,255")) << c.assembly;
  EXPECT_TRUE(c.has("_vector\t\t\tdw\t_reset")) << c.assembly;
  EXPECT_TRUE(c.has("tables\tsection romdata medium")) << c.assembly;
  EXPECT_EQ(assemble(c.assembly).status, 0) << assemble(c.assembly).err;
}

}  // namespace
}  // namespace kz::clike
