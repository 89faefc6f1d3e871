#pragma once
// How an input of the preprocessor's fuzz harness reads, shared with the replay of its
// corpus: the first byte chooses the options, the rest is the source, and an include file
// "x.h" stands beside it.
#include <cstdint>
#include <string_view>

#include "cfront/settings.h"

namespace kz::cfront::fuzzing {

inline constexpr std::string_view kIncludeName = "x.h";
inline constexpr std::string_view kIncludeText =
    "#define FROM_X(a) a ## _x\nint from_x = __LINE__;\n";

// Bit 0: -E (else -P); bit 1: -C; bit 2: -J; bit 3: debug flag 0x04; bits 4-5: warning level.
inline RunOptions optionsFromByte(std::uint8_t choice) {
  RunOptions options;
  options.ppMode = (choice & 0x01) ? 'E' : 'P';
  if (choice & 0x02) options.ppMode |= RunOptions::kKeepComments;
  options.kanjiText = (choice & 0x04) != 0;
  options.debugFlags = (choice & 0x08) ? 0x04 : 0;
  options.warnLevel = static_cast<std::uint8_t>((choice >> 4) & 0x03);
  return options;
}

}  // namespace kz::cfront::fuzzing
