// What the generator refuses in expressions and what it reports of the registers and
// flags it takes: each case is one statement of a function and the messages it gives.
#include <gtest/gtest.h>

#include "tests/clike/compile_helper.h"
#include "tests/clike/register_warnings.h"

namespace kz::clike {
namespace {

using testing::compile;
using testing::compileWithErrorFile;

const std::string kData =
    "section vars area tiny;\n"
    "unsigned char count;\n"
    "unsigned char buf[8];\n"
    "struct big { unsigned char pad[200]; unsigned char last; } *bp;\n"
    "struct pt { unsigned char x; short y; } spot;\n"
    "section ram data;\n"
    "unsigned char level;\n"
    "section code;\n"
    "const unsigned char table[2] = {1, 2};\n"
    "void stop(void);\n"
    "void (*handler)(void) = stop;\n";

struct Case {
  const char* body;
  const char* messages;
};

void expectMessages(const Case* begin, const Case* end, std::vector<std::string> options = {}) {
  for (const Case* c = begin; c != end; ++c) {
    auto compiled = compile(kData + "void f(void) {\n" + c->body + "\n}\n", options);
    EXPECT_EQ(compiled.messages, c->messages) << c->body;
  }
}

TEST(Expressions, PlacesThatCannotBeWritten) {
  const Case cases[] = {
      {"5 = A;", "E264"},      {"A + B = 3;", "E264"},
      {"stop() = A;", "E264"}, {"(unsigned char)A = 5;", "E242"},
      {"buf = A;", "E263"},    {"table[1] = A;", "E263"},
      {"stop = A;", "E263"},   {"++table[0];", "E263"},
  };
  expectMessages(std::begin(cases), std::end(cases));
}

TEST(Expressions, OperandsWithoutAnAddressOrAForm) {
  const Case cases[] = {
      {"HL = &B;", "E252"},
      {"HL = &count.2;", "E252"},
      {"HL = &5;", "E253"},
      {"A = *count;", "E255"},  // not a pointer
      {"A = spot;", "E270"},
      {"A = B + C + D;", "E279"},
      {"A = EQ;", "E293"},
      {"H = *--HL;", "E286"},  // which of the two writes of H wins is not defined
      {"level = L;", "E287"},  // the near address would go over L
      {"*(HL+C) = buf[B];", "E287"},
      {"A += buf[B];", "E287"},  // the index is formed in WA, over A
      {"B = A + buf[C];", "E287"},
      {"if (A == buf[B]) C = 1;", "E287"},
      {"A = buf[B];",
       ""},  // A is written last {"A = *(HL+200);", "W526 E261"}, {"bp = bp + bp;", "E244"},
      {"HL = bp - bp;", "E244"},
      {"bp = bp & 1;", "E244"},
  };
  expectMessages(std::begin(cases), std::end(cases));
}

TEST(Expressions, ConditionsThatTheFlagsCannotExpress) {
  const Case cases[] = {
      {"if (A == 3 || CS) B = 1;", "E284"},  // the comparison has replaced the carry
      {"if (CS || A == 3) B = 1;", ""},
      {"if (NON) B = 1;", "E281"},
      {"if (A + B) C = 1;", "E281"},
  };
  expectMessages(std::begin(cases), std::end(cases));
}

TEST(Expressions, ADisplacementBeyondTheProgramsHLIsRefused) {
  // HL->last is 200 bytes on, out of reach of (HL+d), and HL is the program's.
  auto c = compile(kData + "void g(struct big *HL) { A = HL->last; }\n");
  EXPECT_EQ(c.messages, "E244");
  // A working HL takes the displacement itself.
  auto working = compile(kData + "void f(void) { A = bp->last; }\n");
  ASSERT_EQ(working.status, 0) << working.err;
  EXPECT_NE(working.assembly.find("\tld\thl,(_bp)\n\tadd\thl,200\n\tld\ta,(hl)\n"),
            std::string::npos)
      << working.assembly;
}

TEST(Expressions, CallsThroughPointersAndArgumentsThatAreExpressions) {
  auto c = compile(kData +
                   "void put(unsigned char A);\n"
                   "void f(void) {\n handler();\n handler(A);\n put(A + 1);\n}\n");
  EXPECT_EQ(c.messages, "W531 E297");
  auto e = testing::assemble(compile(kData + "void f(void) { handler(); }\n").assembly);
  ASSERT_EQ(e.status, 0) << e.err;
  // The pointer lives in the code section, a near address: through HL.
  EXPECT_EQ(e.bytes("\tcall\t(hl)\t"), "E3 FC");
  // A later argument may not be formed over an earlier one's register.
  auto order = compile(kData +
                       "void two(unsigned char A, unsigned char B);\n"
                       "void f(void) { two(5, buf[C]); }\n");
  EXPECT_EQ(order.messages, "E287");
  auto v = compile(kData + "unsigned char get(void);\nvoid f(void) { A = stop(); B = get(); }\n");
  EXPECT_EQ(v.messages, "E292");
}

TEST(RegisterWarnings, EachRegisterTheGeneratorTakesIsNamed) {
  struct Warned {
    const char* body;
    const char* messages;
  } cases[] = {
      {"*DE = *HL;", "W501"},       {"*DE = *(PC+A);", "W502"},  // A holds the index
      {"A = buf[B];", "W507 W508"}, {"A = *BC;", "W508"},
      {"level = A;", "W508"},       {"count.1 = A.2;", "W510"},
  };
  for (const Warned& c : cases) {
    auto run = compileWithErrorFile(kData + "void f(void) {\n" + c.body + "\n}\n", {"-w3"});
    EXPECT_EQ(run.messages, c.messages) << c.body;
  }
  auto eightBit = compileWithErrorFile(kData + "void f(void) {\n A = buf[B];\n}\n", {"-w3", "-a1"});
  EXPECT_EQ(eightBit.messages, "W503 W508");
  // Without the r letter or digit 3 they are not reported.
  EXPECT_EQ(compileWithErrorFile(kData + "void f(void) { A = *BC; }\n", {"-w2"}).messages, "");
}

}  // namespace
}  // namespace kz::clike
