#pragma once
// The instruction mnemonics the generated code is written with. An operation code n (the
// token value of an operator or instruction word) writes the mnemonic at position n - 1;
// positions 18 and 19 both hold "div" (for '%' and '/').
#include <array>
#include <string_view>

namespace kz::clike {

inline constexpr auto kMnemonics = std::to_array<std::string_view>({
    "ret",  "reti", "swi", "nop", "ei",   "di",   "retn", "xch",   "ldw",   "inc",   "dec",  "rold",
    "rord", "add",  "sub", "and", "or",   "mul",  "div",  "div",   "shlc",  "shrc",  "xor",  "addc",
    "subb", "cmp",  "daa", "das", "mcmp", "rolc", "rorc", "swap",  "push",  "pop",   "clr",  "set",
    "cpl",  "test", "ld",  "jrs", "jr",   "jp",   "j",    "callv", "callp", "calld", "call",
});
static_assert(kMnemonics.size() == 47);

inline constexpr int kFallbackOperation = 4;  // "nop"

// The mnemonic of an operation code; a code outside 1..47 writes "nop".
constexpr std::string_view mnemonicOf(int operation) {
  if (operation < 1 || operation > static_cast<int>(kMnemonics.size()))
    operation = kFallbackOperation;
  return kMnemonics[static_cast<std::size_t>(operation - 1)];
}

}  // namespace kz::clike
