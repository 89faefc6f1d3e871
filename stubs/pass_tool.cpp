// Stand-ins for the later C compiler passes, which are outside this toolchain: zc2 reads the
// intermediate file and writes it on unchanged; czel1 reads it and writes an assembly module
// that holds no code, which asmzel assembles without a message. Both take their words from
// the command line or the "-z@" hand-over block: options, then the input and the output.
//
// Failing on request: see requestedFailure (zc2 ends with status 3 when it needs -XP). An
// input that cannot be read or a missing file name ends the tool with status 2.
#include <unistd.h>

#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "common/handover.h"
#include "common/host_path.h"
#include "stubs/stub_files.h"

#ifndef KZ_STUB_NAME
#error "KZ_STUB_NAME names the pass this stand-in plays"
#endif

using namespace kz::stubs;

namespace {

// The module czel1 writes, named after the source (-GN) or else the output: a comment that
// says what it was made from, then the end.
std::string assemblyModule(const std::string& moduleName, const std::string& input) {
  return "; czel1 stand-in: intermediate code from " + input + "\n\tmodule\t" + moduleName +
         "\n\tend\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string tool = KZ_STUB_NAME;
  kz::ProgramEnvironment environment = kz::ProgramEnvironment::fromProcess(argc, argv, environ);
  const std::set<std::string> withValue = {"-GN", "-e", "-ZC", "-ZT"};
  std::vector<std::string> files;
  std::vector<std::string> words;
  std::string sourceName;
  for (const std::string& raw : environment.arguments()) words.push_back(plainWord(raw));
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (withValue.count(words[i])) {
      if (words[i] == "-GN" && i + 1 < words.size()) sourceName = words[i + 1];
      ++i;
    } else if (!words[i].starts_with("-")) {
      files.push_back(words[i]);
    }
  }
  if (int status = requestedFailure(tool, words)) {
    std::cerr << tool << ": failing on request with status " << status << '\n';
    return status;
  }
  if (files.size() != 2) {
    std::cerr << tool << ": needs an input and an output file\n";
    return 2;
  }
  std::string text;
  if (!readFile(files[0], text)) {
    std::cerr << tool << ": can't read " << files[0] << '\n';
    return 2;
  }
  std::string moduleName(kz::stemOf(sourceName.empty() ? files[1] : sourceName));
  std::string result = tool == "czel1" ? assemblyModule(moduleName, files[0]) : text;
  if (!writeFile(files[1], result)) {
    std::cerr << tool << ": can't write " << files[1] << '\n';
    return 2;
  }
  return 0;
}
