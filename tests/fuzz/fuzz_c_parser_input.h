#pragma once
// How an input of the parser's fuzz harness reads, shared with the replay of its corpus: the
// first byte chooses the options, the rest is the source.
#include <cstdint>

#include "cfront/settings.h"

namespace kz::cfront::fuzzing {

// Bits 0-1: warning level; 2: -Xa; 3: -Xuc; 4: -Xec; 5: -XO; 6: packing 2; 7: packing 4.
inline RunOptions parserOptionsFromByte(std::uint8_t choice) {
  RunOptions options;
  options.warnLevel = choice & 0x03;
  options.ansiMode = (choice & 0x04) ? 1 : 0;
  options.unsignedChar = (choice & 0x08) != 0;
  options.enumBySize = (choice & 0x10) != 0;
  options.smallConstants = (choice & 0x20) != 0;
  options.packAlign = options.packAlignDefault = (choice & 0x40) ? 2 : (choice & 0x80) ? 4 : 1;
  return options;
}

}  // namespace kz::cfront::fuzzing
