#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cfront/il_check/il_checker.h"

namespace kz::iltest {
namespace {

// A small file using most forms: a struct, a string object, address data, both calling
// conventions, a loop with a nested block.
const char* const kSound[] = {
    "FILE,t.c",
    "LINE,1",
    "\t64,s,\"pair\",4,2",
    "\t,\"a\",6,0",
    "\t,\"b\",6,2",
    "\t65,o,64,1",
    "\t@_table,\"table\",64,4,4,1,1",
    "\t,s1,2",
    "\t66,a,2,1,3",
    "\tS1,\"\",66,3,3,1,3",
    "\t,Z\"hi\"",
    "\t@_text,\"text\",34,4,2,1,1",
    "\t,sS1",
    "\t67,x,\"\",c,6,-1",
    "\t@_g,\"g\",67,6,0,0,0",
    "\t68,x,\"\",a,6,-1",
    "\t@_h,\"h\",68,6,0,8,0",
    "{,1",
    "BEGIN,f",
    "\t10000,x,\"f\",c,6,2",
    "\t@_f,\"f\",10000,6,1,0,0",
    "\t,\"p\",65,2",
    "\t,\"n\",6,2",
    "\tI1,\"k\",6,1,2",
    "LINE,3",
    "=,I1,#0,I1",
    "LAB,L2",
    "\tT1,6",
    "<,I1,P2,T1",
    "FALSE,T1,,L3",
    "{,2",
    "\tT2,6",
    "+,*P1,I1,T2",
    "CARG,T2",
    "CARG,@_table",
    "\tT3,6",
    "CCALL,@_g,#6,T3",
    "AARG,I1,1,2",
    "AARG,T3,1,1",
    "\tT4,6",
    "ACALL,@_h,1,T4",
    "++,I1,,I1",
    "},2",
    "JMP,L2",
    "LAB,L3",
    "=,A,I1,A",
    "JMP,L1",
    "LAB,L1",
    "END,f",
    "},1",
};

// The sample with line `line` (from 1) replaced by `text`, which may hold several lines.
std::string sample(std::size_t line = 0, const std::string& text = "") {
  std::string result;
  std::size_t at = 0;
  for (const char* sound : kSound) {
    ++at;
    result += at == line ? text : sound;
    result += '\n';
  }
  if (line > at) result += text + "\n";
  return result;
}

std::string listed(const std::vector<IlProblem>& problems) {
  std::ostringstream text;
  for (const IlProblem& problem : problems) text << problem.line << ": " << problem.text << "\n";
  return text.str();
}

std::size_t lineOf(const std::string& text) {
  for (std::size_t at = 0; at < std::size(kSound); ++at)
    if (text == kSound[at]) return at + 1;
  ADD_FAILURE() << "not in the sample: " << text;
  return 0;
}

TEST(IlChecker, SoundFileHasNoProblem) { EXPECT_EQ(listed(checkIntermediateFile(sample())), ""); }

struct Fault {
  const char* line;         // the sample line replaced
  const char* replacement;  // what stands there instead
  const char* expected;     // part of the problem reported
  int reportedAt;           // the line reported, relative to the replaced one
};

TEST(IlChecker, EachFaultIsReportedAtItsLine) {
  const Fault faults[] = {
      {"LINE,3", "LINX,3", "unknown record 'LINX'", 0},
      {"=,I1,#0,I1", "=,I1,#0", "'=' with 3 fields", 0},
      {"=,I1,#0,I1", "=,I1,#0x,I1", "malformed operand '#0x'", 0},
      {"=,I1,#0,I1", "=,I1,#U-1,I1", "malformed operand", 0},
      {"=,I1,#0,I1", "=,I2,#0,I2", "automatic I2 used before its declaration", 0},
      {"=,I1,#0,I1", "=,I1,#0,#0", "cannot be written", 0},
      {"=,I1,#0,I1", "=,I1,#L0,I1", "'=' of 4 bytes to 2", 0},
      {"=,I1,#0,I1", "=,I1,*P1,I1", "'=' of 4 bytes to 2", 0},
      {"=,I1,#0,I1", "zork,I1,#0,I1", "unknown record", 0},
      {"+,*P1,I1,T2", "+,*P1,T9,T2", "temporary T9 used before its declaration", 0},
      {"\tT1,6", "\tT1,6\n\tT9,6", "temporary not set by the next line", 0},
      {"\tT3,6", "\tT3,6\n\tT1,6", "numbered again", 1},
      {"<,I1,P2,T1", "<,I1,P3,T1", "parameter P3 not in the function's parameter lines", 0},
      {"++,I1,,I1", "++,I1,,T4", "must be its target", 0},
      {"\t65,o,64,1", "\t65,o,70,1", "type index 70 used before its type line", 0},
      {"\t65,o,64,1", "\t64,o,64,1", "type index 64 declared twice", 0},
      {"\t66,a,2,1,3", "\t67,a,2,1,3", "out of order, expected 66", 0},
      {"\t66,a,2,1,3", "\t66,q,2", "unknown type line kind 'q'", 0},
      {"\t64,s,\"pair\",4,2", "\t64,s,\"pair\",4,3", "1 member lines missing", 3},
      {"\t,s1,2", "\t,s1", "data of 2 bytes for an object of 4", -1},
      {"\t,s1,2", "\t,c1,2,300", "'300' does not fit 'c'", 0},
      {"\t,Z\"hi\"", "\t,S\"hi\"", "data of 2 bytes for an object of 3", -1},
      {"\t,sS1", "\t,sS7", "address of an undeclared object 'S7'", 0},
      {"\t,\"n\",6,2", "\t,\"n\",6,1", "rounded up to even", 0},
      {"JMP,L2", "JMP,L9", "jump to L9, not defined in the function", 0},
      {"LAB,L3", "LAB,L2", "label L2 defined twice", 0},
      {"FALSE,T1,,L3", "FALSE,T1,x,L3", "third field of a test must be empty", 0},
      {"},2", "},3", "block 3 closed but not the innermost", 0},
      {"{,2", "LINE,4", "closed but not the innermost", 12},
      {"END,f", "END,g", "END names g, not f", 0},
      {"{,1", "LINE,2", "BEGIN without '{,1'", 1},
      {"\t@_f,\"f\",10000,6,1,0,0", "LINE,3", "without its type line and symbol line", 0},
      {"CCALL,@_g,#6,T3", "CCALL,@_g,#4,T3", "arguments of 6 bytes, the call says 4", 0},
      {"CCALL,@_g,#6,T3", "=,T3,#1,T3", "arguments not followed by their call", -3},
      {"CCALL,@_g,#6,T3", "CCALL,T2,#6,T3", "direct call of something not a global", 0},
      {"AARG,I1,1,2", "AARG,I1,1,3", "argument positions not 1 to 2", 3},
      {"AARG,T3,1,1", "AARG,@_table,1,1", "written after the first two small ones", 0},
      {"ACALL,@_h,1,T4", "ACALL,@_h,2,T4", "call number differs", 0},
      {"},1", "},1\n=,I1,#0,I1", "'=' outside a function", 1},
      {"},1", "},1\n\tI2,\"x\",6,1,2", "automatic object outside a function", 1},
      {"},1", "},1\nLAB,L7", "'LAB' outside a function", 1},
      {"END,f", "LINE,9", "'},1' before END", 1},
  };
  for (const Fault& fault : faults) {
    std::size_t line = lineOf(fault.line);
    std::vector<IlProblem> problems = checkIntermediateFile(sample(line, fault.replacement));
    bool found = false;
    for (const IlProblem& problem : problems)
      found = found || (problem.line == line + fault.reportedAt &&
                        problem.text.find(fault.expected) != std::string::npos);
    EXPECT_TRUE(found) << fault.replacement << "\nexpected at line " << line + fault.reportedAt
                       << ": " << fault.expected << "\ngot:\n"
                       << listed(problems);
  }
}

// A body copied after an INLINE line numbers its local types itself; its labels are new ones of
// the run and its temporaries go on from the caller's.
std::string withCopy(const std::string& copy) {
  return "\t64,x,\"\",c,6,-1\n\t@_g,\"g\",64,6,0,0,0\n{,1\nBEGIN,f\n\t10000,x,\"f\",c,6,0\n"
         "\t@_f,\"f\",10000,6,1,0,0\n\tT5,6\nINLINE,@_g,#0,T5\n" +
         copy + "JMP,L1\nLAB,L1\nEND,f\n},1\n";
}

TEST(IlChecker, CopiedBodiesAreFunctionsOfTheirOwn) {
  const std::string body =
      "{,7\nBEGIN,g\n\t10000,x,\"g\",c,6,0\n\t@_g,\"g\",10000,6,1,0,0\n"
      "\tT6,6\n=,T6,#1,T6\n=,A,T6,A\nJMP,L2\nLAB,L2\nEND,g\n},7\n";
  EXPECT_EQ(listed(checkIntermediateFile(withCopy(body))), "");
  const std::pair<std::string, const char*> faults[] = {
      {"LINE,2\n" + body, "INLINE not followed by the copied body"},
      {body.substr(0, body.size() - 4) + "},1\n", "END not followed by '},7'"},
      {"{,1\n" + body.substr(4), "copied body opened as block 1"},
      {"{,7\n" + body.substr(body.find("\t@_g")), "BEGIN"},
      {body.substr(0, body.find("\tT6")) + "\tT5,6\n=,T5,#1,T5\nEND,g\n},7\n",
       "temporary T5 numbered again"},
      {body.substr(0, body.find("JMP")) + "LAB,L1\nEND,g\n},7\n", "label L1 defined twice"},
  };
  for (const auto& [copy, expected] : faults)
    EXPECT_NE(listed(checkIntermediateFile(withCopy(copy))).find(expected), std::string::npos)
        << copy << "\n"
        << listed(checkIntermediateFile(withCopy(copy)));
}

TEST(IlChecker, FileEndsAreChecked) {
  std::string text = sample();
  text.pop_back();
  EXPECT_NE(listed(checkIntermediateFile(text)).find("no newline"), std::string::npos);
  EXPECT_NE(listed(checkIntermediateFile("")).find("empty file"), std::string::npos);
  EXPECT_NE(listed(checkIntermediateFile("LINE,1\n\nLINE,2\n")).find("2: empty line"),
            std::string::npos);
}

// Hostile input: every prefix of a sound file, lines shuffled, fields cut and random bytes
// must be read without a crash, a hang or a read outside the text (the sanitizer build sees
// that); each gives problems or none, never an exception.
TEST(IlChecker, ReadsHostileInputSafely) {
  std::string sound = sample();
  for (std::size_t length = 0; length <= sound.size(); ++length)
    checkIntermediateFile(std::string_view(sound).substr(0, length));
  std::mt19937 random(1234);
  const std::string pieces[] = {"\t",   ",",     "\"",    "T",  "#",          "*",
                                "@",    "L",     "S",     "{,", "},",         "BEGIN",
                                "END",  "\n",    "99999", "-",  "4294967296", "\t,Z\"\\",
                                "\t,r", "CCALL", "AARG",  "0",  "x,\"",       "\\0"};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    int count = static_cast<int>(random() % 40);
    for (int at = 0; at < count; ++at) {
      if (random() % 3 == 0)
        text += static_cast<char>(random() % 256);
      else if (random() % 4 == 0)
        text += kSound[random() % std::size(kSound)] + std::string("\n");
      else
        text += pieces[random() % std::size(pieces)];
    }
    checkIntermediateFile(text);
  }
}

}  // namespace
}  // namespace kz::iltest
