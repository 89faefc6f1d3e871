#pragma once
// FNV-1a over the bytes of a text: a hash that spreads names and short texts well. Its users
// fold it to the bits they keep.
#include <cstdint>
#include <string_view>

namespace kz {

constexpr std::uint64_t fnv1a(std::string_view text) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3ull;
  }
  return hash;
}

}  // namespace kz
