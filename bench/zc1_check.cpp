// zc1's front end without the intermediate-file writer: preprocesses, parses and checks one C
// file as a compile does and prints its messages, for timing the checks on their own.
//   zc1_check file.c
#include <cstdio>
#include <string>
#include <utility>

#include "cfront/diagnostics.h"
#include "cfront/fatal.h"
#include "cfront/preprocessor.h"
#include "cfront/source_text.h"
#include "cfront/translation_unit.h"

int main(int argc, char** argv) {
  using namespace kz::cfront;
  if (argc != 2) {
    std::fprintf(stderr, "usage: zc1_check file.c\n");
    return 2;
  }
  std::string text;
  if (readRegularFile(argv[1], text) != ReadResult::ok) {
    std::fprintf(stderr, "zc1_check: cannot read %s\n", argv[1]);
    return 2;
  }
  RunOptions options;
  Diagnostics diagnostics(options, stderr);
  Preprocessor preprocessor(options, diagnostics, 0);
  diagnostics.setPositionSource([&] { return preprocessor.position(); });
  try {
    preprocessor.definePredefined();
    preprocessor.defineAfterOptions();
    preprocessor.setIncludeDirectories({"./"});
    preprocessor.openPrimary(std::string(argv[1]), std::move(text));
    compileTranslationUnit(preprocessor, diagnostics, options, nullptr);
  } catch (const RunAborted&) {
    return 1;
  }
  return static_cast<int>(diagnostics.errorCount());
}
