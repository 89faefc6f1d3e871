#pragma once
// The run settings of zc1, filled once by the option scan.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kz::cfront {

enum class SizeWord : std::uint8_t { tiny, near, far, compact };
enum class SectionKind : std::uint8_t { code, data, area, constant, io };

struct SectionOption {
  SectionKind kind;
  std::string name;
  std::optional<SizeWord> size;
  bool givesName = true;   // false for a default-size option (-ZT and the like)
  std::string optionName;  // "-Zt" and the like, for messages
};

struct RunOptions {
  static constexpr std::uint8_t kKeepComments = 0x80;

  std::uint8_t ppMode = 0;  // 0 compile, 'E' or 'P', plus kKeepComments with -C
  bool keepCommentsAsked = false;
  std::uint8_t warnLevel = 1;
  std::uint8_t debugFlags = 0;
  std::uint8_t ansiMode = 0;
  bool kanjiText = false;
  std::uint8_t packAlign = 1;
  std::uint8_t packAlignDefault = 1;
  char defaultCallConv = 'c';
  bool stackCheck = false;
  bool sizeLoops = false;
  std::uint8_t builtinMake = 0;
  bool enumBySize = false;      // -Xec
  bool smallConstants = false;  // -XO
  bool unsignedBitFields = false;
  bool unsignedChar = false;
  bool bitFieldRule = false;       // -Xw
  bool initializerSwitch = false;  // -XP
  bool noFileLineRecords = false;  // -zF
  std::uint8_t treeTrace = 0;      // -zT 1, -zTT 2
  SizeWord displacementX = SizeWord::near;
  SizeWord displacementY = SizeWord::near;
  std::optional<std::string> messageName;
  std::optional<std::string> errorFileName;
  std::optional<std::string> inputName;   // none: standard input
  std::optional<std::string> outputName;  // none: standard output
  std::vector<std::string> includeDirs;
  std::vector<std::string> builtinFiles;
  std::vector<SectionOption> sections;
  bool bannerAsked = false;

  bool preprocessOnly() const { return (ppMode & 0x7F) != 0; }
  bool lineDirectives() const { return (ppMode & 0x7F) == 'E'; }
  bool keepComments() const { return (ppMode & kKeepComments) != 0; }
};

inline constexpr std::size_t kMaxIncludeOptions = 31;
inline constexpr int kMaxDefineOptions = 255;
inline constexpr int kMaxUndefineOptions = 255;

}  // namespace kz::cfront
