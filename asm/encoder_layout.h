#pragma once
// The byte-layout routines 0..16: the order in which a form writes its opcode bytes, its
// operand fields and its bit numbers, and the encoding of one operand by its kind.
#include <span>

#include "asm/encoder.h"

namespace kz::assembler {

struct LayoutRequest {
  const MnemonicEntry& entry;  // the mnemonic being encoded (CALL for CAL, JP or J for J)
  int form;
  std::span<Operand> operands;  // values evaluated, kinds and memory modes assigned
  InstructionPlace place;
  bool sectionAbsolute = false;
  // The final pass: range checks with 501, 227 and 300, and the field records. The other
  // passes need only the size (and bytes, which cost nothing to make).
  bool finalPass = false;
};

class InstructionWriter {
 public:
  InstructionWriter(const SymbolTable& symbols, Reporter& reporter)
      : symbols_(symbols), reporter_(reporter) {}

  void write(const LayoutRequest& request, EncodedInstruction& result);

 private:
  const SymbolTable& symbols_;
  Reporter& reporter_;
};

// A PC-relative target the encoder computes itself: in the statement's section, or an
// absolute address seen from an absolute section.
bool isTargetInReach(const exprValue& target, const InstructionPlace& place, bool sectionAbsolute);

}  // namespace kz::assembler
