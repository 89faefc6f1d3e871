// cclzel: compiles, assembles and links C-like programs.
#include <unistd.h>

#include <iostream>

#include "common/cleanup.h"
#include "driver/cclzel_config.h"
#include "driver/driver.h"

int main(int argc, char** argv) {
  using namespace kz::driver;
  kz::cleanup::installSignalHandlers(kFatalStatus);
  ProcessRunner runner;
  Driver driver(cclzelConfig(), kz::ProgramEnvironment::fromProcess(argc, argv, environ), runner,
                std::cout, std::cerr);
  return driver.run();
}
