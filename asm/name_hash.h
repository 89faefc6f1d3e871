#pragma once
// The hash of the symbol table: h = h * 4 + c over the name's bytes taken as signed chars,
// in 32-bit unsigned arithmetic; the bucket is h mod 1000. The bucket order is visible in
// the object file and in the unsorted symbol listing, so it must not change.
#include <cstdint>
#include <string_view>

namespace kz::assembler {

inline constexpr unsigned kHashBuckets = 1000;

constexpr unsigned nameHash(std::string_view name) {
  std::uint32_t h = 0;
  for (char c : name)
    h = h * 4u + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
  return h % kHashBuckets;
}

}  // namespace kz::assembler
