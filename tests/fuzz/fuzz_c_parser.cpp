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

#include "cfront/diagnostics.h"
#include "cfront/fatal.h"
#include "cfront/preprocessor.h"
#include "cfront/translation_unit.h"
#include "tests/fuzz/fuzz_c_parser_input.h"

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
    DiscardSink records;  // the intermediate records are made and dropped
    compileTranslationUnit(preprocessor, diagnostics, options, &records);
  } catch (const RunAborted&) {
  } catch (const std::bad_alloc&) {
  }
  return 0;
}
