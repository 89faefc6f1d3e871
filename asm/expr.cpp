#include "asm/expr.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace kz::assembler {

namespace {

using TermPtr = std::shared_ptr<const ComplexTerm>;

struct TermMapping {
  ExprOp op;
  TermOp term;
};

constexpr TermMapping kComplexOperations[] = {
    {ExprOp::negate, TermOp::negate},       {ExprOp::complement, TermOp::complement},
    {ExprOp::multiply, TermOp::multiply},   {ExprOp::divide, TermOp::divide},
    {ExprOp::remainder, TermOp::remainder}, {ExprOp::add, TermOp::add},
    {ExprOp::subtract, TermOp::subtract},   {ExprOp::bitAnd, TermOp::bitAnd},
    {ExprOp::bitXor, TermOp::bitXor},       {ExprOp::bitOr, TermOp::bitOr},
};

TermOp termOpOf(ExprOp op) {
  for (const TermMapping& mapping : kComplexOperations) {
    if (mapping.op == op) return mapping.term;
  }
  return TermOp::constant;
}

TermPtr makeTerm(TermOp op, TermPtr left = nullptr, TermPtr right = nullptr) {
  auto term = std::make_shared<ComplexTerm>();
  term->op = op;
  std::uint64_t terms = 1 + (left ? left->terms : 0) + (right ? right->terms : 0);
  term->terms = static_cast<std::uint32_t>(std::min<std::uint64_t>(terms, kMaxComplexTerms + 1));
  term->left = std::move(left);
  term->right = std::move(right);
  return term;
}

TermPtr constantTerm(std::int32_t value) {
  auto term = std::make_shared<ComplexTerm>();
  term->value = value;
  return term;
}

TermPtr termOf(const exprValue& value) {
  switch (value.kind) {
    case ValueKind::relocatable: {
      auto term = std::make_shared<ComplexTerm>();
      term->op = TermOp::sectionOffset;
      term->section = value.section;
      term->value = value.value;
      return term;
    }
    case ValueKind::external: {
      auto term = std::make_shared<ComplexTerm>();
      term->op = TermOp::external;
      term->symbol = value.symbol;
      return term;
    }
    case ValueKind::complex:
      return value.tree;
    default:
      return constantTerm(value.value);
  }
}

bool containsExternal(const ComplexTerm& term) {
  bool found = false;
  forEachPostfix(term, [&](const ComplexTerm& t) { found = found || t.op == TermOp::external; });
  return found;
}

exprValue absoluteValue(std::int32_t value) {
  exprValue result;
  result.value = value;
  return result;
}

exprValue relocatableValue(SectionId section, std::int32_t offset, SymbolIndex symbol) {
  exprValue result;
  result.kind = ValueKind::relocatable;
  result.section = section;
  result.value = offset;
  result.symbol = symbol;
  return result;
}

exprValue complexValue(TermPtr tree) {
  exprValue result;
  result.kind = ValueKind::complex;
  result.tree = std::move(tree);
  return result;
}

exprValue floatingValue(long double value, FloatPrecision precision) {
  exprValue result;
  result.kind = ValueKind::floating;
  result.floatValue = value;
  result.precision = precision;
  return result;
}

exprValue forwardPlaceholder() {
  exprValue result;
  result.forwardReference = true;
  return result;
}

exprValue invalidValue() {
  exprValue result;
  result.kind = ValueKind::invalid;
  return result;
}

long double roundTo(long double value, FloatPrecision precision) {
  switch (precision) {
    case FloatPrecision::single:
      return static_cast<float>(value);
    case FloatPrecision::dbl:
      return static_cast<double>(value);
    default:
      return value;
  }
}

std::int32_t wrap(std::uint32_t value) { return static_cast<std::int32_t>(value); }

// Both operands absolute; division by zero and shift counts are checked by the caller.
std::int32_t foldAbsolute(ExprOp op, std::int32_t a, std::int32_t b) {
  auto ua = static_cast<std::uint32_t>(a);
  auto ub = static_cast<std::uint32_t>(b);
  bool overflowingDivision = a == std::numeric_limits<std::int32_t>::min() && b == -1;
  switch (op) {
    case ExprOp::multiply:
      return wrap(ua * ub);
    case ExprOp::divide:
      return overflowingDivision ? a : a / b;
    case ExprOp::remainder:
      return overflowingDivision ? 0 : a % b;
    case ExprOp::add:
      return wrap(ua + ub);
    case ExprOp::subtract:
      return wrap(ua - ub);
    case ExprOp::shiftLeft:
      return wrap(ua << ub);
    case ExprOp::shiftRight:
      return a >> ub;
    case ExprOp::bitAnd:
      return a & b;
    case ExprOp::bitXor:
      return a ^ b;
    case ExprOp::bitOr:
      return a | b;
    default:
      return 0;
  }
}

struct ExtendedBits {
  std::uint16_t signExponent = 0;
  std::uint64_t mantissa = 0;  // with the explicit integer bit
};

// The 80-bit extended form, built arithmetically so the host's long double layout does not
// matter.
ExtendedBits toExtended(long double value) {
  ExtendedBits bits;
  std::uint16_t sign = std::signbit(value) ? 0x8000 : 0;
  bits.signExponent = sign;
  if (value == 0) return bits;
  if (std::isinf(value) || std::isnan(value)) {
    bits.signExponent = sign | 0x7FFF;
    bits.mantissa = std::isnan(value) ? 0xC000000000000000ull : 0x8000000000000000ull;
    return bits;
  }
  int exponent = 0;
  long double fraction = std::frexp(std::fabs(value), &exponent);  // [0.5, 1)
  std::uint64_t mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
  int biased = exponent - 1 + 16383;
  if (biased <= 0) {
    mantissa = 1 - biased < 64 ? mantissa >> (1 - biased) : 0;
    biased = 0;
  }
  bits.signExponent = static_cast<std::uint16_t>(sign | biased);
  bits.mantissa = mantissa;
  return bits;
}

// The operands waiting for their operator while a tree is folded. Most expressions need a
// few slots, which are made only when used (a fold is frequent, a value not small); deeper
// nesting goes on to the heap.
class ValueStack {
 public:
  ValueStack() = default;
  ValueStack(const ValueStack&) = delete;
  ValueStack& operator=(const ValueStack&) = delete;
  ~ValueStack() {
    while (size_ > 0) pop();
  }

  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }
  void push(exprValue value) {
    if (size_ < kInlineSlots)
      new (slot(size_)) exprValue(std::move(value));
    else
      overflow_.push_back(std::move(value));
    ++size_;
  }
  exprValue pop() {
    --size_;
    if (size_ < kInlineSlots) {
      exprValue* top = std::launder(reinterpret_cast<exprValue*>(slot(size_)));
      exprValue value = std::move(*top);
      top->~exprValue();
      return value;
    }
    exprValue value = std::move(overflow_.back());
    overflow_.pop_back();
    return value;
  }

