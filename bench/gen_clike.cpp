// Writes a C-like program of about N lines for the compiler benchmark, or the same program
// in standard C for a peer compiler: functions whose locals live in registers (in C,
// variables named after the registers), loops, switches, structures and constant tables.
// Both versions have the same statements on the same lines, so that lines per second
// compare like with like. Deterministic for a given line count.
//   gen_clike clike|c LINES
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "generated_text.h"

namespace {

enum class Flavour { clike, c };

class ProgramWriter : kz::bench::GeneratedText {
 public:
  explicit ProgramWriter(Flavour flavour) : GeneratedText(12345), flavour_(flavour) {}

  std::string write(std::size_t lines) {
    text_.reserve(lines * 24);
    prologue();
    std::size_t function = 0;
    while (count_ + kFunctionLines < lines) {
      if (function % kFunctionsPerGroup == 0) group(function / kFunctionsPerGroup);
      body(function++);
    }
    return std::move(text_);
  }

 private:
  static constexpr std::size_t kFunctionLines = 32;  // at most, group head included
  static constexpr std::size_t kFunctionsPerGroup = 16;

  bool clike() const { return flavour_ == Flavour::clike; }

  void prologue() {
    line("/* generated benchmark program */");
    line("struct pair { unsigned char low; unsigned char high; };");
    line(clike() ? "section vars area;" : "/* variables */");
    line("unsigned char counter;");
    line("struct pair last;");
  }

  // Each group of functions has its own table and structure.
  void group(std::size_t n) {
    std::string id = std::to_string(n);
    line(clike() ? "section rom" + id + " const;" : "/* table " + id + " */");
    std::string values;
    for (int i = 0; i < 8; ++i) {
      if (i > 0) values += ", ";
      values += number(256);
    }
    line("const unsigned char table" + id + "[8] = {" + values + "};");
    line(clike() ? "section vars" + id + " area;" : "/* record " + id + " */");
    line("struct pair rec" + id + ";");
    line(clike() ? "section code" + id + " code;" : "/* code " + id + " */");
    group_ = id;
  }

  void body(std::size_t n) {
    std::string name = "f" + std::to_string(n);
    std::string table = "table" + group_;
    std::string rec = "rec" + group_;
    line("void " + name + "(unsigned char A)");
    line("{");
    line(clike() ? "  /* B, C and HL are registers */"
                 : "  unsigned char B, C; const unsigned char *HL;");
    line("  B = " + std::to_string(next() % 200 + 1) + ";");
    line("  while (B != 0) {");
    line("    A += " + number(16) + ";");
    line("    A &= 0x" + std::to_string(next() % 7 + 1) + "F;");
    line("    B--;");
    line("  }");
    line("  switch (A) {");
    line("  case " + number(64) + ":");
    line("    counter = " + number(256) + ";");
    line("    break;");
    line("  case " + std::to_string(next() % 64 + 64) + ":");
    line("    " + rec + ".low = A;");
    line("    break;");
    line("  default:");
    line("    " + rec + ".high = A;");
    line("  }");
    line("  HL = &" + table + "[" + number(8) + "];");
    line("  C = *HL;");
    line("  if (C == " + number(256) + ") {");
    line("    counter = C;");
    line("  } else {");
    line("    last.low = C;");
    line("  }");
    line("  for (C = 0; C != " + std::to_string(next() % 9 + 1) + "; C++) {");
    line("    counter += 1;");
    line("  }");
    line("}");
    line("");
  }

  Flavour flavour_;
  std::string group_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::string_view(argv[1]) != "clike" && std::string_view(argv[1]) != "c")) {
    std::fprintf(stderr, "usage: gen_clike clike|c LINES\n");
    return 2;
  }
  Flavour flavour = std::string_view(argv[1]) == "c" ? Flavour::c : Flavour::clike;
  std::string text = ProgramWriter(flavour).write(std::strtoul(argv[2], nullptr, 10));
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}
