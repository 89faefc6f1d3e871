// The processor's forms by mnemonic: each group of mnemonics takes its own operands, and a
// word that is no mnemonic (also one longer than any) has no form at all.
#include <gtest/gtest.h>

#include "clike/operands.h"

namespace kz::clike {
namespace {

Operand ofKind(OperandKind kind) {
  Operand operand;
  operand.kind = kind;
  return operand;
}

TEST(OperandForms, EachMnemonicTakesItsOwnOperands) {
  const Operand a = register8Operand(0), w = register8Operand(1), c = register8Operand(2),
                b = register8Operand(3), h = register8Operand(7);
  const Operand wa = register16Operand(0), bc = register16Operand(1), hl = register16Operand(3);
  const Operand five = immediateOperand(5);
  const Operand atHL = memoryOperand(MemoryMode::atHL, "(hl)", false);
  const Operand step = memoryOperand(MemoryMode::hlIncrement, "(hl+)", false);
  const Operand direct = memoryOperand(MemoryMode::direct, "(_x)", false);
  const Operand carry = ofKind(OperandKind::carry);
  const Operand status = ofKind(OperandKind::statusWord);
  Operand condition = ofKind(OperandKind::condition);
  condition.text = "eq";
  Operand bit = ofKind(OperandKind::bit);
  bit.number = 0;
  bit.bitNumber = 3;

  for (const char* m : {"nop", "reti", "ret", "swi", "retn", "di", "ei"})
    EXPECT_TRUE(hasForm(m)) << m;
  for (const char* m : {"halt", "ld", "", "retiretiret"}) EXPECT_FALSE(hasForm(m)) << m;

  for (const char* m : {"swap", "daa", "das", "shlc", "shrc", "rolc", "rorc"}) {
    EXPECT_TRUE(hasForm(m, a)) << m;
    EXPECT_FALSE(hasForm(m, bc)) << m;
  }
  EXPECT_TRUE(hasForm("push", bc));
  EXPECT_TRUE(hasForm("pop", status));
  EXPECT_FALSE(hasForm("push", a));
  for (const char* m : {"inc", "dec"}) {
    EXPECT_TRUE(hasForm(m, b) && hasForm(m, hl) && hasForm(m, atHL) && hasForm(m, step)) << m;
    EXPECT_FALSE(hasForm(m, five)) << m;
  }
  EXPECT_TRUE(hasForm("clr", carry));
  EXPECT_TRUE(hasForm("clr", atHL));
  EXPECT_FALSE(hasForm("test", carry));
  EXPECT_FALSE(hasForm("set", atHL));
  for (const char* m : {"set", "cpl", "test"}) EXPECT_TRUE(hasForm(m, bit)) << m;
  for (const char* m : {"call", "jp", "j"}) {
    EXPECT_TRUE(hasForm(m, five) && hasForm(m, hl) && hasForm(m, atHL)) << m;
    EXPECT_FALSE(hasForm(m, a)) << m;
  }
  EXPECT_TRUE(hasForm("callv", five));
  EXPECT_FALSE(hasForm("callp", hl));
  EXPECT_FALSE(hasForm("ld", a));

  EXPECT_TRUE(hasForm("ld", a, b));
  EXPECT_TRUE(hasForm("ld", hl, five));
  EXPECT_FALSE(hasForm("ld", five, a));
  EXPECT_FALSE(hasForm("ld", h, step));
  EXPECT_TRUE(hasForm("ldw", atHL, five));
  EXPECT_FALSE(hasForm("ldw", a, five));
  for (const char* m : {"add", "sub", "addc", "subb", "and", "or", "xor", "cmp"}) {
    EXPECT_TRUE(hasForm(m, a, atHL) && hasForm(m, direct, five) && hasForm(m, wa, bc)) << m;
    EXPECT_FALSE(hasForm(m, bc, a)) << m;
  }
  EXPECT_TRUE(hasForm("xor", carry, bit));
  EXPECT_FALSE(hasForm("and", carry, bit));
  EXPECT_TRUE(hasForm("mul", w, a));
  EXPECT_FALSE(hasForm("mul", a, w));
  EXPECT_TRUE(hasForm("div", wa, c));
  EXPECT_FALSE(hasForm("div", bc, c));
  EXPECT_TRUE(hasForm("xch", a, b) && hasForm("xch", a, step) && hasForm("xch", bc, hl));
  EXPECT_FALSE(hasForm("xch", h, step));
  EXPECT_TRUE(hasForm("rold", a, atHL) && hasForm("rord", a, direct));
  EXPECT_FALSE(hasForm("rold", b, atHL));
  EXPECT_TRUE(hasForm("mcmp", atHL, five));
  EXPECT_FALSE(hasForm("mcmp", a, five));
  EXPECT_TRUE(hasForm("j", condition, five));
  EXPECT_FALSE(hasForm("j", five, five));
  EXPECT_FALSE(hasForm("halt", a, b));
  EXPECT_FALSE(hasForm("loadloadld", a, b));
}

}  // namespace
}  // namespace kz::clike
