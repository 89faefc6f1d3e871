// libFuzzer harness for the C front end's preprocessor: any source text must end in output
// and messages or a fatal message, never a crash, a hang or a leak. The first byte of the
// input chooses the options, the rest is the source (fuzz_preprocessor_input.h); the include
// file "x.h" stands in the scratch directory beside it.
// tests/fuzz/fuzz_preprocessor.sh builds it (clang++, -DKZ_FUZZ=ON, with UBSan as well) and
// runs it plain and with tests/fuzz/zc1.dict; cfront_tests replays tests/fuzz/zc1_corpus.
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
#include "tests/fuzz/fuzz_preprocessor_input.h"

namespace kz::cfront {
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
    std::FILE* include = std::fopen(includePath().c_str(), "wb");
    if (sink == nullptr || include == nullptr) std::abort();
    std::fwrite(fuzzing::kIncludeText.data(), 1, fuzzing::kIncludeText.size(), include);
    std::fclose(include);
  }
  std::string includePath() const { return directory + std::string(fuzzing::kIncludeName); }
  ~Scratch() {
    std::fclose(sink);
    ::unlink(includePath().c_str());
    ::unlink((directory + "out.i").c_str());
    ::rmdir(directory.c_str());
  }
};

Scratch& scratch() {
  static Scratch instance;
  return instance;
}

}  // namespace
}  // namespace kz::cfront

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kz::cfront;
  if (size == 0) return 0;
  RunOptions options = fuzzing::optionsFromByte(data[0]);
  std::string source(reinterpret_cast<const char*>(data) + 1, size - 1);

  Scratch& scratch = kz::cfront::scratch();
  Diagnostics diagnostics(options, scratch.sink);
  Preprocessor preprocessor(options, diagnostics, 0);
  diagnostics.setPositionSource([&] { return preprocessor.position(); });
  OutputFile output(diagnostics);
  try {
    preprocessor.definePredefined();
    preprocessor.defineAfterOptions();
    preprocessor.setIncludeDirectories({scratch.directory, scratch.directory});
    preprocessor.openPrimary(std::string("fuzz.c"), std::move(source));
    if (!output.open(scratch.directory + "out.i")) std::abort();
    PreprocessedWriter writer(output, preprocessor, options.lineDirectives());
    writer.copyAll(preprocessor);
    output.close();
  } catch (const RunAborted&) {
    output.abandon();
  }
  return 0;
}
