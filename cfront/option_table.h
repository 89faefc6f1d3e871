#pragma once
// The options of zc1 in matching order: the first row whose letters begin the option word
// (after its '-') wins, so "Xec" comes before "Xe" and "zTT" before "zT".
#include <array>
#include <cstdint>
#include <string_view>

namespace kz::cfront {

enum class ArgumentMarker : std::uint8_t {
  none,      // no argument; letters after the row's are ignored
  required,  // '-': the rest of the word, else the next word
  attached,  // ':': optional, only in the same word
  number,    // ';': optional decimal number in the same word, optional leading '-'
  rest,      // '+': the rest of the word, possibly empty
};

enum class OptionId : std::uint8_t {
  keepComments,
  define,
  preprocessLines,
  errorFile,
  debugFull,
  messageName,
  debug,
  includeDir,
  kanji,
  preprocessPlain,
  undefine,
  undefinePredefined,
  banner,
  warnLevel,
  ansiOn,
  builtinMake,
  callCdecl,
  rejected,
  enumBySize,
  ansiOff,
  smallConstants,
  packing,
  callAdecl,
  sizeLoops,
  stackCheck,
  unsignedBitFields,
  unsignedChar,
  bitFieldRule,
  defaultSize,
  sectionName,
  builtinFile,
  ioSection,
  displacementSize,
  pointerSize,
  initializerSwitch,
  handover,
  yaccDebug,
  treeTrace2,
  treeTrace1,
  noFileLine,
  ignoredX,
  ignoredZ,
  ignoredLowerZ,
};

struct OptionRow {
  std::string_view letters;
  ArgumentMarker marker;
  OptionId id;
};

inline constexpr auto kOptionTable = std::to_array<OptionRow>({
    {"C", ArgumentMarker::none, OptionId::keepComments},
    {"D", ArgumentMarker::required, OptionId::define},
    {"E", ArgumentMarker::none, OptionId::preprocessLines},
    {"e", ArgumentMarker::required, OptionId::errorFile},
    {"GF", ArgumentMarker::none, OptionId::debugFull},
    {"GN", ArgumentMarker::required, OptionId::messageName},
    {"g", ArgumentMarker::attached, OptionId::debug},
    {"I", ArgumentMarker::required, OptionId::includeDir},
    {"J", ArgumentMarker::none, OptionId::kanji},
    {"P", ArgumentMarker::none, OptionId::preprocessPlain},
    {"U", ArgumentMarker::required, OptionId::undefine},
    {"u", ArgumentMarker::none, OptionId::undefinePredefined},
    {"V", ArgumentMarker::none, OptionId::banner},
    {"w", ArgumentMarker::number, OptionId::warnLevel},
    {"Xa", ArgumentMarker::none, OptionId::ansiOn},
    {"Xb", ArgumentMarker::none, OptionId::builtinMake},
    {"Xc", ArgumentMarker::none, OptionId::callCdecl},
    {"Xd", ArgumentMarker::none, OptionId::rejected},
    {"Xec", ArgumentMarker::none, OptionId::enumBySize},
    {"Xe", ArgumentMarker::none, OptionId::ansiOff},
    {"XO", ArgumentMarker::none, OptionId::smallConstants},
    {"Xp", ArgumentMarker::rest, OptionId::packing},
    {"Xr", ArgumentMarker::none, OptionId::callAdecl},
    {"XS", ArgumentMarker::number, OptionId::sizeLoops},
    {"Xs", ArgumentMarker::none, OptionId::stackCheck},
    {"Xub", ArgumentMarker::none, OptionId::unsignedBitFields},
    {"Xuc", ArgumentMarker::none, OptionId::unsignedChar},
    {"Xw", ArgumentMarker::none, OptionId::bitFieldRule},
    {"ZA", ArgumentMarker::required, OptionId::defaultSize},
    {"ZC", ArgumentMarker::required, OptionId::defaultSize},
    {"ZD", ArgumentMarker::required, OptionId::defaultSize},
    {"ZT", ArgumentMarker::required, OptionId::defaultSize},
    {"Za", ArgumentMarker::required, OptionId::sectionName},
    {"Zc", ArgumentMarker::required, OptionId::sectionName},
    {"Zd", ArgumentMarker::required, OptionId::sectionName},
    {"Zt", ArgumentMarker::required, OptionId::sectionName},
    {"Zf", ArgumentMarker::required, OptionId::builtinFile},
    {"Zi", ArgumentMarker::required, OptionId::ioSection},
    {"Zx", ArgumentMarker::required, OptionId::displacementSize},
    {"Zy", ArgumentMarker::required, OptionId::displacementSize},
    {"Zz", ArgumentMarker::required, OptionId::pointerSize},
    {"XP", ArgumentMarker::none, OptionId::initializerSwitch},
    {"z@", ArgumentMarker::none, OptionId::handover},
    {"zYY", ArgumentMarker::none, OptionId::yaccDebug},
    {"zTT", ArgumentMarker::none, OptionId::treeTrace2},
    {"zT", ArgumentMarker::none, OptionId::treeTrace1},
    {"zF", ArgumentMarker::none, OptionId::noFileLine},
    {"X", ArgumentMarker::none, OptionId::ignoredX},
    {"Z", ArgumentMarker::required, OptionId::ignoredZ},
    {"z", ArgumentMarker::none, OptionId::ignoredLowerZ},
});

// A row can only win when no earlier row's letters are a prefix of its own.
constexpr bool everyRowReachable() {
  for (std::size_t i = 0; i < kOptionTable.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (kOptionTable[i].letters.starts_with(kOptionTable[j].letters)) return false;
    }
  }
  return true;
}
static_assert(everyRowReachable(), "a longer option must come before its prefix");

// The row for an option word without its '-', or nullptr.
constexpr const OptionRow* matchOption(std::string_view word) {
  for (const OptionRow& row : kOptionTable) {
    if (word.starts_with(row.letters)) return &row;
  }
  return nullptr;
}

}  // namespace kz::cfront
