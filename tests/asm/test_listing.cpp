#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "asm/listing_file.h"
#include "asm/listing_line.h"
#include "asm/listing_pager.h"
#include "common/fatal_error.h"
#include "tests/asm/test_support.h"

namespace kz::assembler {
namespace {

using Lines = std::vector<std::string>;

using testing::readStream;

EmittedStatement dataStatement(std::uint32_t location, std::vector<std::uint8_t> bytes) {
  EmittedStatement statement;
  statement.kind = StatementKind::data;
  statement.section = 0;
  statement.location = location;
  statement.bytes = std::move(bytes);
  return statement;
}

TEST(StatementLines, RepeatedPatternIsShownOnceThenCounted) {
  EmittedStatement repeated = dataStatement(0, {0x34, 0x12});
  repeated.repeat = 100;
  EXPECT_EQ(objectPieces(repeated), (Lines{"3412", "(repeat 100)"}));
  repeated.repeat = 1;
  EXPECT_EQ(objectPieces(repeated), (Lines{"3412"}));
  repeated.repeat = 0;
  EXPECT_EQ(objectPieces(repeated), (Lines{"3412", "(repeat 0)"}));
  repeated.failed = true;
  EXPECT_EQ(objectPieces(repeated), Lines{});
}

TEST(StatementLines, WideNumbersPushTheFollowingFieldsRight) {
  StatementColumns columns;
  columns.includeLevel = 1;
  columns.line = 123456;
  columns.runningCount = 1234567;
  columns.source = "NOP";
  EXPECT_EQ(formatStatementLines(columns, std::nullopt),
            Lines{std::string(33, ' ') + "+1 123456 1234567 NOP"});
}

// --- pages ---

struct ScratchFile {
  ScratchFile() : file(std::tmpfile()) {}
  ~ScratchFile() { std::fclose(file); }
  std::string text() { return readStream(file); }
  std::FILE* file;
};

int formFeeds(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\f'));
}

TEST(ListingPages, HeaderHoldsTitleVersionPageAndTheCutTitle) {
  EXPECT_EQ(ListingPager::pageHeader(7, "prog.lst", std::nullopt),
            "\fKORV-ZEL Relocatable Assembler (32) V1.3c  [Page     7]  prog.lst\r\n\r\n");
  std::string title(100, 't');
  std::string cut = ListingPager::pageHeader(1, title, 72);
  EXPECT_EQ(cut.size(), 72u + 4);  // the header line is exactly the width
  EXPECT_EQ(cut.substr(58, 14), std::string(14, 't'));
  EXPECT_EQ(ListingPager::pageHeader(1, title, std::nullopt).size(), 58u + 100 + 4);
}

TEST(ListingPages, UnpagedListingHasOnlyTheFirstHeaderAndIgnoresRequests) {
  ScratchFile output;
  ListingPager pager(output.file, "t.lst", {false, 65535, std::nullopt}, "t.lst");
  for (int i = 0; i < 70000; ++i) pager.writeLine("");
  pager.requestPage();
  EXPECT_FALSE(pager.startRequestedPage());
  EXPECT_EQ(formFeeds(output.text()), 1);
}

TEST(ListingPages, RequestedPageWaitsForItsCaller) {
  ScratchFile output;
  ListingPager pager(output.file, "t.lst", {true, 60, std::nullopt}, "first");
  pager.writeLine("$EJECT");
  pager.requestPage();
  pager.setTitle("second");
  pager.writeLine("message of the $EJECT line");
  EXPECT_EQ(pager.page(), 1);
  EXPECT_TRUE(pager.startRequestedPage());
  EXPECT_FALSE(pager.startRequestedPage());
  EXPECT_NE(output.text().find("[Page     2]  second\r\n"), std::string::npos);
}

// --- the listing file ---

class ListingFileTest : public ::testing::Test {
 protected:
  std::string listing(int errors, int warnings, int messageLines) {
    ScratchFile output;
    ListingFile file(options, "con", output.file);
    EXPECT_TRUE(file.open());
    for (int i = 0; i < messageLines; ++i) file.writeMessageLine("m");
    file.writeSummary(errors, warnings);
    file.close();
    return output.text();
  }
  // What follows the last page header (and column header).
  static std::string lastPage(const std::string& text) {
    std::string page = text.substr(text.rfind('\f'));
    return page.substr(page.find("\r\n\r\n") + 4);
  }

  RunOptions options;
};

TEST_F(ListingFileTest, SummaryFollowsAnEmptyLineOrStartsAPage) {
  EXPECT_TRUE(
      listing(0, 1, 1).ends_with("\r\n\r\nm\r\n\r\nAssembly complete,     1 warning error(s)\r\n"));
  options.paged = true;
  options.pageLength = 33;  // 32 body lines, 3 of them the column header
  // 27 message lines leave two: enough for the empty line and one summary line only.
  std::string one = listing(0, 1, 27);
  EXPECT_EQ(formFeeds(one), 1);
  std::string both = listing(1, 1, 27);
  EXPECT_EQ(formFeeds(both), 2);
  EXPECT_TRUE(lastPage(both).starts_with("Assembly complete,     1 error(s)\r\n"));
}

TEST_F(ListingFileTest, FailedWriteIsFatal23WithTheListingName) {
  ScratchFile console;
  ListingFile file(options, "/dev/full", console.file);
  ASSERT_TRUE(file.open());
  try {
    for (int i = 0; i < 100000; ++i) file.writeMessageLine("a message line that fills the buffer");
    FAIL() << "no fatal";
  } catch (const FatalError& error) {
    EXPECT_EQ(error.number(), 23);
    EXPECT_EQ(error.argument(), "/dev/full");
  }
}

}  // namespace
}  // namespace kz::assembler
