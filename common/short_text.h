#pragma once
// Comparisons of the short texts the compilers test most often (mnemonics, operators,
// labels, lines of code): the library's compare is a call, which costs more than the few
// bytes it compares.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kz {

// Whether `text` is the literal `word`.
template <std::size_t N>
constexpr bool isText(std::string_view text, const char (&word)[N]) {
  if (text.size() != N - 1) return false;
  for (std::size_t i = 0; i + 1 < N; ++i) {
    if (text[i] != word[i]) return false;
  }
  return true;
}

namespace short_text {

// The first and the last `sizeof(Word)` bytes of x and y (which may overlap) are equal.
template <typename Word>
bool sameEnds(const char* x, const char* y, std::size_t size) {
  Word x1, x2, y1, y2;
  std::memcpy(&x1, x, sizeof(Word));
  std::memcpy(&y1, y, sizeof(Word));
  std::memcpy(&x2, x + size - sizeof(Word), sizeof(Word));
  std::memcpy(&y2, y + size - sizeof(Word), sizeof(Word));
  return ((x1 ^ y1) | (x2 ^ y2)) == 0;
}

}  // namespace short_text

// Whether two texts are the same; up to 16 bytes are compared in line, as two words that
// may overlap.
inline bool sameText(std::string_view a, std::string_view b) {
  std::size_t size = a.size();
  if (size != b.size()) return false;
  const char* x = a.data();
  const char* y = b.data();
  if (size >= 8 && size <= 16) return short_text::sameEnds<std::uint64_t>(x, y, size);
  if (size >= 4 && size < 8) return short_text::sameEnds<std::uint32_t>(x, y, size);
  if (size < 4) {
    for (std::size_t i = 0; i < size; ++i) {
      if (x[i] != y[i]) return false;
    }
    return true;
  }
  return std::memcmp(x, y, size) == 0;
}

}  // namespace kz
