#include "driver/cclzel_config.h"

#include <array>

namespace kz::driver {
namespace {

using enum OptionAction;
using enum SourceKind;

constexpr std::uint16_t C = toolBit(kCclzelCompiler);
constexpr std::uint16_t M = toolBit(kCclzelMacroProcessor);
constexpr std::uint16_t P = toolBit(kCclzelPreprocessor);
constexpr std::uint16_t A = toolBit(kCclzelAssembler);
constexpr std::uint16_t L = toolBit(kCclzelLinker);
constexpr std::uint16_t SEP = kSeparateArgument;
constexpr std::uint16_t DRV = kDriverAction;

// The options meant for the macro processor alone; either one sends compiled output through
// the macro processor and the preprocessor.
constexpr std::uint8_t kMacroCharacterId = 11;
constexpr std::uint8_t kMacroSymbolId = 51;

constexpr std::array kTools = std::to_array<ToolRule>({
    {"clzel", false, false, false},
    {"mplzel", true, false},
    {"appzel", true, false},
    {"asmzel", false, false},
    {"lnkzel", true, false},
});

// id, rule (letters + argument kind), tool mask, driver action
constexpr std::array kUpperOptions = std::to_array<OptionEntry>({
    {1, "D:", C | P, none},
    {2, "F)", L, none},
    {3, "GF", L | DRV, alternateImage},
    {4, "H", M | A | DRV, none},
    {5, "I(", C | M | P | A | SEP | DRV, includeDirectory},
    {6, "J", C | M | P | A, none},
    {7, "L(", L | SEP | DRV, none},
    {8, "Mi", 0, none},
    {9, "Mk", 0, none},
    {10, "Mm", L, none},
    {kMacroCharacterId, "Ms+", M | SEP | DRV, macroCharacter},
    {12, "Mr", C, none},
    {13, "O-", C | DRV, codeChoices},
    {14, "S", DRV, stopBeforeAssembly},
    {15, "T", C | M | A | L, none},
    {16, "KZEL", 0, none},
    {17, "U:", C | P, none},
    {18, "V", DRV, version},
    {19, "W+", DRV, passToTool},
    {20, "XE", A | DRV, none},
    {21, "XF", 0, none},
    {22, "Xi", 0, none},
    {23, "Xt", A | DRV, noLink},
    {24, "Y+", DRV, toolDirectory},
});

constexpr std::array kOtherOptions = std::to_array<OptionEntry>({
    {40, "c", DRV, noLink},
    {41, "e(", C | M | P | A | L | SEP | DRV, messageFile},
    {42, "f(", DRV, commandFile},
    {43, "ga", L, none},
    {44, "gm(", L | SEP, none},
    {45, "g-", DRV, debugInformation},
    {46, "k", L, none},
    {47, "l-", DRV, listing},
    {48, "ng", L, none},
    {49, "o(", DRV, outputFile},
    {50, "r", L | DRV, relocatable},
    {kMacroSymbolId, "s:", M | SEP | DRV, nameValue},
    {52, "u:", L | DRV, none},
    {53, "w-", C | DRV, compilerWarnings},
    {54, "#", DRV, printOnly},
    {55, "$", DRV, quiet},
    {56, "a-", C | DRV, defaultedDigit},
});

constexpr std::array kSuffixes = std::to_array<SuffixRule>({
    {"src", clikeSource, ""},
    {"cl", clikeSource, ""},
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

constexpr std::array kMacroRequests = {kMacroCharacterId, kMacroSymbolId};

// Compiled output goes to the assembler directly unless a macro-processor option asks for
// macro processing; the preprocessor then takes the macro processor's output, as it does for
// macro sources.
constexpr std::array kStages = std::to_array<StageRule>({
    {kCclzelCompiler,
     clikeSource,
     assemblySource,
     ".asm",
     ".cpl",
     {},
     HandedInput::always,
     {},
     false,
     {}},
    {kCclzelMacroProcessor,
     macroSource,
     assemblySource,
     ".asm",
     ".mls",
     ".med",
     HandedInput::onRequest,
     kMacroRequests,
     true,
     {}},
    {kCclzelPreprocessor,
     preprocessedSource,
     assemblySource,
     ".asm",
     "",
     {},
     HandedInput::afterPrevious,
     {},
     true,
     {}},
    {kCclzelAssembler,
     assemblySource,
     object,
     ".rel",
     ".lst",
     {},
     HandedInput::always,
     {},
     true,
     "-O1"},
});

constexpr std::array kCurrentDirectoryIncludeTools = {kCclzelMacroProcessor, kCclzelPreprocessor};
constexpr std::array kSetupWords = std::to_array<SetupWord>({{kCclzelAssembler, "-w0"}});
constexpr std::array kRuntimeLibraries = std::to_array<RuntimeLibrary>({
    {"lzel.lib", clikeSource, 's'},  // the switch routine of compiled code under -O s
});

// -H asks for suffix-style numbers in hand-written sources; clzel writes 0x numbers.
constexpr std::array<std::string_view, 1> kHandWrittenOnlyWords = {"-H"};

constexpr DriverConfig kCclzel{
    .title = "KORV-ZEL C-Like Compiler (32)",
    .versionLine = "Driver Version 1.1c ",
    .optionsVariable = "CCLZEL",
    .environmentFile = "cclzel.env",
    .helpFile = "cclzel.hlp",
    .warningPrefix = "cclzel-Warning-",
    .fatalPrefix = "cclzel-Fatal-",
    .keptTemplate = "\\TCXXXXXX",
    .scratchTemplate = "\\TDXXXXXX",
    .tools = kTools,
    .upperOptions = kUpperOptions,
    .otherOptions = kOtherOptions,
    .suffixes = kSuffixes,
    .stages = kStages,
    .assemblerTool = kCclzelAssembler,
    .linkerTool = kCclzelLinker,
    .highestPassToolNumber = kCclzelLinker,
    .processorOption = "-KZEL",
    .imageSuffix = ".abs",
    .alternateImageSuffix = ".abf",
    .mapSuffix = ".map",
    .currentDirectoryIncludeTools = kCurrentDirectoryIncludeTools,
    .setupWords = kSetupWords,
    .rootLibraryDirectories = true,
    .runtimeLibraries = kRuntimeLibraries,
    .compilerTool = kCclzelCompiler,
    .codeChoiceLetters = "esu",
    .handWrittenOnlyWords = kHandWrittenOnlyWords,
};

}  // namespace

const DriverConfig& cclzelConfig() { return kCclzel; }

}  // namespace kz::driver
