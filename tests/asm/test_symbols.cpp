#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "asm/expr.h"
#include "asm/symbols.h"
#include "common/fatal_error.h"
#include "tests/asm/recording_reporter.h"

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
  EXPECT_EQ(start.definitionLine, 1u);
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

// Later passes define a name pass 1 bound to its statement by the symbol's index; the outcome
// must be the one the lookup by name gives.
TEST_F(SymbolTest, RedefiningByIndexMatchesRedefiningByName) {
  SymbolIndex loop = defineAt(10, "loop", 0x20).symbol;
  SymbolIndex twice = defineAt(11, "loop", 0x99).symbol;  // error 203, bound all the same
  EXPECT_EQ(twice, loop);
  SymbolIndex gone = defineAt(12, "gone", 0x30).symbol;
  symbols.defineSection("gone", Pass::first);  // hides the label
  reporter.errors.clear();

  reporter.beginStatement(0, 10);
  DefineOutcome moved = symbols.redefineLabel(loop, {0x24, code, nullptr});
  EXPECT_EQ(moved.symbol, loop);
  EXPECT_TRUE(moved.moved);
  EXPECT_EQ(symbols.entry(loop).value, 0x24);
  reporter.beginStatement(0, 11);
  DefineOutcome second = symbols.redefineLabel(twice, {0x99, code, nullptr});
  EXPECT_EQ(second.symbol, loop);
  EXPECT_FALSE(second.moved);
  EXPECT_EQ(symbols.entry(loop).value, 0x24);

  reporter.beginStatement(0, 12);
  EXPECT_EQ(symbols.redefineLabel(gone, {0x40, code, nullptr}).symbol, kNoSymbol);
  EXPECT_EQ(defineAt(12, "gone", 0x40, Pass::final).symbol, kNoSymbol);
  EXPECT_EQ(symbols.entry(gone).value, 0x30);
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

// The slot of a hidden name stays in the index; growing the index must neither lose it nor
// let the hidden record be found again.
TEST_F(SymbolTest, HiddenNamesStayHiddenWhenTheIndexGrows) {
  SymbolIndex used = symbols.lookupSymbol("data", Pass::first);
  SectionDefinition data = symbols.defineSection("data", Pass::first);
  std::vector<SymbolIndex> others;
  for (int i = 0; i < 5000; ++i)
    others.push_back(symbols.lookupSymbol("n" + std::to_string(i), Pass::first));
  EXPECT_EQ(symbols.findSymbol("data"), kNoSymbol);
  EXPECT_EQ(symbols.entry(used).state, symbolState::hidden);
  EXPECT_EQ(symbols.entry(used).section, data.section);
  EXPECT_EQ(symbols.find("data"), symbols.sections()[data.section].symbol);
  EXPECT_EQ(symbols.lookupSymbol("data", Pass::first), symbols.sections()[data.section].symbol);
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(symbols.find("n" + std::to_string(i)), others[i]);
  EXPECT_EQ(symbols.declarePublic("data", Pass::first), kNoSymbol);
  EXPECT_EQ(reporter.errors, Errors{210});
}

// Only the linker can resolve an external or complex EQU value; the table keeps its
// expression until a later pass gives the name a plain value.
TEST_F(SymbolTest, ExpressionValuesFollowTheirDefinition) {
  SymbolIndex outside = symbols.declareExternal("outside", MemoryModel::medium, Pass::first);
  auto term = std::make_shared<ComplexTerm>();
  term->op = TermOp::external;
  term->symbol = outside;
  reporter.beginStatement(0, 5);
  SymbolIndex alias =
      symbols.defineLabel("alias", DefinitionKind::value, {0, kNoSection, term}, Pass::first)
          .symbol;
  SymbolIndex plain = defineAt(6, "plain", 3).symbol;
  ASSERT_NE(symbols.expression(alias), nullptr);
  EXPECT_EQ(symbols.expression(alias)->symbol, outside);
  EXPECT_TRUE(symbols.entry(alias).hasExpression);
  EXPECT_EQ(symbols.expression(plain), nullptr);
  EXPECT_EQ(symbols.expression(outside), nullptr);

  reporter.beginStatement(0, 5);
  DefineOutcome settled =
      symbols.defineLabel("alias", DefinitionKind::value, {9, kNoSection, nullptr}, Pass::sizing);
  EXPECT_TRUE(settled.moved);
  EXPECT_EQ(symbols.expression(alias), nullptr);
  EXPECT_FALSE(symbols.entry(alias).hasExpression);
  EXPECT_EQ(symbols.entry(alias).value, 9);

  reporter.beginStatement(0, 5);
  symbols.defineLabel("alias", DefinitionKind::value, {9, kNoSection, term}, Pass::final);
  EXPECT_EQ(symbols.expression(alias), term);
  reporter.beginStatement(0, 7);  // not the defining statement: nothing changes
  symbols.defineLabel("alias", DefinitionKind::value, {1, kNoSection, nullptr}, Pass::final);
  EXPECT_EQ(symbols.expression(alias), term);
  EXPECT_EQ(symbols.expression(plain), nullptr);
}

TEST_F(SymbolTest, DebugDataOnlyForNamesGivenIt) {
  SymbolIndex typed = defineAt(1, "typed", 0).symbol;
  SymbolIndex bare = defineAt(2, "bare", 1).symbol;
  const symbolDebugData& none = symbols.debugData(typed);
  EXPECT_EQ(none.typeIndex, -1);
  EXPECT_EQ(none.sizeAttribute, 0);
  EXPECT_EQ(none.attributeNumber, 0);
  EXPECT_FALSE(none.hasVariableType);

  symbols.editDebugData(typed).typeIndex = 12;
  symbols.editDebugData(typed).sizeAttribute = 2;  // the same data again, not a fresh copy
  EXPECT_EQ(symbols.debugData(typed).typeIndex, 12);
  EXPECT_EQ(symbols.debugData(typed).sizeAttribute, 2);
  EXPECT_EQ(symbols.debugData(bare).typeIndex, -1);
  EXPECT_EQ(symbols.debugData(bare).sizeAttribute, 0);
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
  EXPECT_EQ(symbols.find(longest + "n"), kNoSymbol);
  EXPECT_EQ(symbols.find("ABCD"), kNoSymbol);

  std::string_view stored = symbols.entry(full).name;
  EXPECT_EQ(stored, longest);
  EXPECT_EQ(stored.data()[32], '\0');
  // Each pooled name takes a multiple of 4 bytes: the symbol index, the name and its zero.
  EXPECT_EQ(symbols.entry(lower).name.data() - symbols.entry(upper).name.data(), 8);
  EXPECT_EQ(stored.data() - symbols.entry(lower).name.data(), 8);
}

// A name longer than a block of the name pool gets a block of its own; the names around it
// stay where lookups find them.
TEST_F(SymbolTest, NamesLongerThanAPoolBlock) {
  const std::string huge(3 * SymbolTable::kNamePoolBlock, 'h');
  SymbolIndex before = defineAt(1, "before", 1).symbol;
  SymbolIndex big = defineAt(2, huge, 2).symbol;
  SymbolIndex after = defineAt(3, "after", 3).symbol;
  SymbolIndex bigger = defineAt(4, huge + "h", 4).symbol;
  EXPECT_TRUE(reporter.errors.empty());
  EXPECT_EQ(symbols.find("before"), before);
  EXPECT_EQ(symbols.find(huge), big);
  EXPECT_EQ(symbols.find("after"), after);
  EXPECT_EQ(symbols.find(huge + "h"), bigger);
  EXPECT_EQ(symbols.find(huge.substr(1)), kNoSymbol);
  EXPECT_EQ(symbols.entry(big).name, huge);
  EXPECT_EQ(symbols.entry(big).name.data()[huge.size()], '\0');
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
  EXPECT_EQ(symbols.referenceCount(used), 2u);

  // Names made after the last reference, and names never referenced, have none.
  SymbolIndex newest = symbols.lookupSymbol("newest", Pass::first);
  EXPECT_EQ(symbols.referenceCount(newest), 0u);
  int visits = 0;
  symbols.forEachReference(newest, [&](const SymbolReference&) { ++visits; });
  EXPECT_EQ(visits, 0);
  EXPECT_EQ(symbols.referenceCount(symbols.findSection("code")), 0u);
  symbols.addReference(newest, 2, 70000);
  symbols.addReference(used, 0, 9);
  EXPECT_EQ(symbols.referenceCount(newest), 1u);
  EXPECT_EQ(symbols.referenceCount(used), 3u);
  seen.clear();
  symbols.forEachReference(
      newest, [&](const SymbolReference& r) { seen.emplace_back(r.fileIndex, r.line); });
  EXPECT_EQ(seen, (std::vector<std::pair<int, long>>{{2, 70000}}));
}

}  // namespace
}  // namespace kz::assembler
