#pragma once
// Parses a C source as zc1's compile mode does and reports the message numbers it gave.
#include <regex>
#include <string>
#include <vector>

#include "cfront/c_tokens.h"
#include "cfront/emitter.h"
#include "cfront/expression_builder.h"
#include "cfront/parser.h"
#include "harness.h"

namespace kz::cfront::testing {

struct ParseResult {
  std::vector<int> numbers;  // in the order given
  std::string messages;
  bool aborted = false;
};

class DroppedRecords : public LineSink {
 public:
  void write(std::string_view) override {}
};

// With records on, the intermediate-file writer runs too and its records are dropped.
inline ParseResult parse(const std::string& source, RunOptions options = {}, bool records = false) {
  ScratchDirectory scratch;
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
    TypeTable types(options);
    NodeArena nodes;
    ExpressionBuilder expressions(types, nodes, diagnostics, options);
    TokenReader tokens(preprocessor, diagnostics, options);
    DroppedRecords dropped;
    TypeLines typeLines(options, diagnostics);
    Emitter emitter(dropped, typeLines, types, diagnostics, options);
    Parser parser(tokens, expressions, types, nodes, diagnostics, options,
                  records ? &emitter : nullptr);
    parser.parseTranslationUnit();
  } catch (const RunAborted&) {
    result.aborted = true;
  }
  result.messages = messages.text();
  static const std::regex number("ZC1-[A-Za-z ]+-([0-9]+):");
  for (std::sregex_iterator it(result.messages.begin(), result.messages.end(), number), end;
       it != end; ++it)
    result.numbers.push_back(std::stoi((*it)[1]));
  return result;
}

}  // namespace kz::cfront::testing
