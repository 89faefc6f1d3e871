#include <unistd.h>

#include "clike/compiler.h"
#include "clike/fatal.h"
#include "common/cleanup.h"

int main(int argc, char** argv) {
  kz::cleanup::installSignalHandlers(kz::clike::kExitFailure);
  kz::clike::Compiler compiler(kz::ProgramEnvironment::fromProcess(argc, argv, environ),
                               {stdout, stderr});
  int status = compiler.run();
  kz::cleanup::removeRegisteredFiles();
  return status;
}
