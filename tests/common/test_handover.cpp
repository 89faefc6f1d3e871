#include <gtest/gtest.h>

#include "common/handover.h"

namespace kz {
namespace {

TEST(Handover, BlockHasBlanksRootsThenArguments) {
  auto block = buildHandoverBlock(std::string("/opt/kz"), std::nullopt, std::string("/tmp/w"),
                                  {"-o", "a.rel"});
  std::vector<std::string> expected{" ", " ", " ", " ", "/opt/kz", " ", "/tmp/w", "-o", "a.rel"};
  EXPECT_EQ(block, expected);
}

TEST(Handover, RoundTripKeepsArgumentsThatBeginWithABlank) {
  std::vector<std::string> words{" leading blank", "-$", "", "last"};
  auto block = buildHandoverBlock(std::nullopt, std::string("/k"), std::nullopt, words);
  ProgramEnvironment environment({"asmzel", "-z@"}, block);
  ASSERT_TRUE(environment.handoverMode());
  EXPECT_EQ(environment.arguments(), words);
  EXPECT_EQ(environment.lookup("KHOME"), "/k");
  // KHOMEZEL's entry is blank: names beginning with KHOME fall back to... the same blank
  // fifth entry, then to a real variable, of which there is none.
  EXPECT_EQ(environment.lookup("KHOMEZEL"), std::nullopt);
  EXPECT_EQ(environment.lookup("TMP"), std::nullopt);
}

TEST(Handover, QuotedWordsWithBlanksLoseTheirQuotes) {
  auto block = buildHandoverBlock(std::nullopt, std::nullopt, std::nullopt,
                                  {"\"my prog.asm\"", "\"noblank\"", "\"", "\"a b"});
  ProgramEnvironment environment({"asmzel", "-z@"}, block);
  EXPECT_EQ(environment.arguments(),
            (std::vector<std::string>{"my prog.asm", "\"noblank\"", "\"", "\"a b"}));
}

TEST(Handover, BlankKhomeFallsBackToFifthEntry) {
  auto block = buildHandoverBlock(std::string("/zel"), std::nullopt, std::nullopt, {});
  ProgramEnvironment environment({"asmzel", "-z@"}, block);
  EXPECT_EQ(environment.lookup("KHOME"), "/zel");
  EXPECT_EQ(environment.lookup("KHOMEZEL"), "/zel");
}

TEST(Handover, BlankEntryFallsBackToRealVariable) {
  auto block = buildHandoverBlock(std::nullopt, std::nullopt, std::nullopt, {"a.asm"});
  block.push_back("TMP=/real");  // an ordinary variable later in the block
  ProgramEnvironment environment({"asmzel", "-z@"}, block);
  EXPECT_EQ(environment.lookup("TMP"), "/real");
}

TEST(Handover, ShortBlockGivesNoArguments) {
  ProgramEnvironment environment({"asmzel", "-z@"}, {" ", " "});
  EXPECT_TRUE(environment.arguments().empty());
  EXPECT_EQ(environment.lookup("KHOME"), std::nullopt);
}

TEST(Handover, OrdinaryStartUsesArgvAndVariables) {
  ProgramEnvironment environment({"asmzel", "-V", "a.asm"}, {"KHOMEZEL=/r", "KHOME=", "TMPX=no"});
  EXPECT_FALSE(environment.handoverMode());
  EXPECT_EQ(environment.arguments(), (std::vector<std::string>{"-V", "a.asm"}));
  EXPECT_EQ(environment.lookup("KHOMEZEL"), "/r");
  EXPECT_EQ(environment.lookup("KHOME"), "");
  EXPECT_EQ(environment.lookup("TMP"), std::nullopt);
}

}  // namespace
}  // namespace kz
