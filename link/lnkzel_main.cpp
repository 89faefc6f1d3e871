#include <signal.h>
#include <unistd.h>

#include <iostream>

#include "common/cleanup.h"
#include "link/diagnostics.h"
#include "link/linker.h"

namespace {
// A hang-up ends the run as a termination does: the work files go first.
extern "C" void onHangUp(int) {
  kz::cleanup::removeRegisteredFiles();
  ::_exit(kz::link::kExitInterrupt);
}
}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  kz::cleanup::installSignalHandlers(kz::link::kExitInterrupt);
  struct sigaction action {};
  action.sa_handler = onHangUp;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGHUP, &action, nullptr);
  kz::link::Linker linker(kz::ProgramEnvironment::fromProcess(argc, argv, environ), std::cout,
                          std::cerr);
  int status = linker.run();
  std::cout.flush();
  kz::cleanup::removeRegisteredFiles();
  return status;
}
