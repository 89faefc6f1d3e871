#pragma once
// IEEE-695 object modules: the codes of the format, as tables, and the encoding of its
// elements (numbers, names, letters, postfix expressions). The reading side is in
// object/cursor.h; records and the output buffer are in object/record_writer.h.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kz::object {

using Bytes = std::vector<std::uint8_t>;

// ---- Element ranges: what the first byte of an element says it is.

enum class ElementKind : std::uint8_t {
  shortNumber,    // value 0..127, or the length of a short name
  omittedNumber,  // optional field left out
  longNumber,     // 80 + count, then count value bytes, most significant first
  separator,      // "comma"
  function,
  bracket,  // opening and closing brackets of relocation items
  letter,
  longName,  // DE + 1-byte length, DF + 2-byte length
  recordCode,
  unused,
};

struct ElementRange {
  std::uint8_t first;
  std::uint8_t last;
  ElementKind kind;
  std::string_view meaning;
};

// clang-format off
inline constexpr ElementRange kElementRanges[] = {
    {0x00, 0x7F, ElementKind::shortNumber,   "number 0..127 or short name"},
    {0x80, 0x80, ElementKind::omittedNumber, "omitted number"},
    {0x81, 0x88, ElementKind::longNumber,    "number of 1..8 bytes"},
    {0x89, 0x8F, ElementKind::unused,        "unused"},
    {0x90, 0x90, ElementKind::separator,     "separator"},
    {0x91, 0x9F, ElementKind::unused,        "reserved"},
    {0xA0, 0xB9, ElementKind::function,      "function"},
    {0xBA, 0xBF, ElementKind::bracket,       "relocation bracket"},
    {0xC0, 0xDA, ElementKind::letter,        "letter"},
    {0xDB, 0xDD, ElementKind::unused,        "unused"},
    {0xDE, 0xDF, ElementKind::longName,      "long name"},
    {0xE0, 0xFB, ElementKind::recordCode,    "record code"},
    {0xFC, 0xFF, ElementKind::unused,        "unused"},
};
// clang-format on

constexpr bool elementRangesCoverEveryByte() {
  unsigned next = 0;
  for (const ElementRange& range : kElementRanges) {
    if (range.first != next || range.last < range.first) return false;
    next = range.last + 1u;
  }
  return next == 0x100;
}
static_assert(elementRangesCoverEveryByte());

const ElementRange& elementRange(std::uint8_t byte);
inline ElementKind elementKind(std::uint8_t byte) { return elementRange(byte).kind; }

inline constexpr std::uint8_t kMaxShortNumber = 0x7F;
inline constexpr std::uint8_t kOmittedNumber = 0x80;
inline constexpr std::uint8_t kNumberLengthBase = 0x80;  // 81..88: 1..8 value bytes
inline constexpr std::size_t kMaxNumberBytes = 8;
inline constexpr std::uint8_t kSeparator = 0x90;
inline constexpr std::uint8_t kNullLetter = 0xC0;
inline constexpr std::uint8_t kLetterBase = 0x80;  // letter byte = 80 + ASCII code
inline constexpr std::size_t kMaxShortName = 0x7F;
inline constexpr std::uint8_t kByteLengthName = 0xDE;
inline constexpr std::uint8_t kWordLengthName = 0xDF;
inline constexpr std::size_t kMaxNameLength = 0xFFFF;
inline constexpr std::size_t kMaxLoadCount = 127;  // bytes of one LD record as writers keep it

constexpr std::uint8_t letterByte(char letter) {
  return letter >= 'A' && letter <= 'Z' ? static_cast<std::uint8_t>(kLetterBase + letter)
                                        : kNullLetter;
}

// ---- Record codes.

enum class RecordCode : std::uint8_t {
  moduleBegin = 0xE0,
  moduleEnd = 0xE1,
  assign = 0xE2,
  loadRelocated = 0xE4,
  setSection = 0xE5,
  sectionType = 0xE6,
  sectionAlignment = 0xE7,
  publicName = 0xE8,
  externalName = 0xE9,
  comment = 0xEA,
  addressDescriptor = 0xEC,
  loadConstant = 0xED,
  name = 0xF0,
  attribute = 0xF1,
  type = 0xF2,
  weakExternal = 0xF4,
  repeat = 0xF7,
  blockBegin = 0xF8,
  blockEnd = 0xF9,
  context = 0xFB,
};

struct RecordInfo {
  RecordCode code;
  std::string_view mnemonic;
  std::string_view meaning;
};

