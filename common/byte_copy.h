#pragma once
// Copies of the short pieces that make up most output lines: a call of the library copy
// costs more than the copy itself for a few bytes, so up to 16 bytes are moved inline.
#include <cstddef>
#include <cstring>

namespace kz {

inline void copyBytes(char* to, const char* from, std::size_t size) {
  // A size known here is a fixed piece of text: the library copy is inlined for it.
  if (__builtin_constant_p(size)) {
    std::memcpy(to, from, size);
  } else if (size >= 8 && size <= 16) {
    std::memcpy(to, from, 8);
    std::memcpy(to + size - 8, from + size - 8, 8);
  } else if (size >= 4 && size < 8) {
    std::memcpy(to, from, 4);
    std::memcpy(to + size - 4, from + size - 4, 4);
  } else if (size < 4) {
    for (std::size_t i = 0; i < size; ++i) to[i] = from[i];
  } else {
    std::memcpy(to, from, size);
  }
}

}  // namespace kz
