#pragma once
// A driver is this framework plus one constant DriverConfig: banner texts, the tools in
// tool-number order, the option tables, the suffix table and the compile stages. Nothing
// else differs between maczel, cclzel and cczel, so a new driver is a new table set.
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kz::driver {

// Tool mask bits of an option entry: bit n forwards to tool n.
constexpr std::uint16_t toolBit(int tool) { return static_cast<std::uint16_t>(1u << tool); }
inline constexpr std::uint16_t kSeparateArgument = 1u << 14;  // option and argument as two words
inline constexpr std::uint16_t kDriverAction = 1u << 15;      // the driver itself acts on it

using OptionSet = std::bitset<136>;  // one bit per option id (17 bytes)

// The last character of an option rule.
enum class ArgumentKind : std::uint8_t {
  none,              // no argument; the option text matches the whole word
  required,          // ':' attached or in the next word
  requiredEscaped,   // '(' as ':', and "--" makes the word after it the argument
  digits,            // ')' required, digits only
  checked,           // '+' required, checked by the option's own rule
  optionalAttached,  // '-' optional, attached only
};

constexpr ArgumentKind argumentKindOf(std::string_view rule) {
  if (rule.empty()) return ArgumentKind::none;
  switch (rule.back()) {
    case ':':
      return ArgumentKind::required;
    case '(':
      return ArgumentKind::requiredEscaped;
    case ')':
      return ArgumentKind::digits;
    case '+':
      return ArgumentKind::checked;
    case '-':
      return ArgumentKind::optionalAttached;
    default:
      return ArgumentKind::none;
  }
}

// The option letters of a rule, without its argument kind.
constexpr std::string_view optionLettersOf(std::string_view rule) {
  return argumentKindOf(rule) == ArgumentKind::none ? rule : rule.substr(0, rule.size() - 1);
}

// What the framework does with an option besides setting its bit and forwarding it.
enum class OptionAction : std::uint8_t {
  none,                // recorded and forwarded by its mask only
  ignored,             // warning 521, no effect
  commandFile,         // -f
  messageFile,         // -e
  outputFile,          // -o
  relocatable,         // -r
  passToTool,          // -W n,arg,...
  toolDirectory,       // -Y n,dir
  macroCharacter,      // -Ms: one character, 523 and cut when longer
  version,             // -V
  printOnly,           // -#
  quiet,               // -$
  warningLevel,        // -w[digit]; "0" also silences the driver's warnings
  optionalDigits,      // -O[digits]: 112 on any other character
  includeDirectory,    // -I: "-I" and the directory into the include lists of the masked tools
  stopBeforeAssembly,  // -S
  noLink,              // -c, -Xt
  alternateImage,      // -GF: the image suffix becomes the alternate one
  debugAssembler,      // -ga, -gm: the assembler also receives "-g", once
  nameValue,           // -D, -s: a value ending in "=" gives 113
  formatName,          // -F: letters and digits only, else 114
  listing,             // -l[name]
  mapRequest,          // -Mm
  codeChoices,         // -O[letters]: the compiler's choices, 112 on any other letter
  compilerWarnings,    // -w[digits and r]; none or "0" also silences the driver and the linker
  defaultedDigit,      // -a[digit]: one digit, "1" when none is given
  debugInformation,    // -g[arg]: "-g" to the compiler and, once, to the assembler
  fixedWord,           // the action tools receive the action word
  optimisationLevel,   // -O[digits] to the action tools: none "-O0", "3..." the plain "-O"
  sectionName,         // -Za name[,model]: the model option, then the name, to the action tools
  memorySize,          // tiny, near, far or compact, else 114
  builtinFileName,     // -Zf: 522 unless the suffix is "blt"
  frontEndWarnings,    // -w[digit] to the compiler; none or "0" also silences the driver
  predefinedOrSymbol,  // -u: alone to the compiler, with a name to the linker
  keepAssembly,        // the assembly text is kept under the source's name
  keepTemporaries,     // the files of the first template stay after the run
};

struct OptionEntry {
  std::uint8_t id;  // unique per driver; the bit in the option set
  std::string_view rule;
  std::uint16_t mask;
  OptionAction action;
  std::uint16_t actionTools = 0;  // tool bits for the words the action makes
  std::string_view actionWord = {};
};

enum class SourceKind : std::uint8_t {
  cSource,
  intermediateFile,  // written and read by compiler passes only; never kept
  clikeSource,
  macroSource,
  preprocessedSource,
  assemblySource,
  object,
  library,
  linkCommandFile,
  absoluteFile,
  builtinFile,  // accepted; no tool of the pipeline reads it
};

// One row of the suffix table; an empty suffix is the row for every other suffix.
// A non-empty warning is the kind text of message 522 ("an 'object'", ...).
struct SuffixRule {
  std::string_view suffix;
  SourceKind kind;
  std::string_view warning;
};

// When a stage runs on the output of an earlier stage (it always runs on a source that
// enters the pipeline at it).
enum class HandedInput : std::uint8_t {
  always,
  onRequest,      // only when one of the stage's request options was given
  afterPrevious,  // only when the stage before it ran for this source
};

// How a stage's command is put together.
enum class StageForm : std::uint8_t {
  named,       // [-lf listing] -V|-$ [-GN source] [fixed word] -o output input
  positional,  // [-GN source] [fixed word] [retry word] input output
  frontEnd,    // DriverConfig::frontEndCommand makes the words
};

// A stage that ends with this status is run once more with the word added, unless the option
// that gives the word was given (the stage then has the word from the start).
struct StageRetry {
  int status;
  std::uint8_t optionId;
  std::string_view word;
};

// A compile stage: the tool, the source kind that enters the pipeline here, the kind it
// writes, its output suffix and the suffix of its listing ("" when the stage takes no listing
// words).
struct StageRule {
  int tool;
  SourceKind entryKind;
  SourceKind outputKind;
  std::string_view outputSuffix;  // of the output when it is named after the source
  std::string_view listingSuffix;
  std::string_view handedListingSuffix = {};  // for handed-on input; "" means listingSuffix
  HandedInput handedInput = HandedInput::always;
  std::span<const std::uint8_t> requestOptions = {};  // option ids, for HandedInput::onRequest
  bool takesSourceName = true;      // "-GN" and the source name once a tool has run
  std::string_view fixedWord = {};  // one word before the files in every command of the stage
  StageForm form = StageForm::named;
  std::optional<StageRetry> retry = std::nullopt;
};

// The files of one run of the front-end stage.
struct FrontEndFiles {
  std::string source;        // as the user gave it, for -GN
  std::string input;         // as the tool receives it
  std::string base;          // the base name as the tool receives names made from it
  std::string intermediate;  // the temporary of the ordinary output
  bool namesSource;          // the source-name flag is set
};

struct FrontEndCommand {
  std::vector<std::string> words;  // after the tool's accumulated words
  std::string output;              // handed to the next stage; "" for the console
};

using FrontEndForm = FrontEndCommand (*)(const OptionSet& options, const FrontEndFiles& files);

// A word a tool receives before any word of the command line is read.
struct SetupWord {
  int tool;
  std::string_view word;
};

// A word a tool receives after all words were read, unless one of the options was given.
struct DefaultWord {
  int tool;
  std::string_view word;
  std::span<const std::uint8_t> suppressedBy;
};

// Two options that exclude each other: the one given second is ignored with warning 521.
struct ExclusivePair {
  std::uint8_t first;
  std::uint8_t second;
};

// A library added to the link when a source of the given kind was given and, when the
// choice letter is not 0, the first code-choices option held that letter.
struct RuntimeLibrary {
  std::string_view name;
  SourceKind sourceKind;
  char codeChoice;
};

struct ToolRule {
  std::string_view name;
  bool receivesProcessorOption;   // "-KZEL" as the first word of its argument list
  bool secondExecWording;         // 116 as "116: cannot execute", exit status 3
  bool readsEscapedNames = true;  // a name after "--"; else a name beginning with '-' as "./name"
};

struct DriverConfig {
  std::string_view title;
  std::string_view versionLine;
  std::string_view optionsVariable;
  std::string_view environmentFile;
  std::string_view helpFile;
  std::string_view warningPrefix;
  std::string_view fatalPrefix;
  std::string_view keptTemplate;     // first template: two names, intermediate files
  std::string_view scratchTemplate;  // second template: created at start-up, always removed
  std::span<const ToolRule> tools;
  std::span<const OptionEntry> upperOptions;  // options whose first letter is upper case
  std::span<const OptionEntry> otherOptions;
  std::span<const SuffixRule> suffixes;
  std::span<const StageRule> stages;  // compile stages in pipeline order
  int assemblerTool;
  int linkerTool;
  int highestPassToolNumber;  // -W accepts 0..this
  std::string_view processorOption;
  std::string_view imageSuffix;
  std::string_view alternateImageSuffix;
  std::string_view mapSuffix;
  std::span<const int> currentDirectoryIncludeTools;  // receive "-I" "." first
  std::span<const SetupWord> setupWords = {};
  bool rootLibraryDirectories = false;  // "-L" <root>/lib for KHOMEZEL and KHOME to the linker
  std::span<const RuntimeLibrary> runtimeLibraries = {};
  int compilerTool = -1;                    // receives "-g" from the debug option
  std::string_view codeChoiceLetters = {};  // letters the code-choices option accepts
  // Forwarded words that the stages after the compiler do not receive for a compiled source
  // (the compiler writes numbers with a prefix, which suffix-style reading would reject).
  std::span<const std::string_view> handWrittenOnlyWords = {};
  std::span<const DefaultWord> defaultWords = {};
  std::span<const ExclusivePair> exclusiveOptions = {};
  // Options under which compiled sources stop after the front end and nothing is linked.
  std::span<const std::uint8_t> frontEndOnlyOptions = {};
  FrontEndForm frontEndCommand = nullptr;
  std::string_view listingOptionName = "lf";  // named by 109 for a listing name
};

}  // namespace kz::driver
