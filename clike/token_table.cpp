#include "clike/token_table.h"

#include <array>

#include "clike/mnemonics.h"

namespace kz::clike {
namespace {

using enum TokenClass;

// Values of operators without an instruction of their own.
enum : std::int32_t {
  kNot = 100,
  kLess,
  kLessEqual,
  kGreater,
  kGreaterEqual,
  kEqual,
  kNotEqual,
  kAndAnd,
  kOrOr,
  kQuestion,
  kColon,
  kDot,
  kArrow,
};

constexpr auto kTable = std::to_array<TokenTableEntry>({
    // directives
    {"#undef", directive, 1},
    {"#define", directive, 2},
    {"#if", ifDirective, 3},
    {"#ifdef", directive, 4},
    {"#ifndef", directive, 5},
    {"#else", directive, 6},
    {"#endif", directive, 7},
    {"#include", directive, 8},
    {"#asm", directive, 9},
    {"#endasm", directive, 10},
    {"#pragma", directive, 11},
    // 8-bit registers
    {"A", register8, 16},
    {"W", register8, 17},
    {"C", register8, 18},
    {"B", register8, 19},
    {"E", register8, 20},
    {"D", register8, 21},
    {"L", register8, 22},
    {"H", register8, 23},
    // 16-bit registers
    {"WA", register16, 32},
    {"BC", register16, 34},
    {"DE", register16, 36},
    {"HL", register16, 38},
    {"PCW", register16, 66},
    {"DEW", register16, 68},
    {"HLW", register16, 70},
    {"PC", register16, 130},
    {"PSW", register16, 132},
    {"RBS", register16, 134},
    {"SP", register16, 136},
    // conditions
    {"T", condition, 0},
    {"F", condition, 1},
    {"Z", condition, 2},
    {"EQ", condition, 3},
    {"NZ", condition, 4},
    {"NE", condition, 5},
    {"CS", condition, 6},
    {"LT", condition, 7},
    {"CC", condition, 8},
    {"GE", condition, 9},
    {"LE", condition, 10},
    {"GT", condition, 11},
    {"NON", condition, 12},
    // instruction statements (no operand)
    {"RETI", instructionStatement, 2},
    {"SWI", instructionStatement, 3},
    {"NOP", instructionStatement, 4},
    {"EI", instructionStatement, 5},
    {"DI", instructionStatement, 6},
    {"RETN", instructionStatement, 7},
    // jump statements
    {"return", jumpStatement, 1},
    {"goto", jumpStatement, 43},
    {"continue", jumpStatement, 48},
    {"break", jumpStatement, 49},
    // instruction functions
    {"XCH", instructionFunction, 8},
    {"ROLD", instructionFunction, 12},
    {"RORD", instructionFunction, 13},
    {"ADDC", instructionFunction, 24},
    {"SUBB", instructionFunction, 25},
    {"CMP", instructionFunction, 26},
    {"DAA", instructionFunction, 27},
    {"DAS", instructionFunction, 28},
    {"MCMP", instructionFunction, 29},
    {"ROLC", instructionFunction, 30},
    {"RORC", instructionFunction, 31},
    {"SWAP", instructionFunction, 32},
    {"PUSH", instructionFunction, 33},
    {"POP", instructionFunction, 34},
    {"CLR", instructionFunction, 35},
    {"CPL", instructionFunction, 37},
    {"TEST", instructionFunction, 38},
    {"J", instructionFunction, 43},
    {"CALLV", instructionFunction, 44},
    {"CALLP", instructionFunction, 45},
    {"CALLD", instructionFunction, 46},
    {"CALL", instructionFunction, 47},
    // storage classes
    {"extern", storageClass, 1},
    {"static", storageClass, 2},
    {"auto", storageClass, 4},
    {"register", storageClass, 4},
    {"typedef", storageClass, 5},
    // type words
    {"void", typeWord, 1},
    {"char", typeWord, 2},
    {"short", typeWord, 3},
    {"int", typeWord, 3},
    {"long", typeWord, 4},
    {"double", typeWord, 5},
    {"enum", typeWord, 5},
    {"float", typeWord, 5},
    {"volatile", typeWord, 5},
    {"const", typeWord, 6},
    {"entry", typeWord, 9},
    {"signed", typeWord, 32},
    {"unsigned", typeWord, 64},
    {"io", typeWord, 48},
    {"area", typeWord, 49},
    {"data", typeWord, 50},
    {"code", typeWord, 52},
    // struct and union
    {"struct", structUnion, 7},
    {"union", structUnion, 8},
    // pointer attributes
    {"__tiny", pointerAttribute, 17},
    {"__near", pointerAttribute, 18},
    {"__far", pointerAttribute, 19},
    // section attributes
    {"tiny", sectionAttribute, 17},
    {"near", sectionAttribute, 18},
    {"far", sectionAttribute, 19},
    // section classes
    {"eseg", sectionClass, 48},
    {"dseg", sectionClass, 49},
    {"cseg", sectionClass, 52},
    // placement
    {"abs", placement, 64},
    {"rel", placement, 128},
    // other keywords
    {"section", keywordSection, 0},
    {"if", keywordIf, 0},
    {"else", keywordElse, 0},
    {"while", keywordWhile, 0},
    {"for", keywordFor, 0},
    {"do", keywordDo, 0},
    {"case", keywordCase, 0},
    {"default", keywordDefault, 0},
    {"sizeof", keywordSizeof, 0},
    {"switch", switchDepend, 50},
    {"depend", switchDepend, 51},
    // operators
    {"!", unaryOperator, kNot},
    {"~", unaryOperator, 37},
    {"++", incrementDecrement, 10},
    {"--", incrementDecrement, 11},
    {"*", star, 18},
    {"/", divideModulo, 20},
    {"%", divideModulo, 19},
    {"+", plus, 14},
    {"-", minus, 15},
    {"<<", shift, 21},
    {">>", shift, 22},
    {"<", relational, kLess},
    {"<=", relational, kLessEqual},
    {">", relational, kGreater},
    {">=", relational, kGreaterEqual},
    {"==", equality, kEqual},
    {"!=", equality, kNotEqual},
    {"&", ampersand, 16},
    {"^", caret, 23},
    {"|", bar, 17},
    {"&&", logicalAnd, kAndAnd},
    {"||", logicalOr, kOrOr},
    {"?", question, kQuestion},
    {":", colon, kColon},
    {"=", assign, 39},
    {"+=", compoundAssign, 14},
    {"-=", compoundAssign, 15},
    {"&=", compoundAssign, 16},
    {"|=", compoundAssign, 17},
    {"^=", compoundAssign, 23},
    {"<<=", compoundAssign, 21},
    {">>=", compoundAssign, 22},
    {".", member, kDot},
    {"->", member, kArrow},
    {"(", openParen, 0},
    {")", closeParen, 0},
    {"[", openBracket, 0},
    {"]", closeBracket, 0},
    {"{", openBrace, 0},
    {"}", closeBrace, 0},
    {",", comma, 0},
    {";", semicolon, 0},
});
static_assert(kTable.size() == 163);

constexpr const TokenTableEntry& entryOf(std::string_view text) {
  for (const TokenTableEntry& entry : kTable) {
    if (entry.text == text) return entry;
  }
  return kTable[0];
}

// The words of the instruction table must write the mnemonic of their own name, and the
// operators the instruction they stand for.
constexpr bool namesItsMnemonic(std::string_view word) {
  std::string_view mnemonic = mnemonicOf(entryOf(word).value);
  if (mnemonic.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (mnemonic[i] != word[i] - 'A' + 'a') return false;
  }
  return true;
}
static_assert(namesItsMnemonic("XCH") && namesItsMnemonic("ROLD") && namesItsMnemonic("RORD") &&
              namesItsMnemonic("ADDC") && namesItsMnemonic("SUBB") && namesItsMnemonic("CMP") &&
              namesItsMnemonic("DAA") && namesItsMnemonic("DAS") && namesItsMnemonic("MCMP") &&
              namesItsMnemonic("ROLC") && namesItsMnemonic("RORC") && namesItsMnemonic("SWAP") &&
              namesItsMnemonic("PUSH") && namesItsMnemonic("POP") && namesItsMnemonic("CLR") &&
              namesItsMnemonic("CPL") && namesItsMnemonic("TEST") && namesItsMnemonic("J") &&
              namesItsMnemonic("CALLV") && namesItsMnemonic("CALLP") && namesItsMnemonic("CALLD") &&
              namesItsMnemonic("CALL") && namesItsMnemonic("RETI") && namesItsMnemonic("SWI") &&
              namesItsMnemonic("NOP") && namesItsMnemonic("EI") && namesItsMnemonic("DI") &&
              namesItsMnemonic("RETN"));
static_assert(mnemonicOf(entryOf("=").value) == "ld" && mnemonicOf(entryOf("+=").value) == "add" &&
              mnemonicOf(entryOf("-").value) == "sub" && mnemonicOf(entryOf("&=").value) == "and" &&
              mnemonicOf(entryOf("|").value) == "or" && mnemonicOf(entryOf("^=").value) == "xor" &&
              mnemonicOf(entryOf("*").value) == "mul" && mnemonicOf(entryOf("%").value) == "div" &&
              mnemonicOf(entryOf("/").value) == "div" && entryOf("/").value == 20 &&
              mnemonicOf(entryOf("<<=").value) == "shlc" &&
              mnemonicOf(entryOf(">>").value) == "shrc" &&
              mnemonicOf(entryOf("++").value) == "inc" &&
              mnemonicOf(entryOf("--").value) == "dec" && mnemonicOf(entryOf("~").value) == "cpl" &&
              mnemonicOf(entryOf("return").value) == "ret" &&
              mnemonicOf(entryOf("goto").value) == "j");

constexpr unsigned kSlotBits = 9;
constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;

constexpr std::size_t slotOf(std::uint64_t key) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - kSlotBits));
}

