// Fixed capacities that a program or a command line can reach: each ends with its fatal
// message, never a hang or a crash.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tests/clike/compile_helper.h"

namespace kz::clike {
namespace {

using testing::compile;

std::string repeated(const std::string& text, int count) {
  std::string result;
  for (int i = 0; i < count; ++i) result += text;
  return result;
}

// Parameter names of 30 characters each, all different.
std::string parameterNames(int count) {
  std::string result;
  for (int i = 0; i < count; ++i) {
    std::string name = "parameter_" + std::to_string(100 + i);
    result += name + std::string(30 - name.size(), 'p') + ",";
  }
  return result;
}

TEST(Capacities, CommandLineAndArgumentFile) {
  // A device without end is read no further than the command buffer.
  EXPECT_EQ(compile("", {"-f", "/dev/zero"}).messages, "F104");
  std::string name = std::tmpnam(nullptr);
  std::ofstream(name) << "-DN=1" << std::string(32763, ' ');
  EXPECT_EQ(compile("", {"-f", name}).messages, "F104");
  std::ofstream(name) << "-DN=1" << std::string(32000, ' ');  // with the other words: fits
  EXPECT_EQ(compile("", {"-f", name}).messages, "");
  std::remove(name.c_str());
}

TEST(Capacities, TablesOfTheCompilation) {
  struct Case {
    std::string source;
    const char* messages;
  };
  const Case cases[] = {
      // 512 nodes for one statement's tree.
      {"section code; void f(void) { A = " + repeated("1 +\n", 300) + "1; }\n", "F125"},
      {"section code; void f(void) { A = " + repeated("1 +\n", 200) + "1; }\n", ""},
      // 512 characters of string constant, 510 of a name.
      {"section const; const char t[] = \"" + std::string(513, 'x') + "\";\n", "F126"},
      {"section const; const char t[] = \"" + std::string(512, 'x') + "\";\n", ""},
      {"section io; char " + std::string(511, 'n') + ";\n", "F126"},
      // The parameter names of one macro share one area.
      {"#define M(" + parameterNames(13) + "x) x\n", "F130"},
      {"#define M(" + parameterNames(12) + "x) x\n", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(compile(c.source).messages, c.messages) << c.source.substr(0, 60);
  }
}

}  // namespace
}  // namespace kz::clike
