#pragma once
// A large assembly source that looks like real programs: sections, labels, instructions with
// every operand shape, data directives, equates, comments and blank lines. Deterministic for
// a given seed, and free of diagnostics.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kz::bench {

class SourceGenerator {
 public:
  explicit SourceGenerator(std::uint32_t seed) : state_(seed) {}

  std::string generate(std::size_t lineCount) {
    std::string text;
    text.reserve(lineCount * 28);
    text += "\tmodule\tbench-module\n";
    for (std::size_t line = 1; line < lineCount; ++line) {
      appendLine(text, line);
      text += '\n';
    }
    return text;
  }

 private:
  static constexpr std::array<std::string_view, 24> kInstructions = {
      "ld\ta,(hl)",  "ld\t(var_%),a",   "ld\ta,(hl+5)",  "ld\twa,0x%",   "add\ta,#",
      "sub\twa,bc",  "and\ta,0y1010",   "or\t(hl),0x0F", "xor\tcf,a.3",  "set\t(flags_%).3",
      "clr\t(hl).a", "test\tl.7",       "cmp\ta,'A'",    "inc\tc",       "dec\t(var_%)",
      "push\thl",    "pop\tde",         "call\tfunc_%",  "jr\tnz,lab_%", "jrs\tt,lab_%",
      "jp\t(hl)",    "ld\ta,(x_%+2*4)", "mul\tw,a",      "ret"};

  std::uint32_t next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }

  // Replaces % by a name number and # by a decimal constant.
  void appendPattern(std::string& text, std::string_view pattern) {
    for (char c : pattern) {
      if (c == '%') {
        text += std::to_string(next() % 500);
      } else if (c == '#') {
        text += std::to_string(next() % 256);
      } else {
        text += c;
      }
    }
  }

  void appendLine(std::string& text, std::size_t line) {
    if (line % 2000 == 1) {
      text += "code_" + std::to_string(line / 2000) + "\tsection code medium";
      return;
    }
    std::uint32_t kind = next() % 100;
    if (kind < 6) {
      text += "; ---- block " + std::to_string(line) + ": set up the registers ----";
    } else if (kind < 9) {
      // blank line
    } else if (kind < 17) {
      text += "lab_" + std::to_string(line) + ":";
      if (kind < 13) appendInstruction(text);
    } else if (kind < 21) {
      appendPattern(text, "CONST_% \tequ\t0x1F+#*4\t; table size");
    } else if (kind < 25) {
      appendData(text, kind);
    } else {
      appendInstruction(text);
    }
  }

  void appendInstruction(std::string& text) {
    text += '\t';
    appendPattern(text, kInstructions[next() % kInstructions.size()]);
    if (next() % 4 == 0) text += "\t\t; keep the value";
  }

  void appendData(std::string& text, std::uint32_t kind) {
    switch (kind % 4) {
      case 0:
        appendPattern(text, "msg_%\tdb\t\"Hello, world\\n\",0");
        break;
      case 1:
        appendPattern(text, "tab_%\tdw\t1,2,0x100,lab_%,#");
        break;
      case 2:
        appendPattern(text, "buf_%\tdsb\t64");
        break;
      default:
        appendPattern(text, "pat_%\tdfb\t4,'AB',0xFF");
        break;
    }
  }

  std::uint32_t state_;
};

inline std::string generateSource(std::size_t lineCount, std::uint32_t seed = 1) {
  return SourceGenerator(seed).generate(lineCount);
}

}  // namespace kz::bench
