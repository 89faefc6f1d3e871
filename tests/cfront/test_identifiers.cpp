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

struct Flagged {
  TokenKind kind;
  std::string text;
  std::uint8_t flags;
};

std::vector<Flagged> lexFlags(std::string_view source, bool keepComments) {
  Lexer lexer(source, 0, nullptr);
  lexer.setKeepComments(keepComments);
  std::vector<Flagged> result;
  for (Token token = lexer.next();; token = lexer.next()) {
    result.push_back({token.kind, std::string(token.text), token.flags});
    if (token.kind == TokenKind::endOfFile) return result;
  }
}

// Tokens after comments, at line starts and at the end: each start character takes its own way
// through the lexer, and the flags must not depend on which.
TEST(Lexer, FlagsAndKindsWhateverTheFirstCharacter) {
  using enum TokenKind;
  constexpr std::uint8_t space = token_flag::kLeadingSpace;
  constexpr std::uint8_t start = token_flag::kLineStart;
  std::vector<Flagged> tokens =
      lexFlags("/* c */#x\n  /**/ L\"w\" Lx 'c'/**/.5/**/./**/*/**/1\n@ $\n  ", false);
  std::vector<Flagged> expected = {{punctuator, "#", space | start},
                                   {identifier, "x", 0},
                                   {newline, "\n", 0},
                                   {string, "L\"w\"", space | start},
                                   {identifier, "Lx", space},
                                   {character, "'c'", space},
                                   {number, ".5", space},
                                   {punctuator, ".", space},
                                   {punctuator, "*", space},
                                   {number, "1", space},
                                   {newline, "\n", 0},
                                   {other, "@", start},
                                   {other, "$", space},
                                   {newline, "\n", 0},
                                   {endOfFile, "", space | start}};
  ASSERT_EQ(tokens.size(), expected.size());
  for (std::size_t at = 0; at < tokens.size(); ++at) {
    EXPECT_EQ(tokens[at].kind, expected[at].kind) << at;
    EXPECT_EQ(tokens[at].text, expected[at].text) << at;
    EXPECT_EQ(tokens[at].flags, expected[at].flags) << at;
  }

  // A kept comment is a token of its own and leaves the line start to the '#' after it.
  std::vector<Flagged> kept = lexFlags(" /* c */ # // d\n", true);
  ASSERT_EQ(kept.size(), 5u);
  EXPECT_EQ(kept[0].kind, comment);
  EXPECT_EQ(kept[0].flags, space | start);
  EXPECT_EQ(kept[1].text, "#");
  EXPECT_EQ(kept[1].flags, space | start);
  EXPECT_EQ(kept[2].kind, comment);
  EXPECT_EQ(kept[2].text, "// d");
  EXPECT_EQ(kept[3].kind, newline);
}

// Passing over newlines inside the lexer gives every other token as reading them one by one
// does: kinds, spellings, positions and flags, the line start after a dropped newline included.
TEST(Lexer, DroppedNewlinesLeaveTheOtherTokensAsTheyWere) {
  const std::string source =
      "\n\n  a\n#b\n\n\t  12 +\n\n\n/* c\n */ x \"s\"\n  // d\n.5\n@\n\n  y\n\n";
  auto lexAllOf = [&](bool dropNewlines) {
    Lexer lexer(source, 0, nullptr);
    std::vector<Token> tokens;
    for (;;) {
      Token token;
      lexer.next(token, dropNewlines);
      if (token.kind != TokenKind::newline) tokens.push_back(token);
      if (token.kind == TokenKind::endOfFile) return tokens;
    }
  };
  std::vector<Token> each = lexAllOf(false);
  std::vector<Token> dropped = lexAllOf(true);
  ASSERT_EQ(each.size(), 11u);
  ASSERT_EQ(dropped.size(), each.size());
  for (std::size_t at = 0; at < each.size(); ++at) {
    EXPECT_EQ(dropped[at].kind, each[at].kind) << at;
    EXPECT_EQ(dropped[at].text, each[at].text) << at;
    EXPECT_EQ(dropped[at].line, each[at].line) << at;
    EXPECT_EQ(dropped[at].column, each[at].column) << at;
    EXPECT_EQ(dropped[at].flags, each[at].flags) << at;
  }
  EXPECT_EQ(dropped[1].text, "#");
  EXPECT_TRUE(dropped[1].has(token_flag::kLineStart));
  EXPECT_EQ(dropped[3].text, "12");
  EXPECT_EQ(dropped[3].line, 6u);
  EXPECT_EQ(dropped[3].column, 4u);
  EXPECT_EQ(dropped[9].text, "y");
  EXPECT_EQ(dropped[9].line, 15u);
}

}  // namespace
}  // namespace kz::cfront
