#pragma once
// The linker's expressions for one module: symbol values, data items and the relocated
// fields of instructions, as postfix terms of the object format.
//
// Index numbers used in the module:
//   sections   1, 2, ... in the order the source first names them (SectionId + 1)
//   externals  X 1, 2, ... in the order the module first uses them in an expression it
//              writes; only those get an external record
//   publics    I 34, 35, ... in hash-chain order, and then, from the same counter, the N
//              names of the debug part (local symbols and the names of the debug blocks);
//              N 32 and N 33 name the attribute and environment parts
#include <cstdint>
#include <optional>
#include <vector>

#include "asm/encoder.h"
#include "asm/expr.h"
#include "asm/symbols.h"
#include "object/ieee695.h"

namespace kz::assembler {

inline constexpr std::uint64_t kAttributePartName = 32;
inline constexpr std::uint64_t kEnvironmentPartName = 33;
inline constexpr std::uint64_t kFirstSymbolName = 34;

class ObjectIndices {
 public:
  static std::uint64_t section(SectionId id) { return std::uint64_t{id} + 1; }
  // The external's X index, given on its first use.
  std::uint64_t external(SymbolIndex symbol);
  // The used externals by index: element i has index i + 1.
  const std::vector<SymbolIndex>& externals() const { return externals_; }

 private:
  std::vector<SymbolIndex> externals_;
  std::vector<std::uint32_t> indexBySymbol_;  // 0: not used yet
};

// How a place in a relocatable section is written: R index, with "offset +" only when the
// offset is not 0 (load pointers and the expressions of data and fields), or always with the
// offset (the values of symbols).
enum class SectionTermForm : std::uint8_t { compact, withOffset };

// Appends values to `out` as encoded expressions: a relocatable value as R index [offset +],
// an absolute section's address and every constant as a number, an external as X index, the
// operators of a complex value in postfix. A value that cannot be written leaves `out` as it
// was.
class ExpressionBuilder {
 public:
  ExpressionBuilder(const SymbolTable& symbols, ObjectIndices& indices)
      : symbols_(symbols), indices_(indices) {}

  // False when the value cannot be written (floating, invalid, a damaged tree).
  bool value(object::Bytes& out, const exprValue& value);
  // A symbol's value: its expression, its section offset, or its absolute value; a place in
  // a relocatable section always as R index offset +.
  bool symbolValue(object::Bytes& out, SymbolIndex index);
  // A place in a section: R index [offset +], or the address as a number in an absolute
  // section (whose values are addresses already).
  void location(object::Bytes& out, SectionId section, std::int64_t offset,
                SectionTermForm form = SectionTermForm::compact) const;

 private:
  bool appendTree(object::Bytes& out, const ComplexTerm& tree,
                  SectionTermForm form = SectionTermForm::compact);

  const SymbolTable& symbols_;
  ObjectIndices& indices_;
};

// Appends the relocation item of an instruction field the linker completes: bracket, value
// expression, width, bracket. The expression, by the field's use:
//   value         the value, widthCode bytes
//   bitNumber     base opcode + bit
//   bankNumber    0 + INBLOCK(value, 0, 16)
//   callVector    C0 + INBLOCK((value - FFC0) / 2, 0, 16)
//   callPage      value - FF00
//   relative      target - P - (2 - offset), signed: for a field at instruction + 1 that is
//                 target - (instruction + 2), the displacement the instruction takes
//   shortRelative the same displacement, held to -16..15, its low five bits merged into 80/A0
// `section` is the section the instruction is in (its load pointer P). Returns the item's
// width in bytes, or nothing, with `out` as it was, when the field's value cannot be written.
std::optional<std::uint32_t> appendFieldRelocation(object::Bytes& out, const FieldRecord& field,
                                                   SectionId section, ExpressionBuilder& builder);

}  // namespace kz::assembler
