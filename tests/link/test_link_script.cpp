#include <gtest/gtest.h>

#include <sstream>

#include "link/link_script.h"

namespace kz::link {
namespace {

struct Parsed {
  LinkScript script;
  std::string messages;
  int errors = 0;
};

Parsed parse(std::string_view text) {
  Parsed result;
  std::ostringstream err;
  Diagnostics diagnostics("LNKZEL", err);
  parseLinkScript(text, "test.lcf", result.script, diagnostics);
  checkLinkScript(result.script, diagnostics);
  result.messages = err.str();
  result.errors = diagnostics.errorCount();
  return result;
}

TEST(LinkScript, EveryStatementOfTheLanguage) {
  Parsed parsed = parse(
      "# a comment line\n"
      "REGION RAM 0x0040 0x083F RAM   ; a comment after a statement\n"
      "region rom 8000h 65279 rom\r\n"
      "PLACE CODE, \"DATA\", boot IN rom ALIGN 4\n"
      "PLACE vectors AT 0xFFE0\n"
      "START main\n"
      "DEFINE stack = 0x083F\n"
      "DEFINE end_of_code = last - 1\n"
      "CALLV table\n"
      "CALLP fast, faster\n"
      "INPUT extra.rel more.rel\n"
      "LIBRARY util.lib\n");
  EXPECT_EQ(parsed.messages, "");
  const LinkScript& script = parsed.script;
  ASSERT_EQ(script.regions.size(), 2u);
  EXPECT_EQ(script.regions[1].name, "rom");
  EXPECT_EQ(script.regions[1].start, 0x8000u);
  EXPECT_EQ(script.regions[1].end, 0xFEFFu);
  EXPECT_EQ(script.regions[1].kind, RegionKind::rom);
  EXPECT_EQ(script.regions[0].kind, RegionKind::ram);
  ASSERT_EQ(script.placements.size(), 4u);
  const Placement& first = script.placements[0];
  ASSERT_EQ(first.targets.size(), 3u);
  EXPECT_TRUE(first.targets[0].byKind);   // CODE: a kind
  EXPECT_FALSE(first.targets[1].byKind);  // "DATA": a section of that name
  EXPECT_EQ(first.targets[1].name, "DATA");
  EXPECT_EQ(first.region, "rom");
  EXPECT_EQ(first.alignment, 4u);
  EXPECT_EQ(script.placements[1].address, 0xFFE0u);
  EXPECT_EQ(script.placements[2].purpose, PlacementPurpose::vectorTable);
  EXPECT_EQ(script.placements[2].address, kCallvTable);
  EXPECT_EQ(script.placements[3].purpose, PlacementPurpose::callPage);
  EXPECT_EQ(script.placements[3].targets.size(), 2u);
  EXPECT_EQ(script.startSymbol, "main");
  ASSERT_EQ(script.definitions.size(), 2u);
  EXPECT_FALSE(script.definitions[0].symbol);
  EXPECT_EQ(script.definitions[0].offset, 0x83F);
  EXPECT_EQ(script.definitions[1].symbol, "last");
  EXPECT_EQ(script.definitions[1].offset, -1);
  EXPECT_EQ(script.inputs, (std::vector<std::string>{"extra.rel", "more.rel"}));
  EXPECT_EQ(script.libraries, (std::vector<std::string>{"util.lib"}));
}

TEST(LinkScript, ProblemsNameTheFileAndLineAndTheRestIsRead) {
  Parsed parsed = parse(
      "REGION ROM 0x8000 ROM\n"          // 1: end address missing
      "REGION RAM 0x100 0x40 RAM\n"      // 2: end below start
      "PLACE code INTO ROM\n"            // 3: IN expected
      "PLACE CODE AT 0x8000\n"           // 4: AT takes names only
      "PLACE code IN nowhere ALIGN 3\n"  // 5: alignment
      "JUMP somewhere\n"                 // 6: no such statement
      "DEFINE x 5\n"                     // 7: '=' missing
      "REGION A 0x0000 0x00FF RAM\n"     // 8
      "REGION B 0x0080 0x01FF RAM\n"     // 9: overlaps A
      "PLACE data IN C\n"                // 10: unknown region
      "PLACE \"unclosed IN A\n");        // 11
  EXPECT_EQ(parsed.errors, 10);          // line 5 stops at its first problem
  EXPECT_NE(parsed.messages.find(
                "test.lcf 1 : LNKZEL-Error-210 : Syntax error: the region's end address expected"),
            std::string::npos)
      << parsed.messages;
  EXPECT_NE(parsed.messages.find("test.lcf 2 : LNKZEL-Error-212"), std::string::npos);
  EXPECT_NE(parsed.messages.find("test.lcf 4 : LNKZEL-Error-210 : Syntax error: AT takes sections"),
            std::string::npos);
  EXPECT_NE(parsed.messages.find("test.lcf 5 : LNKZEL-Error-210 : Syntax error: the alignment"),
            std::string::npos);
  EXPECT_NE(parsed.messages.find(
                "test.lcf 6 : LNKZEL-Error-210 : Syntax error: unknown statement 'JUMP'"),
            std::string::npos);
  EXPECT_NE(parsed.messages.find("test.lcf 9 : LNKZEL-Error-213 : Memory regions overlap: A and B"),
            std::string::npos);
  EXPECT_NE(parsed.messages.find("test.lcf 10 : LNKZEL-Error-211 : Unknown memory region \"C\""),
            std::string::npos);
  EXPECT_EQ(parsed.script.regions.size(), 2u);  // A and B
}

TEST(LinkScript, NumbersInEveryWrittenForm) {
  EXPECT_EQ(parseNumber("0x1F"), 0x1Fu);
  EXPECT_EQ(parseNumber("0XffC0"), 0xFFC0u);
  EXPECT_EQ(parseNumber("0FFC0H"), 0xFFC0u);
  EXPECT_EQ(parseNumber("40h"), 0x40u);
  EXPECT_EQ(parseNumber("65535"), 65535u);
  EXPECT_FALSE(parseNumber("0x"));
  EXPECT_FALSE(parseNumber("12G"));
  EXPECT_FALSE(parseNumber("h"));
  EXPECT_FALSE(parseNumber("99999999999999999999999"));  // beyond 64 bits, not wrapped
}

}  // namespace
}  // namespace kz::link
