#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "asm/cross_reference.h"
#include "asm/listing_file.h"
#include "common/fatal_error.h"
#include "tests/asm/test_support.h"
#include "tests/common/unseekable_work_file.h"

namespace kz::assembler {
namespace {

using Lines = std::vector<std::string>;

using testing::readStream;

class QuietReporter final : public Reporter {
 public:
  void reportError(Message, std::string_view) override {}
  void reportWarning(Message, std::string_view) override {}
};

// --- rows ---

ListedName label(std::string_view name) {
  ListedName row;
  row.name = name;
  row.memoryModel = 'M';
  row.category = "LAB";
  row.value = 0x12;
  row.attribute = 'R';
  row.definitionLine = 7;
  return row;
}

TEST(CrossReferenceRows, NamesFromSixteenCharactersStandAlone) {
  EXPECT_EQ(formatRow(label("fifteen_chars_x"), {}, false, std::nullopt),
            Lines{"fifteen_chars_x   M LAB           00000012  R           "});
  EXPECT_EQ(
      formatRow(label("sixteen_chars_xy"), {}, false, std::nullopt),
      (Lines{"sixteen_chars_xy", "                  M LAB           00000012  R           "}));
}

TEST(CrossReferenceRows, ReferencesWrapAtTheWidthOrFollowTabs) {
  const std::vector<std::uint32_t> references{8, 9, 10, 11, 12, 100000, 100001};
  ListedName row = label("x");
  row.scope = "PUB";
  std::string fields = "x                 M LAB           00000012  R PUB       ";
  // 56 + "    7#" + two numbers reach exactly 72; the third would pass it.
  EXPECT_EQ(formatRow(row, references, true, 72),
            (Lines{fields + "    7#    8    9", std::string(56, ' ') + "   10   11   12",
                   std::string(56, ' ') + "100000 100001"}));
  EXPECT_EQ(formatRow(row, references, true, std::nullopt),
            Lines{fields + "    7#\t    8\t    9\t   10\t   11\t   12\t100000\t100001"});
  row.definitionLine = 0;
  EXPECT_EQ(formatRow(row, {}, true, std::nullopt), Lines{fields + "      "});
}

TEST(CrossReferenceOrder, UnsignedBytes) {
  EXPECT_TRUE(namesInOrder("ABC", "abc"));
  EXPECT_FALSE(namesInOrder("abc", "ABC"));
  EXPECT_TRUE(namesInOrder("A_", "Aa"));
  EXPECT_TRUE(namesInOrder("Z", "\xE4"));  // a byte above 0x7F sorts last
  EXPECT_TRUE(namesInOrder("ab", "abc"));
  EXPECT_FALSE(namesInOrder("abc", "abc"));
}

// --- the table ---

class SymbolListingTest : public ::testing::Test {
 protected:
  SymbolListingTest() : out(std::tmpfile()), references(createMemoryFile("TS")) {
    symbols.setRecordReferences(true);
    for (long line = 1; line <= 40; ++line) lines.note(0, line, line + 100);
  }
  ~SymbolListingTest() override { std::fclose(out); }

  SectionId section(std::string_view name, long line, SectionKind kind) {
    reporter.beginStatement(0, line);
    SectionId id = symbols.defineSection(name, Pass::first).section;
    symbols.sections()[id].kind = kind;
    return id;
  }
  SymbolIndex define(std::string_view name, long line, SectionId in, std::int32_t value,
                     DefinitionKind kind = DefinitionKind::label) {
    reporter.beginStatement(0, line);
    return symbols.defineLabel(name, kind, {value, in, nullptr}, Pass::first).symbol;
  }
  SymbolIndex external(std::string_view name) {
    return symbols.declareExternal(name, MemoryModel::small, Pass::first);
  }
  void reference(SymbolIndex symbol, long line) { symbols.addReference(symbol, 0, line); }

  // The table's rows: what follows the column heading, up to the totals.
  Lines rows(ListingKind kind, std::size_t tableLimit = std::numeric_limits<std::size_t>::max()) {
    SymbolListing listing(symbols, "mod", kind);
    prepared = listing.prepare(tableLimit);
    ListingPager pager(out, "t.lst", {}, "t.lst");
    listing.write(pager, lines, *references, false);
    std::string text = readStream(out);
    std::string body = text.substr(text.find("Attribute"));
    body = body.substr(body.find("\r\n\r\n") + 4);
    body = body.substr(0, body.find("\r\n\r\n\r\nTOTAL"));
    Lines result;
    for (std::size_t at = 0; at <= body.size();) {
      std::size_t end = body.find("\r\n", at);
      if (end == std::string::npos) end = body.size();
      result.push_back(body.substr(at, end - at));
      at = end + 2;
    }
    totals = text.substr(text.find("TOTAL"));
    return result;
  }

