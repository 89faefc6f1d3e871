#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "asm/symbols.h"
#include "tests/asm/recording_reporter.h"
#include "common/fatal_error.h"

namespace kz::assembler {
namespace {

using testing::RecordingReporter;

using Errors = std::vector<int>;

class SymbolTest : public ::testing::Test {
 protected:
  SymbolTest() { code = symbols.defineSection("code", Pass::first).section; }

  DefineOutcome defineAt(long line, std::string_view name, std::int32_t offset,
                         Pass pass = Pass::first) {
    reporter.beginStatement(0, line);
    return symbols.defineLabel(name, DefinitionKind::label, {offset, code, nullptr}, pass);
  }
  symbolState stateOf(std::string_view name) { return symbols.entry(symbols.find(name)).state; }

  RecordingReporter reporter;
  SymbolTable symbols{reporter};
  SectionId code = kNoSection;
};

TEST_F(SymbolTest, FirstDefinitionCreatesALabelOrValue) {
  DefineOutcome label = defineAt(1, "start", 0x10);
  reporter.beginStatement(0, 2);
  DefineOutcome value =
      symbols.defineLabel("count", DefinitionKind::value, {7, kNoSection, nullptr}, Pass::first);
  const symbolEntry& start = symbols.entry(label.symbol);
  EXPECT_EQ(start.state, symbolState::label);
  EXPECT_EQ(start.value, 0x10);
  EXPECT_EQ(start.section, code);
  EXPECT_EQ(start.definitionLine, 1);
  EXPECT_EQ(symbols.entry(value.symbol).state, symbolState::value);
  EXPECT_EQ(symbols.find("count"), value.symbol);
  EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(SymbolTest, DefinitionTakesOverEarlierUses) {
  SymbolIndex used = symbols.lookupSymbol("later", Pass::first);
  SymbolIndex exported = symbols.declarePublic("shared", Pass::first);
  SymbolIndex imported = symbols.declareExternal("both", MemoryModel::medium, Pass::first);
  EXPECT_EQ(symbols.entry(used).state, symbolState::referenced);
  EXPECT_EQ(symbols.entry(exported).state, symbolState::publicDeclared);
  EXPECT_EQ(symbols.lookupSymbol("ghost", Pass::sizing), kNoSymbol);
  SymbolIndex location = symbols.lookupSymbol("$", Pass::first);
  EXPECT_EQ(symbols.entry(location).state, symbolState::location);

  EXPECT_EQ(defineAt(1, "later", 1).symbol, used);
  EXPECT_EQ(defineAt(2, "shared", 2).symbol, exported);
  EXPECT_EQ(defineAt(3, "both", 3).symbol, imported);
  EXPECT_TRUE(reporter.errors.empty());
  EXPECT_EQ(stateOf("later"), symbolState::label);
  EXPECT_TRUE(symbols.entry(exported).isPublic);
  EXPECT_EQ(symbols.entry(imported).state, symbolState::label);
  EXPECT_TRUE(symbols.entry(imported).isExternal);
}

TEST_F(SymbolTest, RedefinitionIsError203AndMarksTheRecord) {
  SymbolIndex first = defineAt(1, "twice", 1).symbol;
  EXPECT_EQ(defineAt(2, "twice", 2).symbol, first);
  EXPECT_EQ(reporter.errors, Errors{203});
  EXPECT_EQ(reporter.arguments[0], "twice");
  EXPECT_TRUE(symbols.entry(first).multiplyDefined);
  EXPECT_EQ(symbols.entry(first).value, 1);

  symbols.defineModule("prog", Pass::first);
  defineAt(3, "prog", 0);
  EXPECT_EQ(reporter.errors, (Errors{203, 203}));
}

TEST_F(SymbolTest, IllegalNamesAndPlaces) {
  defineAt(1, "$", 0);
  defineAt(2, "$x", 0);
  defineAt(3, "9lives", 0);
  symbols.defineLabel("floating", DefinitionKind::label, {0, kNoSection, nullptr}, Pass::first);
  EXPECT_EQ(reporter.errors, (Errors{208, 208, 208, 208}));
  defineAt(4, "code", 0);  // a section name
  EXPECT_EQ(reporter.errors.back(), 203);
  EXPECT_FALSE(symbols.entry(symbols.findSection("code")).multiplyDefined);
  EXPECT_TRUE(defineAt(5, "_under", 0).symbol != kNoSymbol);
  EXPECT_TRUE(defineAt(6, ".dot", 0).symbol != kNoSymbol);
  EXPECT_EQ(reporter.errors.size(), 5u);
}

TEST_F(SymbolTest, LaterPassesOnlyMoveValues) {
  SymbolIndex loop = defineAt(10, "loop", 0x20).symbol;
  defineAt(11, "loop", 0x99);  // second definition, error 203
  reporter.errors.clear();

  EXPECT_FALSE(defineAt(10, "loop", 0x20, Pass::sizing).moved);
  DefineOutcome moved = defineAt(10, "loop", 0x24, Pass::sizing);
  EXPECT_EQ(moved.symbol, loop);
  EXPECT_TRUE(moved.moved);
  EXPECT_FALSE(defineAt(11, "loop", 0x99, Pass::sizing).moved);  // not the defining statement
  EXPECT_EQ(symbols.entry(loop).value, 0x24);
  EXPECT_EQ(defineAt(12, "never", 0, Pass::final).symbol, kNoSymbol);
  EXPECT_EQ(symbols.find("never"), kNoSymbol);
  EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(SymbolTest, SectionTakesOverNamesUsedBefore) {
  SymbolIndex used = symbols.lookupSymbol("data", Pass::first);
  SectionDefinition data = symbols.defineSection("data", Pass::first);
  EXPECT_TRUE(data.created);
  EXPECT_TRUE(reporter.errors.empty());
  EXPECT_EQ(symbols.entry(used).state, symbolState::hidden);
  EXPECT_EQ(symbols.findSymbol("data"), kNoSymbol);
  SymbolIndex found = symbols.lookupSymbol("data", Pass::first);
  EXPECT_EQ(symbols.entry(found).state, symbolState::section);
  EXPECT_EQ(symbols.sections()[data.section].symbol, found);
  EXPECT_EQ(symbols.sections()[data.section].name, "data");

  defineAt(1, "clash", 0);
  symbols.defineSection("clash", Pass::first);
  symbols.defineSection("$", Pass::first);
  EXPECT_EQ(reporter.errors, (Errors{203, 226}));

  SectionDefinition again = symbols.defineSection("data", Pass::first);
  EXPECT_FALSE(again.created);
  EXPECT_EQ(again.section, data.section);
  EXPECT_EQ(symbols.defineSection("data", Pass::final).section, data.section);
  EXPECT_EQ(symbols.defineSection("unknown", Pass::final).section, kNoSection);
}

TEST_F(SymbolTest, PublicAndExternalDeclarations) {
  symbols.declarePublic("code", Pass::first);
  symbols.declarePublic("$", Pass::first);
  defineAt(1, "here", 0);
  symbols.declareExternal("here", MemoryModel::medium, Pass::first);
  symbols.declareExternal("code", MemoryModel::medium, Pass::first);
  EXPECT_EQ(reporter.errors, (Errors{210, 200, 203, 203}));
  reporter.errors.clear();

  SymbolIndex small = symbols.declareExternal("io", MemoryModel::small, Pass::first);
  EXPECT_EQ(symbols.entry(small).externalModel, MemoryModel::small);
  EXPECT_TRUE(symbols.entry(symbols.declarePublic("here", Pass::first)).isPublic);

  symbols.declarePublic("missing", Pass::first);
  symbols.declarePublic("io", Pass::first);
  symbols.declarePublic("missing", Pass::sizing);
  symbols.declarePublic("io", Pass::sizing);
  symbols.declarePublic("here", Pass::sizing);
  EXPECT_EQ(reporter.errors, (Errors{221, 221}));
}

TEST_F(SymbolTest, NamesAreCaseSensitiveAndKeptWhole) {
  const std::string longest(32, 'n');
  SymbolIndex upper = defineAt(1, "ABC", 1).symbol;
  SymbolIndex lower = defineAt(2, "abc", 2).symbol;
  SymbolIndex full = defineAt(3, longest, 3).symbol;
  EXPECT_NE(upper, lower);
  EXPECT_EQ(symbols.find("ABC"), upper);
  EXPECT_EQ(symbols.find("abc"), lower);
  EXPECT_EQ(symbols.find("Abc"), kNoSymbol);
  EXPECT_EQ(symbols.find(longest), full);
  EXPECT_EQ(symbols.find(longest.substr(0, 31)), kNoSymbol);

  std::string_view stored = symbols.entry(full).name;
  EXPECT_EQ(stored, longest);
  EXPECT_EQ(stored.data()[32], '\0');
  // Each pooled name takes a multiple of 4 bytes, its zero included.
  EXPECT_EQ(symbols.entry(lower).name.data() - symbols.entry(upper).name.data(), 4);
  EXPECT_EQ(stored.data() - symbols.entry(lower).name.data(), 4);
}

// Names whose chain hash is equal (it keeps only the last 16 characters) stay apart.
TEST_F(SymbolTest, LongNamesWithEqualChainHash) {
  std::vector<SymbolIndex> defined;
  for (int i = 0; i < 200; ++i) {
    std::string name = "p" + std::to_string(i) + std::string(16, 'q');
    defined.push_back(defineAt(i + 1, name, i).symbol);
  }
  EXPECT_EQ(nameHash("p1" + std::string(16, 'q')), nameHash("p199" + std::string(16, 'q')));
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(symbols.find("p" + std::to_string(i) + std::string(16, 'q')), defined[i]);
  }
}

TEST_F(SymbolTest, ChainsRunNewestFirstInBucketOrder) {
  std::vector<std::string> sameBucket;
  for (int i = 0; sameBucket.size() < 3; ++i) {
    std::string name = "s" + std::to_string(i);
    if (nameHash(name) == nameHash("s0")) sameBucket.push_back(name);
  }
  for (const std::string& name : sameBucket) symbols.lookupSymbol(name, Pass::first);
  symbols.lookupSymbol("z", Pass::first);
  symbols.defineSection(sameBucket[1], Pass::first);  // hides the record in the symbol chain

  std::vector<std::string> walked;
  symbols.forEachInChainOrder(
      ChainSet::symbols, [&](SymbolIndex, const symbolEntry& e) { walked.emplace_back(e.name); });
  std::vector<std::string> expected = {sameBucket[2], sameBucket[0]};
  if (nameHash("z") < nameHash("s0"))
    expected.insert(expected.begin(), "z");
  else
    expected.push_back("z");
  EXPECT_EQ(walked, expected);

  std::vector<std::string> sections;
  symbols.forEachInChainOrder(ChainSet::sections, [&](SymbolIndex, const symbolEntry& e) {
    sections.emplace_back(e.name);
  });
  EXPECT_EQ(sections.size(), 2u);
}

TEST_F(SymbolTest, HundredsOfThousandsOfNames) {
  constexpr int kCount = 300000;
  const symbolEntry* firstRecord = &symbols.entry(symbols.findSection("code"));
  std::vector<SymbolIndex> indices(kCount);
  for (int i = 0; i < kCount; ++i)
    indices[i] = symbols.lookupSymbol("sym" + std::to_string(i), Pass::first);
  EXPECT_EQ(symbols.size(), static_cast<std::size_t>(kCount) + 1);
  EXPECT_EQ(&symbols.entry(symbols.findSection("code")), firstRecord);  // records never move
  for (int i = 0; i < kCount; i += 7) {
    std::string name = "sym" + std::to_string(i);
    ASSERT_EQ(symbols.find(name), indices[i]);
    ASSERT_EQ(symbols.entry(indices[i]).name, name);
  }
  EXPECT_EQ(symbols.find("sym300000"), kNoSymbol);
}

TEST_F(SymbolTest, ReferencesKeepTheirOrder) {
  SymbolIndex used = symbols.lookupSymbol("used", Pass::first);
  symbols.addReference(used, 0, 4);
  symbols.addReference(symbols.lookupSymbol("other", Pass::first), 0, 5);
  symbols.addReference(used, 1, 2);
  std::vector<std::pair<int, long>> seen;
  symbols.forEachReference(
      used, [&](const SymbolReference& r) { seen.emplace_back(r.fileIndex, r.line); });
  EXPECT_EQ(seen, (std::vector<std::pair<int, long>>{{0, 4}, {1, 2}}));
  EXPECT_EQ(symbols.entry(used).referenceCount, 2u);
}

}  // namespace
}  // namespace kz::assembler
