// il_check <file>...: checks zc1 intermediate files and prints "<file>:<line>: <problem>" for
// every line that is not well formed. Exit status 0 when all are sound, 1 when a problem was
// found, 2 when a file cannot be read.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/cfront/il_check/il_checker.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: il_check <intermediate-file>...\n");
    return 2;
  }
  int status = 0;
  for (int at = 1; at < argc; ++at) {
    std::ifstream in(argv[at], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "il_check: cannot read %s\n", argv[at]);
      return 2;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const kz::iltest::IlProblem& problem : kz::iltest::checkIntermediateFile(text)) {
      std::printf("%s:%zu: %s\n", argv[at], problem.line, problem.text.c_str());
      status = 1;
    }
  }
  return status;
}
