#pragma once
// cclzel: the driver framework configured for C-like programs.
#include "driver/config.h"

namespace kz::driver {

// Tool numbers, as -W and -Y name them.
inline constexpr int kCclzelCompiler = 0;
inline constexpr int kCclzelMacroProcessor = 1;
inline constexpr int kCclzelPreprocessor = 2;
inline constexpr int kCclzelAssembler = 3;
inline constexpr int kCclzelLinker = 4;

const DriverConfig& cclzelConfig();

}  // namespace kz::driver
