// libFuzzer harness for the C-like compiler: any source text must end in an exit status with
// messages, never a crash, a hang or a leak. The first byte of the input chooses the options
// (listing with reports, cross-reference, debug lines, switch routine, no hold-back, -Mr,
// source references); the rest is the source. The source, the include file it may name and
// every output live in a private scratch directory.
// Build with -DKZ_FUZZ=ON and clang++, then run
//   build/tests/fuzz/fuzz_clike_parser -dict=tests/fuzz/clzel.dict tests/fuzz/clike_corpus
#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clike/compiler.h"

namespace {

constexpr const char* kOutputs[] = {"/fuzz.c", "/x.h", "/fuzz.asm", "/fuzz.cpl", "/fuzz.err"};

struct Scratch {
  std::string directory;
  std::FILE* sink = nullptr;

  Scratch() {
    char pattern[] = "/tmp/kzfuzz-clike-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    directory = made;
    sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) std::abort();
    // An include file for #include "x.h" (the dictionary has the line).
    std::FILE* include = std::fopen((directory + "/x.h").c_str(), "wb");
    if (include == nullptr) std::abort();
    std::fputs("#define N 3\nsection io;\nunsigned char port;\n", include);
    std::fclose(include);
  }
  ~Scratch() {
    std::fclose(sink);
    for (const char* name : kOutputs) std::remove((directory + name).c_str());
    ::rmdir(directory.c_str());
  }
};

// A work file (TP...) still in the scratch directory after a run was left behind.
bool workFileLeft(const std::string& directory) {
  DIR* listing = ::opendir(directory.c_str());
  if (listing == nullptr) std::abort();
  bool left = false;
  while (const dirent* entry = ::readdir(listing)) {
    if (entry->d_name[0] == 'T' && entry->d_name[1] == 'P') left = true;
  }
  ::closedir(listing);
  return left;
}

Scratch& scratch() {
  static Scratch instance;
  return instance;
}

std::vector<std::string> argumentsFor(std::uint8_t choice, const Scratch& where) {
  std::vector<std::string> arguments{"clzel", "-$", "-w3"};
  if (choice & 0x01) {
    arguments.push_back((choice & 0x02) ? "-lx3" : "-l");
    arguments.push_back("-lf");
    arguments.push_back(where.directory + "/fuzz.cpl");
  }
  if (choice & 0x04) arguments.push_back("-g");
  if (choice & 0x08) arguments.push_back("-Os");
  if (choice & 0x10) arguments.push_back("-O");
  if (choice & 0x20) arguments.push_back("-Mr");
  arguments.push_back((choice & 0x40) ? "-lh2" : "-lh0");
  if (choice & 0x80) {
    arguments.push_back("-e");
    arguments.push_back(where.directory + "/fuzz.err");
  }
  arguments.push_back("-o");
  arguments.push_back(where.directory + "/fuzz.asm");
  arguments.push_back(where.directory + "/fuzz.c");
  return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Scratch& where = scratch();
  std::FILE* file = std::fopen((where.directory + "/fuzz.c").c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 1 && std::fwrite(data + 1, 1, size - 1, file) != size - 1) std::abort();
  std::fclose(file);
  kz::ProgramEnvironment environment(argumentsFor(data[0], where),
                                     {"TMP=" + where.directory + "/", "SOURCE_DATE_EPOCH=0"});
  kz::clike::Compiler compiler(std::move(environment), {where.sink, where.sink});
  int status = compiler.run();
  // The compiler ends with success or its one failure status.
  if (status != 0 && status != 255) __builtin_trap();
  if (workFileLeft(where.directory)) __builtin_trap();
  std::remove((where.directory + "/fuzz.asm").c_str());
  return 0;
}