struct Slots {
  std::array<std::uint64_t, kSlots> keys{};
  std::array<std::int16_t, kSlots> entries{};
  bool valid = true;
};

// Open addressing with linear probing, built once by the compiler.
constexpr Slots buildSlots() {
  Slots slots;
  for (auto& entry : slots.entries) entry = -1;
  for (std::size_t i = 0; i < kTable.size(); ++i) {
    if (kTable[i].text.size() > kLongestTableWord) slots.valid = false;
    std::uint64_t key = tableKeyOf(kTable[i].text);
    std::size_t slot = slotOf(key);
    while (slots.entries[slot] >= 0) {
      if (slots.keys[slot] == key) slots.valid = false;  // a word twice
      slot = (slot + 1) % kSlots;
    }
    slots.keys[slot] = key;
    slots.entries[slot] = static_cast<std::int16_t>(i);
  }
  return slots;
}

constexpr Slots kSlotTable = buildSlots();
static_assert(kSlotTable.valid, "every table word is unique and at most eight bytes long");

}  // namespace

const TokenTableEntry* findTableWord(std::string_view text) {
  if (text.empty() || text.size() > kLongestTableWord) return nullptr;
  return findTableKey(tableKeyOf(text));
}

const TokenTableEntry* findTableKey(std::uint64_t key) {
  for (std::size_t slot = slotOf(key);; slot = (slot + 1) % kSlots) {
    std::int16_t entry = kSlotTable.entries[slot];
    if (entry < 0) return nullptr;
    if (kSlotTable.keys[slot] == key) return &kTable[static_cast<std::size_t>(entry)];
  }
}

