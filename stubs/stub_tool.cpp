// Stand-ins for the outside programs the drivers start that do not exist yet (mplzel, appzel;
// the linker lnkzel is real, in link/). They take their words from the command line or the
// "-z@" hand-over block, copy the one input file to the output named by -o (no macros, no
// preprocessing), write a listing for -lf, and exit 0.
//
// Failing on request: see requestedFailure. An input that cannot be read ends the tool with
// status 2 and a message.
#include <unistd.h>

#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "common/handover.h"
#include "stubs/stub_files.h"

#ifndef KZ_STUB_NAME
#error "KZ_STUB_NAME names the tool this stand-in plays"
#endif

using namespace kz::stubs;

int main(int argc, char** argv) {
  const std::string tool = KZ_STUB_NAME;
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
  if (int status = requestedFailure(tool, words)) {
    std::cerr << tool << ": failing on request with status " << status << '\n';
    return status;
  }
  if (output.empty() || inputs.empty()) {
    std::cerr << tool << ": needs -o and an input file\n";
    return 2;
  }
  std::string result;
  std::string listingText = tool + " listing\n";
  for (const std::string& input : inputs) {
    std::string text;
    if (!readFile(input, text)) {
      std::cerr << tool << ": can't read " << input << '\n';
      return 2;
    }
    result += text;
    listingText += "input " + input + '\n';
  }
  if (!writeFile(output, result) || (!listing.empty() && !writeFile(listing, listingText))) {
    std::cerr << tool << ": can't write " << output << '\n';
    return 2;
  }
  return 0;
}
