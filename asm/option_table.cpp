#include "asm/option_table.h"

#include <array>
#include <cctype>

namespace kz::assembler {
namespace {

using enum OptionId;
using enum ValueRule;

constexpr std::array kOptions = std::to_array<OptionRule>({
    {"-e", errorFile, attachedOrNext},
    {"-f", commandFile, attachedOrNext},
    {"-g", debug, optionalDigit},
    {"-H", hexSuffix, none},
    {"-I", includeDir, attachedOrNext},
    {"-lsxf", listing, nextOnly},
    {"-lxsf", listing, nextOnly},
    {"-lsf", listing, nextOnly},
    {"-lsxp", listing, pageLength},
    {"-lxsp", listing, pageLength},
    {"-lsp", listing, pageLength},
    {"-lsxw", listing, lineWidth},
    {"-lxsw", listing, lineWidth},
    {"-lsw", listing, lineWidth},
    {"-lsx", listing, optionalTrailing},
    {"-lxs", listing, none},
    {"-ls", listing, none},
    {"-lxf", listing, nextOnly},
    {"-lxp", listing, pageLength},
    {"-lxw", listing, lineWidth},
    {"-lx", listing, optionalTrailing},
    {"-lf", listing, nextOnly},
    {"-lp", listing, pageLength},
    {"-lw", listing, lineWidth},
    {"-l", listing, none},
    {"-o", objectFile, attachedOrNext},
    {"-O", optimize, optionalDigit},
    {"-V", verbose, none},
    {"-w", warnings, optionalDigit},
    {"-Xt", syntaxOnly, none},
    {"-$", quiet, none},
    {"-XE", noEscapes, none},
    {"-T", ignoreTitles, none},
    {"-J", eightBitText, none},
    {"-zr", keepObject, none},
    {"-GN", messageName, nextOnly},
    {"-xx", forbidden, none},
    {"-zc", quietWarnings, none},
    {"-zd", diskWorkFiles, none},
    {"-Fa", fillAll, optionalFill},
    {"-Fc", fillCode, optionalFill},
    {"-Fd", fillData, optionalFill},
    {"-Fr", fillRomData, optionalFill},
});
static_assert(kOptions.size() == 43);

bool takesAttachedText(const OptionRule& rule) {
  return rule.id == errorFile || rule.id == commandFile || rule.id == includeDir ||
         rule.id == objectFile || rule.text.starts_with("-F");
}

bool takesAttachedNumber(const OptionRule& rule) {
  if (rule.id != listing) return false;
  char last = rule.text.back();
  return last == 'p' || last == 'w' || last == 'x';
}

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

OptionMatch matchOption(std::string_view argument) {
  for (const OptionRule& rule : kOptions) {
    if (argument == rule.text) return {&rule, std::nullopt};
  }
  for (const OptionRule& rule : kOptions) {
    if (!argument.starts_with(rule.text)) continue;
    std::string_view rest = argument.substr(rule.text.size());
    if (takesAttachedText(rule) || (takesAttachedNumber(rule) && isDigit(rest[0]))) {
      return {&rule, std::string(rest)};
    }
  }
  if (argument.size() == 3 && isDigit(argument[2])) {
    for (const OptionRule& rule : kOptions) {
      if (rule.value == optionalDigit && argument.starts_with(rule.text))
        return {&rule, std::string(argument.substr(2))};
    }
  }
  return {};
}

std::string_view listingLetters(const OptionRule& rule) { return rule.text.substr(2); }

}  // namespace kz::assembler
