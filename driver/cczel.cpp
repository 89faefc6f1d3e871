// cczel: compiles, assembles and links C programs.
#include <unistd.h>

#include <iostream>

#include "common/cleanup.h"
#include "driver/cczel_config.h"
#include "driver/driver.h"

int main(int argc, char** argv) {
  using namespace kz::driver;
  kz::cleanup::installSignalHandlers(kFatalStatus);
  ProcessRunner runner;
  Driver driver(cczelConfig(), kz::ProgramEnvironment::fromProcess(argc, argv, environ), runner,
                std::cout, std::cerr);
  return driver.run();
}