// clang-format off
inline constexpr RecordInfo kRecords[] = {
    {RecordCode::moduleBegin,       "MB", "module begin"},
    {RecordCode::moduleEnd,         "ME", "module end"},
    {RecordCode::assign,            "AS", "assign"},
    {RecordCode::loadRelocated,     "LR", "load with relocation"},
    {RecordCode::setSection,        "SB", "set section"},
    {RecordCode::sectionType,       "ST", "section type"},
    {RecordCode::sectionAlignment,  "SA", "section alignment"},
    {RecordCode::publicName,        "NI", "public name"},
    {RecordCode::externalName,      "NX", "external name"},
    {RecordCode::comment,           "CO", "comment"},
    {RecordCode::addressDescriptor, "AD", "address descriptor"},
    {RecordCode::loadConstant,      "LD", "load constant"},
    {RecordCode::name,              "NN", "name"},
    {RecordCode::attribute,         "AT", "attribute"},
    {RecordCode::type,              "TY", "type"},
    {RecordCode::weakExternal,      "WX", "weak external"},
    {RecordCode::repeat,            "RE", "repeat"},
    {RecordCode::blockBegin,        "BB", "block begin"},
    {RecordCode::blockEnd,          "BE", "block end"},
    {RecordCode::context,           "NC", "context"},
};
// clang-format on

const RecordInfo* findRecord(std::uint8_t code);

// ---- Function codes. Binary operators take "a b op" = a op b.

enum class Function : std::uint8_t {
  falseValue = 0xA0,
  trueValue = 0xA1,
  absolute = 0xA2,
  negate = 0xA3,
  bitNot = 0xA4,
  add = 0xA5,
  subtract = 0xA6,
  divide = 0xA7,
  multiply = 0xA8,
  maximum = 0xA9,
  minimum = 0xAA,
  remainder = 0xAB,
  less = 0xAC,
  greater = 0xAD,
  equal = 0xAE,
  notEqual = 0xAF,
  bitAnd = 0xB0,
  bitOr = 0xB1,
  bitXor = 0xB2,
  extract = 0xB3,
  insert = 0xB4,
  error = 0xB5,
  ifThen = 0xB6,
  elseBranch = 0xB7,
  endIf = 0xB8,
  escape = 0xB9,
};

inline constexpr int kUnknownArity = -1;

struct FunctionInfo {
  Function code;
  std::string_view name;
  int operands;  // kUnknownArity where no source settles it
};

// clang-format off
inline constexpr FunctionInfo kFunctions[] = {
    {Function::falseValue, "@F",      0},
    {Function::trueValue,  "@T",      0},
    {Function::absolute,   "@ABS",    1},
    {Function::negate,     "@NEG",    1},
    {Function::bitNot,     "@NOT",    1},
    {Function::add,        "+",       2},
    {Function::subtract,   "-",       2},
    {Function::divide,     "/",       2},
    {Function::multiply,   "*",       2},
    {Function::maximum,    "@MAX",    2},
    {Function::minimum,    "@MIN",    2},
    {Function::remainder,  "@MOD",    2},
    {Function::less,       "<",       2},
    {Function::greater,    ">",       2},
    {Function::equal,      "=",       2},
    {Function::notEqual,   "!=",      2},
    {Function::bitAnd,     "@AND",    2},
    {Function::bitOr,      "@OR",     2},
    {Function::bitXor,     "@XOR",    2},
    {Function::extract,    "@EXT",    kUnknownArity},
    {Function::insert,     "@INS",    kUnknownArity},
    {Function::error,      "@ERR",    kUnknownArity},
    {Function::ifThen,     "@IF",     kUnknownArity},
    {Function::elseBranch, "@ELSE",   kUnknownArity},
    {Function::endIf,      "@END",    kUnknownArity},
    {Function::escape,     "@ESCAPE", kUnknownArity},
};
// clang-format on

constexpr bool functionsAreConsecutive() {
  unsigned expected = 0xA0;
  for (const FunctionInfo& info : kFunctions) {
    if (static_cast<unsigned>(info.code) != expected++) return false;
  }
  return expected == 0xBA;
}
static_assert(functionsAreConsecutive());

const FunctionInfo* findFunction(std::uint8_t code);

// Escape functions, written "k B9". @INBLOCK pops value, base and size (pushed in that
// order), checks base <= value < base + size and pushes the value.
enum class Escape : std::uint8_t {
  isDefined = 1,
  translate = 2,
  split = 3,
  inBlock = 4,
  callOptimize = 5
};

struct EscapeInfo {
  Escape number;
  std::string_view name;
  int operands;
};

