#include "asm/option_table.h"

#include <array>
#include <cctype>

namespace kz::assembler {
namespace {

using enum OptionId;
using enum ValueRule;

constexpr std::array kOptions = std::to_array<OptionSpec>({
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

bool takesAttachedText(const OptionSpec& spec) {
  return spec.id == errorFile || spec.id == commandFile || spec.id == includeDir || spec.id == objectFile ||
         spec.text.starts_with("-F");
}

bool takesAttachedNumber(const OptionSpec& spec) {
  if (spec.id != listing) return false;
  char last = spec.text.back();
  return last == 'p' || last == 'w' || last == 'x';
}

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

OptionMatch matchOption(std::string_view argument) {
  for (const OptionSpec& spec : kOptions) {
    if (argument == spec.text) return {&spec, std::nullopt};
  }
  for (const OptionSpec& spec : kOptions) {
    if (!argument.starts_with(spec.text)) continue;
    std::string_view rest = argument.substr(spec.text.size());
    if (takesAttachedText(spec) || (takesAttachedNumber(spec) && isDigit(rest[0]))) {
      return {&spec, std::string(rest)};
    }
  }
  if (argument.size() == 3 && isDigit(argument[2])) {
    for (const OptionSpec& spec : kOptions) {
      if (spec.value == optionalDigit && argument.starts_with(spec.text)) return {&spec, std::string(argument.substr(2))};
    }
  }
  return {};
}

std::string_view listingLetters(const OptionSpec& spec) { return spec.text.substr(2); }

}  // namespace kz::assembler
