#include "viewer/expression_text.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace kz::viewer {
namespace {

using object::Function;
using object::Term;
using object::TermKind;

// Deeper trees are shown in postfix: the text stays linear in the expression's size.
constexpr int kMaxInfixDepth = 32;

constexpr int kAtom = 100;
constexpr int kUnary = 90;

struct Operator {
  Function code;
  std::string_view symbol;  // empty: written as a call, "@MAX(a, b)"
  int precedence;
};

// clang-format off
constexpr Operator kOperators[] = {
    {Function::negate,    "-",  kUnary},
    {Function::bitNot,    "~",  kUnary},
    {Function::multiply,  "*",  80},
    {Function::divide,    "/",  80},
    {Function::remainder, "%",  80},
    {Function::add,       "+",  70},
    {Function::subtract,  "-",  70},
    {Function::less,      "<",  60},
    {Function::greater,   ">",  60},
    {Function::equal,     "=",  55},
    {Function::notEqual,  "!=", 55},
    {Function::bitAnd,    "&",  50},
    {Function::bitXor,    "^",  45},
    {Function::bitOr,     "|",  40},
};
// clang-format on

const Operator* findOperator(std::uint64_t code) {
  auto found = std::find_if(
      std::begin(kOperators), std::end(kOperators),
      [&](const Operator& entry) { return static_cast<std::uint64_t>(entry.code) == code; });
  return found == std::end(kOperators) ? nullptr : found;
}

struct Node {
  std::string text;
  int precedence = kAtom;
  int depth = 1;
};

std::string wrapped(const Node& node, bool parenthesize) {
  return parenthesize ? "(" + node.text + ")" : node.text;
}

class InfixBuilder {
 public:
  explicit InfixBuilder(const ModuleNames& names) : names_(names) {}

  std::optional<std::string> build(const object::Expression& expression) {
    for (const Term& term : expression) {
      if (!apply(term)) return std::nullopt;
    }
    if (stack_.size() != 1) return std::nullopt;
    return std::move(stack_.back().text);
  }

 private:
  bool apply(const Term& term) {
    switch (term.kind) {
      case TermKind::number:
        stack_.push_back({numberText(term.value)});
        return true;
      case TermKind::variable:
        stack_.push_back({names_.variableText(term.letter, term.value)});
        return true;
      case TermKind::function:
        return applyFunction(term.value);
      case TermKind::escape:
        return applyEscape(term.value);
    }
    return false;
  }

  bool applyFunction(std::uint64_t code) {
    const object::FunctionInfo* info = object::findFunction(static_cast<std::uint8_t>(code));
    if (info == nullptr || info->operands == object::kUnknownArity) return false;
    const Operator* op = findOperator(code);
    if (op == nullptr) return call(info->name, info->operands);
    if (op->precedence == kUnary) return unary(*op);
    return binary(*op);
  }

  bool applyEscape(std::uint64_t number) {
    const object::EscapeInfo* info = object::findEscape(number);
    if (info == nullptr || info->operands == object::kUnknownArity) return false;
    return call(info->name, info->operands);
  }

  bool unary(const Operator& op) {
    if (stack_.empty()) return false;
    Node operand = std::move(stack_.back());
    stack_.pop_back();
    return push({std::string(op.symbol) + wrapped(operand, operand.precedence < kUnary), kUnary,
                 operand.depth + 1});
  }

  bool binary(const Operator& op) {
    if (stack_.size() < 2) return false;
    Node right = std::move(stack_.back());
    stack_.pop_back();
    Node left = std::move(stack_.back());
    stack_.pop_back();
    std::string text = wrapped(left, left.precedence < op.precedence) + std::string(op.symbol) +
                       wrapped(right, right.precedence <= op.precedence);
    return push({std::move(text), op.precedence, std::max(left.depth, right.depth) + 1});
  }

  bool call(std::string_view name, int operandCount) {
    auto count = static_cast<std::size_t>(operandCount);
    if (stack_.size() < count) return false;
    std::string text(name);
    text += "(";
    int depth = 0;
    for (std::size_t i = stack_.size() - count; i < stack_.size(); ++i) {
      if (i != stack_.size() - count) text += ", ";
      text += stack_[i].text;
      depth = std::max(depth, stack_[i].depth);
    }
    text += ")";
    stack_.resize(stack_.size() - count);
    return push({std::move(text), kAtom, depth + 1});
  }

  bool push(Node node) {
    if (node.depth > kMaxInfixDepth) return false;
    stack_.push_back(std::move(node));
    return true;
  }

  const ModuleNames& names_;
  std::vector<Node> stack_;
};

std::string termText(const Term& term, const ModuleNames& names) {
  switch (term.kind) {
    case TermKind::number:
      return numberText(term.value);
    case TermKind::variable:
      return names.variableText(term.letter, term.value);
    case TermKind::function: {
      const object::FunctionInfo* info =
          object::findFunction(static_cast<std::uint8_t>(term.value));
      return info != nullptr ? std::string(info->name) : "?";
    }
    case TermKind::escape: {
      const object::EscapeInfo* info = object::findEscape(term.value);
      return info != nullptr ? std::string(info->name) : "@ESCAPE(" + numberText(term.value) + ")";
    }
  }
  return "?";
}

const std::map<std::uint64_t, std::string>* namesFor(const ModuleNames& names, char letter) {
  switch (letter) {
    case 'L':
    case 'P':
    case 'R':
    case 'S':
      return &names.sections;
    case 'I':
      return &names.publics;
    case 'X':
      return &names.externals;
    case 'N':
      return &names.locals;
    default:
      return nullptr;
  }
}

}  // namespace

std::string ModuleNames::variableText(char letter, std::uint64_t index) const {
  if (letter < 'A' || letter > 'Z') letter = '?';
  if (!object::variableHasIndex(letter)) return std::string(1, letter);
  if (const auto* table = namesFor(*this, letter)) {
    auto found = table->find(index);
    if (found != table->end() && !found->second.empty())
      return std::string(1, letter) + "(" + found->second + ")";
  }
  return std::string(1, letter) + std::to_string(index);
}

std::string ModuleNames::sectionText(std::uint64_t index) const {
  auto found = sections.find(index);
  if (found != sections.end() && !found->second.empty()) return found->second;
  return "section " + std::to_string(index);
}

std::string numberText(std::uint64_t value) {
  if (value <= 9) return std::to_string(value);
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

std::string hexText(std::uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

std::string postfixText(const object::Expression& expression, const ModuleNames& names) {
  std::string text = "postfix:";
  for (const Term& term : expression) text += " " + termText(term, names);
  return text;
}

std::string expressionText(const object::Expression& expression, const ModuleNames& names) {
  InfixBuilder builder(names);
  if (auto infix = builder.build(expression)) return *infix;
  return postfixText(expression, names);
}

}  // namespace kz::viewer
