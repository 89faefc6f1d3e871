// The node table of one statement: nodes and kept types stay where they are while the
// table grows, and a statement after clear() starts from fresh nodes.
#include <gtest/gtest.h>

#include "clike/conversions.h"
#include "clike/expression.h"
#include "clike/symbol_table.h"

namespace kz::clike {
namespace {

Type pointerToChar() {
  Type type;
  type.base = BaseType::ucharType;
  type.derivations.push_back(Derivation{});
  return type;
}

TEST(ExpressionTable, NodesStayInPlaceUpToTheCapacity) {
  ExpressionTable table;
  int first = table.add();
  Node& held = table[first];
  held.kind = NodeKind::name;
  held.value = 7;
  for (std::size_t i = 1; i < ExpressionTable::kCapacity; ++i) table.add();
  EXPECT_EQ(&held, &table[first]);
  EXPECT_EQ(held.kind, NodeKind::name);
  EXPECT_EQ(held.value, 7);
}

TEST(ExpressionTable, ANodeAfterClearHasDefaultFields) {
  ExpressionTable table;
  SymbolEntry name;
  Node used;
  used.kind = NodeKind::binary;
  used.a = 3;
  used.b = 4;
  used.first = 5;
  used.symbol = &name;
  used.text = "+";
  used.word = true;
  table.add(used);
  table.clear();
  int at = table.add();
  EXPECT_EQ(at, 0);
  const Node& fresh = table[at];
  EXPECT_EQ(fresh.kind, NodeKind::constant);
  EXPECT_EQ(fresh.a, -1);
  EXPECT_EQ(fresh.b, -1);
  EXPECT_EQ(fresh.first, -1);
  EXPECT_EQ(fresh.symbol, nullptr);
  EXPECT_TRUE(fresh.text.empty());
  EXPECT_FALSE(fresh.word);
}

TEST(ExpressionTable, KeptTypesOutliveLaterOnesAndCastTypesKeepTheirIndex) {
  ExpressionTable table;
  int cast = table.addType(pointerToChar());
  ValueType value = ValueType::of(table.keep(pointerToChar()));
  const Type* first = &value.type();
  for (int i = 0; i < 2000; ++i) table.keep(pointerToChar());
  EXPECT_EQ(first, &value.type());
  EXPECT_TRUE(value.type().isPointer());
  EXPECT_EQ(value.size, 2u);
  EXPECT_TRUE(table.type(cast).isPointer());
  EXPECT_EQ(table.addType(Type{}), 2002);
  table.clear();
  EXPECT_EQ(table.addType(Type{}), 0);
}

}  // namespace
}  // namespace kz::clike
