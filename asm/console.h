#pragma once
// What the assembler prints on the console outside of message lines: the help file, the
// banner and fatal diagnostics.
#include <cstdio>
#include <string>

#include "common/handover.h"

namespace kz::assembler {

struct Console {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
};

inline constexpr const char* kBannerTitle = "KORV-ZEL Relocatable Assembler (32)";
inline constexpr const char* kVersion = "V1.3c";

// Copies <root>/etc/asmzel.hlp of the first root where it opens. Fatal 161 for a root
// longer than 243 characters.
void printHelpFile(const ProgramEnvironment& environment, std::FILE* out);

void printBanner(std::FILE* out);

// The fatal line and the "Terminated" line on standard error.
void printFatal(const Console& console, int number, const std::string& argument);
std::string formatFatal(int number, const std::string& argument);

}  // namespace kz::assembler
