#include "asm/reporter.h"

namespace kz::assembler {

void Reporter::fatal(Message message, std::string_view argument) const {
  raiseFatal(message, argument);
}

}  // namespace kz::assembler
