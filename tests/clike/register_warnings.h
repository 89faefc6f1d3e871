#pragma once
// Compiles with the messages also written to an error file, which holds the register
// warnings that standard error never shows.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/clike/compile_helper.h"

namespace kz::clike::testing {

struct WithErrorFile {
  Compiled compiled;
  std::string messages;  // every message of the error file, as "E262 W501"
};

inline WithErrorFile compileWithErrorFile(const std::string& source,
                                          std::vector<std::string> options = {}) {
  char pattern[] = "/tmp/kzclerrXXXXXX";
  std::filesystem::path directory = ::mkdtemp(pattern);
  std::filesystem::path errorFile = directory / "messages.err";
  options.push_back("-e");
  options.push_back(errorFile.string());
  WithErrorFile result;
  result.compiled = compile(source, options);
  std::ifstream in(errorFile, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  result.messages = messageNumbers(text.str());
  std::filesystem::remove_all(directory);
  return result;
}

}  // namespace kz::clike::testing
