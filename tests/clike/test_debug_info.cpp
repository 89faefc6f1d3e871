// Debug type numbers: one counter with the macros, one number per distinct derived type,
// and the type lines the assembler must take under -g.
#include <gtest/gtest.h>

#include "tests/clike/compile_helper.h"

namespace kz::clike {
namespace {

using testing::assemble;
using testing::compile;

// The symbol_t, symbol_n and macro symbol_a lines of the body, in order.
std::string debugLines(const std::string& assembly) {
  std::string result;
  std::size_t at = assembly.find("\tmodule");
  while ((at = assembly.find('\n', at)) != std::string::npos) {
    ++at;
    std::size_t end = assembly.find('\n', at);
    if (end == std::string::npos) break;
    std::string line = assembly.substr(at, end - at);
    if (line.rfind("\tsymbol_t", 0) == 0 || line.rfind("\tsymbol_n", 0) == 0 ||
        line.rfind("\tsymbol_a \"", 0) == 0) {
      if (line.find(",16,") != std::string::npos || line[1] != 's' ||
          line.rfind("\tsymbol_a", 0) != 0)
        result += line.substr(1) + "\n";
    }
  }
  return result;
}

TEST(DebugInfo, DerivedTypesAreNumberedOnceAndShareTheMacroCounter) {
  auto c = compile(
      "section vars area;\n"
      "char **pp;\n"
      "char *a[2];\n"
      "char *b[2];\n"
      "#define LATE 1\n"
      "unsigned short *w;\n"
      "void (*fp)(void);\n"
      "section code;\n",
      {"-g"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(debugLines(c.assembly),
            "symbol_t 64,O,34,1\n"
            "symbol_n \"pp\",64,4,0\n"
            "symbol_t 65,Z,\"\",34,1,\"\",2,0\n"
            "symbol_n \"a\",65,4,0\n"
            "symbol_n \"b\",65,4,0\n"
            "symbol_a \"LATE\",16,66,1\n"
            "symbol_a \"1\",16,66,2\n"
            "symbol_n \"w\",37,4,0\n"
            "symbol_t 67,O,1,1\n"
            "symbol_n \"fp\",67,4,0\n");
  auto e = assemble(c.assembly);
  EXPECT_EQ(e.status, 0) << e.err << c.assembly;
  EXPECT_EQ(e.err, "");
}

TEST(DebugInfo, UnionsAndStructuresWithoutMembersAreDescribed) {
  auto c = compile(
      "section vars area;\n"
      "union both { unsigned char b; unsigned short w; };\n"
      "union both u;\n"
      "struct later *lp;\n"
      "struct outer { union both inner[2]; char c; };\n"
      "struct outer o;\n"
      "section code;\n",
      {"-g"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(debugLines(c.assembly),
            "symbol_t 64,xc,\"both\",2,2,\"b\",3,0,\"w\",5,0\n"
            "symbol_n \"u\",64,4,0\n"
            "symbol_t 65,xc,\"later\",0,-1\n"
            "symbol_t 66,O,65,1\n"
            "symbol_n \"lp\",66,4,0\n"
            "symbol_t 68,Z,\"\",64,1,\"\",2,0\n"
            "symbol_t 67,xc,\"outer\",5,2,\"inner\",68,0,\"c\",2,0\n"
            "symbol_n \"o\",67,4,0\n");
  auto e = assemble(c.assembly);
  EXPECT_EQ(e.status, 0) << e.err << c.assembly;
}

}  // namespace
}  // namespace kz::clike
