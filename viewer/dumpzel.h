#pragma once
// The object viewer program: options, files, and the exit status.
#include <ostream>

#include "common/handover.h"

namespace kz::viewer {

inline constexpr int kExitOk = 0;
inline constexpr int kExitDamaged = 1;  // a file could not be read to its end
inline constexpr int kExitUsage = 2;    // bad option, or a file that cannot be opened or read
inline constexpr int kExitOutput = 3;   // the output could not be written

int runDumpzel(const ProgramEnvironment& environment, std::ostream& out, std::ostream& err);

}  // namespace kz::viewer
