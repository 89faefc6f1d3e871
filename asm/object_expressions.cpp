#include "asm/object_expressions.h"

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

void append(object::Expression& out, std::initializer_list<Term> terms) {
  out.insert(out.end(), terms.begin(), terms.end());
}

// value, base, size @INBLOCK: the value, checked by the linker to lie in base..base+size-1.
void holdTo(object::Expression& out, std::int64_t base, std::int64_t size) {
  append(out, {Term::constant(base), Term::constant(size), Term::escape(Escape::inBlock)});
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

object::Expression ExpressionBuilder::location(SectionId section, std::int64_t offset) const {
  const sectionEntry& entry = symbols_.sections()[section];
  if (entry.absolute) return {Term::constant(offset)};
  return object::sectionRelative(ObjectIndices::section(section), offset);
}

bool ExpressionBuilder::appendTree(object::Expression& out, const ComplexTerm& tree) {
  bool ok = true;
  forEachPostfix(tree, [&](const ComplexTerm& term) {
    if (!ok) return;
    switch (term.op) {
      case TermOp::constant:
        out.push_back(Term::constant(term.value));
        return;
      case TermOp::sectionOffset: {
        if (term.section >= symbols_.sections().size()) {
          ok = false;
          return;
        }
        auto place = location(term.section, term.value);
        out.insert(out.end(), place.begin(), place.end());
        return;
      }
      case TermOp::external:
        if (term.symbol == kNoSymbol) {
          ok = false;
          return;
        }
        out.push_back(Term::externalSymbol(indices_.external(term.symbol)));
        return;
      case TermOp::sectionSize:
        if (term.section >= symbols_.sections().size()) {
          ok = false;
          return;
        }
        out.push_back(Term::sectionSize(ObjectIndices::section(term.section)));
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
    out.push_back(Term::function(*function));
  });
  return ok;
}

std::optional<object::Expression> ExpressionBuilder::value(const exprValue& value) {
  object::Expression out;
  switch (value.kind) {
    case ValueKind::absolute:
      out.push_back(Term::constant(value.value));
      return out;
    case ValueKind::relocatable:
      if (value.section >= symbols_.sections().size()) return std::nullopt;
      return location(value.section, value.value);
    case ValueKind::external:
      if (value.symbol == kNoSymbol) return std::nullopt;
      out.push_back(Term::externalSymbol(indices_.external(value.symbol)));
      if (value.value != 0)
        append(out, {Term::constant(value.value), Term::function(Function::add)});
      return out;
    case ValueKind::complex:
      if (!value.tree || !appendTree(out, *value.tree)) return std::nullopt;
      return out;
    case ValueKind::floating:
    case ValueKind::invalid:
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<object::Expression> ExpressionBuilder::symbolValue(SymbolIndex index) {
  if (const auto& expression = symbols_.expression(index)) {
    object::Expression out;
    if (!appendTree(out, *expression)) return std::nullopt;
    return out;
  }
  const symbolEntry& symbol = symbols_.entry(index);
  if (symbol.section == kNoSection || symbol.section >= symbols_.sections().size()) {
    return object::Expression{Term::constant(symbol.value)};
  }
  return location(symbol.section, symbol.value);
}

std::optional<FieldRelocation> fieldRelocation(const FieldRecord& field, SectionId section,
                                               ExpressionBuilder& builder) {
  auto value = builder.value(field.value);
  if (!value) return std::nullopt;
  FieldRelocation item;
  item.width = field.widthCode;
  object::Expression& body = item.body;
  switch (field.use) {
    case FieldUse::value:
      body = std::move(*value);
      break;
    case FieldUse::bitNumber:
      body.push_back(Term::constant(field.baseOpcode));
      body.insert(body.end(), value->begin(), value->end());
      body.push_back(Term::function(Function::add));
      item.width = 1;
      break;
    case FieldUse::bankNumber:
      body.push_back(Term::constant(0));
      body.insert(body.end(), value->begin(), value->end());
      holdTo(body, 0, kNibbleCount);
      body.push_back(Term::function(Function::add));
      item.width = 1;
      break;
    case FieldUse::callVector:
      body.push_back(Term::constant(kCallVectorBase));
      body.insert(body.end(), value->begin(), value->end());
      append(body, {Term::constant(kCallTableStart), Term::function(Function::subtract),
                    Term::constant(2), Term::function(Function::divide)});
      holdTo(body, 0, kNibbleCount);
      body.push_back(Term::function(Function::add));
      item.width = 1;
      break;
    case FieldUse::callPage:
      body = std::move(*value);
      append(body, {Term::constant(kCallPageStart), Term::function(Function::subtract)});
      item.width = 1;
      break;
    case FieldUse::relative:
    case FieldUse::shortRelative: {
      // P is the address of the field itself, which lies `offset` bytes into the instruction.
      body = std::move(*value);
      append(
          body,
          {Term::loadPointer(ObjectIndices::section(section)), Term::function(Function::subtract),
           Term::constant(kRelativeBase - field.offset), Term::function(Function::subtract)});
      item.width = 1;
      if (field.use == FieldUse::relative) {
        item.check = object::FieldCheck::signedField;
        break;
      }
      append(body, {Term::constant(kShortBias), Term::function(Function::add)});
      holdTo(body, 0, kShortRange);
      append(body, {Term::constant(kShortBias), Term::function(Function::subtract),
                    Term::constant(kShortMask), Term::function(Function::bitAnd),
                    Term::constant(field.baseOpcode), Term::function(Function::add)});
      break;
    }
  }
  return item;
}

}  // namespace kz::assembler
