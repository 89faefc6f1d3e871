#pragma once
// The fixed tables of the KORV-ZEL instruction set: registers, condition codes, memory
// prefixes, one form table per mnemonic, the mnemonic table and the operand patterns of the
// eighteen classifier classes. The tables themselves are in instruction_tables.cpp, one row
// per line, in the order of the instruction-set description, checked at compile time.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

#include "asm/operand.h"
#include "asm/reserved_words.h"

namespace kz::assembler {

// --- registers and conditions ---

enum class RegisterKind : std::uint8_t {
  byte,            // A W C B E D L H
  pair,            // WA BC DE HL
  stackPointer,    // SP
  programCounter,  // PC
  carryFlag,       // CF
  statusWord,      // PSW
  bankSelector,    // RBS
};

struct RegisterInfo {
  Register name;
  RegisterKind kind;
  std::uint8_t number;  // the number the encodings use (0 where the form implies it)
};

struct ConditionInfo {
  Condition name;
  std::uint8_t code;  // condition-code value of JR cc
  Condition inverse;  // the condition a long conditional jump branches around with
};

const RegisterInfo& registerInfo(std::int32_t reg);          // by Register value
const ConditionInfo& conditionInfo(std::int32_t condition);  // by Condition value
bool isByteRegister(std::int32_t reg);
bool isRegisterPair(std::int32_t reg);

// --- memory prefixes ---

inline constexpr std::size_t kPrefixTableSize = 26;

// The prefix of a memory operand: entry 2 * mode for a source, 2 * mode + 1 for a destination.
std::uint8_t memoryPrefix(int mode, bool destination);
// Number of address or displacement bytes that follow the prefix (0, 1 or 2).
int memoryFieldBytes(int mode);

// A set of memory modes, bit n for mode n.
using ModeSet = std::uint16_t;

constexpr ModeSet modeSet(std::initializer_list<int> modes) {
  ModeSet set = 0;
  for (int mode : modes) set = static_cast<ModeSet>(set | (1u << mode));
  return set;
}

constexpr bool containsMode(ModeSet set, int mode) {
  return mode >= 0 && mode < 16 && (set & (1u << mode)) != 0;
}

// --- forms and mnemonics ---

// How a form lays out its bytes: op1/op2 the opcode bytes (op2 only for a two-byte opcode),
// f0/f1 the encoded operands, f0' the second use of a bit register (2 for (DE), 3 for (HL)),
// |bitN the bit number of operand N merged into the byte, 03 the displacement that skips the
// JP following a short conditional jump.
enum class ByteLayout : std::uint8_t {
  opcodeOnly,                    // op1 [op2]
  operandInside,                 // op1 f0 [op2]
  operandAfter,                  // op1 [op2] f0
  bitInOpcode,                   // op1|bit0 [op2] f0
  bitInSecondOpcode,             // op1 f0 op2|bit0
  registerRepeated,              // op1 f0 op2 f0'
  bitIntoLast,                   // op1 f0 op2 (|bit0 of f0, if any)
  twoOperands,                   // op1 f0 op2 f1
  twoOperandsReversed,           // op1 f1 op2 f0
  conditionalOperand,            // op1 f0 op2 [f1 when f0 is a condition]
  secondBitInOpcode,             // op1|bit1 op2 f1
  registerRepeatedThenOperand,   // op1 f0 op2 f0' f1
  reversedRegisterRepeated,      // op1 f1 op2 f1' f0
  bitInSecondOpcodeThenOperand,  // op1 f0 op2|bit0 f1
  reversedBitInSecondOpcode,     // op1 f1 op2|bit1 f0
  secondOperandAfter,            // op1 [op2] f1
  jumpOverJp,                    // op1 f0 03 op2 f1
};
inline constexpr std::size_t kByteLayouts = 17;

struct InstructionForm {
  std::uint16_t opcode;  // first byte in bits 0..7, second byte in bits 8..15
  ByteLayout layout;
  ModeSet memoryModes;  // modes the form's memory operand accepts
  std::uint8_t length;  // opcode length 1 or 2; 0: this mnemonic has no such form

  constexpr std::uint8_t firstByte() const { return static_cast<std::uint8_t>(opcode & 0xFF); }
  constexpr std::uint8_t secondByte() const { return static_cast<std::uint8_t>(opcode >> 8); }
  constexpr bool exists() const { return length != 0; }
};

// What an instruction leaves known about the jump-status flag.
enum class FlagEffect : std::uint8_t { knownSet, knownClear, unchanged, unknown };

struct MnemonicEntry {
  Mnemonic code;
  std::string_view spelling;
  std::span<const InstructionForm> forms;
  std::uint8_t classifierClass;  // 0..17
  FlagEffect flagEffect;
  std::uint32_t formsWithOtherEffect;  // bit n: form n has otherEffect instead
  FlagEffect otherEffect;

  FlagEffect effectOf(int form) const {
    return form >= 0 && (formsWithOtherEffect >> form) & 1u ? otherEffect : flagEffect;
  }
};

inline constexpr std::int32_t kFirstMnemonic = 1000;
inline constexpr std::int32_t kLastMnemonic = 1045;
inline constexpr int kClassifierClasses = 18;
inline constexpr int kJumpClass = 17;

std::span<const MnemonicEntry> mnemonicTable();
// The row of a mnemonic code, or nullptr outside 1000..1045.
const MnemonicEntry* findMnemonic(std::int32_t code);
const MnemonicEntry& mnemonicEntry(Mnemonic code);

// The eight forms of the J pseudo-instruction, by index.
enum JumpForm : int {
  jumpShortTrue = 0,     // 80+d       JRS T
  jumpShortFalse = 1,    // A0+d       JRS F
  jumpRelativeCond = 2,  // D0+cc d    JR cc
  jumpRelative = 3,      // FB d       JR
  jumpSkipTrue = 4,      // 82 FE n m  JRS T over JP
  jumpSkipFalse = 5,     // A2 FE n m  JRS F over JP
  jumpSkipCond = 6,      // D0+cc' 03 FE n m  JR on the inverted condition over JP
  jumpLong = 7,          // FE n m     JP
};

// --- classifier patterns ---

// What an operand must look like for a pattern to match.
enum class Shape : std::uint8_t {
  specificRegister,   // the register in `which`, without bit suffix
  byteRegister,       // any of A W C B E D L H
  registerPair,       // any of WA BC DE HL
  immediate,          // a bare expression
  direct,             // (x)
  pointerHL,          // (HL)
  memory,             // a memory operand in one of the form's modes
  bitRegister,        // r.b
  bitDirect,          // (x).b
  bitMemory,          // (mem).b in one of the form's modes
  bitIndirect,        // (DE).g (HL).g
  anyCondition,       // any condition name
  specificCondition,  // the condition in `which`
};

struct OperandPattern {
  Shape shape;
  std::int8_t which;  // register or condition of the specific shapes
  OperandKind kind;   // the operand kind the form gives a matching operand
};

enum class Restriction : std::uint8_t {
  none,
  noPostIncrementWithHOrL,  // (HL+) together with H or L would change the loaded register
};

struct FormPattern {
  std::uint8_t form;
  std::uint8_t operandCount;
  OperandPattern first;
  OperandPattern second;
  Restriction restriction = Restriction::none;
};

// The patterns of a classifier class, tried in order; the first whose form exists for the
// mnemonic and whose operands match is taken. Class 17 (J, CAL) has none: it is resolved by
// the jump selection.
std::span<const FormPattern> classifierPatterns(int classifierClass);

}  // namespace kz::assembler