std::size_t tokenTableSize() { return kTable.size(); }

std::string_view tokenClassName(TokenClass kind) {
  static constexpr auto kNames = std::to_array<std::string_view>({
      "end",
      "identifier",
      "number",
      "character",
      "string",
      "asm",
      "pragma",
      "end-directive",
      "directive",
      "if-directive",
      "register8",
      "register16",
      "condition",
      "instruction",
      "jump",
      "instruction-function",
      "storage-class",
      "type",
      "struct-union",
      "pointer-attribute",
      "section-attribute",
      "section-class",
      "placement",
      "section",
      "if",
      "else",
      "while",
      "for",
      "do",
      "case",
      "default",
      "sizeof",
      "switch-depend",
      "unary",
      "inc-dec",
      "star",
      "div-mod",
      "plus",
      "minus",
      "shift",
      "relational",
      "equality",
      "ampersand",
      "caret",
      "bar",
      "and-and",
      "or-or",
      "question",
      "colon",
      "assign",
      "compound-assign",
      "member",
      "open-paren",
      "close-paren",
      "open-bracket",
      "close-bracket",
      "open-brace",
      "close-brace",
      "comma",
      "semicolon",
  });
  static_assert(kNames.size() == static_cast<std::size_t>(TokenClass::semicolon) + 1);
  return kNames[static_cast<std::size_t>(kind)];
}

}  // namespace kz::clike
