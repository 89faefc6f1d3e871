// The emitter's cache of type indices: what lasts, what is forgotten when a body begins or
// ends, and that nothing is lost as the table grows.
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

}  // namespace
}  // namespace kz::cfront
