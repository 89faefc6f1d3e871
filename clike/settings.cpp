#include "clike/settings.h"

namespace kz::clike {
namespace {

void byDefault(std::uint8_t& setting, std::uint8_t value) {
  if (setting == kNotGiven) setting = value;
}

void byDefault(std::int32_t& setting, std::int32_t value) {
  if (setting == kWordNotGiven) setting = value;
}

}  // namespace

void OptionSettings::applyDefaults() {
  byDefault(noListing, 1);
  byDefault(listToConsole, 0);
  byDefault(keepOutput, 1);
  byDefault(xrefLevel1, 0);
  byDefault(xrefLevel2, 0);
  byDefault(xrefLevel3, 0);
  byDefault(optUnit, 1);
  byDefault(warnLevel, 1);
  byDefault(regWarnings, 0);
  byDefault(errorFile, 0);
  byDefault(bannerLevel, 2);
  byDefault(sourceCommentLevel, 2);
  byDefault(debugInfo, 0);
  byDefault(listSymbolsAll, 0);
  byDefault(modeR, 0);
  byDefault(flagT, 1);
  byDefault(kanji, 0);
  byDefault(messageName, 0);
  byDefault(reduceMessages, 0);
  byDefault(asmToConsole, 0);
  byDefault(optE, 0);
  byDefault(optS, 0);
  byDefault(optA, 0);
  byDefault(tokenDump, 0);
  byDefault(pageWidth, 0);
  byDefault(pageLength, 0);
}

}  // namespace kz::clike
