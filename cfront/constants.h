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

// An integer constant's spelling (digits and suffixes).
IntegerConstant parseIntegerConstant(std::string_view text, const RunOptions& options,
                                     Diagnostics& diagnostics);
// A character constant's spelling, quotes (and an L) included.
IntegerConstant parseCharacterConstant(std::string_view text, const RunOptions& options,
                                       Diagnostics& diagnostics);

}  // namespace kz::cfront
