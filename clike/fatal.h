#pragma once
// Raising a fatal message: the one exception type of common/, carrying the compiler's
// only failure status.
#include <string>
#include <utility>

#include "clike/messages.h"
#include "common/fatal_error.h"

namespace kz::clike {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 255;  // -1 as the host reports it

[[noreturn]] inline void raiseFatal(Message message, std::string argument = {}) {
  throw FatalError(numberOf(message), std::move(argument), kExitFailure);
}

}  // namespace kz::clike
