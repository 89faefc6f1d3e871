#pragma once
// The values and types of integer and character constants (int 16 bits, long 32 bits), with
// their messages. The tokenizer of the parser and #if evaluation share them.
#include <cstdint>
#include <string_view>

#include "cfront/diagnostics.h"
#include "cfront/settings.h"

namespace kz::cfront {

enum class IntegerType : std::uint8_t {
  signedChar,
  unsignedChar,
  intType,
  unsignedInt,
  longType,
  unsignedLong,
};

constexpr bool isUnsignedType(IntegerType type) {
  return type == IntegerType::unsignedChar || type == IntegerType::unsignedInt ||
         type == IntegerType::unsignedLong;
}

struct IntegerConstant {
  std::uint32_t value = 0;
  IntegerType type = IntegerType::intType;
  bool valid = true;  // false: not an integer constant at all (a floating one, bad suffix)
};

// One character or escape sequence of a character constant or string literal.
struct DecodedCharacter {
  std::uint32_t value = 0;
  // The bytes it takes in a string: 1; 2 for a Shift-JIS pair; 1 to 4 for a hexadecimal
  // escape, as its value needs; 0 after an error that leaves no character.
  std::uint8_t bytes = 1;
};
// Decodes the character at text[at] (escapes, and Shift-JIS pairs under -J) and moves at
// past it; reports 204, 511 and 621.
DecodedCharacter decodeCharacter(std::string_view text, std::size_t& at, const RunOptions& options,
                                 Diagnostics& diagnostics);

// An integer constant's spelling (digits and suffixes).
IntegerConstant parseIntegerConstant(std::string_view text, const RunOptions& options,
                                     Diagnostics& diagnostics);
// A character constant's spelling, quotes (and an L) included.
IntegerConstant parseCharacterConstant(std::string_view text, const RunOptions& options,
                                       Diagnostics& diagnostics);

}  // namespace kz::cfront
