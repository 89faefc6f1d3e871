// The cache of type indices: what lasts, what is forgotten when a body begins or ends, that
// nothing is lost as the table grows, and that the place a type keeps is checked.
#include <gtest/gtest.h>

#include <vector>

#include "cfront/type_index_cache.h"

namespace kz::cfront {
namespace {

TEST(TypeIndexCache, StretchEntriesAreForgottenAndLastingOnesKept) {
  Type a, b, c;
  TypeIndexCache cache;
  EXPECT_EQ(cache.find(&a), 0u);
  cache.remember(&a, 64, true);
  cache.remember(&b, 10000, false);
  EXPECT_EQ(cache.find(&a), 64u);
  EXPECT_EQ(cache.find(&b), 10000u);
  EXPECT_EQ(cache.find(&c), 0u);
  cache.newStretch();
  EXPECT_EQ(cache.find(&a), 64u);
  EXPECT_EQ(cache.find(&b), 0u);
  cache.remember(&b, 10003, false);  // the same type, numbered anew in the next body
  EXPECT_EQ(cache.find(&b), 10003u);
  cache.newStretch();
  EXPECT_EQ(cache.find(&b), 0u);
  cache.remember(&b, 70, true);
  cache.newStretch();
  EXPECT_EQ(cache.find(&b), 70u);
  // The last index a function body can hand out is kept whole.
  cache.remember(&c, TypeIndexCache::kLargestIndex, false);
  EXPECT_EQ(cache.find(&c), 65535u);
}

TEST(TypeIndexCache, ManyTypesSurviveTheTableGrowing) {
  std::vector<Type> types(5000);
  auto indexOf = [&](const Type& type) {
    return 64 + static_cast<std::uint32_t>(&type - &types[0]);
  };
  auto lasts = [](std::uint32_t index) { return index % 3 == 0; };
  TypeIndexCache cache;
  for (Type& type : types) cache.remember(&type, indexOf(type), lasts(indexOf(type)));
  for (Type& type : types) EXPECT_EQ(cache.find(&type), indexOf(type));
  cache.newStretch();
  for (Type& type : types) EXPECT_EQ(cache.find(&type), lasts(indexOf(type)) ? indexOf(type) : 0u);
}

// Each type keeps the place of its entry in one cache; a second cache over the same types (as
// in two runs in one process) must not take the first one's entries for its own.
TEST(TypeIndexCache, APlaceSetByAnotherCacheIsNotTrusted) {
  std::vector<Type> types(3);
  TypeIndexCache first;
  first.remember(&types[0], 64, true);
  first.remember(&types[1], 65, true);
  TypeIndexCache second;
  EXPECT_EQ(second.find(&types[1]), 0u);
  EXPECT_EQ(second.lasting(&types[0]), 0u);
  second.remember(&types[1], 10000, false);
  second.remember(&types[2], 66, true);
  EXPECT_EQ(second.find(&types[1]), 10000u);
  EXPECT_EQ(second.lasting(&types[1]), 0u);
  EXPECT_EQ(first.find(&types[2]), 0u);
  // The first cache no longer finds types[1], whose place the second one took; remembered
  // again, the type gets a new entry there.
  EXPECT_EQ(first.find(&types[1]), 0u);
  first.remember(&types[1], 65, true);
  EXPECT_EQ(first.find(&types[1]), 65u);
  EXPECT_EQ(first.find(&types[0]), 64u);
}

}  // namespace
}  // namespace kz::cfront
