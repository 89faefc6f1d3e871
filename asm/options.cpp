#include "asm/options.h"

#include <algorithm>
#include <cctype>

#include "asm/reporter.h"
#include "common/fatal_error.h"
#include "common/host_path.h"

namespace kz::assembler {
namespace {

constexpr int kMinPageLength = 33;
constexpr int kMaxPageLength = 65535;
constexpr int kMinLineWidth = 72;
constexpr int kMaxLineWidth = 256;
constexpr std::size_t kPageLengthDigits = 6;
constexpr std::size_t kLineWidthDigits = 4;
constexpr std::size_t kMaxIncludeDirs = 49;
constexpr std::size_t kMaxIncludeDirLength = 256;
constexpr int kMaxFill = 255;

bool allDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// The value of the first maxDigits digits.
int leadingNumber(std::string_view digits, std::size_t maxDigits) {
  int value = 0;
  for (char c : digits.substr(0, std::min(maxDigits, digits.size())))
    value = value * 10 + (c - '0');
  return value;
}

int clamp(int value, int low, int high) { return std::min(std::max(value, low), high); }

}  // namespace

std::string normalizeIncludeDir(const std::string& directory) {
  std::string result;
  if (hasDriveName(directory)) {
    result = withHostSeparators(directory);
  } else {
    auto full = resolveFullPath(directory);
    result = full ? *full : withHostSeparators(directory);
  }
  if (result.empty() || result.back() != '/') result += '/';
  return result;
}

std::optional<Message> OptionSettings::checkValue(const OptionRule& rule,
                                                  const std::optional<std::string>& value) {
  switch (rule.value) {
    case ValueRule::optionalDigit:
    case ValueRule::optionalTrailing:
      if (value && *value != "0" && *value != "1") return Message::badParameterSyntax;
      return std::nullopt;
    case ValueRule::pageLength:
    case ValueRule::lineWidth:
      if (!value || value->empty()) return Message::illegalListingSubOption;
      if (!allDigits(*value)) return Message::unrecognizedOption;
      return std::nullopt;
    case ValueRule::optionalFill:
      if (!value || value->empty()) return std::nullopt;
      if (!allDigits(*value)) return Message::unrecognizedOption;
      if (value->size() > 3 || std::stoi(*value) > kMaxFill) return Message::badParameterSyntax;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

ApplyResult OptionSettings::apply(const OptionRule& rule, const std::optional<std::string>& value,
                                  bool fromOptionLine) {
  ++given_.optionCount;
  if (rule.id != OptionId::verbose) given_.onlyVerbose = false;
  auto firstWins = [&](bool& given, auto assign) {
    if (given) return ApplyResult::alreadyFixed;
    given = true;
    assign();
    return ApplyResult::applied;
  };
  auto digitOn = [&] { return !value || *value == "0"; };
  switch (rule.id) {
    case OptionId::errorFile:
      return firstWins(given_.errorFile, [&] { options_.errorFileName = value; });
    case OptionId::debug:
      return firstWins(given_.debug, [&] { options_.debugLevel = value && *value == "1" ? 1 : 0; });
    case OptionId::optimize:
      return firstWins(given_.optimize, [&] { options_.noOptimize = digitOn(); });
    case OptionId::warnings:
      return firstWins(given_.warnings, [&] { options_.suppressWarnings = digitOn(); });
    case OptionId::messageName:
      return firstWins(given_.messageName, [&] { options_.messageName = value; });
    case OptionId::includeDir: {
      std::string directory = normalizeIncludeDir(*value);
      if (directory.size() > kMaxIncludeDirLength) raiseFatal(Message::outOfMemory);
      if (options_.includeDirs.size() >= kMaxIncludeDirs) raiseFatal(Message::stringTableOverflow);
      options_.includeDirs.push_back(std::move(directory));
      return ApplyResult::applied;
    }
    case OptionId::objectFile:
      if (given_.objectFile || options_.syntaxOnly) {
        if (fromOptionLine || given_.objectFile) return ApplyResult::alreadyFixed;
        ignored_.push_back("-o");
        return ApplyResult::ignoredWith519;
      }
      given_.objectFile = true;
      options_.objectFileName = value;
      return ApplyResult::applied;
    case OptionId::syntaxOnly:
      if (given_.objectFile && !options_.syntaxOnly) {
        if (fromOptionLine) return ApplyResult::alreadyFixed;
        ignored_.push_back("-Xt");
        return ApplyResult::ignoredWith519;
      }
      return applyFlag(rule.id, fromOptionLine);
    case OptionId::verbose:
      options_.verbose = true;
      return ApplyResult::applied;
    case OptionId::quiet:
      options_.quiet = true;
      return ApplyResult::applied;
    case OptionId::listing:
      return applyListing(rule, value, fromOptionLine);
    case OptionId::fillAll:
    case OptionId::fillCode:
    case OptionId::fillData:
    case OptionId::fillRomData:
      return applyFill(rule, value, fromOptionLine);
    case OptionId::commandFile:
    case OptionId::forbidden:
      return ApplyResult::alreadyFixed;
    default:
      return applyFlag(rule.id, fromOptionLine);
  }
}

ApplyResult OptionSettings::applyFlag(OptionId id, bool fromOptionLine) {
  bool& given = given_.flags[static_cast<std::size_t>(id)];
  if (given && fromOptionLine) return ApplyResult::alreadyFixed;
  given = true;
  switch (id) {
    case OptionId::hexSuffix:
      options_.hexSuffix = true;
      break;
    case OptionId::syntaxOnly:
      options_.syntaxOnly = true;
      break;
    case OptionId::noEscapes:
      options_.noEscapes = true;
      break;
    case OptionId::ignoreTitles:
      options_.ignoreTitles = true;
      break;
    case OptionId::eightBitText:
      options_.eightBitText = true;
      break;
    case OptionId::keepObject:
      options_.keepObjectOnError = true;
      break;
    case OptionId::quietWarnings:
      options_.quietWarnings = true;
      break;
    case OptionId::diskWorkFiles:
      options_.diskWorkFiles = true;
      break;
    default:
      break;
  }
  return ApplyResult::applied;
}

// In an option line, a listing option is refused when any setting it names is fixed.
bool OptionSettings::listingIsFixed(const OptionRule& rule) const {
  std::string_view letters = listingLetters(rule);
  bool hasKindLetter = letters.find_first_of("sx") != std::string_view::npos;
  if (hasKindLetter && given_.listingKindLetter) return true;
  if (letters.empty()) return options_.listingOn;
  switch (rule.value) {
    case ValueRule::pageLength:
      return given_.pageLength || given_.plainListing;
    case ValueRule::lineWidth:
      return given_.lineWidth;
    case ValueRule::nextOnly:
      return given_.listingFile;
    default:
      return false;
  }
}

ApplyResult OptionSettings::applyListing(const OptionRule& rule,
                                         const std::optional<std::string>& value,
                                         bool fromOptionLine) {
  if (fromOptionLine && listingIsFixed(rule)) return ApplyResult::alreadyFixed;
  std::string_view letters = listingLetters(rule);
  options_.listingOn = true;
  if (options_.listingKind == ListingKind::none) options_.listingKind = ListingKind::plain;
  if (letters.empty()) {
    if (given_.listingKindLetter || given_.pageLength) return ApplyResult::applied;
    given_.plainListing = true;
    return ApplyResult::applied;
  }
  auto kindLetter = letters.find_first_of("sx");
  if (kindLetter != std::string_view::npos && !given_.listingKindLetter) {
    given_.listingKindLetter = true;
    options_.listingKind =
        letters[kindLetter] == 's' ? ListingKind::sourceOnly : ListingKind::crossRef;
  }
  switch (rule.value) {
    case ValueRule::pageLength:
      if (!given_.pageLength && !given_.plainListing) {
        given_.pageLength = true;
        options_.paged = true;
        options_.pageLength =
            clamp(leadingNumber(*value, kPageLengthDigits), kMinPageLength, kMaxPageLength);
      }
      break;
    case ValueRule::lineWidth:
      if (!given_.lineWidth) {
        given_.lineWidth = true;
        options_.lineWidth =
            clamp(leadingNumber(*value, kLineWidthDigits), kMinLineWidth, kMaxLineWidth);
      }
      break;
    case ValueRule::nextOnly:
      if (!given_.listingFile) {
        given_.listingFile = true;
        options_.listingFileName = value;
      }
      break;
    default:
      break;
  }
  return ApplyResult::applied;
}

ApplyResult OptionSettings::applyFill(const OptionRule& rule,
                                      const std::optional<std::string>& value,
                                      bool fromOptionLine) {
  std::optional<int> number;
  if (value && !value->empty()) number = std::stoi(*value);
  FillSettings& fill = options_.fill;
  if (rule.id == OptionId::fillAll) {
    bool anyKind = given_.fillCode || given_.fillData || given_.fillRomData;
    if (given_.fillAll || (fromOptionLine && anyKind)) return ApplyResult::alreadyFixed;
    given_.fillAll = true;
    if (given_.fillCode) ignored_.push_back("-Fc");
    if (given_.fillData) ignored_.push_back("-Fd");
    if (given_.fillRomData) ignored_.push_back("-Fr");
    fill.code = number.value_or(0);
    fill.data = number.value_or(255);
    fill.romData = number.value_or(255);
    return anyKind ? ApplyResult::ignoredWith519 : ApplyResult::applied;
  }
  struct Kind {
    bool& given;
    std::optional<int>& slot;
    int defaultValue;
  };
  Kind kind = rule.id == OptionId::fillCode   ? Kind{given_.fillCode, fill.code, 0}
              : rule.id == OptionId::fillData ? Kind{given_.fillData, fill.data, 255}
                                              : Kind{given_.fillRomData, fill.romData, 255};
  if (given_.fillAll) {
    if (fromOptionLine) return ApplyResult::alreadyFixed;
    ignored_.push_back(std::string(rule.text));
    return ApplyResult::ignoredWith519;
  }
  if (kind.given) return ApplyResult::alreadyFixed;
  kind.given = true;
  kind.slot = number.value_or(kind.defaultValue);
  return ApplyResult::applied;
}

}  // namespace kz::assembler
