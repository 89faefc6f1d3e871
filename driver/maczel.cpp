// maczel: the driver framework configured for assembly projects.
#include <unistd.h>

#include <array>
#include <iostream>

#include "common/cleanup.h"
#include "driver/driver.h"

namespace {

using namespace kz::driver;
using enum OptionAction;
using enum SourceKind;

constexpr int kMacroTool = 0;
constexpr int kPreprocessorTool = 1;
constexpr int kAssemblerTool = 2;
constexpr int kLinkerTool = 3;

constexpr std::uint16_t M = toolBit(kMacroTool);
constexpr std::uint16_t P = toolBit(kPreprocessorTool);
constexpr std::uint16_t A = toolBit(kAssemblerTool);
constexpr std::uint16_t L = toolBit(kLinkerTool);
constexpr std::uint16_t SEP = kSeparateArgument;
constexpr std::uint16_t DRV = kDriverAction;

constexpr std::array kTools = std::to_array<ToolRule>({
    {"mplzel", true, false},
    {"appzel", true, false},
    {"asmzel", false, false},
    {"lnkzel", true, false},
});

// id, rule (letters + argument kind), tool mask, driver action
constexpr std::array kUpperOptions = std::to_array<OptionEntry>({
    {1, "D:", P | DRV, nameValue},
    {2, "F+", L | SEP | DRV, formatName},
    {3, "GF", L | DRV, alternateImage},
    {4, "H", M | A, none},
    {5, "I(", M | P | A | SEP | DRV, includeDirectory},
    {6, "J", M | P | A, none},
    {7, "KZEL", 0, none},
    {8, "L(", L | SEP, none},
    {9, "Mi", 0, none},
    {10, "Mk", 0, none},
    {11, "Ms+", M | SEP | DRV, macroCharacter},
    {12, "Mm", L | DRV, mapRequest},
    {13, "O-", A | DRV, optionalDigits},
    {14, "S", DRV, stopBeforeAssembly},
    {15, "T", M | A | L, none},
    {16, "U:", P, none},
    {17, "V", DRV, version},
    {18, "W+", DRV, passToTool},
    {19, "XE", A, none},
    {20, "Xt", A | DRV, noLink},
    {21, "Y+", DRV, toolDirectory},
    {22, "XF", 0, none},
});

constexpr std::array kOtherOptions = std::to_array<OptionEntry>({
    {40, "c", DRV, noLink},
    {41, "e(", M | P | A | L | SEP | DRV, messageFile},
    {42, "f(", DRV, commandFile},
    {43, "ga", L | DRV, debugAssembler},
    {44, "gm(", L | DRV, debugAssembler},
    {45, "g-", 0, none},
    {46, "k", L, none},
    {47, "l-", M | A | DRV, listing},
    {48, "ng", L, none},
    {49, "o(", DRV, outputFile},
    {50, "r", L | DRV, relocatable},
    {51, "s:", M | SEP | DRV, nameValue},
    {52, "u:", L, none},
    {53, "w-", A | L | DRV, warningLevel},
    {54, "#", DRV, printOnly},
    {55, "$", DRV, quiet},
});

constexpr std::array kSuffixes = std::to_array<SuffixRule>({
    {"mac", macroSource, ""},
    {"app", preprocessedSource, ""},
    {"asm", assemblySource, ""},
    {"rel", object, ""},
    {"obj", object, "an 'object'"},
    {"lib", library, ""},
    {"lnk", linkCommandFile, ""},
    {"lcf", linkCommandFile, ""},
    {"abs", absoluteFile, "an 'object'"},
    {"s", assemblySource, "an 'assembler'"},
    {"o", object, "an 'object'"},
    {"a", library, "a 'library'"},
    {"", object, "an 'object'"},
});

constexpr std::array kStages = std::to_array<StageRule>({
    {kMacroTool, macroSource, assemblySource, ".asm", ".mls"},
    {kPreprocessorTool, preprocessedSource, assemblySource, ".asm", ""},
    {kAssemblerTool, assemblySource, object, ".rel", ".lst"},
});

constexpr std::array kCurrentDirectoryIncludeTools = {kMacroTool, kPreprocessorTool};

constexpr DriverConfig kMaczel{
    .title = "KORV-ZEL Assembler (32)",
    .versionLine = "Driver Version 1.1d",
    .optionsVariable = "MACZEL",
    .environmentFile = "maczel.env",
    .helpFile = "maczel.hlp",
    .warningPrefix = "maczel-Warning-",
    .fatalPrefix = "maczel-Fatal-",
    .keptTemplate = "\\TEXXXXXX",
    .scratchTemplate = "\\TFXXXXXX",
    .tools = kTools,
    .upperOptions = kUpperOptions,
    .otherOptions = kOtherOptions,
    .suffixes = kSuffixes,
    .stages = kStages,
    .assemblerTool = kAssemblerTool,
    .linkerTool = kLinkerTool,
    .highestPassToolNumber = 5,
    .processorOption = "-KZEL",
    .imageSuffix = ".abs",
    .alternateImageSuffix = ".abf",
    .mapSuffix = ".map",
    .currentDirectoryIncludeTools = kCurrentDirectoryIncludeTools,
};

}  // namespace

int main(int argc, char** argv) {
  kz::cleanup::installSignalHandlers(kFatalStatus);
  ProcessRunner runner;
  Driver driver(kMaczel, kz::ProgramEnvironment::fromProcess(argc, argv, environ), runner,
                std::cout, std::cerr);
  return driver.run();
}
