#pragma once
// What clzel prints outside of message lines: the help file and the banner.
#include <cstdio>

#include "common/handover.h"

namespace kz::clike {

struct Console {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
};

inline constexpr const char* kBannerTitle = "KORV-ZEL C-Like Compiler (32)";
inline constexpr const char* kVersion = "V1.3b";
inline constexpr const char* kVersionNumber = "1.3b";  // the debug information's version text

// Copies <root>/etc/clzel.hlp of the first root where it opens; nothing when none does.
void printHelpFile(const ProgramEnvironment& environment, std::FILE* out);

// bannerLevel 2: the title line; any level but 0: the notice and an empty line.
void printBanner(std::FILE* out, int bannerLevel);

}  // namespace kz::clike
