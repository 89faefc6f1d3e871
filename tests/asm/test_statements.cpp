#include <gtest/gtest.h>

#include "tests/asm/assemble_helper.h"

namespace kz::assembler {
namespace {

using testing::assemble;
using Bytes = std::vector<std::uint8_t>;

TEST(StatementForms, LabelRules) {
  auto run = assemble(
      " code SECTION CODE\n"  // 1: a name without colon before SECTION
      "alone:\n"              // 2
      "plain NOP\n"           // 3: no colon before an instruction
      "lab: EQU 3\n"          // 4: colon before EQU
      "tab: DB 1\n"           // 5: colon before data
      "solo\n"                // 6
      " INCLUDE\n"            // 7: a control name forms no statement
      " $FOO\n"               // 8
      " END\n");
  EXPECT_EQ(run.err,
            "3 : ASMZEL-Error-208 : Illegal label or variable\n"
            "4 : ASMZEL-Error-208 : Illegal label or variable\n"
            "5 : ASMZEL-Error-208 : Illegal label or variable\n"
            "6 : ASMZEL-Error-200 : Syntax error\n"
            "7 : ASMZEL-Error-200 : Syntax error\n"
            "8 : ASMZEL-Error-218 : Illegal control\n");
  EXPECT_EQ(run.status, 16);
}

TEST(StatementForms, LabelOutsideSectionAndDataWithoutSection) {
  auto run = assemble("early:\n DB 1\n END\n");
  EXPECT_EQ(run.err,
            "1 : ASMZEL-Error-208 : Illegal label or variable\n"
            "2 : ASMZEL-Error-215 : No section definision\n");
}

TEST(DataDirectives, BytesWordsAndStrings) {
  auto run = assemble(
      "prog SECTION CODE\n"
      " DB 1, \"ab\", -1, 'x'\n"
      " DW 0x1234, -2\n"
      " DP 0x123456\n"
      " DL 0x12345678\n"
      " DD 1\n"
      " END\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.bytesAt(2), (Bytes{1, 'a', 'b', 0xFF, 'x'}));
  EXPECT_EQ(run.bytesAt(3), (Bytes{0x34, 0x12, 0xFE, 0xFF}));
  EXPECT_EQ(run.bytesAt(4), (Bytes{0x56, 0x34, 0x12}));
  EXPECT_EQ(run.bytesAt(5), (Bytes{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(run.at(6)->location, 5u + 4 + 3 + 4);
  EXPECT_EQ(run.sectionSizes, std::vector<std::uint32_t>{20});
}

TEST(DataDirectives, TruncationWarnsOnceAndTheLimitCuts) {
  std::string many = " DB 0";
  for (int i = 1; i < 1100; ++i) many += ",1";
  auto run = assemble("prog SECTION CODE\n DB 0x1FF, 256, -129, 255, -128\n DW 0x10000\n" + many +
                      "\n END\n");
  EXPECT_EQ(run.err,
            "2 : ASMZEL-Warning-501 : Operand value is out of range\n"
            "2 : ASMZEL-Warning-501 : Operand value is out of range\n"
            "2 : ASMZEL-Warning-501 : Operand value is out of range\n"
            "3 : ASMZEL-Warning-501 : Operand value is out of range\n"
            "4 : ASMZEL-Warning-501 : Operand value is out of range\n");
  EXPECT_EQ(run.bytesAt(2), (Bytes{0xFF, 0x00, 0x7F, 0xFF, 0x80}));
  EXPECT_EQ(run.bytesAt(4).size(), 1024u);
}

TEST(DataDirectives, StorageRepeatAndFloating) {
  auto run = assemble(
      "prog SECTION CODE\n"
      " DSW 3\n"
      " DFB 3, 1, \"z\"\n"
      " DFW 2, 0x0102\n"
      " FDATAS 1.5F\n"
      " FDATAD 1.5\n"
      " FDATAX 1.5L\n"
      " END\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.at(2)->skipped, 6u);
  EXPECT_EQ(run.at(3)->repeat, 3u);
  EXPECT_EQ(run.bytesAt(3), (Bytes{1, 'z'}));
  EXPECT_EQ(run.at(4)->location, 12u);
  EXPECT_EQ(run.bytesAt(5), (Bytes{0x00, 0x00, 0xC0, 0x3F}));
  EXPECT_EQ(run.bytesAt(6), (Bytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
  EXPECT_EQ(run.bytesAt(7), (Bytes{0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F}));
  EXPECT_EQ(run.sectionSizes, std::vector<std::uint32_t>{16 + 4 + 8 + 10});
}

TEST(DataDirectives, RelocatableValuesBecomeFields) {
  auto run = assemble(
      "prog SECTION CODE\n"
      " EXTERN far\n"
      "here DB 0\n"
      " DW here+1, far, 5\n"
      " END\n");
  ASSERT_EQ(run.err, "");
  const EmittedStatement* words = run.at(4);
  ASSERT_EQ(words->dataFields.size(), 2u);
  EXPECT_EQ(words->dataFields[0].offset, 0u);
  EXPECT_EQ(words->dataFields[0].width, 2);
  EXPECT_EQ(words->dataFields[0].value.kind, ValueKind::relocatable);
  EXPECT_EQ(words->dataFields[0].value.value, 1);
  EXPECT_EQ(words->dataFields[1].offset, 2u);
  EXPECT_EQ(words->dataFields[1].value.kind, ValueKind::external);
}

TEST(DataDirectives, InitialisedDataInADataSectionWarns) {
  auto run = assemble("vars SECTION DATA\n DB 1\n DSB 2\n END\n");
  EXPECT_EQ(run.err, "2 : ASMZEL-Warning-505 : Invalid directive in this section\n");
  EXPECT_EQ(run.status, 0);
}

TEST(Sections, ModelsKindsAndAttributes) {
  auto run = assemble(
      "s1 SECTION CODE SMALL\n"          // 1: 212
      "s2 SECTION DATA LARGE\n"          // 2: 212
      "s3 SECTION DATA SMALL\n"          // 3
      "s4 SECTION STACK\n"               // 4: 216
      "s5 SECTION CODE MEDIUM ABS=0\n"   // 5: 200
      "s6 SECTION ROMDATA ALIGN=3\n"     // 6: 508, alignment 4
      "s7 SECTION CODE ALIGN=4,40000\n"  // 7: 508 for the second value
      "s6 SECTION ROMDATA ALIGN=8\n"     // 8: 517
      " END\n");
  EXPECT_EQ(run.err,
            "1 : ASMZEL-Error-212 : Illegal SECTION directive\n"
            "2 : ASMZEL-Error-212 : Illegal SECTION directive\n"
            "4 : ASMZEL-Error-216 : Invalid section attribute\n"
            "5 : ASMZEL-Error-200 : Syntax error\n"
            "6 : ASMZEL-Warning-508 : Invalid value in ALIGN directive\n"
            "7 : ASMZEL-Warning-508 : Invalid value in ALIGN directive\n"
            "8 : ASMZEL-Warning-517 : This section already has a different attribute\n");
}

TEST(Sections, AbsoluteStartIsAlignedAndReopeningContinues) {
  auto run = assemble(
      "fixed SECTION CODE ABS=0x1003 ALIGN=4\n"
      "x: NOP\n"
      "rel SECTION CODE\n"
      " DB 1, 2, 3\n"
      "fixed SECTION CODE\n"
      "y: NOP\n"
      "rel SECTION CODE\n"
      " ORG 8\n"
      " DB 4\n"
      " ORG 2\n"
      " END\n");
  EXPECT_EQ(run.err, "10 : ASMZEL-Error-229 : Location counter can't point lower address\n");
  EXPECT_EQ(run.at(2)->location, 0x1004u);
  EXPECT_EQ(run.at(6)->location, 0x1005u);
  EXPECT_EQ(run.at(8)->location, 3u);
  EXPECT_EQ(run.at(8)->skipped, 5u);
  EXPECT_EQ(run.at(9)->location, 8u);
  EXPECT_EQ(run.sectionSizes, (std::vector<std::uint32_t>{2, 9}));
}

TEST(Sections, OverlappingAbsoluteSectionsAndCounterOverflow) {
  auto run = assemble(
      "s1 SECTION CODE ABS=0x100\n"
      " DSB 16\n"
      "s2 SECTION CODE ABS=0x108\n"
      " DB 1\n"
      "s3 SECTION DATA ABS=0x10000\n"
      "s4 SECTION DATA ABS=0xFFFE\n"
      " DSB 3\n"
      " END\n");
  EXPECT_EQ(run.err,
            "3 : ASMZEL-Error-217 : Absolute section error\n"
            "5 : ASMZEL-Error-228 : Overflow in location counter\n"
            "7 : ASMZEL-Error-228 : Overflow in location counter\n");
}

TEST(Directives, ModulePublicExtern) {
  auto run = assemble(
      " MODULE my-module\n"
      " MODULE again\n"
      "prog SECTION CODE\n"
      " MODULE late\n"
      " PUBLIC prog\n"
      " PUBLIC missing\n"
      " EXTERN LARGE big\n"
      "lab: NOP\n"
      " EXTERN lab\n"
      " END\n");
  EXPECT_EQ(run.err,
            "2 : ASMZEL-Warning-509 : Duplicated MODULE directive\n"
            "4 : ASMZEL-Warning-505 : Invalid directive in this section\n"
            "5 : ASMZEL-Error-210 : Not allowed public attribute\n"
            "6 : ASMZEL-Error-221 : Undefined symbol\n"
            "7 : ASMZEL-Error-216 : Invalid section attribute\n"
            "9 : ASMZEL-Error-203 : Multi-defined symbol \"lab\"\n");
}

TEST(Directives, LongModuleNameAndEndRules) {
  auto run = assemble(" MODULE a23456789012345678901234567890123\n END extra\n");
  EXPECT_EQ(run.err,
            "1 : ASMZEL-Error-200 : Syntax error\n"
            "2 : ASMZEL-Warning-507 : Text found after END statement\n");
  EXPECT_EQ(assemble("prog SECTION CODE\n NOP\n").err,
            "2 : ASMZEL-Warning-506 : No END directive\n");
  EXPECT_EQ(assemble("; nothing\n\n").err, "ASMZEL-Warning-514 : Source file empty\n");
  auto after = assemble(" END\n NOP\n; fine\n DB 1\n");
  EXPECT_EQ(after.err,
            "2 : ASMZEL-Warning-507 : Text found after END statement\n"
            "4 : ASMZEL-Warning-507 : Text found after END statement\n");
}

TEST(Directives, EquOrgAndAlign) {
  auto run = assemble(
      "prog SECTION CODE\n"
      "later EQU ahead - start\n"
      "start DB 1\n"
      " ALIGN 4\n"
      "ahead DB 2\n"
      " ALIGN 3\n"
      " ORG ahead + 8\n"
      " ORG forward\n"
      "forward:\n"
      " DB 9\n"
      " END\n");
  EXPECT_EQ(run.err,
            "6 : ASMZEL-Warning-508 : Invalid value in ALIGN directive\n"
            "8 : ASMZEL-Error-223 : Not allowed forward reference\n");
  EXPECT_EQ(run.at(10)->location, 12u);  // the failed ORG moved nothing in any pass
  ASSERT_TRUE(run.at(2)->value);
  EXPECT_EQ(run.at(2)->value->value, 4);
  EXPECT_EQ(run.at(4)->skipped, 3u);
  EXPECT_EQ(run.at(6)->skipped, 3u);
  EXPECT_EQ(run.at(7)->location, 8u);
  EXPECT_EQ(run.at(7)->skipped, 4u);
}

TEST(Expressions, SignDirectlyAfterABinaryOperatorIsError206) {
  auto run = assemble(
      "prog SECTION CODE\n"
      " DB 5*-3\n"     // 2
      "x EQU 5*-3\n"   // 3
      " LD A,2*-1\n"   // 4
      " DB 5*(-3)\n"   // 5: in parentheses the sign starts an operand
      " DB -3,1-~1\n"  // 6
      " DB 1*-\n"      // 7: one error for the line
      " END\n");
  EXPECT_EQ(run.err,
            "2 : ASMZEL-Error-206 : Invalid expression\n"
            "3 : ASMZEL-Error-206 : Invalid expression\n"
            "4 : ASMZEL-Error-206 : Invalid expression\n"
            "7 : ASMZEL-Error-206 : Invalid expression\n");
  ASSERT_TRUE(run.at(4));
  EXPECT_TRUE(run.at(4)->failed);
  EXPECT_EQ(run.bytesAt(5), Bytes{0xF1});
  EXPECT_EQ(run.status, 16);
}

// Start addresses, alignments and counts are numbers: a label of a relocatable section is
// error 222 there, while ORG takes a place in the current section.
TEST(Sections, AttributesAlignmentsAndCountsMustBeAbsolute) {
  auto run = assemble(
      "code SECTION CODE\n"
      "lab: NOP\n"
      "fixed SECTION CODE ABS=lab\n"    // 3
      "loose SECTION CODE ALIGN=lab\n"  // 4
      "code SECTION CODE\n"
      " DSB lab\n"    // 6
      " DFB lab,1\n"  // 7
      " ALIGN lab\n"  // 8
      " ORG lab+4\n"  // 9
      " END\n");
  EXPECT_EQ(run.err,
            "3 : ASMZEL-Error-222 : Absolute expression expected\n"
            "4 : ASMZEL-Error-222 : Absolute expression expected\n"
            "6 : ASMZEL-Error-222 : Absolute expression expected\n"
            "7 : ASMZEL-Error-222 : Absolute expression expected\n"
            "8 : ASMZEL-Error-222 : Absolute expression expected\n");
  ASSERT_TRUE(run.at(9));
  EXPECT_EQ(run.at(9)->location, 1u);
  EXPECT_EQ(run.at(9)->skipped, 3u);
}

// What the instruction before a J left in the jump status flag is known only where control
// cannot arrive from elsewhere: a label forgets it.
TEST(JumpSelection, ALabelForgetsTheKnownJumpFlag) {
  auto run = assemble(
      "prog SECTION CODE\n"
      " JR Z,skip\n"
      " SET CF\n"
      "skip: J done\n"  // 4: reached from the JR with the flag set
      "done: NOP\n"
      " SET CF\n"
      " J last\n"  // 7: only reached after SET CF
      "last: NOP\n"
      " SET CF\n"
      "data SECTION DATA\n"
      "prog SECTION CODE\n"
      " J fin\n"  // 12: after a change of section
      "fin: NOP\n"
      " END\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.bytesAt(4), (Bytes{0xFB, 0x00}));  // JR, not JRS F
  EXPECT_EQ(run.bytesAt(7), Bytes{0xBF});          // JRS F with the flag known clear
  EXPECT_EQ(run.bytesAt(12), (Bytes{0xFB, 0x00}));
}

TEST(Controls, TitleEjectAndSaveStack) {
  std::string saves;
  for (int i = 0; i < 9; ++i) saves += " $SAVE\n";
  auto unlisted =
      assemble(" $TITLE \"t\"\n $EJECT\n" + saves + " $RESTORE\n $NOLIST\n $LIST\n $FOO\n END\n");
  EXPECT_EQ(unlisted.err,
            "1 : ASMZEL-Warning-510 : Ignored this TITLE\n"
            "2 : ASMZEL-Warning-511 : Ignored this EJECT\n"
            "11 : ASMZEL-Warning-512 : Save stack overflow\n"
            "15 : ASMZEL-Error-218 : Illegal control\n");
  auto listed = assemble(" $TT \"" + std::string(330, 'x') + "\"\n $EJ\n $SA\n $RS\n $RS\n END\n",
                         {"-lp40", "-lf", "/dev/null"});
  EXPECT_EQ(listed.err,
            "1 : ASMZEL-Warning-502 : Too long title\n"
            "5 : ASMZEL-Warning-512 : Save stack overflow\n");
  EXPECT_EQ(listed.at(1)->title.size(), 320u);
  EXPECT_EQ(listed.at(2)->control, ListingControl::eject);
  EXPECT_TRUE(assemble(" $TITLE \"t\"\n END\n", {"-T"}).err.empty());
}

TEST(DebugDirectives, CompilerFormsAreAccepted) {
  auto run = assemble(
      " file \"prog.c\",0,0,0\n"
      " symbol_a \"1.3b\",54,415,2\n"
      "prog SECTION CODE\n"
      " symbol_b \"main\",1,12,1\n"
      " line \"\",13,0,0\n"
      " symbol_b 36,nc,64,0\n"
      " symbol_t 64,O,2,1\n"
      " symbol_t 65,Z,\"\",2,-1,-1,\"\",-1,0\n"
      " symbol_t 66,xc,\"tag\",4,2,\"a\\b\",4,0,\"m\",2,0\n"
      " symbol_n \"x\",4,4,0\n"
      " symbol_n x y\n"
      " END\n");
  EXPECT_EQ(run.err, "11 : ASMZEL-Error-200 : Syntax error\n");
}

TEST(Includes, StatementsOfIncludedFilesAreAssembledInPlace) {
  auto run = assemble("prog SECTION CODE\n DB 1\n $INCLUDE \"part.inc\"\n DB 3\n END\n", {},
                      {{"part.inc", " DB 2\nmid DB 2\n"}});
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.at(4)->location, 3u);
  ASSERT_EQ(run.statements.size(), 7u);
  EXPECT_EQ(run.statements[3].fileIndex, 1);
  EXPECT_EQ(run.statements[3].line, 1);
}

}  // namespace
}  // namespace kz::assembler

namespace kz::assembler {
namespace {

TEST(SizingPasses, LabelsFollowJumpsThatShrink) {
  std::string source = "prog SECTION CODE\n";
  for (int i = 0; i < 6; ++i)
    source += " J next" + std::to_string(i) + "\n DSB 100\nnext" + std::to_string(i) + ":\n";
  source += "last EQU next5\n DW next5\n END\n";
  auto run = testing::assemble(source);
  ASSERT_EQ(run.err, "");
  // Every J reaches a target 100 bytes ahead, so each takes its short relative form, and
  // every label after it moved back by what the J before it gave up.
  std::uint32_t expected = 0;
  for (int i = 0; i < 6; ++i) {
    const EmittedStatement* jump = run.at(2 + 3 * i);
    ASSERT_TRUE(jump && jump->instruction);
    EXPECT_EQ(jump->location, expected);
    EXPECT_EQ(jump->instruction->size, 2u) << "J " << i;
    expected += 2 + 100;
  }
  EXPECT_EQ(run.at(20)->value->value, static_cast<std::int32_t>(expected));
  EXPECT_EQ(run.bytesAt(21), (std::vector<std::uint8_t>{static_cast<std::uint8_t>(expected),
                                                        static_cast<std::uint8_t>(expected >> 8)}));
}

// Without a J, only an EQU that names a later definition needs a sizing pass; a chain of
// them must still settle before the final pass.
TEST(SizingPasses, ChainedForwardEquatesSettle) {
  auto run = testing::assemble(
      "prog SECTION CODE\n"
      "first EQU second + 1\n"
      "second EQU target\n"
      " DSB 7\n"
      "target:\n"
      " DB first\n"
      " END\n");
  ASSERT_EQ(run.err, "");
  EXPECT_EQ(run.at(2)->value->value, 8);
  EXPECT_EQ(run.at(3)->value->value, 7);
  EXPECT_EQ(run.bytesAt(6), (std::vector<std::uint8_t>{8}));
}

}  // namespace
}  // namespace kz::assembler
