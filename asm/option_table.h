#pragma once
// The assembler's option table, in matching order, and the matching of one argument
// against it.
#include <optional>
#include <string>
#include <string_view>

namespace kz::assembler {

enum class OptionId {
  errorFile,
  commandFile,
  debug,
  hexSuffix,
  includeDir,
  listing,
  objectFile,
  optimize,
  verbose,
  warnings,
  syntaxOnly,
  quiet,
  noEscapes,
  ignoreTitles,
  eightBitText,
  keepObject,
  messageName,
  forbidden,
  quietWarnings,
  diskWorkFiles,
  fillAll,
  fillCode,
  fillData,
  fillRomData,
};
inline constexpr std::size_t kOptionIdCount = static_cast<std::size_t>(OptionId::fillRomData) + 1;

enum class ValueRule {
  none,              // a flag
  attachedOrNext,    // file or directory: attached, else the next argument
  nextOnly,          // the next argument only
  optionalDigit,     // an attached 0 or 1 may follow
  pageLength,        // attached digits required
  lineWidth,         // attached digits required
  optionalTrailing,  // -lx/-lsx: an attached 0 or 1 is checked and has no effect
  optionalFill,      // an attached decimal 0..255 may follow
};

struct OptionRule {
  std::string_view text;
  OptionId id;
  ValueRule value;
};

struct OptionMatch {
  const OptionRule* rule = nullptr;
  std::optional<std::string> attached;  // text after the option letters, if any
};

// Looks an argument up: an exact match wins, then the prefix rules (value-taking options
// and the digit forms of the -l family), then -O/-w/-g with one digit. Returns nullptr in
// rule when nothing matches.
OptionMatch matchOption(std::string_view argument);

// The sub-option letters of a -l form, e.g. "sxp" for -lsxp.
std::string_view listingLetters(const OptionRule& rule);

}  // namespace kz::assembler
