#include "asm/reporter.h"

#include <string>

#include "common/fatal_error.h"

namespace kz::assembler {

int fatalExitStatus(int number) {
  if (number >= 20 && number <= 24) return 176;
  if (number >= 100 && number <= 111) return 128;
  return 192;
}

void Reporter::fatal(int number, std::string_view argument) const {
  throw FatalError(number, std::string(argument), fatalExitStatus(number));
}

}  // namespace kz::assembler
