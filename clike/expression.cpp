#include "clike/expression.h"

#include "clike/fatal.h"
#include "clike/symbol_table.h"

namespace kz::clike {

void ExpressionTable::overflow() { raiseFatal(Message::treeNodeTableOverflow); }

void ExpressionTable::clearTypes() { types_.clear(); }

bool foldOperation(const ExpressionTable& nodes, int at, std::int32_t& value) {
  const Node& node = nodes[at];
  std::int32_t x = 0, y = 0;
  switch (node.kind) {
    case NodeKind::unary:
      if (node.opClass == TokenClass::star) return false;  // a byte in memory
      if (!foldConstant(nodes, node.a, x)) return false;
      switch (node.opClass) {
        case TokenClass::minus:
          value = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(x));
          return true;
        case TokenClass::plus:
          value = x;
          return true;
        case TokenClass::unaryOperator:
          value = node.text == "!" ? !x : ~x;
          return true;
        default:
          return false;
      }
    case NodeKind::cast: {
      // Only a number cast to a number or a data pointer stays a number.
      const Type& type = nodes.type(node.value);
      if (type.isPointer() ? type.isFunctionPointer() : !isInteger(type)) return false;
      if (!foldConstant(nodes, node.a, x)) return false;
      std::uint32_t size = sizeOf(type);
      if (size == 1) x = isUnsigned(type) ? x & 0xFF : static_cast<std::int8_t>(x);
      if (size == 2)
        x = isUnsigned(type) || type.isPointer() ? x & 0xFFFF : static_cast<std::int16_t>(x);
      value = x;
      return true;
    }
    case NodeKind::conditional:
      if (!foldConstant(nodes, node.a, x)) return false;
      return foldConstant(nodes, x ? node.b : node.c, value);
    case NodeKind::binary: {
      if (!foldConstant(nodes, node.a, x) || !foldConstant(nodes, node.b, y)) return false;
      auto ux = static_cast<std::uint32_t>(x), uy = static_cast<std::uint32_t>(y);
      std::string_view op = node.text;
      if (op == "+")
        value = static_cast<std::int32_t>(ux + uy);
      else if (op == "-")
        value = static_cast<std::int32_t>(ux - uy);
      else if (op == "*")
        value = static_cast<std::int32_t>(ux * uy);
      else if (op == "/" || op == "%") {
        if (y == 0) return false;
        if (x == INT32_MIN && y == -1) return false;
        value = op == "/" ? x / y : x % y;
      } else if (op == "<<")
        value = y < 0 || y > 31 ? 0 : static_cast<std::int32_t>(ux << y);
      else if (op == ">>")
        value = y < 0 || y > 31 ? (x < 0 ? -1 : 0) : x >> y;
      else if (op == "&")
        value = x & y;
      else if (op == "|")
        value = x | y;
      else if (op == "^")
        value = x ^ y;
      else if (op == "&&")
        value = x && y;
      else if (op == "||")
        value = x || y;
      else if (op == "<")
        value = x < y;
      else if (op == "<=")
        value = x <= y;
      else if (op == ">")
        value = x > y;
      else if (op == ">=")
        value = x >= y;
      else if (op == "==")
        value = x == y;
      else if (op == "!=")
        value = x != y;
      else
        return false;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace kz::clike
