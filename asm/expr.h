#pragma once
// Expressions: the parsed tree of an operand (ExprTree, built by ExprParser in
// asm/expr_parser.h) and its folding into an exprValue.
//
// Folding, 32-bit two's-complement arithmetic throughout:
//  - absolute op absolute folds for every operator. Division or remainder by an absolute
//    zero gives 0 (error 201 in pass 1 only). A shift count of 32 or more (taken unsigned)
//    gives 0; >> is arithmetic.
//  - left : right needs an absolute right operand 1..32 (else error 206) and masks the left
//    to that many low bits; warning 501 when that changed an absolute value, except in the
//    sizing passes. A non-absolute left operand becomes left AND mask.
//  - relocatable +/- absolute stays relocatable; the difference of two relocatable values of
//    the same section is absolute. A symbol or location in an absolute section is absolute.
//  - everything else with a relocatable or external operand is complex: a ComplexTerm tree
//    that uses only operations the object file has a function code for. So a shift of a
//    relocatable value by an absolute count becomes a multiplication or a division by the
//    power of two (exact for the non-negative values addresses are); a shift by a count
//    that is not absolute is error 204. The bitwise operators stay complex (AND, OR, XOR).
//  - a bare external is kind external; external plus anything is complex.
//  - STARTOF of a relocatable section is relocatable (the section at offset 0), of an
//    absolute section its start address; SIZEOF is always complex (the linker knows the
//    size of the combined section).
//  - with a floating operand, + - * / and unary + - are computed in floating point (an
//    integer operand converted); any other operator, or a floating operand mixed with a
//    relocatable one, is error 206.
//  - a name that is still undefined in pass 1 (where the context allows forward references)
//    is absolute 0 marked forwardReference; checks that depend on the value (201, 206 for
//    ':', 501) are skipped for such operands, since the value is not the real one.
// Errors are reported once, where they arise; the result is then kind invalid and every
// operation on an invalid operand stays invalid without further messages.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "asm/reporter.h"
#include "asm/sections.h"
#include "asm/symbols.h"
#include "asm/token.h"

namespace kz::assembler {

enum class ValueKind : std::uint8_t { absolute, relocatable, external, complex, floating, invalid };

// A value the linker resolves, in the shape of the object file's postfix expressions.
enum class TermOp : std::uint8_t {
  constant,       // value
  sectionOffset,  // section base + value (R index offset +)
  external,       // symbol (X index)
  sectionSize,    // size of section (S index)
  negate,
  complement,
  add,
  subtract,
  multiply,
  divide,
  remainder,
  bitAnd,
  bitOr,
  bitXor,
};

// Terms of one value for the linker at most; a longer expression is error 204. It bounds the
// records the object file gets and the depth of every walk over a tree.
inline constexpr std::uint32_t kMaxComplexTerms = 1024;

struct ComplexTerm {
  TermOp op = TermOp::constant;
  std::uint32_t terms = 1;  // in the postfix form, this term and its operands
  std::int32_t value = 0;
  SectionId section = kNoSection;
  SymbolIndex symbol = kNoSymbol;
  std::shared_ptr<const ComplexTerm> left;  // the operand of a unary operation
  std::shared_ptr<const ComplexTerm> right;
};

// Operands before their operator: the order of the object file's expressions.
template <class Visit>
void forEachPostfix(const ComplexTerm& term, Visit&& visit) {
  if (term.left) forEachPostfix(*term.left, visit);
  if (term.right) forEachPostfix(*term.right, visit);
  visit(term);
}

struct exprValue {
  ValueKind kind = ValueKind::absolute;
  FloatPrecision precision = FloatPrecision::dbl;
  bool forwardReference = false;   // pass 1: depends on a name not yet defined
  std::int32_t value = 0;          // absolute value, or offset of a relocatable value
  SymbolIndex symbol = kNoSymbol;  // external symbol; the symbol a relocatable value names
  SectionId section = kNoSection;  // section of a relocatable value
  long double floatValue = 0;
  std::shared_ptr<const ComplexTerm> tree;  // complex values

  bool isAbsolute() const { return kind == ValueKind::absolute; }
  bool isValid() const { return kind != ValueKind::invalid; }
};

// The value as a symbol stores it (EQU); callers reject floating and invalid values first.
SymbolValue symbolValueOf(const exprValue& value);

// --- parsed expressions ---

enum class ExprOp : std::uint8_t {
  integer,   // value
  floating,  // floatValue, precision
  symbol,    // symbol; or kNoSymbol and nameIndex when the name was unknown
  location,  // $
  startOf,   // symbol = the section's record; or kNoSymbol and nameIndex
  sizeOf,
  floatPart,  // part (FIMS 0 .. FIMXL 5) of the floating operand left
  plus,
  negate,
  complement,
  widthLimit,
  multiply,
  divide,
  remainder,
  add,
  subtract,
  shiftLeft,
  shiftRight,
  bitAnd,
  bitXor,
  bitOr,
};

inline constexpr std::uint32_t kNoNode = 0xFFFFFFFFu;

struct ExprNode {
  ExprOp op = ExprOp::integer;
  std::uint8_t part = 0;
  FloatPrecision precision = FloatPrecision::dbl;
  std::int32_t value = 0;
  std::uint32_t nameIndex = 0;
  long double floatValue = 0;
  SymbolIndex symbol = kNoSymbol;
  std::uint32_t left = kNoNode;
  std::uint32_t right = kNoNode;
};

// The parser adds every node after its operands, so the nodes up to the root are the tree in
// postfix order; the root is the last node.
struct ExprTree {
  std::vector<ExprNode> nodes;
  std::vector<std::string> names;  // names that were not in the table when parsed
  std::uint32_t root = kNoNode;
  bool floatingResult = false;  // an operand of FDATAS/FDATAD/FDATAX
  FloatPrecision precision = FloatPrecision::dbl;

  bool valid() const { return root != kNoNode; }
  // Empty again, keeping the storage for the next expression.
  void clear() {
    nodes.clear();
    names.clear();
    root = kNoNode;
    floatingResult = false;
    precision = FloatPrecision::dbl;
  }
};

// What the statement around an expression allows. A rejected reference is reported
// (223 forward, 224 external, 225 section name) and makes the value invalid.
struct ExprContext {
  SectionId locationSection = kNoSection;  // the current section; none: $ is error 215
  std::int32_t location = 0;               // its location counter
  bool forwardAllowed = true;   // false: the value is needed in pass 1 (ORG, DSB, ABS, ...)
  bool externalAllowed = true;  // false: only values of this module
  bool sectionAllowed = false;  // true: a section name stands for its start
};

class Evaluator {
 public:
  Evaluator(const SymbolTable& symbols, Reporter& reporter)
      : symbols_(symbols), reporter_(reporter) {}

  exprValue evaluate(const ExprTree& tree, Pass pass, const ExprContext& context = {}) const;

 private:
  const SymbolTable& symbols_;
  Reporter& reporter_;
};

// The 32-bit part `part` (FIMS .. FIMXL) of the binary form of value.
std::uint32_t floatPartBits(long double value, int part);

}  // namespace kz::assembler
