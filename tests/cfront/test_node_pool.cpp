// The node pools: objects handed out across several blocks, taken back at once, and handed out
// again as new objects in the same places.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
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

// Texts kept whole whatever their size, each where the last left off until the reset, and the
// blocks used again after it.
TEST(TextPool, KeepsTextsOfEverySizeAndReusesItsBlocks) {
  TextPool pool;
  std::vector<std::string> texts;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{100},
                           TextPool::kBlockSize - 50, TextPool::kBlockSize + 3, std::size_t{7}})
    texts.push_back(std::string(size, static_cast<char>('a' + size % 26)));
  for (int round = 0; round < 2; ++round) {
    std::vector<std::string_view> kept;
    for (const std::string& text : texts) kept.push_back(pool.keep(text));
    for (std::size_t at = 0; at < texts.size(); ++at) ASSERT_EQ(kept[at], texts[at]) << at;
    EXPECT_EQ(kept[2].data(), kept[1].data() + 1);  // small texts follow one another
    pool.reset();
  }
}

}  // namespace
}  // namespace kz::cfront
