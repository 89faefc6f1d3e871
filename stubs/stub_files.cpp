#include "stubs/stub_files.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kz::stubs {

std::string plainWord(std::string word) {
  if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
    word = word.substr(1, word.size() - 2);
  return word;
}

std::string fileName(const std::string& word) {
  return word.starts_with("-- ") ? word.substr(3) : word;
}

bool readFile(const std::string& name, std::string& text) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

bool writeFile(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

int requestedFailure(const std::string& tool, const std::vector<std::string>& words) {
  std::string text;
  if (!readFile(tool + ".fail", text)) return 0;
  std::istringstream fields(text);
  int status = 0;
  std::string unless, word;
  fields >> status >> unless >> word;
  if (unless == "unless" && std::find(words.begin(), words.end(), word) != words.end()) return 0;
  return status == 0 ? 1 : status;
}

}  // namespace kz::stubs
