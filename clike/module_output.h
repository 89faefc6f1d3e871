#pragma once
// The assembly file: written after the whole source was read, from the records of work
// file 1. For now it holds the module line, the debug lines and the #asm text; the
// declarations and code of later stages are written in their places among them.
#include <cstdio>
#include <string>

#include "clike/settings.h"
#include "clike/work_records.h"

namespace kz::clike {

struct ModuleInfo {
  std::string moduleName;
  std::string sourcePath;
  bool writeBody = true;  // false: the file holds the end line only
};

// Writes everything up to, not including, the "\tend\n" line. False when a write failed.
bool writeModuleBody(const OptionSettings& options, const ModuleInfo& module, RecordReader& records,
                     std::FILE* out);

}  // namespace kz::clike
