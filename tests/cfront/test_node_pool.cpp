// The node pools: objects handed out across several blocks, taken back at once, and handed out
// again as new objects in the same places.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "cfront/syntax_tree.h"

namespace kz::cfront {
namespace {

TEST(NodePool, ObjectsAreNewAfterResetAndPlacesAreReused) {
  Pool<Expr> pool;
  const std::size_t count = 3 * Pool<Expr>::kBlockItems + 7;
  std::vector<Expr*> first;
  std::set<Expr*> distinct;
  for (std::size_t at = 0; at < count; ++at) {
    Expr* expr = pool.make();
    expr->integer = static_cast<long long>(at);
    expr->arguments.assign(at % 5, expr);  // owned storage the reset must give back
    first.push_back(expr);
    distinct.insert(expr);
  }
  EXPECT_EQ(distinct.size(), count);
  for (std::size_t at = 0; at < count; ++at) ASSERT_EQ(first[at]->integer, (long long)at);

  pool.reset();
  for (std::size_t at = 0; at < count + Pool<Expr>::kBlockItems; ++at) {
    Expr* expr = pool.make();
    // The same places, in the same order.
    if (at < count) {
      ASSERT_EQ(expr, first[at]) << at;
    }
    ASSERT_EQ(expr->integer, 0) << at;
    ASSERT_TRUE(expr->arguments.empty()) << at;
    ASSERT_EQ(expr->type, nullptr) << at;
  }
}

}  // namespace
}  // namespace kz::cfront
