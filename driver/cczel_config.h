#pragma once
// cczel: the driver framework configured for C programs.
#include "driver/config.h"

namespace kz::driver {

// Tool numbers, as -W and -Y name them.
inline constexpr int kCczelFrontEnd = 0;
inline constexpr int kCczelOptimiser = 1;
inline constexpr int kCczelCodeGenerator = 2;
inline constexpr int kCczelMacroProcessor = 3;
inline constexpr int kCczelPreprocessor = 4;
inline constexpr int kCczelAssembler = 5;
inline constexpr int kCczelLinker = 6;

const DriverConfig& cczelConfig();

}  // namespace kz::driver
