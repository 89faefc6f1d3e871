// Stand-ins for the outside programs maczel starts that do not exist yet (mplzel, appzel;
// the linker lnkzel is real, in link/). They take their words from the command line or the
// "-z@" hand-over block, copy the one input file to the output named by -o (no macros, no
// preprocessing), write a listing for -lf, and exit 0.
//
// Failing on request: when the current directory holds "<tool>.fail", the tool writes
// nothing and exits with the number in that file (1 when it holds no number). An input
// that cannot be read ends the tool with status 2 and a message.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/handover.h"

#ifndef KZ_STUB_NAME
#error "KZ_STUB_NAME names the tool this stand-in plays"
#endif

namespace {

constexpr const char* kToolName = KZ_STUB_NAME;

// The driver wraps a word holding a blank in double quotes; "-- name" escapes a name
// beginning with '-'.
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

int requestedFailure() {
  std::string text;
  if (!readFile(std::string(kToolName) + ".fail", text)) return 0;
  int status = std::atoi(text.c_str());
  return status == 0 ? 1 : status;
}

bool writeFile(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  kz::ProgramEnvironment environment = kz::ProgramEnvironment::fromProcess(argc, argv, environ);
  const std::set<std::string> withValue = {"-o", "-lf", "-I", "-GN", "-e", "-L", "-F", "-s", "-Ms"};
  std::string output;
  std::string listing;
  std::vector<std::string> inputs;
  const auto& words = environment.arguments();
  for (std::size_t i = 0; i < words.size(); ++i) {
    std::string word = plainWord(words[i]);
    if (withValue.count(word) && i + 1 < words.size()) {
      std::string raw = plainWord(words[++i]);
      if (raw == "--" && i + 1 < words.size()) raw = plainWord(words[++i]);
      std::string value = fileName(raw);
      if (word == "-o") output = value;
      if (word == "-lf") listing = value;
    } else if (word.starts_with("-- ")) {
      inputs.push_back(word.substr(3));
    } else if (!word.starts_with("-")) {
      inputs.push_back(word);
    }
  }
  if (int status = requestedFailure()) {
    std::cerr << kToolName << ": failing on request with status " << status << '\n';
    return status;
  }
  if (output.empty() || inputs.empty()) {
    std::cerr << kToolName << ": needs -o and an input file\n";
    return 2;
  }
  const std::string tool = kToolName;
  std::string result;
  std::string listingText = tool + " listing\n";
  for (const std::string& input : inputs) {
    std::string text;
    if (!readFile(input, text)) {
      std::cerr << kToolName << ": can't read " << input << '\n';
      return 2;
    }
    result += text;
    listingText += "input " + input + '\n';
  }
  if (!writeFile(output, result) || (!listing.empty() && !writeFile(listing, listingText))) {
    std::cerr << kToolName << ": can't write " << output << '\n';
    return 2;
  }
  return 0;
}
