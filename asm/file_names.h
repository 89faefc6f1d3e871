#pragma once
// Names of the run's files: the outputs derived from the source name, their device and
// identity checks, the include search list and the work directory.
#include <string>

#include "asm/run_options.h"
#include "common/handover.h"

namespace kz::assembler {

// The source name without directory and last extension.
std::string baseNameOf(const std::string& sourceName);

// Fills in the default object and listing names. Fatal 102 for a device where a disk file
// is needed, 101 when a name cannot be resolved, 104 when an output is the source file,
// 103 when the listing or error file is the object file.
void deriveAndCheckOutputNames(RunOptions& options);

// Fatal 102 when the source names a device, 100 when it does not exist.
void checkSourceName(const std::string& sourceName);

// Appends the system include directories (KHOMEZEL, KHOME) or, with neither set, the
// include directory of the root above the program's bin/ (when there is one) and the source
// file's directory. Fatal 158 beyond 49 directories.
void completeIncludeList(RunOptions& options, const ProgramEnvironment& environment);

// TMP up to its first ';' with a separator appended, or "" (the current directory).
std::string workDirectoryOf(const ProgramEnvironment& environment);

}  // namespace kz::assembler
