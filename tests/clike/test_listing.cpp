// The listing: page headers and paging by the page length, lines broken at the page width
// (never inside a two-byte character), and the reports at its end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "clike/compiler.h"
#include "tests/clike/test_support.h"

namespace kz::clike {
namespace {

struct Listed {
  int status = 0;
  std::string listing;
  std::string out;
  std::string err;
};

// Compiles with the listing letters given ("x2p12") and returns the listing.
// Further files (include files) are written beside the source.
Listed listed(const std::string& source, const std::string& letters,
              const std::string& listingPath = "",
              const std::vector<std::pair<std::string, std::string>>& files = {},
              std::size_t sortLimit = std::numeric_limits<std::size_t>::max()) {
  char pattern[] = "/tmp/kzcllsXXXXXX";
  std::filesystem::path directory = ::mkdtemp(pattern);
  std::ofstream(directory / "prog.c", std::ios::binary) << source;
  for (const auto& [name, text] : files) std::ofstream(directory / name, std::ios::binary) << text;
  std::vector<std::string> argv{
      "clzel",
      "-$",
      "-l" + letters + "f",
      listingPath.empty() ? (directory / "prog.cpl").string() : listingPath,
      "-o",
      (directory / "prog.asm").string(),
      (directory / "prog.c").string()};
  testing::CapturedStream out, err;
  Listed result;
  {
    Compiler compiler(ProgramEnvironment(argv, {"TMP=" + directory.string() + "/",
                                                "SOURCE_DATE_EPOCH=1700000000"}),
                      {out.stream(), err.stream()});
    compiler.limitSortTable(sortLimit);
    result.status = compiler.run();
  }
  std::ifstream in(directory / "prog.cpl", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  result.listing = text.str();
  result.err = err.text();
  result.out = out.text();
  std::filesystem::remove_all(directory);
  return result;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string numbered(int count) {
  std::string source = "section vars area tiny;\n";
  for (int i = 2; i <= count; ++i) source += "unsigned char v" + std::to_string(i) + ";\n";
  return source;
}

TEST(Listing, FirstPageHeaderNamesTheRunAndLaterPagesOnlyTheTitle) {
  auto l = listed(numbered(20), "sp12");
  ASSERT_EQ(l.status, 0) << l.err;
  auto lines = linesOf(l.listing);
  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ(lines[0],
            "\fCopyright (C) 2026 The KORV-ZEL Toolchain Developers. Free software, without "
            "warranty.");
  EXPECT_EQ(lines[1], "Tue Nov 14 22:13:20 2023");
  EXPECT_EQ(lines[2], "KORV-ZEL C-Like Compiler (32) V1.3b      (Page     1)     prog.cpl");
  EXPECT_EQ(lines[3].rfind("Runtime option : clzel -$ -lsp12f ", 0), 0u) << lines[3];
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "Line   ISN      Source statement");
  EXPECT_EQ(lines[6], "");
  // The counter starts at 6 on page 1 (3 + 3 for the heading): six lines fit below 12.
  EXPECT_EQ(lines[7], "   1     1      section vars area tiny;");
  EXPECT_EQ(lines[12], "   6     6      unsigned char v6;");
  EXPECT_EQ(lines[13], "\fKORV-ZEL C-Like Compiler (32) V1.3b      (Page     2)     prog.cpl");
  EXPECT_EQ(lines[14], "");
  EXPECT_EQ(lines[15], "Line   ISN      Source statement");
  EXPECT_EQ(lines[16], "");
  // Later pages start at 4: eight lines each.
  EXPECT_EQ(lines[17], "   7     7      unsigned char v7;");
  EXPECT_EQ(lines[24], "  14    14      unsigned char v14;");
  EXPECT_EQ(lines[25].substr(0, 1), "\f");
  // Pages of the reports have no column heading.
  std::size_t report = l.listing.find("Undefined label list");
  std::size_t lastPage = l.listing.rfind('\f');
  ASSERT_NE(report, std::string::npos);
  EXPECT_GT(lastPage, report);
  EXPECT_EQ(l.listing.find("Source statement", lastPage), std::string::npos);
}

TEST(Listing, PageLengthZeroWritesOneHeader) {
  auto l = listed(numbered(80), "s");
  ASSERT_EQ(l.status, 0) << l.err;
  EXPECT_EQ(std::count(l.listing.begin(), l.listing.end(), '\f'), 1);
  EXPECT_NE(l.listing.find("  80    80      unsigned char v80;\n"), std::string::npos);
}

TEST(Listing, LongLinesBreakAtTheWidthAndKeepTwoByteCharactersWhole) {
  std::string comment = "/* abcdefghij";
  comment += "\x82\xa0";  // a two-byte character across column 30
  comment += "klmnopqrstuvwxyz0123456789ABCDEFGHIJ */\n";
  auto l = listed("section vars area tiny;\n" + comment, "sw30");
  ASSERT_EQ(l.status, 0) << l.err;
  auto lines = linesOf(l.listing);
  auto first = std::find(lines.begin(), lines.end(), "   2     2      /* abcdefghij");
  ASSERT_NE(first, lines.end()) << l.listing;
  EXPECT_EQ(first[1], std::string(16, ' ') + "\x82\xa0klmnopqrstuv");
  EXPECT_EQ(first[2], std::string(16, ' ') + "wxyz0123456789");
  EXPECT_EQ(first[3], std::string(16, ' ') + "ABCDEFGHIJ */");
  // The option line breaks at the width too, continued after 17 blanks.
  EXPECT_EQ(lines[3].size(), 30u) << lines[3];
  EXPECT_EQ(lines[4].rfind(std::string(17, ' '), 0), 0u) << lines[4];
}

TEST(Listing, ReportsListMacrosAndSymbolsByName) {
  const std::string source =
      "#define LIMIT 10\n"
      "#define EMPTY\n"
      "#define ABCDEFGHIJKLMNOPQRST 1\n"
      "#define GONE 2\n"
      "#undef GONE\n"
      "section vars area tiny;\n"
      "struct pt { unsigned char x; unsigned char y; };\n"
      "unsigned char buf[4];\n"
      "static char *p;\n"
      "extern unsigned char outside;\n"
      "section code;\n"
      "void main(void) { A = outside; PUSH(HL); POP(HL); }\n";
  auto all = listed(source, "x2");
  ASSERT_EQ(all.status, 0) << all.err;
  std::string tail = all.listing.substr(all.listing.find("Undefined label list"));
  EXPECT_EQ(tail,
            "Undefined label list\n"
            "--------------------\n"
            "No undefined label\n"
            "\n"
            "Macro definition list\n"
            "---------------------\n"
            "ABCDEFGHIJKLMNOPQRST 1\n"
            "EMPTY               (Null)\n"
            "GONE                (Undef)\n"
            "LIMIT               10\n"
            "\n"
            "Symbol definition list\n"
            "----------------------\n"
            "Glb  S Data UChar      Ary      0004    8# buf\n"
            "Sect   ---- Null                       11# code\n"
            "Glb  M Fnc  Void           Func        12# main Stack = 4\n"
            "Ext  M ---- UChar                      10# outside\n"
            "Stat S Data Char   Ptr                  9# p\n"
            "STag   ---- Null                0002    7# pt\n"
            "Sect   ---- Null                        6# vars\n"
            "SMem   ---- UChar               0000    7# x\n"
            "SMem   ---- UChar               0001    7# y\n"
            "\n"
            "CLZEL end, No error\n");
  auto plain = listed(source, "");
  EXPECT_EQ(plain.listing.find("Macro definition list"), std::string::npos);
  EXPECT_NE(plain.listing.find("Symbol definition list"), std::string::npos);
  auto none = listed(source, "s");
  EXPECT_EQ(none.listing.find("Symbol definition list"), std::string::npos);
}

// The lines of a report: from its heading to the next empty line.
std::vector<std::string> reportLines(const std::string& listing, const std::string& heading) {
  std::size_t at = listing.find(heading + "\n");
  if (at == std::string::npos) return {};
  std::size_t end = listing.find("\n\n", at);
  return linesOf(listing.substr(at, end - at));
}

// Without memory for the sort table the reports come in hash order, each after the caution
// block, and the macro list gives way to error 300; the lines themselves are the same.
TEST(Listing, WithoutASortTableTheReportsFollowACautionInHashOrder) {
  std::string source =
      "#define LIMIT 10\n"
      "section vars area tiny;\n"
      "unsigned char zeta, alpha, mid, beta;\n"
      "@names"
      "section code;\n"
      "static void later(void);\n"
      "static void never(void);\n"
      "void main(void) { A = zeta; later(); never(); }\n"
      "static void later(void) { NOP; }\n";
  std::string names;
  for (int i = 0; i < 40; ++i) names += "unsigned char n" + std::to_string(i) + ";\n";
  source.replace(source.find("@names"), 6, names);
  auto sorted = listed(source, "x2", "", {}, 1000);
  auto unsorted = listed(source, "x2", "", {}, 0);
  const std::string caution =
      "\nCaution !!\n*** Warning : Can't create a sort table, display at random\n\n";
  EXPECT_EQ(sorted.listing.find("Caution"), std::string::npos);
  EXPECT_NE(sorted.listing.find("Macro definition list"), std::string::npos);
  EXPECT_EQ(testing::messageNumbers(sorted.err), "E230 E230") << sorted.err;

  EXPECT_NE(unsorted.listing.find(caution + "Undefined label list\n"), std::string::npos)
      << unsorted.listing;
  EXPECT_NE(unsorted.listing.find(caution + "\nSymbol definition list\n"), std::string::npos);
  EXPECT_EQ(unsorted.listing.find("Macro definition list"), std::string::npos);
  EXPECT_EQ(testing::messageNumbers(unsorted.err), "E230 E230 E300") << unsorted.err;
  EXPECT_NE(sorted.status, 0);
  EXPECT_NE(unsorted.status, 0);

  auto byName = [](const std::string& a, const std::string& b) {
    return a.substr(a.find("# ") + 2) < b.substr(b.find("# ") + 2);
  };
  auto inOrder = reportLines(sorted.listing, "Symbol definition list");
  auto atRandom = reportLines(unsorted.listing, "Symbol definition list");
  ASSERT_GT(inOrder.size(), 40u);
  EXPECT_TRUE(std::is_sorted(inOrder.begin() + 2, inOrder.end(), byName));
  EXPECT_FALSE(std::is_sorted(atRandom.begin() + 2, atRandom.end(), byName));
  std::sort(inOrder.begin(), inOrder.end());
  std::sort(atRandom.begin(), atRandom.end());
  EXPECT_EQ(inOrder, atRandom);
  // Error 300 stands where the macro list would.
  const std::vector<std::string> undefined{"Undefined label list", "--------------------",
                                           "Undefined label :line #0046 never"};
  EXPECT_EQ(reportLines(sorted.listing, "Undefined label list"), undefined);
  auto withError = reportLines(unsorted.listing, "Undefined label list");
  ASSERT_EQ(withError.size(), 4u);
  EXPECT_TRUE(withError[3].ends_with("CLZEL-Error-300: Syntax error")) << withError[3];
  withError.pop_back();
  EXPECT_EQ(withError, undefined);
}

// A byte in the tiny area and the start of a function that uses it.
const std::string kTicksAndMain =
    "section vars area tiny;\n"
    "unsigned char ticks;\n"
    "section code;\n"
    "void main(void)\n"
    "{\n";

TEST(Listing, CrossReferenceListsEachLineOnceAndWrapsAtTheWidth) {
  const std::string source = kTicksAndMain +
                             "  ticks = A; ticks = A;\n"
                             "  A = ticks;\n"
                             "  A = ticks;\n"
                             "  A = ticks;\n"
                             "}\n";
  auto wide = listed(source, "x3");
  ASSERT_EQ(wide.status, 0) << wide.err;
  EXPECT_NE(wide.listing.find("Glb  S Data UChar                       2# ticks\n" +
                              std::string(41, ' ') + "    6    7    8    9\n"),
            std::string::npos)
      << wide.listing;
  // Width 60 leaves 13 columns for numbers: two a line.
  auto narrow = listed(source, "x3w60");
  EXPECT_NE(narrow.listing.find("2# ticks\n" + std::string(41, ' ') + "    6    7\n" +
                                std::string(41, ' ') + "    8    9\n"),
            std::string::npos)
      << narrow.listing;
  // Without x3 there are no reference lines.
  auto plain = listed(source, "x2");
  EXPECT_NE(plain.listing.find("2# ticks\n" + std::string("Sect")), std::string::npos)
      << plain.listing;
}

// A use in an include file is listed under that file's name, and is neither taken for
// the definition nor merged with a main-file use that has the same line number.
TEST(Listing, CrossReferenceNamesTheIncludeFileOfEachUse) {
  const std::string source = kTicksAndMain +
                             "#include \"body.h\"\n"
                             "  A = ticks;\n"
                             "#include \"body.h\"\n"
                             "  ticks = A;\n"
                             "}\n";
  const std::vector<std::pair<std::string, std::string>> body{
      {"body.h", "  A = ticks;\n  ticks = A; A = ticks;\n"}};
  const std::string indent(41, ' ');
  auto all = listed(source, "x3y", "", body);
  ASSERT_EQ(all.status, 0) << all.err;
  // The file is named without its directory; its second reading repeats its lines.
  EXPECT_NE(all.listing.find("2# ticks\nbody.h" + std::string(35, ' ') + "    1    2\n" + indent +
                             "    7    9\n"),
            std::string::npos)
      << all.listing;
  // Without y the include file's uses are not recorded.
  auto mainOnly = listed(source, "x3", "", body);
  EXPECT_NE(mainOnly.listing.find("2# ticks\n" + indent + "    7    9\n"), std::string::npos)
      << mainOnly.listing;
}

TEST(Listing, AListingOnTheConsoleIsPagedButHasNoSummary) {
  auto l = listed(numbered(3), "", "con");
  ASSERT_EQ(l.status, 0) << l.err;
  EXPECT_EQ(l.out.rfind("\fCopyright", 0), 0u) << l.out;
  EXPECT_NE(l.out.find("(Page     1)     \n"), std::string::npos) << l.out;
  EXPECT_NE(l.out.find("   3     3      unsigned char v3;\n"), std::string::npos);
  EXPECT_NE(l.out.find("Symbol definition list"), std::string::npos);
  EXPECT_EQ(l.out.find("CLZEL end"), std::string::npos) << l.out;
}

TEST(Listing, AFailedWriteEndsTheRunWithFatal23) {
  auto l = listed(numbered(2000), "s", "/dev/full");
  EXPECT_EQ(l.status, 255);
  EXPECT_NE(l.err.find("CLZEL-Fatal-23: Can't write \"/dev/full\""), std::string::npos) << l.err;
  EXPECT_NE(l.err.find("CLZEL Terminated"), std::string::npos) << l.err;
}

}  // namespace
}  // namespace kz::clike
