#include <unistd.h>

#include <iostream>

#include "viewer/dumpzel.h"
#include "viewer/output_buffer.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  auto environment = kz::ProgramEnvironment::fromProcess(argc, argv, environ);
  kz::viewer::DescriptorOutput standardOutput(STDOUT_FILENO);
  std::ostream out(&standardOutput);
  return kz::viewer::runDumpzel(environment, out, std::cerr);
}