// clang-format off
inline constexpr EscapeInfo kEscapes[] = {
    {Escape::isDefined,    "@ISDEF",    kUnknownArity},
    {Escape::translate,    "@TRANS",    kUnknownArity},
    {Escape::split,        "@SPLIT",    kUnknownArity},
    {Escape::inBlock,      "@INBLOCK",  3},
    {Escape::callOptimize, "@CALL_OPT", kUnknownArity},
};
// clang-format on

const EscapeInfo* findEscape(std::uint64_t number);

// ---- Variables: a letter, then an index number except for G.

struct VariableInfo {
  char letter;
  bool indexed;
  std::string_view meaning;
};

// clang-format off
inline constexpr VariableInfo kVariables[] = {
    {'G', false, "execution start address"},
    {'I', true,  "public symbol"},
    {'L', true,  "section low limit"},
    {'N', true,  "named local or debug item"},
    {'P', true,  "section load pointer"},
    {'R', true,  "section relocation base"},
    {'S', true,  "section size"},
    {'W', true,  "file offset of a part"},
    {'X', true,  "external symbol"},
};
// clang-format on

// Letters without an entry above (A, B, F, M, ...) are read as indexed variables.
const VariableInfo* findVariable(char letter);
bool variableHasIndex(char letter);

// ---- Relocation items: the bracket pair tells the linker how to range-check the field.

enum class FieldCheck : std::uint8_t { signedField, unsignedField, eitherField };

struct BracketInfo {
  FieldCheck check;
  std::uint8_t open;
  std::uint8_t close;
  std::string_view meaning;
};

// clang-format off
inline constexpr BracketInfo kBrackets[] = {
    {FieldCheck::signedField,   0xBA, 0xBB, "signed"},
    {FieldCheck::unsignedField, 0xBC, 0xBD, "unsigned"},
    {FieldCheck::eitherField,   0xBE, 0xBF, "signed or unsigned"},
};
// clang-format on

const BracketInfo& bracketInfo(FieldCheck check);
const BracketInfo* findOpeningBracket(std::uint8_t byte);

// ---- Module parts, in the order of their pointers W0..W7.

enum class Part : std::uint8_t {
  attribute,
  environment,
  section,
  external,
  debug,
  data,
  trailer,
  moduleEnd
};

inline constexpr std::size_t kPartCount = 8;
inline constexpr std::size_t kPartPointerRecordSize = 8;  // E2 D7 0k 84 b3 b2 b1 b0
inline constexpr std::size_t kPartPointerBytes = kPartCount * kPartPointerRecordSize;

// clang-format off
inline constexpr std::string_view kPartNames[kPartCount] = {
    "attribute part",
    "environment part",
    "section part",
    "external part",
    "debug part",
    "data part",
    "trailer part",
    "module end",
};
// clang-format on

using PartOffsets = std::array<std::uint32_t, kPartCount>;

// The eight assignments E2 D7 0k 84 <offset> that overwrite the reserved header bytes.
std::array<std::uint8_t, kPartPointerBytes> encodePartPointers(const PartOffsets& offsets);

// ---- Attribute definitions of ATN records (F1 CE n1 n2 n3 ...), numbered in decimal.

enum class Attribute : std::uint8_t {
  automaticVariable = 1,
  registerVariable = 2,
  staticVariable = 3,
  externalFunction = 4,
  externalVariable = 5,
  lineNumber = 7,
  globalVariable = 8,
  lifetime = 9,
  lockedRegister = 10,
  basedVariable = 12,
  constant = 16,
  assemblerSymbol = 19,
  formatVersion = 37,
  formatType = 38,
  caseSensitivity = 39,
  memoryModel = 40,
  creationDate = 50,
  commandLine = 51,
  executionStatus = 52,
  hostEnvironment = 53,
  toolAndVersion = 54,
  comment = 55,
  procedureInformation = 62,
  variableInformation = 63,
  moduleInformation = 64,
};

enum class AttributeOperands : std::uint8_t {
  numbers,            // numbers and letters up to the next record
  name,               // one name
  twoNumbersAndName,  // two numbers, then an optional name
};

struct AttributeInfo {
  Attribute number;
  std::string_view meaning;
  AttributeOperands operands;
};

