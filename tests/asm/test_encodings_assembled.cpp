// Every case of encodings.txt once more, through the whole assembler: the statement layer,
// the passes and the final-pass output must give the bytes the encoder gives alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/asm/assemble_helper.h"

namespace kz::assembler {
namespace {

struct Case {
  std::string source;
  std::string expected;
};

std::string trimmed(const std::string& text) {
  auto first = text.find_first_not_of(" \t");
  auto last = text.find_last_not_of(" \t\r");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

TEST(EncodingsAssembled, EveryCaseThroughTheWholeAssembler) {
  std::ifstream file(std::filesystem::path(__FILE__).parent_path() / "encodings.txt");
  std::vector<Case> cases;
  std::string source = "prog SECTION CODE\n";
  for (std::string line; std::getline(file, line);) {
    std::string text = trimmed(line);
    if (text.empty() || text[0] == '#') continue;
    std::size_t bar = text.find('|');
    cases.push_back({trimmed(text.substr(0, bar)), trimmed(text.substr(bar + 1))});
    source += " " + cases.back().source + "\n";
  }
  source += " END\n";
  ASSERT_GT(cases.size(), 300u);
  auto run = testing::assemble(source);
  EXPECT_EQ(run.err, "");
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(hex(run.bytesAt(static_cast<long>(i) + 2)), cases[i].expected) << cases[i].source;
  }
}

}  // namespace
}  // namespace kz::assembler
