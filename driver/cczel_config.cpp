#include "driver/cczel_config.h"

#include <array>

namespace kz::driver {
namespace {

using enum OptionAction;
using enum SourceKind;

constexpr std::uint16_t Z1 = toolBit(kCczelFrontEnd);
constexpr std::uint16_t Z2 = toolBit(kCczelOptimiser);
constexpr std::uint16_t C1 = toolBit(kCczelCodeGenerator);
constexpr std::uint16_t M = toolBit(kCczelMacroProcessor);
constexpr std::uint16_t P = toolBit(kCczelPreprocessor);
constexpr std::uint16_t A = toolBit(kCczelAssembler);
constexpr std::uint16_t L = toolBit(kCczelLinker);
constexpr std::uint16_t SEP = kSeparateArgument;
constexpr std::uint16_t DRV = kDriverAction;

// Options the driver reads besides forwarding them.
constexpr std::uint8_t kNoDefaultsId = 1;
constexpr std::uint8_t kNoSmallConstantsId = 2;
constexpr std::uint8_t kNoMemoryDefaultId = 3;
constexpr std::uint8_t kPreprocessToConsoleId = 6;
constexpr std::uint8_t kMacroCharacterId = 18;
constexpr std::uint8_t kPreprocessToFileId = 20;
constexpr std::uint8_t kInitialiserSwitchId = 33;
constexpr std::uint8_t kBuiltinMakeId = 36;
constexpr std::uint8_t kSizedEnumerationsId = 40;
constexpr std::uint8_t kUnsignedCharId = 48;
constexpr std::uint8_t kAssemblerWarningsId = 88;

constexpr std::array kTools = std::to_array<ToolRule>({
    {"zc1", false, true, false},
    {"zc2", false, false, false},
    {"czel1", false, true, false},
    {"mplzel", true, true},
    {"appzel", true, true},
    {"asmzel", false, true},
    {"lnkzel", true, true},
});

// id, rule (letters + argument kind), tool mask, driver action, action tools, action word
constexpr std::array kUpperOptions = std::to_array<OptionEntry>({
    {kNoDefaultsId, "A", DRV, none},
    {kNoSmallConstantsId, "Ao", 0, none},
    {kNoMemoryDefaultId, "Am", 0, none},
    {4, "C", Z1, none},
    {5, "D:", Z1 | P | DRV, nameValue},
    {kPreprocessToConsoleId, "E", Z1, none},
    {7, "F)", L, none},
    {8, "GF", Z1 | Z2 | L | DRV, alternateImage},
    {9, "GN:", M | P | A | SEP, none},
    {10, "H", M | A | DRV, none},
    {11, "I(", Z1 | M | P | A | SEP | DRV, includeDirectory},
    {12, "J", Z1 | M | P | A, none},
    {13, "KZEL", 0, none},
    {14, "L(", L | SEP | DRV, none},
    {15, "Mi", 0, none},
    {16, "Mk", 0, none},
    {17, "Mm", L, none},
    {kMacroCharacterId, "Ms+", M | SEP | DRV, macroCharacter},
    {19, "O-", DRV, optimisationLevel, Z2},
    {kPreprocessToFileId, "P", Z1, none},
    {21, "S", DRV, stopBeforeAssembly},
    {22, "T", M | A | L, none},
    {23, "U:", Z1 | P, none},
    {24, "V", Z1 | Z2 | C1 | DRV, version},
    {25, "W+", DRV, passToTool},
    {26, "XA", Z2, none},
    {27, "XC", Z2, none},
    {28, "XD)", Z2, none},
    {29, "XE", A | DRV, none},
    {30, "XF", 0, none},
    {31, "XM", 0, none},
    {32, "XO", 0, none},
    // zc2 has -XP among its stage words, where a retry puts it too.
    {kInitialiserSwitchId, "XP", Z1, none},
    {34, "XS", DRV, fixedWord, Z1 | Z2, "-XS4"},
    {35, "Xa", Z1 | Z2, none},
    {kBuiltinMakeId, "Xb", DRV, none},
    {37, "Xc", Z1, none},
    {38, "Xd", Z1, none},
    {39, "Xe", Z1 | Z2, none},
    {kSizedEnumerationsId, "Xec", Z1 | Z2 | DRV, none},
    {41, "Xi", 0, none},
    {42, "Xns", Z2, none},
    {43, "Xp)", Z1, none},
    {44, "Xr", Z1 | Z2, none},
    {45, "Xs", Z1 | Z2, none},
    {46, "Xt", A | DRV, noLink},
    {47, "Xub", Z1, none},
    {kUnsignedCharId, "Xuc", 0, none},
    {49, "Xw", Z1, none},
    {50, "Y+", DRV, toolDirectory},
    {51, "ZA+", Z1 | SEP | DRV, memorySize},
    {52, "ZC+", Z1 | Z2 | SEP | DRV, memorySize},
    {53, "ZD+", Z1 | SEP | DRV, memorySize},
    {54, "ZT+", Z1 | Z2 | SEP | DRV, memorySize},
    {55, "Za+", SEP | DRV, sectionName, Z1},
    {56, "Zc+", SEP | DRV, sectionName, Z1},
    {57, "Zd+", SEP | DRV, sectionName, Z1},
    {58, "Zt+", SEP | DRV, sectionName, Z1},
    {59, "Zf(", Z1 | SEP | DRV, builtinFileName},
    {60, "Zi:", Z1 | SEP, none},
    {61, "Zx+", Z1 | DRV, memorySize},
    // zc1 takes a size after -Zy as after -Zx; without one it would take the next word.
    {62, "Zy+", Z1 | DRV, memorySize},
    {63, "Zz+", Z1 | SEP | DRV, memorySize},
});

constexpr std::array kOtherOptions = std::to_array<OptionEntry>({
    {70, "c", DRV, noLink},
    {71, "e(", Z1 | Z2 | M | P | A | L | SEP | DRV, messageFile},
    {72, "f(", DRV, commandFile},
    {73, "ga", L | DRV, fixedWord, Z1 | Z2 | A, "-g"},
    {74, "gb", Z1, none},
    {75, "gs", DRV, debugAssembler},
    {76, "gl", Z1, none},
    {77, "gt", Z1, none},
    {78, "gd", Z1, none},
    {79, "gf", Z1, none},
    {80, "gm(", L | SEP, none},
    {81, "g-", 0, none},
    {82, "k", L, none},
    {83, "l-", DRV, listing},
    {84, "ng", L, none},
    {85, "o(", DRV, outputFile},
    {86, "r", L | DRV, relocatable},
    {87, "s", DRV, keepAssembly},
    {kAssemblerWarningsId, "t", 0, none},
    {89, "u-", DRV, predefinedOrSymbol},
    {90, "w-", Z1 | DRV, frontEndWarnings},
    {91, "zc", A, none},
    {92, "zd", A, none},
    {93, "z@", 0, none},
    {94, "z#", 0, none},
    {95, "z$", DRV, keepTemporaries},
    {96, "z%", 0, none},
    {97, "zl:", 0, none},
    {98, "zpearf-", 0, none},
    {99, "zr", 0, none},
    {100, "z-", Z1, none},  // the front end's debugging switches
    {101, "#", DRV, printOnly},
    {102, "$", DRV, quiet},
});

constexpr std::array kSuffixes = std::to_array<SuffixRule>({
    {"c", cSource, ""},
    {"i", cSource, ""},
    {"mac", macroSource, ""},
    {"app", preprocessedSource, ""},
    {"asm", assemblySource, ""},
    {"rel", object, ""},
    {"obj", object, "an 'object'"},
    {"lib", library, ""},
    {"lnk", linkCommandFile, ""},
    {"lcf", linkCommandFile, ""},
    {"abs", absoluteFile, "an 'object'"},
    {"blt", builtinFile, ""},
    {"s", assemblySource, "an 'assembler'"},
    {"o", object, "an 'object'"},
    {"a", library, "a 'library'"},
    {"", object, "an 'object'"},
});

constexpr std::array kMacroRequests = {kMacroCharacterId};

// C sources pass through the three compiler passes to assembly text; it goes to the
// assembler directly unless -Ms asks for the macro processor, whose output the
// preprocessor then takes, as it does for macro sources.
constexpr std::array kStages = std::to_array<StageRule>({
    {.tool = kCczelFrontEnd,
     .entryKind = cSource,
     .outputKind = intermediateFile,
     .outputSuffix = "",
     .listingSuffix = "",
     .form = StageForm::frontEnd},
    {.tool = kCczelOptimiser,
     .entryKind = intermediateFile,
     .outputKind = intermediateFile,
     .outputSuffix = "",
     .listingSuffix = "",
     .form = StageForm::positional,
     .retry = StageRetry{3, kInitialiserSwitchId, "-XP"}},
    {.tool = kCczelCodeGenerator,
     .entryKind = intermediateFile,
     .outputKind = assemblySource,
     .outputSuffix = ".asm",
     .listingSuffix = "",
     .form = StageForm::positional},
    {.tool = kCczelMacroProcessor,
     .entryKind = macroSource,
     .outputKind = assemblySource,
     .outputSuffix = ".asm",
     .listingSuffix = ".mls",
     .handedListingSuffix = ".med",
     .handedInput = HandedInput::onRequest,
     .requestOptions = kMacroRequests},
    {.tool = kCczelPreprocessor,
     .entryKind = preprocessedSource,
     .outputKind = assemblySource,
     .outputSuffix = ".asm",
     .listingSuffix = "",
     .handedInput = HandedInput::afterPrevious},
    {.tool = kCczelAssembler,
     .entryKind = assemblySource,
     .outputKind = object,
     .outputSuffix = ".rel",
     .listingSuffix = ".lst",
     .fixedWord = "-O1"},
});

std::vector<std::string> joined(std::vector<std::string> words,
                                const std::vector<std::string>& more) {
  words.insert(words.end(), more.begin(), more.end());
  return words;
}

// The front end's command in each of its modes: preprocessing to the console (-E) or to the
// base name with ".i" (-P), making a built-in function file (-Xb), or compiling to the
// intermediate file. The first mode given wins, in that order.
FrontEndCommand frontEndCommand(const OptionSet& options, const FrontEndFiles& files) {
  std::vector<std::string> sourceName;
  if (files.namesSource) sourceName = {"-GN", files.source};
  if (options.test(kPreprocessToConsoleId)) return {joined(sourceName, {files.input}), ""};
  if (options.test(kPreprocessToFileId)) {
    std::string output = files.base + ".i";
    return {joined(sourceName, {files.input, output}), output};
  }
  if (options.test(kBuiltinMakeId)) {
    std::string output = files.base + ".blt";
    return {joined(sourceName, {"-Xb", files.input, output, "-D", "__BUILTIN__"}), output};
  }
  std::vector<std::string> words;
  if (options.test(kUnsignedCharId)) words = {"-Xuc", "-D", "__CHAR_UNSIGNED__"};
  words = joined(std::move(words), {files.input, files.intermediate});
  return {joined(std::move(words), sourceName), files.intermediate};
}

constexpr std::array kSmallConstantsSuppressors = {kNoDefaultsId, kNoSmallConstantsId};
constexpr std::array kMemoryDefaultSuppressors = {kNoDefaultsId, kNoMemoryDefaultId};
constexpr std::array kAssemblerWarningsSuppressors = {kAssemblerWarningsId};

constexpr std::array kDefaultWords = std::to_array<DefaultWord>({
    {kCczelFrontEnd, "-XO", kSmallConstantsSuppressors},
    {kCczelOptimiser, "-XO", kSmallConstantsSuppressors},
    {kCczelFrontEnd, "-XM", kMemoryDefaultSuppressors},
    {kCczelOptimiser, "-XM", kMemoryDefaultSuppressors},
    {kCczelAssembler, "-zc", kAssemblerWarningsSuppressors},
});

constexpr std::array kExclusiveOptions = std::to_array<ExclusivePair>({
    {kNoDefaultsId, kSizedEnumerationsId},
});

constexpr std::array kFrontEndOnlyOptions = {kPreprocessToConsoleId, kPreprocessToFileId,
                                             kBuiltinMakeId};

constexpr std::array kCurrentDirectoryIncludeTools = {kCczelMacroProcessor, kCczelPreprocessor};
constexpr std::array kRuntimeLibraries = std::to_array<RuntimeLibrary>({
    {"czel.lib", cSource, 0},
});

// -H asks for suffix-style numbers in hand-written sources, not in generated assembly text.
constexpr std::array<std::string_view, 1> kHandWrittenOnlyWords = {"-H"};

constexpr DriverConfig kCczel{
    .title = "KORV-ZEL C-Compiler (32)",
    .versionLine = "Driver Version 1.45 ",
    .optionsVariable = "CCZEL",
    .environmentFile = "cczel.env",
    .helpFile = "cczel.hlp",
    .warningPrefix = "cczel-Warning-",
    .fatalPrefix = "cczel-Fatal-",
    .keptTemplate = "\\TAXXXXXX",
    .scratchTemplate = "\\TBXXXXXX",
    .tools = kTools,
    .upperOptions = kUpperOptions,
    .otherOptions = kOtherOptions,
    .suffixes = kSuffixes,
    .stages = kStages,
    .assemblerTool = kCczelAssembler,
    .linkerTool = kCczelLinker,
    .highestPassToolNumber = 8,
    .processorOption = "-KZEL",
    .imageSuffix = ".abs",
    .alternateImageSuffix = ".abf",
    .mapSuffix = ".map",
    .currentDirectoryIncludeTools = kCurrentDirectoryIncludeTools,
    .rootLibraryDirectories = true,
    .runtimeLibraries = kRuntimeLibraries,
    .compilerTool = kCczelFrontEnd,
    .handWrittenOnlyWords = kHandWrittenOnlyWords,
    .defaultWords = kDefaultWords,
    .exclusiveOptions = kExclusiveOptions,
    .frontEndOnlyOptions = kFrontEndOnlyOptions,
    .frontEndCommand = frontEndCommand,
    .listingOptionName = "l",
};

}  // namespace

const DriverConfig& cczelConfig() { return kCczel; }

}  // namespace kz::driver