 private:
  static constexpr std::size_t kInlineSlots = 8;
  void* slot(std::size_t index) { return slots_ + index * sizeof(exprValue); }

  alignas(exprValue) unsigned char slots_[kInlineSlots * sizeof(exprValue)];
  std::vector<exprValue> overflow_;
  std::size_t size_ = 0;
};

class Folder {
 public:
  Folder(const SymbolTable& symbols, Reporter& reporter, const ExprTree& tree, Pass pass,
         const ExprContext& context)
      : symbols_(symbols), reporter_(reporter), tree_(tree), pass_(pass), context_(context) {}

  exprValue fold();

 private:
  exprValue fail(Message message, std::string_view argument = {}) {
    reporter_.reportError(message, argument);
    return invalidValue();
  }
  static bool isLeaf(ExprOp op);
  exprValue leaf(const ExprNode& node);
  exprValue binary(ExprOp op, const exprValue& left, const exprValue& right);
  exprValue foldBinary(ExprOp op, const exprValue& a, const exprValue& b);
  // A value for the linker, unless its expression grew past what the object file takes.
  exprValue complexOf(TermPtr term) {
    if (term->terms > kMaxComplexTerms) return fail(Message::invalidRelocatable);
    return complexValue(std::move(term));
  }
  exprValue symbolValue(const ExprNode& node);
  exprValue definedValue(SymbolIndex index, const symbolEntry& symbol);
  exprValue undefinedName();
  exprValue locationValue();
  exprValue sectionFunction(const ExprNode& node);
  exprValue floatPart(const ExprNode& node, const exprValue& operand);
  exprValue unary(ExprOp op, const exprValue& operand);
  exprValue floating(ExprOp op, const exprValue& a, const exprValue& b);
  exprValue widthLimit(const exprValue& a, const exprValue& b);
  exprValue shift(ExprOp op, const exprValue& a, const exprValue& b);
  exprValue division(ExprOp op, const exprValue& a, const exprValue& b);
  exprValue addition(const exprValue& a, const exprValue& b);
  exprValue subtraction(const exprValue& a, const exprValue& b);

