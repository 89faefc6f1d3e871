// The node pools: objects handed out across several blocks, taken back at once, and handed out
// again as new objects in the same places.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "cfront/syntax_tree.h"

namespace kz::cfront {
namespace {

// A node that owns heap storage, as initialisers do: the reset must give it back.
struct OwningNode {
  long long integer = 0;
  std::vector<OwningNode*> arguments;
  TypeRef type = nullptr;
};

TEST(NodePool, ObjectsAreNewAfterResetAndPlacesAreReused) {
  Pool<OwningNode> pool;
  const std::size_t count = 3 * Pool<OwningNode>::kBlockItems + 7;
  std::vector<OwningNode*> first;
  std::set<OwningNode*> distinct;
  for (std::size_t at = 0; at < count; ++at) {
    OwningNode* expr = pool.make();
    expr->integer = static_cast<long long>(at);
    expr->arguments.assign(at % 5, expr);  // owned storage the reset must give back
    first.push_back(expr);
    distinct.insert(expr);
  }
  EXPECT_EQ(distinct.size(), count);
  for (std::size_t at = 0; at < count; ++at) ASSERT_EQ(first[at]->integer, (long long)at);

  pool.reset();
  for (std::size_t at = 0; at < count + Pool<OwningNode>::kBlockItems; ++at) {
    OwningNode* expr = pool.make();
    // The same places, in the same order.
    if (at < count) {
      ASSERT_EQ(expr, first[at]) << at;
    }
    ASSERT_EQ(expr->integer, 0) << at;
    ASSERT_TRUE(expr->arguments.empty()) << at;
    ASSERT_EQ(expr->type, nullptr) << at;
  }
}

TEST(NodePool, ExpressionNodesFillWholeLinesAndComeBackCleared) {
  Pool<Expr> pool;
  std::vector<Expr*> first;
  for (std::size_t at = 0; at < 2 * Pool<Expr>::kBlockItems + 3; ++at) {
    Expr* expr = pool.make();
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(expr) % 64, 0u) << at;
    expr->kind = ExprKind::name;
    expr->integer = 5;
    expr->symbol = reinterpret_cast<Symbol*>(expr);
    first.push_back(expr);
  }
  pool.reset();
  for (Expr* was : first) {
    Expr* expr = pool.make();
    ASSERT_EQ(expr, was);
    ASSERT_EQ(expr->kind, ExprKind::integerConstant);
    ASSERT_EQ(expr->integer, 0);
    ASSERT_EQ(expr->third, nullptr);  // the shared place is cleared with it
  }
}

// The fields that share a place are read only through the kind they belong to.
TEST(NodePool, SharedFieldsAnswerOnlyForTheirKind) {
  Member field;
  field.isBitField = true;
  Expr* list[2] = {nullptr, nullptr};
  Expr name;
  name.kind = ExprKind::name;
  name.symbol = reinterpret_cast<Symbol*>(&field);
  EXPECT_EQ(name.member(), nullptr);
  EXPECT_TRUE(name.arguments().empty());
  EXPECT_TRUE(name.text().empty());
  EXPECT_FALSE(name.wide());

  Expr member;
  member.kind = ExprKind::pointerMember;
  member.memberInfo = &field;
  EXPECT_EQ(member.member(), &field);

  Expr call;
  call.kind = ExprKind::call;
  call.argumentList = list;
  call.argumentCount = 2;
  EXPECT_EQ(call.arguments().data(), list);
  EXPECT_EQ(call.arguments().size(), 2u);
  EXPECT_EQ(call.member(), nullptr);

  LiteralText bytes{"a\0b", true};
  Expr literal;
  literal.kind = ExprKind::stringLiteral;
  literal.literal = &bytes;
  EXPECT_EQ(literal.text(), "a\0b");
  EXPECT_TRUE(literal.wide());
  EXPECT_TRUE(literal.arguments().empty());
}

TEST(PointerRuns, RunsAreDisjointEvenPastABlockAndComeBackInOrder) {
  PointerRuns<Expr> runs;
  const std::size_t sizes[] = {
      3, PointerRuns<Expr>::kBlockPointers - 2, 5, 3 * PointerRuns<Expr>::kBlockPointers, 0, 1, 7};
  std::vector<Expr**> first;
  std::vector<std::pair<Expr**, Expr**>> spans;
  for (std::size_t size : sizes) {
    Expr** run = runs.take(size);
    for (std::size_t at = 0; at < size; ++at) run[at] = reinterpret_cast<Expr*>(run + at);
    first.push_back(run);
    if (size) spans.push_back({run, run + size});
  }
  // Every run still holds what was put in it: none overlaps another.
  for (std::size_t i = 0; i < first.size(); ++i) {
    for (std::size_t at = 0; at < sizes[i]; ++at) {
      ASSERT_EQ(first[i][at], reinterpret_cast<Expr*>(first[i] + at)) << i << ' ' << at;
    }
  }
  for (std::size_t i = 0; i < spans.size(); ++i) {
    for (std::size_t j = i + 1; j < spans.size(); ++j) {
      EXPECT_TRUE(spans[i].second <= spans[j].first || spans[j].second <= spans[i].first);
    }
  }

  runs.reset();
  // The same sizes again take the same places.
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    Expr** run = runs.take(sizes[i]);
    if (sizes[i]) {
      EXPECT_EQ(run, first[i]) << i;
    }
  }
}

}  // namespace
}  // namespace kz::cfront
