#include <unistd.h>

#include "asm/assembler.h"
#include "common/cleanup.h"
#include "common/heap_setup.h"

int main(int argc, char** argv) {
  constexpr int kInterruptStatus = 192;
  kz::heap::prepareForBulkUse();
  kz::cleanup::installSignalHandlers(kInterruptStatus);
  kz::assembler::Assembler assembler(kz::ProgramEnvironment::fromProcess(argc, argv, environ), {stdout, stderr});
  int status = assembler.run();
  kz::cleanup::removeRegisteredFiles();
  return status;
}
