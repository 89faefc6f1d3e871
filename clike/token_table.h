#pragma once
// The one table of fixed words: directives, registers, conditions, instruction words,
// keywords and operators. Anything not in it is a symbol name.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "clike/token.h"

namespace kz::clike {

struct TokenTableEntry {
  std::string_view text;
  TokenClass kind;
  std::int32_t value;
};

inline constexpr std::size_t kLongestTableWord = 8;  // longer words are not looked up

// A word of up to eight bytes packed into one number, its first byte lowest: the key the
// table is looked up by.
constexpr std::uint64_t tableKeyOf(std::string_view text) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    key |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
  }
  return key;
}

// The key of the `length` bytes at `text` (1 to kLongestTableWord), where
// kLongestTableWord bytes may be read: one load where bytes lie in memory lowest first.
inline std::uint64_t tableKeyAt(const char* text, std::size_t length) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint64_t key;
    std::memcpy(&key, text, sizeof key);
    return key & (~std::uint64_t{0} >> (64 - 8 * length));
  } else {
    return tableKeyOf(std::string_view(text, length));
  }
}

// The entry of a word or operator, or nullptr.
const TokenTableEntry* findTableWord(std::string_view text);
// The entry of the word with this key, or nullptr.
const TokenTableEntry* findTableKey(std::uint64_t key);

std::size_t tokenTableSize();

}  // namespace kz::clike