// clang-format off
inline constexpr AttributeInfo kAttributes[] = {
    {Attribute::automaticVariable,    "automatic variable",     AttributeOperands::numbers},
    {Attribute::registerVariable,     "register variable",      AttributeOperands::numbers},
    {Attribute::staticVariable,       "static variable",        AttributeOperands::numbers},
    {Attribute::externalFunction,     "external function",      AttributeOperands::numbers},
    {Attribute::externalVariable,     "external variable",      AttributeOperands::numbers},
    {Attribute::lineNumber,           "line number",            AttributeOperands::numbers},
    {Attribute::globalVariable,       "global variable",        AttributeOperands::numbers},
    {Attribute::lifetime,             "lifetime",               AttributeOperands::numbers},
    {Attribute::lockedRegister,       "locked register",        AttributeOperands::numbers},
    {Attribute::basedVariable,        "based variable",         AttributeOperands::numbers},
    {Attribute::constant,             "constant",               AttributeOperands::numbers},
    {Attribute::assemblerSymbol,      "assembler symbol",       AttributeOperands::numbers},
    {Attribute::formatVersion,        "object format version",  AttributeOperands::numbers},
    {Attribute::formatType,           "object format type",     AttributeOperands::numbers},
    {Attribute::caseSensitivity,      "case sensitivity",       AttributeOperands::numbers},
    {Attribute::memoryModel,          "memory model",           AttributeOperands::numbers},
    {Attribute::creationDate,         "creation date and time", AttributeOperands::numbers},
    {Attribute::commandLine,          "command line",           AttributeOperands::name},
    {Attribute::executionStatus,      "execution status",       AttributeOperands::numbers},
    {Attribute::hostEnvironment,      "host environment",       AttributeOperands::numbers},
    {Attribute::toolAndVersion,       "tool and version",       AttributeOperands::numbers},
    {Attribute::comment,              "comment",                AttributeOperands::name},
    {Attribute::procedureInformation, "procedure information",  AttributeOperands::twoNumbersAndName},
    {Attribute::variableInformation,  "variable information",   AttributeOperands::twoNumbersAndName},
    {Attribute::moduleInformation,    "module information",     AttributeOperands::twoNumbersAndName},
};
// clang-format on

const AttributeInfo* findAttribute(std::uint64_t number);

// Values of the attributes that take one code.
enum class ModuleType : std::uint8_t { absolute = 1, relocatable = 2, loadable = 3, library = 4 };
enum class CaseSensitivity : std::uint8_t { foldedToUpper = 1, kept = 2 };
enum class ExecutionStatus : std::uint8_t { success = 0, warnings = 1, errors = 2, fatal = 3 };
enum class HostEnvironment : std::uint8_t { unknown = 0, vms = 1, msDos = 2, unix = 3, hpUx = 4 };

struct AttributeValueInfo {
  Attribute attribute;
  std::uint8_t value;
  std::string_view meaning;
};

// clang-format off
inline constexpr AttributeValueInfo kAttributeValues[] = {
    {Attribute::formatType,      std::uint8_t(ModuleType::absolute),           "absolute"},
    {Attribute::formatType,      std::uint8_t(ModuleType::relocatable),        "relocatable"},
    {Attribute::formatType,      std::uint8_t(ModuleType::loadable),           "loadable"},
    {Attribute::formatType,      std::uint8_t(ModuleType::library),            "library"},
    {Attribute::caseSensitivity, std::uint8_t(CaseSensitivity::foldedToUpper), "names folded to upper case"},
    {Attribute::caseSensitivity, std::uint8_t(CaseSensitivity::kept),          "case kept"},
    {Attribute::executionStatus, std::uint8_t(ExecutionStatus::success),       "success"},
    {Attribute::executionStatus, std::uint8_t(ExecutionStatus::warnings),      "warnings"},
    {Attribute::executionStatus, std::uint8_t(ExecutionStatus::errors),        "errors"},
    {Attribute::executionStatus, std::uint8_t(ExecutionStatus::fatal),         "fatal"},
    {Attribute::hostEnvironment, std::uint8_t(HostEnvironment::unknown),       "unknown"},
    {Attribute::hostEnvironment, std::uint8_t(HostEnvironment::vms),           "VMS"},
    {Attribute::hostEnvironment, std::uint8_t(HostEnvironment::msDos),         "MS-DOS"},
    {Attribute::hostEnvironment, std::uint8_t(HostEnvironment::unix),          "Unix"},
    {Attribute::hostEnvironment, std::uint8_t(HostEnvironment::hpUx),          "HP-UX"},
};
// clang-format on

// The meaning of one attribute's code; "" where the code has none.
std::string_view attributeValueMeaning(std::uint64_t attribute, std::uint64_t value);

// Creation date and time: year, month, day, hour, minute, second.
inline constexpr std::size_t kDateNumbers = 6;
// Type index of a symbol whose type is not known.
inline constexpr std::uint8_t kUnknownType = 0x0F;
// ATI of an assembler symbol: the flag that marks a local one.
inline constexpr std::uint8_t kLocalSymbolFlag = 0;

