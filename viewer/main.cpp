#include <unistd.h>

#include <iostream>

#include "viewer/dumpzel.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  auto environment = kz::ProgramEnvironment::fromProcess(argc, argv, environ);
  int status = kz::viewer::runDumpzel(environment, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
