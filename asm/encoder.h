#pragma once
// The instruction encoder: one instruction statement (a mnemonic and its parsed operands)
// into at most five bytes, with a field record for every value the object writer may have
// to relocate.
//
// Per pass:
//   pass 1   checks placement (215, 504), operand count (231) and types (230); sizes.
//   sizing   sizes only; J statements measure their targets again (asm/jump.h).
//   final    evaluates every operand, range-checks (501 truncated, 227, 300) and produces
//            the bytes and field records.
// The caller calls beginPass() before each pass and encode() once for every instruction
// statement of that pass, in source order, also for statements that already have errors:
// the J statements are matched with their sizing data by their order.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "asm/expr.h"
#include "asm/instruction_tables.h"
#include "asm/jump.h"
#include "asm/operand.h"
#include "asm/reporter.h"
#include "asm/run_options.h"
#include "asm/symbols.h"

namespace kz::assembler {

inline constexpr std::size_t kMaxInstructionBytes = 5;
inline constexpr std::size_t kMaxFieldRecords = 3;

// What a field holds, so the object writer can build the linker's expression for it.
enum class FieldUse : std::uint8_t {
  value,          // the value itself, widthCode bytes, low byte first
  bitNumber,      // a bit number added to baseOpcode
  bankNumber,     // LD RBS,n: the value held to 0..15
  callVector,     // CALLV: C0 + (value - FFC0) / 2, held to 0..15
  callPage,       // CALLP: value - FF00
  shortRelative,  // JRS: 5-bit displacement merged into baseOpcode (80 or A0)
  relative,       // JR and J: 8-bit displacement
};

struct FieldRecord {
  std::uint8_t operand = 0;  // 0 or 1
  FieldUse use = FieldUse::value;
  std::uint8_t offset = 0;          // the field's first byte in the instruction
  std::uint8_t widthCode = 1;       // 1, 2, 3: 8, 16, 24 bits
  std::uint8_t lastByteOffset = 0;  // the instruction's last byte
  std::uint8_t baseOpcode = 0;  // bitNumber and shortRelative: the byte the value is merged into
  bool pcRelative = false;      // the value is a target; the field holds target - (location + 2)
  bool targetInOtherSection = false;
  bool targetExternal = false;
  bool forLinker = false;  // the object writer must write a relocation item
  exprValue value;         // the operand's value (the target of a PC-relative field)
};

struct EncodedInstruction {
  std::uint8_t size = 0;
  std::array<std::uint8_t, kMaxInstructionBytes> bytes{};
  std::uint8_t fieldCount = 0;
  std::array<FieldRecord, kMaxFieldRecords> fields;
  Mnemonic encodedAs = Mnemonic::nop;  // CALL for CAL, JP for J with a non-immediate operand
  int form = -1;                       // form index in encodedAs's table; -1 when failed
  bool failed = false;                 // `size` zero bytes stand for the statement

  // Makes the instruction empty again; the byte and field storage is reused as it stands.
  void start(Mnemonic mnemonic, int formIndex) {
    size = 0;
    fieldCount = 0;
    encodedAs = mnemonic;
    form = formIndex;
    failed = false;
  }

  std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
  std::span<const FieldRecord> fieldRecords() const { return {fields.data(), fieldCount}; }
};

struct InstructionPlace {
  SectionId section = kNoSection;  // kNoSection: outside any section (215)
  std::uint32_t location = 0;      // the section's location counter at the statement
};

class Encoder {
 public:
  Encoder(const SymbolTable& symbols, Reporter& reporter, const RunOptions& options);

  void beginPass(Pass pass);
  // Encodes one instruction statement into `result`. Fills in the operands' values, memory
  // modes and kinds. Statements outside any section have size 0. Before the final pass only
  // the size, the form and the failure mark of `result` are meaningful.
  void encode(std::int32_t mnemonic, std::span<Operand> operands, const InstructionPlace& place,
              EncodedInstruction& result);
  EncodedInstruction encode(std::int32_t mnemonic, std::span<Operand> operands,
                            const InstructionPlace& place) {
    EncodedInstruction result;
    encode(mnemonic, operands, place, result);
    return result;
  }

  JumpFlagState jumpFlag() const { return jumpFlag_.state(); }
  // Where control can join (a label) or code does not follow the instruction before it.
  void forgetJumpFlag() { jumpFlag_.forget(); }
  // This sizing pass changed the form of some J. Label values alone do not show every such
  // change (a J after the last label of a section), so the sizing loop should also repeat
  // on it.
  bool layoutChanged() const { return layoutChanged_; }
  std::size_t jumpStatements() const { return workArea_.size(); }

 private:
  struct Statement;

  bool checkPlacement(const InstructionPlace& place);
  const MnemonicEntry& resolve(const MnemonicEntry& entry, std::span<Operand> operands) const;
  bool evaluateOperands(Statement& statement);
  exprValue evaluate(const ExprTree& tree, const Statement& statement, bool silent);
  bool valuesUsable(const Statement& statement);
  struct ClassifiedShape;
  int classify(const Statement& statement, ClassifiedShape*& remembered) const;
  int classifyUncached(const Statement& statement) const;
  bool countFits(const Statement& statement) const;
  void encodeJump(Statement& statement, EncodedInstruction& result);
  void failedStatement(const Statement& statement, int form, EncodedInstruction& result);
  void reportInPass1(Message message);
  std::int64_t& jumpGrowth(SectionId section);

  const SymbolTable& symbols_;
  Reporter& reporter_;
  bool optimise_;
  Pass pass_ = Pass::first;
  JumpFlagTracker jumpFlag_;
  JumpWorkArea workArea_;
  bool layoutChanged_ = false;
  std::vector<std::int64_t> jumpGrowth_;  // by section

  // The form chosen for a mnemonic and the shapes of its operands, remembered: a program
  // uses few combinations, each very often. Direct-mapped by a hash of the shape key. The
  // size follows from the same shapes, so the passes before the final one take it from
  // here instead of laying the bytes out.
  struct ClassifiedShape {
    std::uint64_t key = 0;  // 0: empty
    int form = -1;
    std::array<OperandKind, 2> kinds{};
    std::uint8_t size = 0;  // 0: not yet laid out
  };
  static constexpr int kShapeCacheBits = 9;
  static constexpr std::size_t kShapeCacheSize = std::size_t{1} << kShapeCacheBits;
  mutable std::array<ClassifiedShape, kShapeCacheSize> shapeCache_{};
};

}  // namespace kz::assembler
