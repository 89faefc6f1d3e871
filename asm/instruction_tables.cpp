#include "asm/instruction_tables.h"

#include <array>

namespace kz::assembler {

namespace {

// --- registers ---

// clang-format off
constexpr RegisterInfo kRegisters[] = {
    {Register::a,   RegisterKind::byte,           0},
    {Register::w,   RegisterKind::byte,           1},
    {Register::c,   RegisterKind::byte,           2},
    {Register::b,   RegisterKind::byte,           3},
    {Register::e,   RegisterKind::byte,           4},
    {Register::d,   RegisterKind::byte,           5},
    {Register::l,   RegisterKind::byte,           6},
    {Register::h,   RegisterKind::byte,           7},
    {Register::wa,  RegisterKind::pair,           0},
    {Register::bc,  RegisterKind::pair,           1},
    {Register::de,  RegisterKind::pair,           2},
    {Register::hl,  RegisterKind::pair,           3},
    {Register::sp,  RegisterKind::stackPointer,   0},
    {Register::pc,  RegisterKind::programCounter, 0},
    {Register::cf,  RegisterKind::carryFlag,      0},
    {Register::psw, RegisterKind::statusWord,     0},
    {Register::rbs, RegisterKind::bankSelector,   0},
};
// clang-format on
constexpr std::size_t kRegisterCount = 17;
static_assert(std::size(kRegisters) == kRegisterCount);

// Rows of kRegisters by Register value.
constexpr std::array<std::uint8_t, kRegisterCount> kRegisterRowByValue = [] {
  std::array<std::uint8_t, kRegisterCount> rows{};
  for (std::size_t i = 0; i < kRegisterCount; ++i)
    rows[valueOf(kRegisters[i].name)] = static_cast<std::uint8_t>(i);
  return rows;
}();

constexpr bool everyRegisterOnce() {
  std::array<int, kRegisterCount> seen{};
  for (const RegisterInfo& info : kRegisters) {
    if (valueOf(info.name) < 0 || valueOf(info.name) >= static_cast<int>(kRegisterCount))
      return false;
    ++seen[valueOf(info.name)];
  }
  for (int count : seen) {
    if (count != 1) return false;
  }
  return true;
}
static_assert(everyRegisterOnce());

// --- conditions, indexed by their reserved-word value ---

// clang-format off
constexpr ConditionInfo kConditions[] = {
    {Condition::t,  6, Condition::f},
    {Condition::f,  7, Condition::t},
    {Condition::eq, 0, Condition::ne},
    {Condition::z,  0, Condition::nz},
    {Condition::ne, 1, Condition::eq},
    {Condition::nz, 1, Condition::z},
    {Condition::cs, 2, Condition::cc},
    {Condition::lt, 2, Condition::ge},
    {Condition::cc, 3, Condition::cs},
    {Condition::ge, 3, Condition::lt},
    {Condition::le, 4, Condition::gt},
    {Condition::gt, 5, Condition::le},
};
// clang-format on

constexpr bool conditionsConsistent() {
  for (std::size_t i = 0; i < std::size(kConditions); ++i) {
    const ConditionInfo& info = kConditions[i];
    if (valueOf(info.name) != static_cast<int>(i)) return false;
    const ConditionInfo& inverse = kConditions[valueOf(info.inverse)];
    if (inverse.inverse != info.name || (inverse.code ^ 1) != info.code) return false;
  }
  return true;
}
static_assert(std::size(kConditions) == 12);
static_assert(conditionsConsistent());

// --- memory prefixes: source 2m, destination 2m+1 ---

constexpr std::uint8_t kMemoryPrefixes[] = {
    0xE0, 0xF0,  // 0  (x)
    0xE1, 0xF1,  // 1  16-bit direct
    0xE2, 0xF2,  // 2  (DE)
    0xE3, 0xF3,  // 3  (HL)
    0xE4, 0xF4,  // 4  (HL+d)
    0xE5, 0xF5,  // 5  (HL+C)
    0xE6, 0xF6,  // 6  (HL+)
    0xE7, 0xF7,  // 7  (-HL)
    0x3C, 0x3E,  // 8  not reached by any operand
    0x3D, 0x3F,  // 9  not reached by any operand
    0xF8, 0xF9,  // 10 (SP+d)
    0x08, 0x09,  // 11 not reached by any operand
    0xE1, 0x00,  // 12 (PC+A), source only
};
static_assert(std::size(kMemoryPrefixes) == kPrefixTableSize);

constexpr std::uint8_t kMemoryFieldBytes[] = {1, 2, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0};
static_assert(std::size(kMemoryFieldBytes) * 2 == kPrefixTableSize);

// --- form tables ---

using L = ByteLayout;

constexpr InstructionForm one(std::uint8_t first, ByteLayout layout) {
  return {first, layout, 0, 1};
}
constexpr InstructionForm two(std::uint8_t first, std::uint8_t second, ByteLayout layout,
                              ModeSet modes = 0) {
  return {static_cast<std::uint16_t>(first | second << 8), layout, modes, 2};
}
constexpr InstructionForm kAbsent{0, ByteLayout::opcodeOnly, 0, 0};

constexpr ModeSet kBitModes = modeSet({2, 3, 4, 5, 6, 7, 12});
constexpr ModeSet kBitModesWithDirect = modeSet({0, 2, 3, 4, 5, 6, 7, 12});
constexpr ModeSet kStepModes = modeSet({2, 4, 5, 6, 7, 12});
constexpr ModeSet kAluSourceModes = modeSet({2, 3, 4, 5, 6, 7, 12});
constexpr ModeSet kAluSourceModesWide = modeSet({1, 2, 3, 4, 5, 6, 7, 12});
constexpr ModeSet kAluPointerModesCarry = modeSet({0, 1, 2, 3, 4, 5, 12});
constexpr ModeSet kAluPointerModes = modeSet({0, 2, 3, 4, 5, 12});
constexpr ModeSet kAluImmediateModes = modeSet({0, 2, 3, 4, 5, 6, 7, 12});
constexpr ModeSet kJumpModes = modeSet({0, 2, 3, 4, 5, 12});
constexpr ModeSet kRotateModes = modeSet({0, 1, 2, 3, 4, 5, 6, 7});
constexpr ModeSet kExchangeModes = modeSet({0, 2, 3, 4, 5, 6, 7, 12});
constexpr ModeSet kCompareModes = modeSet({0, 2, 3, 4, 5, 6, 7, 12});

// Class 0.
constexpr InstructionForm kNop[] = {one(0x00, L::opcodeOnly)};
constexpr InstructionForm kReti[] = {one(0x04, L::opcodeOnly)};
constexpr InstructionForm kRet[] = {one(0x05, L::opcodeOnly)};
constexpr InstructionForm kSwi[] = {one(0xFF, L::opcodeOnly)};
constexpr InstructionForm kRetn[] = {two(0xE8, 0x04, L::opcodeOnly)};
constexpr InstructionForm kDi[] = {two(0x48, 0x3A, L::opcodeOnly)};
constexpr InstructionForm kEi[] = {two(0x40, 0x3A, L::opcodeOnly)};

// Class 1: [0] A, [1] r.
constexpr std::array<InstructionForm, 2> registerOperation(std::uint8_t code) {
  return {one(code, L::opcodeOnly), two(0xE8, code, L::operandInside)};
}
constexpr auto kSwap = registerOperation(0x01);
constexpr auto kDaa = registerOperation(0x0A);
constexpr auto kDas = registerOperation(0x0B);
constexpr auto kShlc = registerOperation(0x1C);
constexpr auto kShrc = registerOperation(0x1D);
constexpr auto kRolc = registerOperation(0x1E);
constexpr auto kRorc = registerOperation(0x1F);

// Class 2: W,A  B,C  D,E  H,L.
constexpr InstructionForm kMul[] = {
    one(0x02, L::opcodeOnly),
    two(0xE9, 0x02, L::opcodeOnly),
    two(0xEA, 0x02, L::opcodeOnly),
    two(0xEB, 0x02, L::opcodeOnly),
};
// Class 3: WA,C  DE,C  HL,C.
constexpr InstructionForm kDiv[] = {
    one(0x03, L::opcodeOnly),
    two(0xEA, 0x03, L::opcodeOnly),
    two(0xEB, 0x03, L::opcodeOnly),
};
// Class 4: [0] PSW, [1] rr.
constexpr InstructionForm kPop[] = {
    one(0x06, L::opcodeOnly),
    two(0xE8, 0x06, L::operandInside),
};
constexpr InstructionForm kPush[] = {
    one(0x07, L::opcodeOnly),
    two(0xE8, 0x07, L::operandInside),
};

// Class 5: [0] CF, [1] r.b, [2] (HL), [3] (x), [4] (x).b, [5] (mem).b, [6] (DE).g/(HL).g.
constexpr InstructionForm kClr[] = {
    one(0x0C, L::opcodeOnly),
    two(0xE8, 0x48, L::bitInSecondOpcode),
    one(0x2F, L::opcodeOnly),
    one(0x2E, L::operandAfter),
    one(0x48, L::bitInOpcode),
    two(0x00, 0x48, L::bitInSecondOpcode, kBitModes),
    two(0xE8, 0x88, L::registerRepeated),
};
constexpr InstructionForm kSet[] = {
    one(0x0D, L::opcodeOnly),
    two(0xE8, 0x40, L::bitInSecondOpcode),
    kAbsent,
    kAbsent,
    one(0x40, L::bitInOpcode),
    two(0x00, 0x40, L::bitInSecondOpcode, kBitModes),
    two(0xE8, 0x80, L::registerRepeated),
};
constexpr InstructionForm kCpl[] = {
    one(0x0E, L::opcodeOnly),
    two(0xE8, 0xC0, L::bitInSecondOpcode),
    kAbsent,
    kAbsent,
    kAbsent,
    two(0x00, 0xC0, L::bitInSecondOpcode, kBitModesWithDirect),
    two(0xE8, 0x90, L::registerRepeated),
};
constexpr InstructionForm kTest[] = {
    kAbsent,
    two(0xE8, 0xD8, L::bitInSecondOpcode),
    kAbsent,
    kAbsent,
    one(0xD8, L::bitInOpcode),
    two(0x00, 0xD8, L::bitInSecondOpcode, kBitModes),
    two(0xE8, 0x9C, L::registerRepeated),
};

// Class 6: the LD forms [0]..[30].
constexpr InstructionForm kLd[] = {
    two(0x0F, 0x00, L::secondOperandAfter),                                       // [0]  RBS,n
    one(0x14, L::twoOperands),                                                    // [1]  rr,mn
    one(0x22, L::secondOperandAfter),                                             // [2]  A,(x)
    one(0x23, L::opcodeOnly),                                                     // [3]  A,(HL)
    one(0x26, L::twoOperandsReversed),                                            // [4]  (x),(y)
    one(0x2A, L::operandAfter),                                                   // [5]  (x),A
    one(0x2B, L::opcodeOnly),                                                     // [6]  (HL),A
    one(0x2C, L::twoOperands),                                                    // [7]  (x),n
    one(0x2D, L::secondOperandAfter),                                             // [8]  (HL),n
    one(0x30, L::twoOperands),                                                    // [9]  r,n
    one(0x50, L::secondOperandAfter),                                             // [10] A,r
    one(0x58, L::operandAfter),                                                   // [11] r,A
    one(0xD8, L::secondBitInOpcode),                                              // [12] CF,(x).b
    two(0xE8, 0x14, L::twoOperandsReversed),                                      // [13] rr1,rr2
    two(0xE8, 0x58, L::twoOperandsReversed),                                      // [14] r1,r2
    two(0xE8, 0x98, L::registerRepeatedThenOperand),                              // [15] (DE).g,CF
    two(0xE8, 0x9C, L::reversedRegisterRepeated),                                 // [16] CF,(DE).g
    two(0xE8, 0xC8, L::bitInSecondOpcodeThenOperand),                             // [17] r.b,CF
    two(0xE8, 0xD8, L::reversedBitInSecondOpcode),                                // [18] CF,r.b
    two(0xE8, 0xFA, L::twoOperandsReversed),                                      // [19] SP,rr
    two(0xE8, 0xFB, L::operandInside),                                            // [20] rr,SP
    two(0x00, 0x10, L::twoOperands, modeSet({0, 2, 3, 4})),                       // [21] (mem),rr
    two(0x00, 0x14, L::twoOperandsReversed, modeSet({0, 2, 3, 4, 5, 12})),        // [22] rr,(mem)
    two(0x00, 0x26, L::twoOperandsReversed, modeSet({2, 3, 4, 5, 12})),           // [23] (x),(mem)
    two(0x00, 0x27, L::twoOperandsReversed, modeSet({0, 2, 3, 4, 5, 12})),        // [24] (HL),(mem)
    two(0x00, 0x2C, L::twoOperands, modeSet({2, 4, 6, 7})),                       // [25] (mem),n
    two(0x00, 0x50, L::twoOperands, modeSet({0, 2, 3, 4, 6, 7})),                 // [26] (mem),r
    two(0x00, 0x58, L::twoOperandsReversed, modeSet({0, 2, 3, 4, 5, 6, 7, 12})),  // [27] r,(mem)
    two(0x00, 0xC8, L::bitInSecondOpcodeThenOperand, kBitModesWithDirect),        // [28] (mem).b,CF
    two(0x00, 0xD8, L::reversedBitInSecondOpcode, kBitModes),                     // [29] CF,(mem).b
    one(0xFA, L::secondOperandAfter),                                             // [30] SP,mn
};

// Class 7: [0] rr, [1] r, [2] (HL), [3] (x), [4] (mem).
constexpr InstructionForm kInc[] = {
    one(0x10, L::operandAfter),
    one(0x60, L::operandAfter),
    one(0x21, L::opcodeOnly),
    one(0x20, L::operandAfter),
    two(0x00, 0x20, L::operandInside, kStepModes),
};
constexpr InstructionForm kDec[] = {
    one(0x18, L::operandAfter),
    one(0x68, L::operandAfter),
    one(0x29, L::opcodeOnly),
    one(0x28, L::operandAfter),
    two(0x00, 0x28, L::operandInside, kStepModes),
};

// Class 8: [0] (x),mn, [1] (HL),mn.
constexpr InstructionForm kLdw[] = {
    one(0x24, L::twoOperands),
    one(0x25, L::secondOperandAfter),
};

// Classes 9 and 10, by the ALU operation number k.
constexpr std::array<InstructionForm, 12> aluForms(std::uint8_t k, ModeSet sourceModes,
                                                   ModeSet pointerModes, bool carryBitForms) {
  return {
      one(0x70 + k, L::secondOperandAfter),                                     // [0]  A,n
      one(0x78 + k, L::secondOperandAfter),                                     // [1]  A,(x)
      two(0xE8, 0x60 + k, L::twoOperandsReversed),                              // [2]  A,r
      two(0x00, 0x78 + k, L::twoOperandsReversed, sourceModes),                 // [3]  A,(mem)
      two(0xE8, 0x30 + k, L::twoOperandsReversed),                              // [4]  WA,rr
      two(0xE8, 0x68 + k, L::operandInside),                                    // [5]  r,A
      two(0xE8, 0x70 + k, L::twoOperands),                                      // [6]  r,n
      two(0xE8, 0x38 + k, L::twoOperands),                                      // [7]  rr,mn
      two(0x00, 0x60 + k, L::operandInside, pointerModes),                      // [8]  (mem),(HL)
      two(0x00, 0x70 + k, L::twoOperands, kAluImmediateModes),                  // [9]  (mem),n
      carryBitForms ? two(0xE8, 0xD0, L::reversedBitInSecondOpcode) : kAbsent,  // [10] CF,r.b
      carryBitForms ? two(0x00, 0xD0, L::reversedBitInSecondOpcode, kBitModesWithDirect)
                    : kAbsent,  // [11] CF,(mem).b
  };
}
constexpr auto kAddc = aluForms(0, kAluSourceModes, kAluPointerModesCarry, false);
constexpr auto kSubb = aluForms(2, kAluSourceModes, kAluPointerModesCarry, false);
constexpr auto kAdd = aluForms(1, kAluSourceModesWide, kAluPointerModes, false);
constexpr auto kSub = aluForms(3, kAluSourceModesWide, kAluPointerModes, false);
constexpr auto kAnd = aluForms(4, kAluSourceModes, kAluPointerModes, false);
constexpr auto kOr = aluForms(6, kAluSourceModes, kAluPointerModes, false);
constexpr auto kXor = aluForms(5, kAluSourceModes, kAluPointerModes, true);
constexpr auto kCmp = aluForms(7, kAluSourceModes, kAluPointerModes, false);

// Class 11: [0] JRS T,a, [1] JRS F,a, [2] JR cc,a, [3] JR a (the indices of the J table).
constexpr InstructionForm kJrs[] = {
    one(0x80, L::conditionalOperand),
    one(0xA0, L::conditionalOperand),
    kAbsent,
    kAbsent,
};
constexpr InstructionForm kJr[] = {
    kAbsent,
    kAbsent,
    one(0xD0, L::conditionalOperand),
    one(0xFB, L::operandAfter),
};

// Class 12: [0] vector, [1] page address.
constexpr InstructionForm kCallv[] = {
    one(0xC0, L::operandAfter),
    kAbsent,
};
constexpr InstructionForm kCallp[] = {
    kAbsent,
    one(0xFD, L::operandAfter),
};

// Class 13: [0] mn, [1] rr, [2] (mem).
constexpr InstructionForm kCall[] = {
    one(0xFC, L::operandAfter),
    two(0xE8, 0xFC, L::operandInside),
    two(0x00, 0xFC, L::operandInside, kJumpModes),
};
constexpr InstructionForm kJp[] = {
    one(0xFE, L::operandAfter),
    two(0xE8, 0xFE, L::operandInside),
    two(0x00, 0xFE, L::operandInside, kJumpModes),
};

// Class 14: A,(mem).
constexpr InstructionForm kRold[] = {two(0x00, 0x08, L::twoOperandsReversed, kRotateModes)};
constexpr InstructionForm kRord[] = {two(0x00, 0x09, L::twoOperandsReversed, kRotateModes)};

// Class 15: [0] r,r, [1] rr,rr, [2] r,(mem).
constexpr InstructionForm kXch[] = {
    two(0xE8, 0xA8, L::twoOperandsReversed),
    two(0xE8, 0x10, L::twoOperandsReversed),
    two(0x00, 0xA8, L::twoOperandsReversed, kExchangeModes),
};

// Class 16: (mem),n.
constexpr InstructionForm kMcmp[] = {two(0x00, 0x2F, L::twoOperands, kCompareModes)};

// Class 17: the J forms [0]..[7] (JumpForm); CAL uses the CALL forms.
constexpr InstructionForm kJ[] = {
    one(0x80, L::conditionalOperand),        // [0] JRS T
    one(0xA0, L::conditionalOperand),        // [1] JRS F
    one(0xD0, L::conditionalOperand),        // [2] JR cc
    one(0xFB, L::operandAfter),              // [3] JR
    two(0x82, 0xFE, L::secondOperandAfter),  // [4] JRS T +2, JP mn
    two(0xA2, 0xFE, L::secondOperandAfter),  // [5] JRS F +2, JP mn
    two(0xD0, 0xFE, L::jumpOverJp),          // [6] JR cc' +3, JP mn
    one(0xFE, L::conditionalOperand),        // [7] JP mn
};

// --- the mnemonic table ---

using F = FlagEffect;
constexpr std::uint32_t formBits(std::initializer_list<int> forms) {
  std::uint32_t bits = 0;
  for (int form : forms) bits |= 1u << form;
  return bits;
}

constexpr MnemonicEntry kMnemonics[] = {
    {Mnemonic::nop, "NOP", kNop, 0, F::unchanged, 0, F::unchanged},
    {Mnemonic::reti, "RETI", kReti, 0, F::unknown, 0, F::unknown},
    {Mnemonic::ret, "RET", kRet, 0, F::unknown, 0, F::unknown},
    {Mnemonic::swi, "SWI", kSwi, 0, F::unchanged, 0, F::unchanged},
    {Mnemonic::retn, "RETN", kRetn, 0, F::unknown, 0, F::unknown},
    {Mnemonic::di, "DI", kDi, 0, F::unknown, 0, F::unknown},
    {Mnemonic::ei, "EI", kEi, 0, F::unknown, 0, F::unknown},
    {Mnemonic::swap, "SWAP", kSwap, 1, F::knownSet, 0, F::knownSet},
    {Mnemonic::daa, "DAA", kDaa, 1, F::unknown, 0, F::unknown},
    {Mnemonic::das, "DAS", kDas, 1, F::unknown, 0, F::unknown},
    {Mnemonic::shlc, "SHLC", kShlc, 1, F::unknown, 0, F::unknown},
    {Mnemonic::shrc, "SHRC", kShrc, 1, F::unknown, 0, F::unknown},
    {Mnemonic::rolc, "ROLC", kRolc, 1, F::unknown, 0, F::unknown},
    {Mnemonic::rorc, "RORC", kRorc, 1, F::unknown, 0, F::unknown},
    {Mnemonic::mul, "MUL", kMul, 2, F::unknown, 0, F::unknown},
    {Mnemonic::div, "DIV", kDiv, 3, F::unknown, 0, F::unknown},
    {Mnemonic::pop, "POP", kPop, 4, F::unknown, formBits({1}), F::unchanged},
    {Mnemonic::push, "PUSH", kPush, 4, F::unchanged, 0, F::unchanged},
    {Mnemonic::clr, "CLR", kClr, 5, F::unknown, formBits({0, 2, 3}), F::knownSet},
    {Mnemonic::set, "SET", kSet, 5, F::unknown, formBits({0}), F::knownClear},
    {Mnemonic::cpl, "CPL", kCpl, 5, F::unknown, 0, F::unknown},
    {Mnemonic::test, "TEST", kTest, 5, F::unknown, 0, F::unknown},
    {Mnemonic::ld, "LD", kLd, 6, F::knownSet, formBits({12, 16, 18, 29}), F::unknown},
    {Mnemonic::inc, "INC", kInc, 7, F::unknown, 0, F::unknown},
    {Mnemonic::dec, "DEC", kDec, 7, F::unknown, 0, F::unknown},
    {Mnemonic::ldw, "LDW", kLdw, 8, F::knownSet, 0, F::knownSet},
    {Mnemonic::addc, "ADDC", kAddc, 9, F::unknown, 0, F::unknown},
    {Mnemonic::subb, "SUBB", kSubb, 9, F::unknown, 0, F::unknown},
    {Mnemonic::add, "ADD", kAdd, 9, F::unknown, 0, F::unknown},
    {Mnemonic::sub, "SUB", kSub, 9, F::unknown, 0, F::unknown},
    {Mnemonic::and_, "AND", kAnd, 10, F::unknown, 0, F::unknown},
    {Mnemonic::or_, "OR", kOr, 10, F::unknown, 0, F::unknown},
    {Mnemonic::xor_, "XOR", kXor, 10, F::unknown, 0, F::unknown},
    {Mnemonic::cmp, "CMP", kCmp, 10, F::unknown, 0, F::unknown},
    {Mnemonic::jrs, "JRS", kJrs, 11, F::knownSet, 0, F::knownSet},
    {Mnemonic::jr, "JR", kJr, 11, F::knownSet, 0, F::knownSet},
    {Mnemonic::callv, "CALLV", kCallv, 12, F::unknown, 0, F::unknown},
    {Mnemonic::callp, "CALLP", kCallp, 12, F::unknown, 0, F::unknown},
    {Mnemonic::call, "CALL", kCall, 13, F::unknown, 0, F::unknown},
    {Mnemonic::jp, "JP", kJp, 13, F::knownSet, 0, F::knownSet},
    {Mnemonic::rold, "ROLD", kRold, 14, F::knownSet, 0, F::knownSet},
    {Mnemonic::rord, "RORD", kRord, 14, F::knownSet, 0, F::knownSet},
    {Mnemonic::xch, "XCH", kXch, 15, F::knownSet, 0, F::knownSet},
    {Mnemonic::mcmp, "MCMP", kMcmp, 16, F::unknown, 0, F::unknown},
    {Mnemonic::j, "J", kJ, 17, F::knownSet, 0, F::knownSet},
    {Mnemonic::cal, "CAL", kCall, 17, F::unknown, 0, F::unknown},
};
static_assert(std::size(kMnemonics) == kLastMnemonic - kFirstMnemonic + 1);

constexpr bool mnemonicsInCodeOrder() {
  for (std::size_t i = 0; i < std::size(kMnemonics); ++i) {
    if (valueOf(kMnemonics[i].code) != kFirstMnemonic + static_cast<int>(i)) return false;
  }
  return true;
}
static_assert(mnemonicsInCodeOrder());

constexpr bool formsWellMade() {
  for (const MnemonicEntry& entry : kMnemonics) {
    if (entry.classifierClass >= kClassifierClasses || entry.forms.empty()) return false;
    for (const InstructionForm& form : entry.forms) {
      if (form.length > 2 || static_cast<std::size_t>(form.layout) >= kByteLayouts) return false;
      if (form.length == 1 && form.secondByte() != 0) return false;
    }
  }
  return true;
}
static_assert(formsWellMade());

// --- classifier patterns ---

using K = OperandKind;
using S = Shape;

constexpr OperandPattern exactly(Register reg, OperandKind kind = K::none) {
  return {S::specificRegister, static_cast<std::int8_t>(reg), kind};
}
constexpr OperandPattern byteReg(OperandKind kind = K::reg) { return {S::byteRegister, 0, kind}; }
constexpr OperandPattern pairReg(OperandKind kind = K::pair) { return {S::registerPair, 0, kind}; }
constexpr OperandPattern imm(OperandKind kind) { return {S::immediate, 0, kind}; }
constexpr OperandPattern direct(OperandKind kind = K::byte) { return {S::direct, 0, kind}; }
constexpr OperandPattern pointerHL() { return {S::pointerHL, 0, K::none}; }
constexpr OperandPattern mem() { return {S::memory, 0, K::memory}; }
constexpr OperandPattern destMem() { return {S::memory, 0, K::destinationMemory}; }
constexpr OperandPattern bitReg() { return {S::bitRegister, 0, K::reg}; }
constexpr OperandPattern bitDirect() { return {S::bitDirect, 0, K::byte}; }
constexpr OperandPattern bitMem() { return {S::bitMemory, 0, K::memory}; }
constexpr OperandPattern bitInd() { return {S::bitIndirect, 0, K::bitRegister}; }
constexpr OperandPattern anyCond(OperandKind kind) { return {S::anyCondition, 0, kind}; }
constexpr OperandPattern cond(Condition condition) {
  return {S::specificCondition, static_cast<std::int8_t>(condition), K::none};
}
constexpr OperandPattern kNothing{S::immediate, 0, K::none};
constexpr Restriction kNoHLPostIncrement = Restriction::noPostIncrementWithHOrL;

constexpr FormPattern kClass0[] = {{0, 0, kNothing, kNothing}};
constexpr FormPattern kClass1[] = {
    {0, 1, exactly(Register::a), kNothing},
    {1, 1, byteReg(), kNothing},
};
constexpr FormPattern kClass2[] = {
    {0, 2, exactly(Register::w), exactly(Register::a)},
    {1, 2, exactly(Register::b), exactly(Register::c)},
    {2, 2, exactly(Register::d), exactly(Register::e)},
    {3, 2, exactly(Register::h), exactly(Register::l)},
};
constexpr FormPattern kClass3[] = {
    {0, 2, exactly(Register::wa), exactly(Register::c)},
    {1, 2, exactly(Register::de), exactly(Register::c)},
    {2, 2, exactly(Register::hl), exactly(Register::c)},
};
constexpr FormPattern kClass4[] = {
    {0, 1, exactly(Register::psw), kNothing},
    {1, 1, pairReg(), kNothing},
};
constexpr FormPattern kClass5[] = {
    {0, 1, exactly(Register::cf), kNothing},
    {1, 1, bitReg(), kNothing},
    {2, 1, pointerHL(), kNothing},
    {3, 1, direct(), kNothing},
    {4, 1, bitDirect(), kNothing},
    {5, 1, bitMem(), kNothing},
    {6, 1, bitInd(), kNothing},
};
constexpr FormPattern kClass6[] = {
    {0, 2, exactly(Register::rbs), imm(K::vector)},
    {1, 2, pairReg(), imm(K::word)},
    {2, 2, exactly(Register::a), direct()},
    {3, 2, exactly(Register::a), pointerHL()},
    {4, 2, direct(), direct()},
    {5, 2, direct(), exactly(Register::a)},
    {6, 2, pointerHL(), exactly(Register::a)},
    {7, 2, direct(), imm(K::byte)},
    {8, 2, pointerHL(), imm(K::byte)},
    {9, 2, byteReg(), imm(K::byte)},
    {10, 2, exactly(Register::a), byteReg()},
    {11, 2, byteReg(), exactly(Register::a)},
    {12, 2, exactly(Register::cf), bitDirect()},
    {13, 2, pairReg(), pairReg()},
    {14, 2, byteReg(), byteReg()},
    {15, 2, bitInd(), exactly(Register::cf)},
    {16, 2, exactly(Register::cf), bitInd()},
    {17, 2, bitReg(), exactly(Register::cf)},
    {18, 2, exactly(Register::cf), bitReg()},
    {19, 2, exactly(Register::sp), pairReg()},
    {20, 2, pairReg(), exactly(Register::sp)},
    {21, 2, destMem(), pairReg()},
    {22, 2, pairReg(), mem()},
    {23, 2, direct(), mem()},
    {24, 2, pointerHL(), mem()},
    {25, 2, destMem(), imm(K::byte)},
    {26, 2, destMem(), byteReg(), kNoHLPostIncrement},
    {27, 2, byteReg(), mem(), kNoHLPostIncrement},
    {28, 2, bitMem(), exactly(Register::cf)},
    {29, 2, exactly(Register::cf), bitMem()},
    {30, 2, exactly(Register::sp), imm(K::word)},
};
constexpr FormPattern kClass7[] = {
    {0, 1, pairReg(), kNothing}, {1, 1, byteReg(), kNothing}, {2, 1, pointerHL(), kNothing},
    {3, 1, direct(), kNothing},  {4, 1, mem(), kNothing},
};
constexpr FormPattern kClass8[] = {
    {0, 2, direct(), imm(K::word)},
    {1, 2, pointerHL(), imm(K::word)},
};
// Class 9 is the first ten rows, class 10 all twelve.
constexpr FormPattern kAluPatterns[] = {
    {0, 2, exactly(Register::a), imm(K::byte)},
    {1, 2, exactly(Register::a), direct()},
    {2, 2, exactly(Register::a), byteReg()},
    {3, 2, exactly(Register::a), mem()},
    {4, 2, exactly(Register::wa), pairReg()},
    {5, 2, byteReg(), exactly(Register::a)},
    {6, 2, byteReg(), imm(K::byte)},
    {7, 2, pairReg(), imm(K::word)},
    {8, 2, mem(), pointerHL()},
    {9, 2, mem(), imm(K::byte)},
    {10, 2, exactly(Register::cf), bitReg()},
    {11, 2, exactly(Register::cf), bitMem()},
};
constexpr std::size_t kClass9PatternCount = 10;
constexpr FormPattern kClass11[] = {
    {0, 2, cond(Condition::t), imm(K::shortRelative)},
    {1, 2, cond(Condition::f), imm(K::shortRelative)},
    {2, 2, anyCond(K::condition), imm(K::relative)},
    {3, 1, imm(K::relative), kNothing},
};
constexpr FormPattern kClass12[] = {
    {0, 1, imm(K::vector), kNothing},
    {1, 1, imm(K::byte), kNothing},
};
constexpr FormPattern kClass13[] = {
    {0, 1, imm(K::word), kNothing},
    {1, 1, pairReg(), kNothing},
    {2, 1, mem(), kNothing},
};
constexpr FormPattern kClass14[] = {{0, 2, exactly(Register::a), mem()}};
constexpr FormPattern kClass15[] = {
    {0, 2, byteReg(), byteReg()},
    {1, 2, pairReg(), pairReg()},
    {2, 2, byteReg(), mem(), kNoHLPostIncrement},
};
constexpr FormPattern kClass16[] = {{0, 2, mem(), imm(K::byte)}};

constexpr std::span<const FormPattern> kClassPatterns[] = {
    kClass0,                                                          // 0  NOP RETI RET SWI ...
    kClass1,                                                          // 1  SWAP DAA DAS SHLC ...
    kClass2,                                                          // 2  MUL
    kClass3,                                                          // 3  DIV
    kClass4,                                                          // 4  POP PUSH
    kClass5,                                                          // 5  CLR SET CPL TEST
    kClass6,                                                          // 6  LD
    kClass7,                                                          // 7  INC DEC
    kClass8,                                                          // 8  LDW
    std::span<const FormPattern>(kAluPatterns, kClass9PatternCount),  // 9  ADDC SUBB ADD SUB
    kAluPatterns,                                                     // 10 AND OR XOR CMP
    kClass11,                                                         // 11 JRS JR
    kClass12,                                                         // 12 CALLV CALLP
    kClass13,                                                         // 13 CALL JP
    kClass14,                                                         // 14 ROLD RORD
    kClass15,                                                         // 15 XCH
    kClass16,                                                         // 16 MCMP
    {},                                                               // 17 J CAL
};
static_assert(std::size(kClassPatterns) == kClassifierClasses);

// Every pattern names a form inside the form table of each mnemonic of its class, and
// every form a mnemonic has is named by some pattern of its class.
constexpr bool patternsFitForms() {
  for (const MnemonicEntry& entry : kMnemonics) {
    if (entry.classifierClass == kJumpClass) continue;
    std::span<const FormPattern> patterns = kClassPatterns[entry.classifierClass];
    for (const FormPattern& pattern : patterns) {
      if (pattern.form >= entry.forms.size()) return false;
    }
    for (std::size_t form = 0; form < entry.forms.size(); ++form) {
      bool named = false;
      for (const FormPattern& pattern : patterns) named = named || pattern.form == form;
      if (entry.forms[form].exists() && !named) return false;
    }
  }
  return true;
}
static_assert(patternsFitForms());
static_assert(std::size(kJ) == jumpLong + 1);

}  // namespace

const RegisterInfo& registerInfo(std::int32_t reg) { return kRegisters[kRegisterRowByValue[reg]]; }

const ConditionInfo& conditionInfo(std::int32_t condition) { return kConditions[condition]; }

bool isByteRegister(std::int32_t reg) {
  return reg >= 0 && reg < static_cast<std::int32_t>(kRegisterCount) &&
         registerInfo(reg).kind == RegisterKind::byte;
}

bool isRegisterPair(std::int32_t reg) {
  return reg >= 0 && reg < static_cast<std::int32_t>(kRegisterCount) &&
         registerInfo(reg).kind == RegisterKind::pair;
}

std::uint8_t memoryPrefix(int mode, bool destination) {
  return kMemoryPrefixes[2 * mode + (destination ? 1 : 0)];
}

int memoryFieldBytes(int mode) { return kMemoryFieldBytes[mode]; }

std::span<const MnemonicEntry> mnemonicTable() { return kMnemonics; }

const MnemonicEntry* findMnemonic(std::int32_t code) {
  if (code < kFirstMnemonic || code > kLastMnemonic) return nullptr;
  return &kMnemonics[code - kFirstMnemonic];
}

const MnemonicEntry& mnemonicEntry(Mnemonic code) {
  return kMnemonics[valueOf(code) - kFirstMnemonic];
}

std::span<const FormPattern> classifierPatterns(int classifierClass) {
  return kClassPatterns[classifierClass];
}

}  // namespace kz::assembler
