#pragma once
// The exit statuses of zc1 and the exception a fatal message ends the run with.
#include "common/fatal_error.h"

namespace kz::cfront {

inline constexpr int kExitFatal = 1;      // a fatal message or a compiler error
inline constexpr int kExitInterrupt = 2;  // console interrupt, termination, hang-up

// Thrown after a fatal message has been printed; the run's one catch removes the work files.
class RunAborted : public FatalError {
 public:
  explicit RunAborted(int number) : FatalError(number, {}, kExitFatal) {}
};

}  // namespace kz::cfront