  const SymbolTable& symbols_;
  Reporter& reporter_;
  const ExprTree& tree_;
  Pass pass_;
  const ExprContext& context_;
};

// The parser adds a node after its operands, so the nodes up to the root are the tree in
// postfix order: folding them in index order on a stack of values needs no recursion, however
// long a chain of operators is, and the stack stays as shallow as the operands nest.
exprValue Folder::fold() {
  // A lone name or constant, the commonest operand after a plain number, needs no stack.
  if (tree_.root == 0) return leaf(tree_.nodes[0]);
  ValueStack stack;
  for (std::uint32_t id = 0; id <= tree_.root; ++id) {
    const ExprNode& node = tree_.nodes[id];
    switch (node.op) {
      case ExprOp::floatPart:
        if (stack.empty()) reporter_.fatal(Message::internalError);
        stack.push(floatPart(node, stack.pop()));
        break;
      case ExprOp::plus:
      case ExprOp::negate:
      case ExprOp::complement:
        if (stack.empty()) reporter_.fatal(Message::internalError);
        stack.push(unary(node.op, stack.pop()));
        break;
      default:
        if (isLeaf(node.op)) {
          stack.push(leaf(node));
          break;
        }
        if (stack.size() < 2) reporter_.fatal(Message::internalError);
        exprValue right = stack.pop();
        exprValue left = stack.pop();
        stack.push(binary(node.op, left, right));
    }
  }
  if (stack.size() != 1) reporter_.fatal(Message::internalError);
  return stack.pop();
}

bool Folder::isLeaf(ExprOp op) {
  switch (op) {
    case ExprOp::integer:
    case ExprOp::floating:
    case ExprOp::symbol:
    case ExprOp::location:
    case ExprOp::startOf:
    case ExprOp::sizeOf:
      return true;
    default:
      return false;
  }
}

exprValue Folder::leaf(const ExprNode& node) {
  switch (node.op) {
    case ExprOp::integer:
      return absoluteValue(node.value);
    case ExprOp::floating:
      return floatingValue(node.floatValue, node.precision);
    case ExprOp::symbol:
      return symbolValue(node);
    case ExprOp::location:
      return locationValue();
    case ExprOp::startOf:
    case ExprOp::sizeOf:
      return sectionFunction(node);
    default:
      reporter_.fatal(Message::internalError);
  }
}

exprValue Folder::binary(ExprOp op, const exprValue& left, const exprValue& right) {
  if (!left.isValid() || !right.isValid()) return invalidValue();
  exprValue result = foldBinary(op, left, right);
  if (result.isValid()) result.forwardReference = left.forwardReference || right.forwardReference;
  return result;
}

