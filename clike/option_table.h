#pragma once
// The option letters of clzel in the order of the user documentation, and their lookup.
#include <array>
#include <cstdint>
#include <string_view>

namespace kz::clike {

enum class OptionId : std::uint8_t {
  noBanner,
  banner,
  define,
  undefine,
  includeDir,
  messageName,
  kanji,
  modeR,
  optimize,
  flagT,
  syntaxCheck,
  arraySubscript,
  errorFile,
  argumentFile,
  debug,
  listing,
  output,
  warnings,
  reduce,
};

struct OptionRow {
  char letter;
  OptionId id;
  std::string_view meaning;  // as the help file states it
};

inline constexpr auto kOptions = std::to_array<OptionRow>({
    {'$', OptionId::noBanner, "no banner"},
    {'V', OptionId::banner, "banner with title line (the default)"},
    {'D', OptionId::define, "define a macro before the source is read"},
    {'U', OptionId::undefine, "mark a macro name undefined"},
    {'I', OptionId::includeDir, "add an include directory (at most 8)"},
    {'G', OptionId::messageName, "-GN name: show name as the file of every message"},
    {'J', OptionId::kanji, "accept Shift-JIS two-byte characters"},
    {'M', OptionId::modeR, "-Mr: end every function body with a return instruction"},
    {'O', OptionId::optimize, "code-generation choices e, s, u (-O or -O0: none)"},
    {'T', OptionId::flagT, "accepted, no effect"},
    {'X', OptionId::syntaxCheck, "-Xt: syntax check only"},
    {'a', OptionId::arraySubscript, "-a digit: unsigned char subscripts stay 8-bit"},
    {'e', OptionId::errorFile, "append messages to an error file"},
    {'f', OptionId::argumentFile, "read more arguments from a file"},
    {'g', OptionId::debug, "debug information"},
    {'l', OptionId::listing, "listing, with letters f h p s w x y"},
    {'o', OptionId::output, "assembly output file"},
    {'w', OptionId::warnings, "warning control: digits 0-3 and r"},
    {'z', OptionId::reduce, "-zr, -zu: fewer messages; -zt: token dump"},
});
static_assert(kOptions.size() == 19);

// The option of a letter, or nullptr.
constexpr const OptionRow* findOption(char letter) {
  for (const OptionRow& option : kOptions) {
    if (option.letter == letter) return &option;
  }
  return nullptr;
}

constexpr bool lettersUnique() {
  for (std::size_t i = 0; i < kOptions.size(); ++i) {
    for (std::size_t j = i + 1; j < kOptions.size(); ++j) {
      if (kOptions[i].letter == kOptions[j].letter) return false;
    }
  }
  return true;
}
static_assert(lettersUnique());

}  // namespace kz::clike
