// libFuzzer harness for the assembler: any source text must end in an exit status with
// messages, never a crash, a hang or a leak. The first byte of the input chooses the
// options (listing, cross-reference, hexadecimal suffixes, debug records, object file);
// the rest is the source. The source and outputs live in a private scratch directory.
// Build with -DKZ_FUZZ=ON and clang++, then run
//   build/tests/fuzz/fuzz_assembler -dict=tests/fuzz/asmzel.dict tests/fuzz/asm_corpus
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "asm/assembler.h"

namespace {

struct Scratch {
  std::string directory;
  std::string source;
  std::FILE* sink = nullptr;

  Scratch() {
    char pattern[] = "/tmp/kzfuzz-asm-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    directory = made;
    source = directory + "/fuzz.asm";
    sink = std::fopen("/dev/null", "w");
    if (sink == nullptr) std::abort();
    // An include file for $INCLUDE "x.inc" (the dictionary has the statement).
    std::FILE* include = std::fopen((directory + "/x.inc").c_str(), "wb");
    if (include == nullptr) std::abort();
    std::fputs("inc SECTION CODE\r\nhere: NOP\r\n DW here\r\n", include);
    std::fclose(include);
  }
  ~Scratch() {
    std::fclose(sink);
    for (const char* name : {"/fuzz.asm", "/x.inc", "/fuzz.lst", "/fuzz.rel"})
      std::remove((directory + name).c_str());
    ::rmdir(directory.c_str());
  }
};

Scratch& scratch() {
  static Scratch instance;
  return instance;
}

std::vector<std::string> argumentsFor(std::uint8_t choice, const Scratch& where) {
  std::vector<std::string> arguments{"asmzel", "-$"};
  if (choice & 0x01) {
    arguments.push_back((choice & 0x02) ? "-lx" : "-l");
    arguments.push_back("-lf");
    arguments.push_back(where.directory + "/fuzz.lst");
  }
  if (choice & 0x04) arguments.push_back("-H");
  if (choice & 0x08) arguments.push_back("-g");
  if (choice & 0x10) {
    arguments.push_back("-o");
    arguments.push_back(where.directory + "/fuzz.rel");
  } else {
    arguments.push_back("-Xt");
  }
  if (choice & 0x20) arguments.push_back("-zd");
  arguments.push_back(where.source);
  return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Scratch& where = scratch();
  std::FILE* file = std::fopen(where.source.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 1 && std::fwrite(data + 1, 1, size - 1, file) != size - 1) std::abort();
  std::fclose(file);
  kz::ProgramEnvironment environment(argumentsFor(data[0], where),
                                     {"TMP=" + where.directory, "SOURCE_DATE_EPOCH=0"});
  kz::assembler::Assembler assembler(std::move(environment), {where.sink, where.sink});
  int status = assembler.run();
  // Statuses the assembler can end with: success, errors, a fatal diagnostic (its class).
  if (status < 0 || status > 255) __builtin_trap();
  return 0;
}