exprValue Folder::foldBinary(ExprOp op, const exprValue& a, const exprValue& b) {
  if (a.kind == ValueKind::floating || b.kind == ValueKind::floating) return floating(op, a, b);
  switch (op) {
    case ExprOp::widthLimit:
      return widthLimit(a, b);
    case ExprOp::shiftLeft:
    case ExprOp::shiftRight:
      return shift(op, a, b);
    case ExprOp::divide:
    case ExprOp::remainder:
      return division(op, a, b);
    case ExprOp::add:
      return addition(a, b);
    case ExprOp::subtract:
      return subtraction(a, b);
    default:
      break;
  }
  if (a.isAbsolute() && b.isAbsolute()) return absoluteValue(foldAbsolute(op, a.value, b.value));
  return complexOf(makeTerm(termOpOf(op), termOf(a), termOf(b)));
}

// --- names ---

exprValue Folder::symbolValue(const ExprNode& node) {
  SymbolIndex index = node.symbol;
  if (index == kNoSymbol) index = symbols_.find(tree_.names[node.nameIndex]);
  if (index == kNoSymbol) return undefinedName();
  const symbolEntry* symbol = &symbols_.entry(index);
  if (symbol->state == symbolState::hidden) {
    index = symbols_.sections()[symbol->section].symbol;
    symbol = &symbols_.entry(index);
  }
  if (symbol->multiplyDefined) return fail(Message::multiDefinedReference);
  switch (symbol->state) {
    case symbolState::label:
    case symbolState::value:
      return definedValue(index, *symbol);
    case symbolState::referenced:
    case symbolState::publicDeclared:
      return undefinedName();
    case symbolState::external: {
      if (!context_.externalAllowed) return fail(Message::externalReference);
      exprValue result;
      result.kind = ValueKind::external;
      result.symbol = index;
      return result;
    }
    case symbolState::section: {
      if (!context_.sectionAllowed) return fail(Message::sectionReference);
      const sectionEntry& section = symbols_.sections()[symbol->section];
      if (section.absolute) return absoluteValue(static_cast<std::int32_t>(section.startAddress));
      return relocatableValue(symbol->section, 0, kNoSymbol);
    }
    case symbolState::location:
      return locationValue();
    default:
      return fail(Message::illegalSymbolReference);
  }
}

exprValue Folder::definedValue(SymbolIndex index, const symbolEntry& symbol) {
  if (const auto& expression = symbols_.expression(index)) {
    if (!context_.externalAllowed && containsExternal(*expression))
      return fail(Message::externalReference);
    if (expression->op == TermOp::external) {
      exprValue result;
      result.kind = ValueKind::external;
      result.symbol = expression->symbol;
      return result;
    }
    return complexValue(expression);
  }
  if (symbol.section == kNoSection || symbols_.sections()[symbol.section].absolute) {
    return absoluteValue(symbol.value);
  }
  return relocatableValue(symbol.section, symbol.value, index);
}

exprValue Folder::undefinedName() {
  if (pass_ != Pass::first) return fail(Message::undefinedSymbol);
  if (!context_.forwardAllowed) return fail(Message::forwardReference);
  return forwardPlaceholder();
}

exprValue Folder::locationValue() {
  if (context_.locationSection == kNoSection) return fail(Message::noSectionDefinition);
  if (symbols_.sections()[context_.locationSection].absolute)
    return absoluteValue(context_.location);
  return relocatableValue(context_.locationSection, context_.location, kNoSymbol);
}

exprValue Folder::sectionFunction(const ExprNode& node) {
  SymbolIndex index = node.symbol;
  if (index == kNoSymbol) index = symbols_.findSection(tree_.names[node.nameIndex]);
  if (index == kNoSymbol) {
    if (pass_ == Pass::first && context_.forwardAllowed) return forwardPlaceholder();
    return fail(Message::sectionMissing, tree_.names[node.nameIndex]);
  }
  SectionId id = symbols_.entry(index).section;
  const sectionEntry& section = symbols_.sections()[id];
  if (node.op == ExprOp::sizeOf) {
    auto term = std::make_shared<ComplexTerm>();
    term->op = TermOp::sectionSize;
    term->section = id;
    return complexValue(std::move(term));
  }
  if (section.absolute) return absoluteValue(static_cast<std::int32_t>(section.startAddress));
  return relocatableValue(id, 0, kNoSymbol);
}

