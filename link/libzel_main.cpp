#include <signal.h>
#include <unistd.h>

#include <iostream>

#include "common/cleanup.h"
#include "link/diagnostics.h"
#include "link/librarian.h"

namespace {
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
  kz::link::Librarian librarian(kz::ProgramEnvironment::fromProcess(argc, argv, environ), std::cout,
                                std::cerr);
  int status = librarian.run();
  std::cout.flush();
  kz::cleanup::removeRegisteredFiles();
  return status;
}
