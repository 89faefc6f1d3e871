#pragma once
// Parses a C source as zc1's compile mode does and reports the message numbers it gave.
#include <regex>
#include <string>
#include <vector>

#include "cfront/translation_unit.h"
#include "harness.h"

namespace kz::cfront::testing {

struct ParseResult {
  std::vector<int> numbers;  // in the order given
  std::string messages;
  bool aborted = false;
};

// Sets up a preprocessor for `source` as t.c in `scratch`, as zc1's compile mode does, and
// hands it to `compile`; the result has the messages given and whether a fatal one ended the
// run (the numbers are left to the caller).
template <typename Compile>
ParseResult runCompileMode(const ScratchDirectory& scratch, const std::string& source,
                           const RunOptions& options, Compile compile) {
  scratch.write("t.c", source);
  CapturedStream messages;
  Diagnostics diagnostics(options, messages.stream());
  Preprocessor preprocessor(options, diagnostics, 1700000000);
  diagnostics.setPositionSource([&] { return preprocessor.position(); });
  ParseResult result;
  try {
    preprocessor.definePredefined();
    preprocessor.defineAfterOptions();
    preprocessor.setIncludeDirectories({scratch.path()});
    preprocessor.openPrimary(std::string("t.c"), source);
    compile(preprocessor, diagnostics);
  } catch (const RunAborted&) {
    result.aborted = true;
  }
  result.messages = messages.text();
  return result;
}

// With records on, the intermediate-file writer runs too and its records are dropped.
inline ParseResult parse(const std::string& source, RunOptions options = {}, bool records = false) {
  ScratchDirectory scratch;
  ParseResult result = runCompileMode(
      scratch, source, options, [&](Preprocessor& preprocessor, Diagnostics& diagnostics) {
        DiscardSink dropped;
        compileTranslationUnit(preprocessor, diagnostics, options, records ? &dropped : nullptr);
      });
  static const std::regex number("ZC1-[A-Za-z ]+-([0-9]+):");
  for (std::sregex_iterator it(result.messages.begin(), result.messages.end(), number), end;
       it != end; ++it)
    result.numbers.push_back(std::stoi((*it)[1]));
  return result;
}

}  // namespace kz::cfront::testing
