#pragma once
// Where the toolchain is installed: <root>/bin, <root>/etc, <root>/include.
#include <optional>
#include <string>
#include <vector>

#include "common/handover.h"

namespace kz {

// The root directories to try, in order: KHOMEZEL, then KHOME (each when set and
// non-empty, one trailing separator removed), then the directory above the running
// program when it holds etc/, then ".".
std::vector<std::string> installRootCandidates(const ProgramEnvironment& environment);

// The directory above <root>/bin of the running program when it holds etc/.
std::optional<std::string> rootAboveExecutable();

// One trailing '/' or '\' removed.
std::string withoutTrailingSeparator(std::string value);

}  // namespace kz
