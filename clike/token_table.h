#pragma once
// The one table of fixed words: directives, registers, conditions, instruction words,
// keywords and operators. Anything not in it is a symbol name.
#include <cstdint>
#include <optional>
#include <string_view>

#include "clike/token.h"

namespace kz::clike {

struct TokenTableEntry {
  std::string_view text;
  TokenClass kind;
  std::int32_t value;
};

inline constexpr std::size_t kLongestTableWord = 8;  // longer words are not looked up

// The entry of a word or operator, or nullptr.
const TokenTableEntry* findTableWord(std::string_view text);

std::size_t tokenTableSize();

}  // namespace kz::clike