exprValue Folder::floatPart(const ExprNode& node, const exprValue& operand) {
  if (!operand.isValid()) return operand;
  long double value = 0;
  if (operand.kind == ValueKind::floating) {
    value = operand.floatValue;
  } else if (operand.isAbsolute()) {
    value = operand.value;
  } else {
    return fail(Message::invalidExpression);
  }
  exprValue result = absoluteValue(static_cast<std::int32_t>(floatPartBits(value, node.part)));
  result.forwardReference = operand.forwardReference;
  return result;
}

// --- operators ---

exprValue Folder::unary(ExprOp op, const exprValue& operand) {
  if (!operand.isValid() || op == ExprOp::plus) return operand;
  exprValue result = operand;
  if (operand.kind == ValueKind::floating) {
    if (op == ExprOp::complement) return fail(Message::invalidExpression);
    result.floatValue = -operand.floatValue;
  } else if (operand.isAbsolute()) {
    auto bits = static_cast<std::uint32_t>(operand.value);
    result.value = wrap(op == ExprOp::negate ? 0u - bits : ~bits);
  } else {
    result = complexOf(makeTerm(termOpOf(op), termOf(operand)));
    result.forwardReference = operand.forwardReference;
  }
  return result;
}

exprValue Folder::floating(ExprOp op, const exprValue& a, const exprValue& b) {
  bool numeric = (a.kind == ValueKind::floating || a.isAbsolute()) &&
                 (b.kind == ValueKind::floating || b.isAbsolute());
  bool allowed =
      op == ExprOp::add || op == ExprOp::subtract || op == ExprOp::multiply || op == ExprOp::divide;
  if (!numeric || !allowed) return fail(Message::invalidExpression);
  auto asFloating = [](const exprValue& v) {
    return v.kind == ValueKind::floating ? v.floatValue : static_cast<long double>(v.value);
  };
  long double x = asFloating(a);
  long double y = asFloating(b);
  FloatPrecision precision = FloatPrecision::single;
  for (const exprValue* v : {&a, &b}) {
    if (v->kind == ValueKind::floating && v->precision > precision) precision = v->precision;
  }
  long double result = 0;
  switch (op) {
    case ExprOp::add:
      result = x + y;
      break;
    case ExprOp::subtract:
      result = x - y;
      break;
    case ExprOp::multiply:
      result = x * y;
      break;
    default:
      if (y == 0) {
        if (pass_ == Pass::first && !b.forwardReference)
          reporter_.reportError(Message::divideByZero);
      } else {
        result = x / y;
      }
  }
  return floatingValue(result, precision);
}

exprValue Folder::widthLimit(const exprValue& a, const exprValue& b) {
  if (b.forwardReference) return forwardPlaceholder();
  if (!b.isAbsolute() || b.value < 1 || b.value > 32) return fail(Message::invalidExpression);
  std::uint32_t mask = b.value == 32 ? 0xFFFFFFFFu : (1u << b.value) - 1;
  if (!a.isAbsolute())
    return complexOf(makeTerm(TermOp::bitAnd, termOf(a), constantTerm(wrap(mask))));
  std::int32_t masked = wrap(static_cast<std::uint32_t>(a.value) & mask);
  if (masked != a.value && pass_ != Pass::sizing && !a.forwardReference)
    reporter_.reportWarning(Message::valueOutOfRange);
  return absoluteValue(masked);
}

exprValue Folder::shift(ExprOp op, const exprValue& a, const exprValue& b) {
  if (!b.isAbsolute()) return fail(Message::invalidRelocatable);
  auto count = static_cast<std::uint32_t>(b.value);
  if (count >= 32) return absoluteValue(0);
  if (a.isAbsolute()) return absoluteValue(foldAbsolute(op, a.value, b.value));
  if (count == 0) return a;
  TermOp scaled = op == ExprOp::shiftLeft ? TermOp::multiply : TermOp::divide;
  return complexOf(makeTerm(scaled, termOf(a), constantTerm(wrap(1u << count))));
}

