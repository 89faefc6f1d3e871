#pragma once
// Unsigned LEB128 varints: seven bits a byte, the lowest first, the top bit set on every byte
// but the last. The work files and in-memory record stores keep lengths and values this way.
#include <cstddef>
#include <cstdint>

namespace kz {

inline constexpr std::size_t kMaxVarintBytes = 10;

// Writes `value` at `out`, which has room for kMaxVarintBytes; returns the bytes written.
inline std::size_t putVarint(std::uint8_t* out, std::uint64_t value) {
  std::size_t size = 0;
  for (; value >= 0x80; value >>= 7) out[size++] = static_cast<std::uint8_t>(value | 0x80);
  out[size++] = static_cast<std::uint8_t>(value);
  return size;
}

// Reads a varint this process wrote itself (so known to be whole) and moves `at` past it.
inline std::uint64_t takeVarint(const std::uint8_t*& at) {
  std::uint64_t value = 0;
  for (unsigned shift = 0;; shift += 7) {
    std::uint8_t byte = *at++;
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) return value;
  }
}

}  // namespace kz
