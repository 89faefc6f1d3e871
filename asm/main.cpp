#include <unistd.h>

#include "asm/assembler.h"
#include "asm/messages.h"
#include "common/cleanup.h"

int main(int argc, char** argv) {
  kz::cleanup::installSignalHandlers(kz::assembler::kInternalFatalStatus);
  kz::assembler::Assembler assembler(kz::ProgramEnvironment::fromProcess(argc, argv, environ),
                                     {stdout, stderr});
  int status = assembler.run();
  kz::cleanup::removeRegisteredFiles();
  return status;
}
