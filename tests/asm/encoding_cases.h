#pragma once
// The cases of encodings.txt: "source | expected hex bytes" per line, '#' starts a comment.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kz::assembler::testing {

struct EncodingCase {
  int fileLine = 0;
  std::string source;
  std::string expected;
};

inline std::string trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  std::size_t last = text.find_last_not_of(" \t\r");
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

inline std::vector<EncodingCase> loadEncodingCases() {
  std::ifstream file(std::filesystem::path(__FILE__).parent_path() / "encodings.txt");
  std::vector<EncodingCase> cases;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    std::string text = trimmed(line);
    if (text.empty() || text[0] == '#') continue;
    std::size_t bar = text.find('|');
    cases.push_back({number, trimmed(text.substr(0, bar)),
                     bar == std::string::npos ? "" : trimmed(text.substr(bar + 1))});
  }
  return cases;
}

}  // namespace kz::assembler::testing
