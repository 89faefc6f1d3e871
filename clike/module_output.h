#pragma once
// The assembly file: written after the whole source was read: the module line, the external
// and public lists, then the body text of work file 1 (sections, labels, data,
// instructions, #asm text and debug lines).
#include <cstdio>
#include <string>
#include <vector>

#include "clike/settings.h"
#include "clike/symbol_table.h"
#include "clike/work_files.h"

namespace kz::clike {

struct ModuleInfo {
  std::string moduleName;
  std::string sourcePath;
  bool writeBody = true;  // false: the file holds the end line only
  std::vector<const SymbolEntry*> externals;
  std::vector<const SymbolEntry*> publics;
  bool usesSwitchRoutine = false;
  std::string externalDebugLines;  // under -g: those of the external names used
};

// Writes everything up to, not including, the "\tend\n" line. False when a write failed.
bool writeModuleBody(const OptionSettings& options, const ModuleInfo& module, DiskWorkFile& body,
                     std::FILE* out);

}  // namespace kz::clike
