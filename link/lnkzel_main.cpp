#include <unistd.h>

#include <iostream>

#include "common/cleanup.h"
#include "link/diagnostics.h"
#include "link/linker.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  kz::cleanup::installSignalHandlers(kz::link::kExitInterrupt);
  kz::link::Linker linker(kz::ProgramEnvironment::fromProcess(argc, argv, environ), std::cout,
                          std::cerr);
  int status = linker.run();
  std::cout.flush();
  kz::cleanup::removeRegisteredFiles();
  return status;
}