exprValue Folder::division(ExprOp op, const exprValue& a, const exprValue& b) {
  if (b.isAbsolute() && b.value == 0) {
    if (pass_ == Pass::first && !b.forwardReference) reporter_.reportError(Message::divideByZero);
    return absoluteValue(0);
  }
  if (a.isAbsolute() && b.isAbsolute()) return absoluteValue(foldAbsolute(op, a.value, b.value));
  return complexOf(makeTerm(termOpOf(op), termOf(a), termOf(b)));
}

exprValue Folder::addition(const exprValue& a, const exprValue& b) {
  if (a.isAbsolute() && b.isAbsolute())
    return absoluteValue(foldAbsolute(ExprOp::add, a.value, b.value));
  if (a.kind == ValueKind::relocatable && b.isAbsolute()) {
    return relocatableValue(a.section, foldAbsolute(ExprOp::add, a.value, b.value), a.symbol);
  }
  if (a.isAbsolute() && b.kind == ValueKind::relocatable) {
    return relocatableValue(b.section, foldAbsolute(ExprOp::add, a.value, b.value), b.symbol);
  }
  return complexOf(makeTerm(TermOp::add, termOf(a), termOf(b)));
}

exprValue Folder::subtraction(const exprValue& a, const exprValue& b) {
  std::int32_t difference = foldAbsolute(ExprOp::subtract, a.value, b.value);
  if (a.isAbsolute() && b.isAbsolute()) return absoluteValue(difference);
  if (a.kind == ValueKind::relocatable && b.isAbsolute()) {
    return relocatableValue(a.section, difference, a.symbol);
  }
  if (a.kind == ValueKind::relocatable && b.kind == ValueKind::relocatable &&
      a.section == b.section) {
    return absoluteValue(difference);
  }
  return complexOf(makeTerm(TermOp::subtract, termOf(a), termOf(b)));
}

}  // namespace

SymbolValue symbolValueOf(const exprValue& value) {
  SymbolValue result;
  switch (value.kind) {
    case ValueKind::relocatable:
      result.section = value.section;
      result.value = value.value;
      break;
    case ValueKind::external:
    case ValueKind::complex:
      result.expression = termOf(value);
      break;
    default:
      result.value = value.value;
  }
  return result;
}

exprValue Evaluator::evaluate(const ExprTree& tree, Pass pass, const ExprContext& context) const {
  if (!tree.valid()) return invalidValue();
  // The most common operand of all, a plain number, needs no folding.
  if (tree.nodes.size() == 1 && tree.nodes[0].op == ExprOp::integer && !tree.floatingResult) {
    return absoluteValue(tree.nodes[0].value);
  }
  Folder folder(symbols_, reporter_, tree, pass, context);
  exprValue result = folder.fold();
  if (!tree.floatingResult || !result.isValid()) return result;
  if (result.isAbsolute()) {
    result.floatValue = result.value;
  } else if (result.kind != ValueKind::floating) {
    reporter_.reportError(Message::invalidExpression);
    return invalidValue();
  }
  result.kind = ValueKind::floating;
  result.precision = tree.precision;
  result.floatValue = roundTo(result.floatValue, tree.precision);
  return result;
}

std::uint32_t floatPartBits(long double value, int part) {
  if (part == 0) {
    auto single = static_cast<float>(value);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    return bits;
  }
  if (part <= 2) {
    auto dbl = static_cast<double>(value);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &dbl, sizeof bits);
    return static_cast<std::uint32_t>(part == 1 ? bits >> 32 : bits);
  }
  ExtendedBits extended = toExtended(value);
  if (part == 3) return extended.signExponent;
  return static_cast<std::uint32_t>(part == 4 ? extended.mantissa >> 32 : extended.mantissa);
}

}  // namespace kz::assembler
