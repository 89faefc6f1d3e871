#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "clike/token_table.h"
#include "tests/clike/test_support.h"

namespace kz::clike {
namespace {

using testing::PreprocessorHarness;

TEST(TokenTable, WordsAreCaseSensitiveAndOnlyShortWordsAreLookedUp) {
  ASSERT_EQ(tokenTableSize(), 163u);
  const TokenTableEntry* hl = findTableWord("HL");
  ASSERT_NE(hl, nullptr);
  EXPECT_EQ(hl->kind, TokenClass::register16);
  EXPECT_EQ(hl->value, 38);
  EXPECT_EQ(findTableWord("hl"), nullptr);
  EXPECT_EQ(findTableWord("Return"), nullptr);
  EXPECT_EQ(findTableWord("#include")->value, 8);
  EXPECT_EQ(findTableWord("unsigned")->value, 64);
  EXPECT_EQ(findTableWord("unsignedx"), nullptr);
  EXPECT_EQ(findTableWord("<<=")->kind, TokenClass::compoundAssign);
  EXPECT_EQ(findTableWord(""), nullptr);
}

TEST(Lexer, NumbersInEveryRadix) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("0y1010 017 0x1F 0X1f 0Y1 0 9 65535 0x\n"),
            "#10 #15 #31 #31 #1 #0 #9 #65535 #0");
  EXPECT_EQ(h.messages(), "");
}

TEST(Lexer, LongSuffixAndFloatingPointAreInvalidTypes) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("12L;\n0x1fl x\n0.25 y\n"), "#12 ; #31 x #0 y");
  EXPECT_EQ(h.messages(), "E212 E212 E212");
  EXPECT_NE(h.err.text().find("\"L or l\""), std::string::npos);
}

TEST(Lexer, DigitBeyondTheRadixEndsTheCompilation) {
  for (const char* source : {"0y102\n", "09\n", "0x1G\n", "12L)\n", "1a\n"}) {
    PreprocessorHarness h;
    EXPECT_EQ(h.tokens(source), "FATAL131") << source;
    EXPECT_EQ(h.messages(), "E201") << source;
  }
}

TEST(Lexer, CharacterConstants) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("'A' 'AB' '\\101' '\\x' '\\n' '\\8' ';' 'a;'\n"),
            "'65 '16706 '65 '120 '10 '8 '59 '24891");
  EXPECT_EQ(h.messages(), "");
}

TEST(Lexer, CharacterConstantErrors) {
  PreprocessorHarness h;
  // A third byte; an octal escape of four digits (low 8 bits kept); a statement end inside.
  EXPECT_EQ(h.tokens("'ABC' x\n'\\1011' y\n'a; z w\n'b\nnext\n"), "'16706 x '9 y '97 ; '98 ; next");
  EXPECT_EQ(h.messages(), "E251 E243 E243 E243");
}

TEST(Lexer, StringsAndEscapes) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("\"a\\tb\\101\\q\\\"\" \"\\777\"\n\"open\nx\n"),
            "\"a\tbAq\"\" \"\xff\" \"open\" x");
  EXPECT_EQ(h.messages(), "E243 E202");
}

TEST(Lexer, StringLongerThan512BytesIsFatal) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("\"" + std::string(512, 'x') + "\"\n").size(), 514u);
  PreprocessorHarness tooLong;
  EXPECT_EQ(tooLong.tokens("\"" + std::string(513, 'x') + "\"\n"), "FATAL126");
}

TEST(Lexer, IdentifiersKeepThirtyOneSignificantCharacters) {
  PreprocessorHarness h;
  std::string shared(31, 'n');
  EXPECT_EQ(h.tokens(shared + "_first " + shared + "_second _9 x_1\n"),
            shared + " " + shared + " _9 x_1");
  EXPECT_EQ(h.symbols.size(), 3u);
  PreprocessorHarness tooLong;
  EXPECT_EQ(tooLong.tokens(std::string(511, 'a') + "\n"), "FATAL126");
}

TEST(Lexer, OperatorsTakeTheLongestMatch) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("a<<=b>>c->d*--HL++!=~!&&&|||^=.;\n"),
            "a <<= b >> c -> d * -- HL ++ != ~ ! && & || | ^= . ;");
}

// Every run of three operator characters, at a line's end and before a name, splits as the
// longest words of the token table taken from the left.
TEST(Lexer, EveryShortRunOfOperatorCharactersSplitsLongestFirst) {
  const std::string starts = "!+-<>=&^|";
  std::string source, expected;
  for (char a : starts) {
    for (char b : starts) {
      for (char c : starts) {
        std::string run{a, b, c};
        std::string split;
        for (std::size_t at = 0; at < run.size();) {
          std::size_t length = std::min<std::size_t>(3, run.size() - at);
          while (!findTableWord(run.substr(at, length))) --length;
          split += (split.empty() ? "" : " ") + run.substr(at, length);
          at += length;
        }
        source += "x" + run + "\n" + run + "y\n";
        expected += " x " + split + " " + split + " y";
      }
    }
  }
  PreprocessorHarness h;
  EXPECT_EQ(" " + h.tokens(source), expected);
}

TEST(Lexer, CommentsRunOverLinesAndMayNotReachTheEnd) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("a /* one\n two */ b/**/c /* x */\n"), "a b c");
  PreprocessorHarness open;
  EXPECT_EQ(open.tokens("a /* never closed\n\n"), "a FATAL127");
}

TEST(Lexer, ShiftJisSecondBytesDoNotEndCommentsOrStrings) {
  PreprocessorHarness h;
  h.settings.options.kanji = 1;
  h.setup.kanji = true;
  // 0x81 0x2A: a two-byte character whose second byte is '*'; 0x95 0x5C: second byte '\'.
  EXPECT_EQ(h.tokens("/* \x81*/ still */ a \"\x95\\\" '\x95\\'\n"), "a \"\x95\\\" '38236");
  EXPECT_EQ(h.messages(), "");
  PreprocessorHarness pair;
  pair.setup.kanji = true;
  EXPECT_EQ(pair.tokens("'\x95\\x'\n"), "'38236");
  EXPECT_EQ(pair.messages(), "E251");
}

TEST(Lexer, IllegalCharacters) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("a @ $ b\n"), "a b");
  EXPECT_EQ(h.messages(), "E201");  // once per line
  PreprocessorHarness high;
  EXPECT_EQ(high.tokens("a \xA0 b\n"), "a FATAL131");
  EXPECT_EQ(high.messages(), "E201");
}

TEST(Lexer, LinesLongerThan1022CharactersAreFatal) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens(std::string(1022, ' ') + "\r\nx\n"), "x");
  PreprocessorHarness tooLong;
  EXPECT_EQ(tooLong.tokens("x\n" + std::string(1023, ' ') + "\n"), "x FATAL123");
  EXPECT_EQ(tooLong.reader->lineNumber(), 2);
}

TEST(Lexer, EndOfFileMarkEndsTheSource) {
  PreprocessorHarness h;
  EXPECT_EQ(h.tokens("a b\x1a c\nd\n"), "a b");
}

}  // namespace
}  // namespace kz::clike
