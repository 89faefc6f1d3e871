#include <malloc.h>
#include <unistd.h>

#include "asm/assembler.h"
#include "common/cleanup.h"

int main(int argc, char** argv) {
  constexpr int kInterruptStatus = 192;
  // Growing tables come from the heap, not from fresh mappings each time they double, so the
  // memory they leave behind is used again.
  constexpr int kMmapThreshold = 32 << 20;
  mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
  kz::cleanup::installSignalHandlers(kInterruptStatus);
  kz::assembler::Assembler assembler(kz::ProgramEnvironment::fromProcess(argc, argv, environ), {stdout, stderr});
  int status = assembler.run();
  kz::cleanup::removeRegisteredFiles();
  return status;
}
