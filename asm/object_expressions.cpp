#include "asm/object_expressions.h"

#include <initializer_list>

namespace kz::assembler {
namespace {

using object::Escape;
using object::Function;
using object::Term;

constexpr std::int64_t kCallVectorBase = 0xC0;
constexpr std::int64_t kCallTableStart = 0xFFC0;
constexpr std::int64_t kCallPageStart = 0xFF00;
constexpr std::int64_t kNibbleCount = 16;
constexpr std::int64_t kShortRange = 32;  // -16..15, shifted by 16
constexpr std::int64_t kShortBias = 16;
constexpr std::int64_t kShortMask = 0x1F;
constexpr std::int64_t kRelativeBase = 2;  // displacements count from the instruction + 2

std::optional<Function> functionOf(TermOp op) {
  switch (op) {
    case TermOp::negate:
      return Function::negate;
    case TermOp::complement:
      return Function::bitNot;
    case TermOp::add:
      return Function::add;
    case TermOp::subtract:
      return Function::subtract;
    case TermOp::multiply:
      return Function::multiply;
    case TermOp::divide:
      return Function::divide;
    case TermOp::remainder:
      return Function::remainder;
    case TermOp::bitAnd:
      return Function::bitAnd;
    case TermOp::bitOr:
      return Function::bitOr;
    case TermOp::bitXor:
      return Function::bitXor;
    default:
      return std::nullopt;
  }
}

bool isUnary(TermOp op) { return op == TermOp::negate || op == TermOp::complement; }

void append(object::Bytes& out, std::initializer_list<Term> terms) {
  for (const Term& term : terms) object::appendTerm(out, term);
}

// value, base, size @INBLOCK: the value, checked by the linker to lie in base..base+size-1.
void holdTo(object::Bytes& out, std::int64_t base, std::int64_t size) {
  append(out, {Term::constant(base), Term::constant(size), Term::escape(Escape::inBlock)});
}

// The expression of an instruction field, as its use wraps the value.
bool appendFieldValue(object::Bytes& out, const FieldRecord& field, SectionId section,
                      ExpressionBuilder& builder) {
  const Term add = Term::function(Function::add);
  const Term subtract = Term::function(Function::subtract);
  switch (field.use) {
    case FieldUse::value:
      return builder.value(out, field.value);
    case FieldUse::bitNumber:
      append(out, {Term::constant(field.baseOpcode)});
      if (!builder.value(out, field.value)) return false;
      append(out, {add});
      return true;
    case FieldUse::bankNumber:
      append(out, {Term::constant(0)});
      if (!builder.value(out, field.value)) return false;
      holdTo(out, 0, kNibbleCount);
      append(out, {add});
      return true;
    case FieldUse::callVector:
      append(out, {Term::constant(kCallVectorBase)});
      if (!builder.value(out, field.value)) return false;
      append(out, {Term::constant(kCallTableStart), subtract, Term::constant(2),
                   Term::function(Function::divide)});
      holdTo(out, 0, kNibbleCount);
      append(out, {add});
      return true;
    case FieldUse::callPage:
      if (!builder.value(out, field.value)) return false;
      append(out, {Term::constant(kCallPageStart), subtract});
      return true;
    case FieldUse::relative:
    case FieldUse::shortRelative:
      // P is the address of the field itself, which lies `offset` bytes into the instruction.
      if (!builder.value(out, field.value)) return false;
      append(out, {Term::loadPointer(ObjectIndices::section(section)), subtract,
                   Term::constant(kRelativeBase - field.offset), subtract});
      if (field.use == FieldUse::relative) return true;
      append(out, {Term::constant(kShortBias), add});
      holdTo(out, 0, kShortRange);
      append(out, {Term::constant(kShortBias), subtract, Term::constant(kShortMask),
                   Term::function(Function::bitAnd), Term::constant(field.baseOpcode), add});
      return true;
  }
  return false;
}

}  // namespace

std::uint64_t ObjectIndices::external(SymbolIndex symbol) {
  if (indexBySymbol_.size() <= symbol) indexBySymbol_.resize(std::size_t{symbol} + 1, 0);
  std::uint32_t& index = indexBySymbol_[symbol];
  if (index == 0) {
    externals_.push_back(symbol);
    index = static_cast<std::uint32_t>(externals_.size());
  }
  return index;
}

void ExpressionBuilder::location(object::Bytes& out, SectionId section, std::int64_t offset,
                                 SectionTermForm form) const {
  if (symbols_.sections()[section].absolute) {
    object::appendTerm(out, Term::constant(offset));
    return;
  }
  if (form == SectionTermForm::withOffset) {
    append(out, {Term::sectionBase(ObjectIndices::section(section)), Term::constant(offset),
                 Term::function(Function::add)});
    return;
  }
  object::appendSectionRelative(out, ObjectIndices::section(section), offset);
}

bool ExpressionBuilder::appendTree(object::Bytes& out, const ComplexTerm& tree,
                                   SectionTermForm form) {
  std::size_t start = out.size();
  bool ok = true;
  forEachPostfix(tree, [&](const ComplexTerm& term) {
    if (!ok) return;
    switch (term.op) {
      case TermOp::constant:
        object::appendTerm(out, Term::constant(term.value));
        return;
      case TermOp::sectionOffset:
        if (term.section >= symbols_.sections().size()) {
          ok = false;
          return;
        }
        location(out, term.section, term.value, form);
        return;
      case TermOp::external:
        if (term.symbol == kNoSymbol) {
          ok = false;
          return;
        }
        object::appendTerm(out, Term::externalSymbol(indices_.external(term.symbol)));
        return;
      case TermOp::sectionSize:
        if (term.section >= symbols_.sections().size()) {
          ok = false;
          return;
        }
        object::appendTerm(out, Term::sectionSize(ObjectIndices::section(term.section)));
        return;
      default:
        break;
    }
    // An operator needs its operands: one for negate and complement, two for the others.
    auto function = functionOf(term.op);
    if (!function || !term.left || (!isUnary(term.op) && !term.right)) {
      ok = false;
      return;
    }
    object::appendTerm(out, Term::function(*function));
  });
  if (!ok) out.resize(start);
  return ok;
}

bool ExpressionBuilder::value(object::Bytes& out, const exprValue& value) {
  switch (value.kind) {
    case ValueKind::absolute:
      object::appendTerm(out, Term::constant(value.value));
      return true;
    case ValueKind::relocatable:
      if (value.section >= symbols_.sections().size()) return false;
      location(out, value.section, value.value);
      return true;
    case ValueKind::external:
      if (value.symbol == kNoSymbol) return false;
      object::appendTerm(out, Term::externalSymbol(indices_.external(value.symbol)));
      if (value.value != 0)
        append(out, {Term::constant(value.value), Term::function(Function::add)});
      return true;
    case ValueKind::complex:
      return value.tree && appendTree(out, *value.tree);
    case ValueKind::floating:
    case ValueKind::invalid:
      return false;
  }
  return false;
}

bool ExpressionBuilder::symbolValue(object::Bytes& out, SymbolIndex index) {
  constexpr auto kForm = SectionTermForm::withOffset;
  if (const auto& expression = symbols_.expression(index))
    return appendTree(out, *expression, kForm);
  const symbolEntry& symbol = symbols_.entry(index);
  if (symbol.section == kNoSection || symbol.section >= symbols_.sections().size()) {
    object::appendTerm(out, Term::constant(symbol.value));
    return true;
  }
  location(out, symbol.section, symbol.value, kForm);
  return true;
}

std::optional<std::uint32_t> appendFieldRelocation(object::Bytes& out, const FieldRecord& field,
                                                   SectionId section, ExpressionBuilder& builder) {
  auto check = field.use == FieldUse::relative ? object::FieldCheck::signedField
                                               : object::FieldCheck::unsignedField;
  std::uint32_t width = field.use == FieldUse::value ? field.widthCode : 1;
  std::size_t start = out.size();
  object::openRelocationItem(out, check);
  if (!appendFieldValue(out, field, section, builder)) {
    out.resize(start);
    return std::nullopt;
  }
  object::closeRelocationItem(out, check, width);
  return width;
}

}  // namespace kz::assembler
