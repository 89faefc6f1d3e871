// libFuzzer harness for the C front end's parser, checks and intermediate-file writer: any
// source text must end in messages or a fatal message, never a crash, a hang or a leak. The first
// byte of the input chooses the options (warning level, -Xa, -Xuc, -Xec, -XO, packing); the rest is
// the source. Build with -DKZ_FUZZ=ON and clang++, then run
//   build/tests/fuzz/fuzz_c_parser -dict=tests/fuzz/c_parser.dict tests/fuzz/c_parser_corpus
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

#include "cfront/c_tokens.h"
#include "cfront/diagnostics.h"
#include "cfront/emitter.h"
#include "cfront/expression_builder.h"
#include "cfront/fatal.h"
#include "cfront/parser.h"
#include "cfront/preprocessor.h"
#include "tests/fuzz/fuzz_c_parser_input.h"

namespace {

// The intermediate records are made and dropped.
class NullSink : public kz::cfront::LineSink {
 public:
  void write(std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kz::cfront;
  if (size == 0) return 0;
  static std::FILE* sink = std::fopen("/dev/null", "w");
  RunOptions options = fuzzing::parserOptionsFromByte(data[0]);
  std::string source(reinterpret_cast<const char*>(data) + 1, size - 1);
  Diagnostics diagnostics(options, sink);
  Preprocessor preprocessor(options, diagnostics, 1700000000);
  diagnostics.setPositionSource([&] { return preprocessor.position(); });
  try {
    preprocessor.definePredefined();
    preprocessor.defineAfterOptions();
    preprocessor.setIncludeDirectories({"/nonexistent/"});
    preprocessor.openPrimary(std::string("t.c"), source);
    TypeTable types(options);
    NodeArena nodes;
    ExpressionBuilder expressions(types, nodes, diagnostics, options);
    TokenReader tokens(preprocessor, diagnostics, options);
    NullSink records;
    TypeLines typeLines(options, diagnostics);
    Emitter emitter(records, typeLines, types, diagnostics, options);
    Parser parser(tokens, expressions, types, nodes, diagnostics, options, &emitter);
    parser.parseTranslationUnit();
  } catch (const RunAborted&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
