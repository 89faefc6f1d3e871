// The identifier table and the lexer's fast paths: one entry per spelling whatever buffer the
// spelling stands in, and blanks skipped a word at a time without losing columns.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "cfront/identifiers.h"
#include "cfront/lexer.h"

namespace kz::cfront {
namespace {

TEST(IdentifierTable, OneEntryPerSpellingAcrossLengthsAndGrowth) {
  IdentifierTable table;
  // Spellings that share their first eight bytes, or differ only in length, are different.
  const std::vector<std::string> close = {
      "a",         "ab", "abcdefgh", "abcdefghi",          "abcdefgh1",
      "abcdefgh2", "_",  "abcdefg",  std::string(40, 'x'), std::string(41, 'x')};
  std::set<Identifier*> entries;
  for (const std::string& name : close) entries.insert(table.intern(name));
  EXPECT_EQ(entries.size(), close.size());
  for (const std::string& name : close) {
    std::string elsewhere = name;  // another buffer with the same bytes
    Identifier* entry = table.intern(elsewhere);
    EXPECT_EQ(entry->text, name);
    EXPECT_EQ(entry, table.intern(name));
  }

  // Thousands of names: the table grows several times and every entry stays where it was.
  std::vector<std::string> names;
  std::vector<Identifier*> first;
  for (int i = 0; i < 5000; ++i) {
    names.push_back("name_" + std::to_string(i * 7919));
    first.push_back(table.intern(names.back()));
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(table.intern(names[i]), first[i]) << names[i];
    ASSERT_EQ(first[i]->text, names[i]);
  }
  for (const std::string& name : close) EXPECT_TRUE(entries.count(table.intern(name)));
}

struct Lexed {
  std::string text;
  std::uint32_t line;
  std::uint32_t column;
  bool leadingSpace;
};

std::vector<Lexed> lexAll(std::string_view source) {
  Lexer lexer(source, 0, nullptr);
  std::vector<Lexed> result;
  for (Token token = lexer.next(); token.kind != TokenKind::endOfFile; token = lexer.next()) {
    if (token.kind == TokenKind::newline) continue;
    result.push_back(
        {std::string(token.text), token.line, token.column, token.has(token_flag::kLeadingSpace)});
  }
  return result;
}

TEST(Lexer, BlankRunsOfEveryLengthKeepColumnsAndLeadingSpace) {
  for (std::size_t blanks = 0; blanks <= 13; ++blanks) {
    std::string source = std::string(blanks, ' ') + "x" + std::string(blanks, ' ') + "+\t \t" +
                         "L'a' /* c */ 12" + std::string(blanks, ' ') + "\n";
    std::vector<Lexed> tokens = lexAll(source);
    ASSERT_EQ(tokens.size(), 4u) << blanks;
    EXPECT_EQ(tokens[0].text, "x");
    EXPECT_EQ(tokens[0].column, blanks + 1);
    EXPECT_EQ(tokens[0].leadingSpace, blanks > 0);
    EXPECT_EQ(tokens[1].text, "+");
    EXPECT_EQ(tokens[1].column, 2 * blanks + 2);
    EXPECT_EQ(tokens[1].leadingSpace, blanks > 0);
    EXPECT_EQ(tokens[2].text, "L'a'");
    EXPECT_TRUE(tokens[2].leadingSpace);
    EXPECT_EQ(tokens[3].text, "12");
    EXPECT_TRUE(tokens[3].leadingSpace);
  }
  // Blanks up to the very end of the text, and a comment that ends it.
  EXPECT_TRUE(lexAll("    \n").empty());
  std::vector<Lexed> last = lexAll("a     // rest\n        b\n");
  ASSERT_EQ(last.size(), 2u);
  EXPECT_EQ(last[1].text, "b");
  EXPECT_EQ(last[1].line, 2u);
  EXPECT_EQ(last[1].column, 9u);
}

TEST(Lexer, NumbersAndPunctuatorsThatStartAlike) {
  std::vector<Lexed> tokens = lexAll(".5 . ... .e1 a.b\n");
  std::vector<std::string> texts;
  for (const Lexed& token : tokens) texts.push_back(token.text);
  EXPECT_EQ(texts, (std::vector<std::string>{".5", ".", "...", ".", "e1", "a", ".", "b"}));
}

}  // namespace
}  // namespace kz::cfront
