#pragma once
// Expression trees: nodes in a table of fixed size (full: fatal 125), built by the
// expression parser for one statement at a time and folded where constant.
#include <cstdint>
#include <deque>
#include <string_view>
#include <utility>
#include <vector>

#include "clike/operands.h"
#include "clike/token.h"
#include "clike/types.h"

namespace kz::clike {

struct SymbolEntry;

enum class NodeKind : std::uint8_t {
  constant,
  name,        // a declared name
  register8,   // value: the register number 0..7
  register16,  // value: 0..3 for WA BC DE HL; special registers below
  special,     // SP, PSW, RBS, PC: value is the token value
  condition,   // value: the token value of the condition name
  string,
  indirect,     // a register-indirect form: mode, word, index text
  unary,        // op: token value; a: operand
  binary,       // op and opClass; a, b
  assign,       // op: 39 for '=', else the compound operation; a target, b value
  increment,    // op 10 / 11; postfix flag in value
  call,         // a: callee; arguments from `first` through `next`
  address,      // &a
  member,       // a.member: symbol is the member name; value 1 for '->'
  index,        // a[b]
  bit,          // a.b: b is the bit number or a register
  instruction,  // an instruction function: op; arguments
  sizeOf,
  conditional,  // a ? b : c (folded only)
  cast,         // (type) a: value is the type's index in the table
};

struct Node {
  NodeKind kind = NodeKind::constant;
  TokenClass opClass = TokenClass::endOfInput;
  std::int32_t op = 0;
  std::int32_t value = 0;
  SymbolEntry* symbol = nullptr;
  int a = -1, b = -1, c = -1;
  int first = -1;  // first argument
  int next = -1;   // next argument in a list
  int count = 0;   // number of arguments
  std::string_view text;
  MemoryMode mode = MemoryMode::atHL;
  bool word = false;
  std::int32_t displacement = 0;
};

class ExpressionTable {
 public:
  static constexpr std::size_t kCapacity = 512;

  // The nodes stay in place: a reference to one holds while others are added.
  ExpressionTable() : nodes_(kCapacity) {}
  // Fatal 125 when the table is full.
  int add(const Node& node) {
    int at = next();
    nodes_[static_cast<std::size_t>(at)] = node;
    return at;
  }
  // A node of default fields, for the caller to fill in place.
  int add() { return add(Node{}); }
  Node& operator[](int at) { return nodes_[static_cast<std::size_t>(at)]; }
  const Node& operator[](int at) const { return nodes_[static_cast<std::size_t>(at)]; }
  void clear() {
    count_ = 0;
    if (!types_.empty()) clearTypes();  // most statements have none
  }
  // The types written in the expression (casts), by index.
  int addType(Type type) {
    types_.push_back(std::move(type));
    return static_cast<int>(types_.size() - 1);
  }
  const Type& type(int at) const { return types_[static_cast<std::size_t>(at)]; }
  // A type made while the statement's code is chosen (a pointer's target, an address), kept
  // with the cast types so that values may refer to it until the table is cleared.
  const Type& keep(Type type) {
    types_.push_back(std::move(type));
    return types_.back();
  }

 private:
  int next() {
    if (count_ >= kCapacity) overflow();
    return static_cast<int>(count_++);
  }
  [[noreturn]] static void overflow();
  [[gnu::noinline]] void clearTypes();

  std::vector<Node> nodes_;  // kCapacity of them, the first count_ in use
  std::size_t count_ = 0;
  std::deque<Type> types_;  // stays in place as it grows
};

// The value of an operation on constants, or nothing.
bool foldOperation(const ExpressionTable& nodes, int at, std::int32_t& value);

// The value of a constant expression, or nothing. Asked of nearly every operand: names and
// registers are answered here without a call.
inline bool foldConstant(const ExpressionTable& nodes, int at, std::int32_t& value) {
  if (at < 0) return false;
  const Node& node = nodes[at];
  switch (node.kind) {
    case NodeKind::constant:
    case NodeKind::sizeOf:
      value = node.value;
      return true;
    case NodeKind::unary:
    case NodeKind::cast:
    case NodeKind::conditional:
    case NodeKind::binary:
      return foldOperation(nodes, at, value);
    default:
      return false;
  }
}

}  // namespace kz::clike