// ---- Debug blocks (BB records).

enum class BlockType : std::uint8_t {
  moduleTypes = 1,
  globalTypes = 2,
  moduleScope = 3,
  globalFunction = 4,
  sourceFile = 5,
  localFunction = 6,
  assemblerModule = 10,
  section = 11,
};

struct BlockInfo {
  BlockType type;
  std::string_view meaning;
  bool endCarriesExpression;  // BE of this block holds an address or size expression
};

// clang-format off
inline constexpr BlockInfo kBlocks[] = {
    {BlockType::moduleTypes,     "module types",     false},
    {BlockType::globalTypes,     "global types",     false},
    {BlockType::moduleScope,     "module scope",     false},
    {BlockType::globalFunction,  "global function",  true},
    {BlockType::sourceFile,      "source file",      false},
    {BlockType::localFunction,   "local function",   true},
    {BlockType::assemblerModule, "assembler module", false},
    {BlockType::section,         "section",          true},
};
// clang-format on

const BlockInfo* findBlock(std::uint64_t type);

// ---- Values this toolchain writes.

inline constexpr std::uint8_t kBitsPerMau = 8;
inline constexpr std::uint8_t kMausPerAddress = 2;
inline constexpr char kLeastSignificantFirst = 'L';
inline constexpr char kMostSignificantFirst = 'M';

// ---- Expressions: postfix lists of terms.

enum class TermKind : std::uint8_t { number, variable, function, escape };

struct Term {
  TermKind kind = TermKind::number;
  char letter = 0;          // variable
  bool negative = false;    // number: written as the magnitude followed by @NEG
  std::uint64_t value = 0;  // number: magnitude; variable: index; function: code; escape: k

  static constexpr Term constant(std::int64_t number) {
    std::uint64_t magnitude =
        number < 0 ? 0 - static_cast<std::uint64_t>(number) : static_cast<std::uint64_t>(number);
    return {TermKind::number, 0, number < 0, magnitude};
  }
  static constexpr Term unsignedConstant(std::uint64_t number) {
    return {TermKind::number, 0, false, number};
  }
  static constexpr Term variable(char letter, std::uint64_t index) {
    return {TermKind::variable, letter, false, index};
  }
  static constexpr Term startAddress() { return {TermKind::variable, 'G', false, 0}; }
  static constexpr Term sectionBase(std::uint64_t section) { return variable('R', section); }
  static constexpr Term loadPointer(std::uint64_t section) { return variable('P', section); }
  static constexpr Term sectionSize(std::uint64_t section) { return variable('S', section); }
  static constexpr Term externalSymbol(std::uint64_t index) { return variable('X', index); }
  static constexpr Term publicSymbol(std::uint64_t index) { return variable('I', index); }
  static constexpr Term localSymbol(std::uint64_t index) { return variable('N', index); }
  static constexpr Term function(Function code) {
    return {TermKind::function, 0, false, static_cast<std::uint64_t>(code)};
  }
  static constexpr Term escape(Escape number) {
    return {TermKind::escape, 0, false, static_cast<std::uint64_t>(number)};
  }

  friend bool operator==(const Term&, const Term&) = default;
};

using Expression = std::vector<Term>;

// R section, and "offset +" unless the offset is 0.
Expression sectionRelative(std::uint64_t section, std::int64_t offset);

// ---- Encoding. Every function appends to out.

// Shortest form: 00..7F as one byte, else 80+n and n bytes, most significant first.
void appendNumber(Bytes& out, std::uint64_t value);
void appendOmitted(Bytes& out);
// Short form up to 127 characters, DE up to 255, DF beyond; cut at kMaxNameLength.
void appendName(Bytes& out, std::string_view name);
// 'A'..'Z' as C1..DA; any other character as the null letter C0.
void appendLetter(Bytes& out, char letter);
void appendTerm(Bytes& out, const Term& term);
void appendExpression(Bytes& out, std::span<const Term> terms);
// The terms of sectionRelative(section, offset).
void appendSectionRelative(Bytes& out, std::uint64_t section, std::int64_t offset);
// Bracket, expression, width in MAUs (directly after the expression, no separator), bracket.
void appendRelocationItem(Bytes& out, FieldCheck check, std::span<const Term> value,
                          std::uint32_t widthInMaus);
// The same item around an expression appended in between.
void openRelocationItem(Bytes& out, FieldCheck check);
void closeRelocationItem(Bytes& out, FieldCheck check, std::uint32_t widthInMaus);

std::size_t encodedNumberSize(std::uint64_t value);

}  // namespace kz::object
