#pragma once
// The reserved words of the assembly language: directives, controls, registers, condition
// codes and mnemonics. Lookup is case-insensitive: a word is upper-cased into one 64-bit key,
// which a perfect hash finds in the table.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "asm/token.h"

namespace kz::assembler {

// Values of the words whose class does not give them a number of their own. Spellings that
// mean the same (DL/DD, DSL/DSD, DFL/DFD, the long and short controls) share one value.
enum class MemoryModelWord : std::int32_t { small = 8, medium = 16, large = 24 };
enum class ModuleSectionWord : std::int32_t { module, section, end, publicDecl, externDecl, equ };
enum class LocationWord : std::int32_t { org, align, abs };
enum class FloatPart : std::int32_t { fims, fimdh, fimdl, fimxh, fimxm, fimxl };
enum class DebugDirective : std::int32_t { file, line, symbolA, symbolB, symbolN, symbolT };
enum class DataDirective : std::int32_t { db, dw, dp, dl, dsb, dsw, dsp, dsl, dfb, dfw, dfp, dfl };
enum class FloatData : std::int32_t { fdatas, fdatad, fdatax };
enum class Control : std::int32_t { title, eject, list, nolist, save, restore };
enum class ControlName : std::int32_t { include, title, eject, list, nolist, save, restore };
enum class Condition : std::int32_t { t, f, eq, z, ne, nz, cs, lt, cc, ge, le, gt };
enum class Register : std::int32_t { w, a, b, c, d, e, h, l, wa, bc, de, hl, sp, rbs, cf, psw, pc };
enum class Mnemonic : std::int32_t {
  nop = 1000,
  reti,
  ret,
  swi,
  retn,
  di,
  ei,
  swap,
  daa,
  das,
  shlc,
  shrc,
  rolc,
  rorc,
  mul,
  div,
  pop,
  push,
  clr,
  set,
  cpl,
  test,
  ld,
  inc,
  dec,
  ldw,
  addc,
  subb,
  add,
  sub,
  and_,
  or_,
  xor_,
  cmp,
  jrs,
  jr,
  callv,
  callp,
  call,
  jp,
  rold,
  rord,
  xch,
  mcmp,
  j,
  cal
};

struct ReservedWord {
  std::string_view spelling;
  ReservedClass wordClass;
  std::int32_t value;
};

template <typename Enum>
constexpr std::int32_t valueOf(Enum e) {
  return static_cast<std::int32_t>(e);
}

inline constexpr std::size_t kReservedWordCount = 145;

// The table in document order.
std::span<const ReservedWord> reservedWordTable();
// The table position of the first entry with this class and value (short and long spellings
// of a control share theirs).
std::uint8_t reservedIndexOf(ReservedClass wordClass, std::int32_t value);

// No spelling is longer; every spelling fits one 64-bit key.
inline constexpr std::size_t kLongestReservedSpelling = 8;

// Every byte as itself, but a to z upper-cased.
inline constexpr std::array<std::uint8_t, 256> kUpperCaseBytes = [] {
  std::array<std::uint8_t, 256> bytes{};
  for (int c = 0; c < 256; ++c) {
    int upper = c >= 'a' && c <= 'z' ? c - 32 : c;
    bytes[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(upper);
  }
  return bytes;
}();

// The bytes of a word of at most kLongestReservedSpelling characters, upper-cased and packed
// into one integer with the first character in the lowest byte.
constexpr std::uint64_t reservedKeyOf(std::string_view word) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < word.size(); ++i) {
    std::uint64_t c = kUpperCaseBytes[static_cast<unsigned char>(word[i])];
    key |= c << (8 * i);
  }
  return key;
}

// The reserved word whose key is `key`, or nullptr.
const ReservedWord* lookupReservedKey(std::uint64_t key);

// The reserved word spelled `word` in any case, or nullptr. A word longer than every
// spelling is rejected before it is upper-cased, so the 35-character limit never matters.
inline const ReservedWord* lookupReservedWord(std::string_view word) {
  if (word.empty() || word.size() > kLongestReservedSpelling) return nullptr;
  const ReservedWord* entry = lookupReservedKey(reservedKeyOf(word));
  // A NUL byte adds nothing to the key: "L" and "L\0" differ in length only.
  return entry && entry->spelling.size() == word.size() ? entry : nullptr;
}

// The first spelling of the table with this class and value ("" if none): for messages and
// for tokens replayed without their text.
std::string_view reservedSpelling(ReservedClass wordClass, std::int32_t value);

}  // namespace kz::assembler
