// libFuzzer harness for the C front end's preprocessor: any source text must end in output
// and messages or a fatal message, never a crash, a hang or a leak. The first byte of the
// input chooses the options (-E or -P, -C, -J, debug flag 0x04, warning level); the rest is
// the source. An include file "x.h" stands in the scratch directory beside it.
// Build with -DKZ_FUZZ=ON and clang++, then run
//   build/tests/fuzz/fuzz_preprocessor -dict=tests/fuzz/zc1.dict tests/fuzz/zc1_corpus
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cfront/diagnostics.h"
#include "cfront/fatal.h"
#include "cfront/output_file.h"
#include "cfront/preprocessed_writer.h"
#include "cfront/preprocessor.h"

namespace {

struct Scratch {
  std::string directory;
  std::FILE* sink = nullptr;

  Scratch() {
    char pattern[] = "/tmp/kzfuzz-zc1-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    directory = std::string(made) + '/';
    sink = std::fopen("/dev/null", "w");
    std::FILE* include = std::fopen((directory + "x.h").c_str(), "wb");
    if (sink == nullptr || include == nullptr) std::abort();
    std::fputs("#define FROM_X(a) a ## _x\nint from_x = __LINE__;\n", include);
    std::fclose(include);
  }
  ~Scratch() {
    std::fclose(sink);
    ::unlink((directory + "x.h").c_str());
    ::unlink((directory + "out.i").c_str());
    ::rmdir(directory.c_str());
  }
};

Scratch& scratch() {
  static Scratch instance;
  return instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kz::cfront;
  if (size == 0) return 0;
  RunOptions options;
  std::uint8_t choice = data[0];
  options.ppMode = (choice & 0x01) ? 'E' : 'P';
  if (choice & 0x02) options.ppMode |= RunOptions::kKeepComments;
  options.kanjiText = (choice & 0x04) != 0;
  options.debugFlags = (choice & 0x08) ? 0x04 : 0;
  options.warnLevel = static_cast<std::uint8_t>((choice >> 4) & 0x03);
  std::string source(reinterpret_cast<const char*>(data) + 1, size - 1);

  Diagnostics diagnostics(options, scratch().sink);
  Preprocessor preprocessor(options, diagnostics, 0);
  diagnostics.setPositionSource([&] { return preprocessor.position(); });
  OutputFile output(diagnostics);
  try {
    preprocessor.definePredefined();
    preprocessor.defineAfterOptions();
    preprocessor.setIncludeDirectories({scratch().directory, scratch().directory});
    preprocessor.openPrimary(std::string("fuzz.c"), std::move(source));
    if (!output.open(scratch().directory + "out.i")) std::abort();
    PreprocessedWriter writer(output, preprocessor, options.lineDirectives());
    writer.copyAll(preprocessor);
    output.close();
  } catch (const RunAborted&) {
    output.abandon();
  }
  return 0;
}
