// The expression parser's short ways: a primary without postfix steps, an operand without
// a binary operator, tokens read ahead and taken. Each case is compiled whole, and the
// depth at which the parser stack gives out is pinned for every kind of nesting, so that a
// change in how the levels are entered cannot move it.
#include <gtest/gtest.h>

#include <string>

#include "tests/clike/compile_helper.h"

namespace kz::clike {
namespace {

using testing::compile;

const std::string kData =
    "section vars area tiny;\n"
    "unsigned char count;\n"
    "unsigned char buf[8];\n"
    "struct pt { unsigned char x; unsigned char y; } spot, *sp;\n"
    "section code;\n"
    "void stop(void);\n";

testing::Compiled compileBody(const std::string& body) {
  return compile(kData + "void f(void)\n{\n" + body + "\n}\n");
}

std::string repeat(const std::string& text, int times) {
  std::string result;
  for (int i = 0; i < times; ++i) result += text;
  return result;
}

// Every postfix step after a primary, and a primary followed at once by each kind of token
// that ends it, give the same code as the same statement written another way.
TEST(ParserPaths, PrimariesWithAndWithoutPostfixSteps) {
  struct Same {
    const char* a;
    const char* b;
  };
  const Same cases[] = {
      {"A = buf[2];", "A = (buf[2]);"},
      {"buf[1]++;", "++buf[1];"},
      {"count--;", "--count;"},
      {"A = spot.y;", "A = (spot).y;"},
      {"stop();", "(stop)();"},
      {"A = count;", "A = (count);"},
      {"A = B + C;", "A = (B) + (C);"},
      {"A = B, C = A;", "A = B; C = A;"},
      {"if (A == 3) B = 1;", "if ((A) == (3)) B = 1;"},
      {"A.3 = 1;", "(A).3 = 1;"},
  };
  for (const Same& c : cases) {
    testing::Compiled a = compileBody(c.a);
    testing::Compiled b = compileBody(c.b);
    EXPECT_EQ(a.messages, "") << c.a;
    EXPECT_EQ(b.messages, "") << c.b;
    EXPECT_EQ(a.assembly, b.assembly) << c.a << " / " << c.b;
  }
}

// The brace count follows tokens taken after one read two ahead (a label's name and colon).
TEST(ParserPaths, LookAheadKeepsBracesAndLabels) {
  testing::Compiled c = compileBody("again:\n{ A = 1; }\n{ { B = 2; } }\ngoto again;");
  EXPECT_EQ(c.messages, "");
  EXPECT_TRUE(c.has("\tld\ta,1")) << c.assembly;
  EXPECT_TRUE(c.has("\tld\tb,2")) << c.assembly;
  testing::Compiled open = compile(kData + "void f(void)\n{\n{ A = 1;\n}\n");
  EXPECT_EQ(open.messages, "E207");
}

// The deepest nesting of each kind that still compiles, and one more.
TEST(ParserPaths, ParserStackDepthOfEachKindOfNesting) {
  struct Depth {
    const char* open;
    const char* close;
    int deepest;
    const char* nearToken;  // the token the message names one past the deepest
  };
  const Depth cases[] = {
      {"(", ")", 31, "B"},
      {"B + (", ")", 27, "B"},
      {"(B ? ", " : B)", 21, "B"},
      {"!", "", 191, "B"},
  };
  for (const Depth& d : cases) {
    for (int n : {d.deepest, d.deepest + 1}) {
      std::string body = "A = " + repeat(d.open, n) + "B" + repeat(d.close, n) + ";";
      testing::Compiled c = compileBody(body);
      if (n == d.deepest) {
        EXPECT_EQ(c.err.find("Parser stack overflow"), std::string::npos) << d.open << " x" << n;
      } else {
        std::string message = std::string("Parser stack overflow \"") + d.nearToken + "\"";
        EXPECT_NE(c.err.find(message), std::string::npos) << d.open << " x" << n << "\n" << c.err;
      }
    }
  }
}

}  // namespace
}  // namespace kz::clike
