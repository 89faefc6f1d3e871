#pragma once
// The settings of one compiler run. Every option setting is one byte (the page sizes a
// word) that holds kNotGiven until its option is met, so a second option for the same
// setting is seen as a repeat; after the command line, applyDefaults() fills in the rest.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kz::clike {

inline constexpr std::uint8_t kNotGiven = 127;
inline constexpr std::int32_t kWordNotGiven = 127;

struct OptionSettings {
  std::uint8_t noListing = kNotGiven;
  std::uint8_t listToConsole = kNotGiven;
  std::uint8_t keepOutput = kNotGiven;
  std::uint8_t xrefLevel1 = kNotGiven;
  std::uint8_t xrefLevel2 = kNotGiven;
  std::uint8_t xrefLevel3 = kNotGiven;
  std::uint8_t optUnit = kNotGiven;
  std::uint8_t warnLevel = kNotGiven;
  std::uint8_t regWarnings = kNotGiven;
  std::uint8_t errorFile = kNotGiven;
  std::uint8_t bannerLevel = kNotGiven;
  std::uint8_t sourceCommentLevel = kNotGiven;
  std::uint8_t debugInfo = kNotGiven;
  std::uint8_t listSymbolsAll = kNotGiven;
  std::uint8_t modeR = kNotGiven;
  std::uint8_t flagT = kNotGiven;
  std::uint8_t kanji = kNotGiven;
  std::uint8_t messageName = kNotGiven;
  std::uint8_t reduceMessages = kNotGiven;
  std::uint8_t asmToConsole = kNotGiven;
  std::uint8_t optE = kNotGiven;
  std::uint8_t optS = kNotGiven;
  std::uint8_t optA = kNotGiven;
  // Debug switch of this toolchain: every token the parser would receive is written to
  // standard output.
  std::uint8_t tokenDump = kNotGiven;
  std::int32_t pageWidth = kWordNotGiven;
  std::int32_t pageLength = kWordNotGiven;

  // Gives every setting still at kNotGiven its default.
  void applyDefaults();
};

// A -D or -U of the command line, applied before the source in the order given.
struct CommandLineMacro {
  bool define = true;
  std::string name;
  std::string text;
};

struct RunFiles {
  std::optional<std::string> sourceName;
  std::optional<std::string> outputName;
  std::optional<std::string> listingName;
  std::optional<std::string> errorFileName;
  std::string messageFileName;  // the -GN name
  std::vector<std::string> includeDirs;
  std::vector<CommandLineMacro> macros;
};

struct RunSettings {
  OptionSettings options;
  RunFiles files;
  std::string commandText;  // the command line as read, argument files inserted
  bool anyOption = false;

  bool listingOn() const { return options.noListing == 0; }
  bool listingToFile() const { return listingOn() && options.listToConsole == 0; }
};

}  // namespace kz::clike