  QuietReporter reporter;
  SymbolTable symbols{reporter};
  RunningLineMap lines;
  std::FILE* out;
  std::unique_ptr<WorkFile> references;
  bool prepared = false;
  std::string totals;
};

// What the end-to-end cases cannot reach: a variable type from the debug directives, and a
// line that uses a name twice.
TEST_F(SymbolListingTest, VariablesAndRepeatedReferences) {
  SectionId vars = section("vars", 1, SectionKind::data);
  symbols.sections()[vars].model = MemoryModel::small;
  SymbolIndex counter = define("counter", 2, vars, 2);
  symbols.editDebugData(counter).hasVariableType = true;
  reference(counter, 8);
  reference(counter, 8);
  reference(counter, 9);
  reference(external("far"), 9);
  EXPECT_EQ(
      rows(ListingKind::crossRef),
      (Lines{"counter           S VAR           00000002  R             102#\t  108\t  109",
             "far               S LAB           00000000  R EXT" + std::string(13, ' ') + "\t  109",
             "mod                 MOD                                       ",
             "vars             DS SEC           00000000  R             101#"}));
  EXPECT_TRUE(prepared);
  EXPECT_EQ(totals, "TOTAL\r\n    4 user defined symbol(s)\r\n");
}

TEST_F(SymbolListingTest, WithoutASortTableSectionsComeFirstThenSymbolsThenTheModule) {
  SectionId code = section("zeta", 1, SectionKind::code);
  section("alpha", 2, SectionKind::code);
  define("b_label", 3, code, 0);
  define("a_label", 4, code, 1);
  Lines unsorted = rows(ListingKind::plain, 0);
  EXPECT_FALSE(prepared);
  Lines expected;
  for (ChainSet set : {ChainSet::sections, ChainSet::symbols}) {
    symbols.forEachInChainOrder(
        set, [&](SymbolIndex, const symbolEntry& symbol) { expected.emplace_back(symbol.name); });
  }
  expected.emplace_back("mod");
  ASSERT_EQ(unsorted.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(unsorted[i].substr(0, unsorted[i].find(' ')), expected[i]);
  }
  EXPECT_EQ((std::set<std::string>{expected[0], expected[1]}),
            (std::set<std::string>{"zeta", "alpha"}));
}

TEST_F(SymbolListingTest, FailedRewindOfTheReferenceFileIsFatal) {
  reference(define("x", 1, section("code", 1, SectionKind::code), 0), 2);
  for (bool disk : {true, false}) {
    SymbolListing listing(symbols, "mod", ListingKind::crossRef);
    listing.prepare();
    ListingPager pager(out, "t.lst", {}, "t.lst");
    kz::testing::UnseekableWorkFile file("TS", !disk);
    try {
      listing.write(pager, lines, file, disk);
      FAIL() << "no fatal";
    } catch (const FatalError& error) {
      EXPECT_EQ(error.number(), disk ? 24 : 150);
      EXPECT_EQ(error.argument(), disk ? "temporary file(refsym)" : "");
    }
  }
}

TEST(SymbolListingWarning, NoSortTableIsWarning550BeforeTheSummary) {
  auto dir = std::filesystem::temp_directory_path() / ("kzxref-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "m.asm", std::ios::binary) << " END\r\n";
  RunOptions options;
  options.sourceFileName = (dir / "m.asm").string();
  options.listingOn = true;
  options.listingKind = ListingKind::plain;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  {
    Diagnostics diagnostics(options, dir.string() + "/", out, err);
    SourceReader reader(options, diagnostics);
    reader.openMainSource();
    SymbolTable symbols(diagnostics);
    ListingFile listing(options, "con", out);
    ASSERT_TRUE(listing.open());
    diagnostics.setListing(&listing);
    diagnostics.setPass(PassKind::final);
    listing.beginFinalPass(reader, symbols);
    listing.setSortTableLimit(0);
    listing.endFinalPass(diagnostics, "m");
    auto references = createMemoryFile("TS");
    listing.appendSymbolTable(*references, false);
    listing.close();
  }
  std::string text = readStream(out);
  EXPECT_NE(
      text.find(
          "\r\n\r\nASMZEL-Warning-550 : Can't create a sort table, display symbols at randam\r\n"
          "\r\nAssembly complete,     1 warning error(s)\r\n"),
      std::string::npos);
  EXPECT_NE(text.find("m                   MOD"), std::string::npos);
  EXPECT_EQ(readStream(err),
            "ASMZEL-Warning-550 : Can't create a sort table, display symbols at randam\n");
  std::fclose(out);
  std::fclose(err);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kz::assembler
