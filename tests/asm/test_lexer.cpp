#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "asm/lexer.h"
#include "asm/reserved_words.h"
#include "common/fatal_error.h"
#include "tests/asm/recording_reporter.h"
#include "tests/asm/test_support.h"

namespace kz::assembler {
namespace {

using testing::fatalNumber;
using testing::MessageLogReporter;

// A token as a short word: reserved words by spelling, [ ] for memory brackets, | for a line end.
std::string render(const Token& token) {
  switch (token.kind) {
    case TokenKind::lineEnd:
      return "|";
    case TokenKind::endOfSource:
      return "$end";
    case TokenKind::identifier:
      return token.text();
    case TokenKind::reserved:
      return std::string(reservedSpelling(token.wordClass, token.value));
    case TokenKind::integer:
      return "#" + std::to_string(token.value);
    case TokenKind::floating:
      return "f" + std::to_string(static_cast<double>(token.floatValue));
    case TokenKind::string:
      return std::string(1, token.punct) + token.text() + (token.punct == '<' ? ">" : "\"");
    case TokenKind::punct:
      return std::string(1, token.punct);
    case TokenKind::shiftLeft:
      return "<<";
    case TokenKind::shiftRight:
      return ">>";
    case TokenKind::memoryOpen:
      return "[";
    case TokenKind::memoryClose:
      return "]";
  }
  return "?";
}

class LexerTest : public ::testing::Test {
 protected:
  LexerTest() {
    char pattern[] = "/tmp/kzlexXXXXXX";
    directory_ = ::mkdtemp(pattern);
  }
  ~LexerTest() override { std::filesystem::remove_all(directory_); }

  void startSource(std::string_view source) {
    options.sourceFileName = directory_ + "/main.asm";
    std::ofstream(options.sourceFileName, std::ios::binary) << source;
    reader_ = std::make_unique<SourceReader>(options, reporter);
    reader_->openMainSource();
    lexer_ = std::make_unique<Lexer>(*reader_, options, reporter);
  }

  std::vector<Token> tokens(std::string_view source) {
    startSource(source);
    std::vector<Token> result;
    Token token;
    while (lexer_->nextToken(token) != TokenKind::endOfSource) result.push_back(token);
    return result;
  }

  std::string lex(std::string_view source) {
    std::string text;
    for (const Token& token : tokens(source)) text += (text.empty() ? "" : " ") + render(token);
    return text;
  }

  RunOptions options;
  MessageLogReporter reporter;
  std::unique_ptr<SourceReader> reader_;
  std::unique_ptr<Lexer> lexer_;

 private:
  std::string directory_;
};

using LexerRadix = LexerTest;

TEST_F(LexerRadix, PrefixFormsInEveryRadix) {
  EXPECT_EQ(lex("DB 0x1F,0y101,017,31,0X1f,0Y0,0,00,4294967295"),
            "DB #31 , #5 , #15 , #31 , #31 , #0 , #0 , #0 , #-1 |");
  EXPECT_EQ(reporter.messages, "");
}

TEST_F(LexerRadix, MalformedConstantsAreError202AndSwallowTheirTail) {
  for (const char* text : {"019", "1FH", "0x", "0xG", "0y2", "0y12", "12.", "10B", "7d", "8o", "9q",
                           "0x1FH", "1e", "1.5e+", "3abc", "0x1.2"}) {
    reporter.messages.clear();
    EXPECT_EQ(lex(std::string("DW ") + text + " ,1"), "DW #0 , #1 |") << text;
    EXPECT_EQ(reporter.messages, "E202@1") << text;
  }
}

TEST_F(LexerRadix, SuffixStyleWithHexSuffix) {
  options.hexSuffix = true;
  EXPECT_EQ(lex("DB 1FH,12,0FFH,017,1bh,10"), "DB #31 , #12 , #255 , #17 , #27 , #10 |");
  EXPECT_EQ(reporter.messages, "");
  EXPECT_EQ(lex("DB 0x1F"), "DB #0 |");
  EXPECT_EQ(reporter.messages, "E202@1");
  std::vector<Token> floats = tokens("FDATAS 1E5,1.5F");
  EXPECT_EQ(floats[1].floatValue, 1e5L);
  EXPECT_EQ(floats[3].precision, FloatPrecision::single);
}

TEST_F(LexerRadix, FloatingConstantsAndPrecision) {
  std::vector<Token> t = tokens("FDATAX 1.5,0.1f,2.5L,1e3,3.E2,12e-1,1.25e+2l");
  ASSERT_EQ(t.size(), 15u);
  EXPECT_EQ(t[1].kind, TokenKind::floating);
  EXPECT_EQ(t[1].floatValue, 1.5L);
  EXPECT_EQ(t[1].precision, FloatPrecision::dbl);
  EXPECT_EQ(t[1].text(), "1.5");
  EXPECT_EQ(t[3].floatValue, static_cast<long double>(0.1f));
  EXPECT_EQ(t[3].precision, FloatPrecision::single);
  EXPECT_EQ(t[3].text(), "0.1f");
  EXPECT_EQ(t[5].precision, FloatPrecision::extended);
  EXPECT_EQ(t[7].floatValue, 1000.0L);
  EXPECT_EQ(t[9].floatValue, 300.0L);
  EXPECT_EQ(t[11].floatValue, static_cast<long double>(1.2));
  EXPECT_EQ(t[13].floatValue, 125.0L);
  EXPECT_EQ(t[13].precision, FloatPrecision::extended);
}

TEST_F(LexerRadix, ConstantTextOf100CharactersIsFatal110) {
  std::string digits(99, '1');
  EXPECT_EQ(fatalNumber([&] { tokens("DB 0" + digits.substr(1) + "\n"); }), 0);
  EXPECT_EQ(fatalNumber([&] { tokens("DB " + digits + "1\n"); }), 110);
}

using LexerCharacterConstant = LexerTest;

TEST_F(LexerCharacterConstant, BigEndianBytesAndTheLastFourKept) {
  EXPECT_EQ(lex("DW 'A','AB','\\n','\\'',''"), "DW #65 , #16706 , #10 , #39 , #0 |");
  EXPECT_EQ(reporter.messages, "");
  std::vector<Token> t = tokens("DL 'ABCDE','ABCDEFG'");
  EXPECT_EQ(t[1].value, 0x42434445);
  EXPECT_EQ(t[1].text(), "'ABCDE'");
  EXPECT_EQ(t[3].value, 0x44454647);
  EXPECT_EQ(reporter.messages, "W500@1 W500@1");
}

TEST_F(LexerCharacterConstant, LineEndInsideMarksAnIllegalCharacter) {
  EXPECT_EQ(lex("DB 'AB\nNOP"), "DB #16706 | NOP |");
  EXPECT_EQ(reporter.messages, "E200@1");
}

using LexerString = LexerTest;

TEST_F(LexerString, EverySimpleEscape) {
  std::vector<Token> t = tokens(R"(DB "\"\'\?\\\0\a\b\f\n\r\t\v")");
  EXPECT_EQ(t[1].text(), std::string("\"'?\\\0\a\b\f\n\r\t\v", 12));
  EXPECT_EQ(reporter.messages, "");
}

TEST_F(LexerString, NumericEscapes) {
  std::vector<Token> t = tokens(R"(DB "\101\7\0101\x41\x4g\X7F")");
  EXPECT_EQ(t[1].text(), std::string("A\a\0"
                                     "101A\x04g\x7F",
                                     10));
  EXPECT_EQ(reporter.messages, "");
  t = tokens(R"(DB "\777\400")");
  EXPECT_EQ(t[1].text(), std::string("\xFF\0", 2));
  EXPECT_EQ(reporter.messages, "W516@1 W516@1");
}

TEST_F(LexerString, IllegalEscapesContributeNothing) {
  EXPECT_EQ(lex(R"(DB "a\qb","\x","\xZ")"), R"(DB "ab" , "" , "Z" |)");
  EXPECT_EQ(reporter.messages, "W516@1 W516@1 W516@1");
}

TEST_F(LexerString, LineEndOrNulEndsTheStringWithError209) {
  EXPECT_EQ(lex("DB \"abc\nDB \"a\\"), "DB \"abc\" | DB \"a\" |");
  EXPECT_EQ(reporter.messages, "E209@1 E209@2");
  options.eightBitText = true;
  reporter.messages.clear();
  EXPECT_EQ(lex(std::string("DB \"a\0x", 7)), "DB \"a\" x |");
  EXPECT_EQ(reporter.messages, "E209@1");
}

TEST_F(LexerString, LengthLimitIs509Bytes) {
  EXPECT_EQ(tokens("DB \"" + std::string(509, 'x') + "\"")[1].text().size(), 509u);
  EXPECT_EQ(fatalNumber([&] { tokens("DB \"" + std::string(510, 'x') + "\""); }), 158);
}

TEST_F(LexerString, BackslashIsOrdinaryWithNoEscapesAndInDebugDirectives) {
  EXPECT_EQ(lex(R"(file "c:\src\m.c",0,0,0)"), R"(FILE "c:\src\m.c" , #0 , #0 , #0 |)");
  EXPECT_EQ(lex(R"(DB "c:\src")"), "DB \"c:rc\" |");
  options.noEscapes = true;
  EXPECT_EQ(lex(R"(DB "a\n",'\')"), R"(DB "a\n" , #92 |)");
  EXPECT_EQ(lex("symbol_b 3,nc,5,0"), "SYMBOL_B #3 , nc , #5 , #0 |");
}

using LexerWords = LexerTest;

TEST_F(LexerWords, ReservedWordsIgnoreCaseSymbolsDoNot) {
  EXPECT_EQ(lex("lab: ld A,b\nAbc abc ABC"), "lab : LD A , B | Abc abc ABC |");
  std::vector<Token> t = tokens("nop");
  EXPECT_EQ(t[0].kind, TokenKind::reserved);
  EXPECT_EQ(t[0].value, valueOf(Mnemonic::nop));
}

TEST_F(LexerWords, NamesKeepTheirFirst32Characters) {
  std::string name32(32, 'n');
  EXPECT_EQ(tokens(name32 + " " + name32 + "x")[1].text(), name32);
  EXPECT_EQ(tokens(name32)[0].text(), name32);
}

TEST_F(LexerWords, WordCharactersDollarAndFullStop) {
  EXPECT_EQ(lex("a'b my.lab _x $ $+2 $TITLE . x.y"), "a'b my.lab _x $ $ + #2 $TITLE . x.y |");
  EXPECT_EQ(lex("MODULE my-mod\nEQU p-q"), "MODULE my-mod | EQU p - q |");
}

TEST_F(LexerWords, OnlyTheWordRightAfterTheKeywordIsAModuleOrIncludeName) {
  EXPECT_EQ(lex("MODULE a-b p-q\nm: MODULE x-y\nDB x-y"),
            "MODULE a-b p - q | m : MODULE x-y | DB x - y |");
  EXPECT_EQ(lex("$INCLUDE x \"a b\"\nx: $INCLUDE <a b>\nDB <x>"),
            "$INCLUDE x \"a b\" | x : $INCLUDE <a b> | DB < x > |");
}

TEST_F(LexerWords, OperatorsAndComments) {
  EXPECT_EQ(lex("DB 1<<2>>3<4>5 ; x<<y\n;only\n"), "DB #1 << #2 >> #3 < #4 > #5 | |");
}

TEST_F(LexerWords, IncludeNamesAreVerbatim) {
  EXPECT_EQ(lex(R"($include "a\n.inc" ; c)"), R"($INCLUDE "a\n.inc" |)");
  EXPECT_EQ(lex("$INCLUDE <sys/io.h>"), "$INCLUDE <sys/io.h> |");
  EXPECT_EQ(lex("$INCLUDE \"abc"), "$INCLUDE \"abc\" |");
  EXPECT_EQ(reporter.messages, "E209@1");
}

using LexerOperandRewrite = LexerTest;

TEST_F(LexerOperandRewrite, OneParenthesisedGroupIsAMemoryOperand) {
  EXPECT_EQ(lex("LD A,(HL)\nLD (x+1),A\nJP (HL)\nlab: ld a,((x))"),
            "LD A , [ HL ] | LD [ x + #1 ] , A | JP [ HL ] | lab : LD A , [ ( x ) ] |");
}

TEST_F(LexerOperandRewrite, GroupsInsideLargerExpressionsStay) {
  EXPECT_EQ(lex("LD A,(x)+(y)\nLD A,-(x)\nLD A,x*(y)\nDB (1)"),
            "LD A , ( x ) + ( y ) | LD A , - ( x ) | LD A , x * ( y ) | DB ( #1 ) |");
}

TEST_F(LexerOperandRewrite, BitSuffixEndsTheOperand) {
  EXPECT_EQ(lex("SET (x).3\nCLR (HL).A\nLD CF,(x+1).b"),
            "SET [ x ] . #3 | CLR [ HL ] . A | LD CF , [ x + #1 ] . B |");
}

TEST_F(LexerOperandRewrite, QuotesAndEscapesAreHonoured) {
  EXPECT_EQ(lex("LD A,(')')\nLD A,('\\'')\nLD A,'('\nLD A,B ; (\nLD A,(x'y)"),
            "LD A , [ #41 ] | LD A , [ #39 ] | LD A , #40 | LD A , B | LD A , [ x'y ] |");
  EXPECT_EQ(reporter.messages, "");
}

TEST_F(LexerOperandRewrite, ParenthesesAreFoundWhateverTheLineLengthAndOffset) {
  // Lines shorter and longer than eight bytes, with the parentheses in every byte position.
  for (std::size_t blanks = 0; blanks < 20; ++blanks) {
    std::string pad(blanks, ' ');
    reporter.messages.clear();
    EXPECT_EQ(lex("JP" + pad + "(x)"), "JP [ x ] |") << blanks;
    EXPECT_EQ(lex("JP x" + pad + ")"), "JP x ) |") << blanks;
    EXPECT_EQ(reporter.messages, "E205@1") << blanks;
    EXPECT_EQ(lex("JP x" + pad + ";)"), "JP x |") << blanks;
  }
  EXPECT_EQ(lex("lab: JP (HL)\nJP (HL).1"), "lab : JP [ HL ] | JP [ HL ] . #1 |");
}

TEST_F(LexerOperandRewrite, UnbalancedParenthesesAreError205) {
  EXPECT_EQ(lex("LD A,(x\nLD A,x)\nLD A,(x))"), "LD A , ( x | LD A , x ) | LD A , ( x ) ) |");
  EXPECT_EQ(reporter.messages, "E205@1 E205@2 E205@3");
}

using LexerBitOperand = LexerTest;

TEST_F(LexerBitOperand, RegisterAndRestAreSplitInBitInstructions) {
  EXPECT_EQ(lex("SET A.3\nxor cf,b.7\nTEST l.bit"),
            "SET A . #3 | XOR CF , B . #7 | TEST L . bit |");
}

TEST_F(LexerBitOperand, OtherWordsStayWhole) {
  EXPECT_EQ(lex("SET flags.3\nINC A.3\nDB A.3\nSET A."),
            "SET flags.3 | INC A.3 | DB A.3 | SET A. |");
}

using LexerStatement = LexerTest;

TEST_F(LexerStatement, IllegalCharactersGiveError200AtTheEnd) {
  EXPECT_EQ(lex("NOP \x01\nNOP ; caf\xE9\nDB 019 \x02\nNOP"),
            "NOP \x01 | NOP | DB #0 \x02 | NOP |");
  EXPECT_EQ(reporter.messages, "E200@1 E200@2 E202@3");
  options.eightBitText = true;
  reporter.messages.clear();
  lex("NOP ; caf\xE9\nDB \"\xE9\"");
  EXPECT_EQ(reporter.messages, "");
}

TEST_F(LexerStatement, EveryIllegalByteIsFoundAtEveryOffset) {
  std::string source;
  std::string expected;
  int line = 0;
  for (int byte = 0; byte < 256; ++byte) {
    if (byte == '\n' || byte == 0x1A) continue;
    source += "; " + std::string(static_cast<std::size_t>(byte % 13), 'x') +
              static_cast<char>(byte) + std::string(static_cast<std::size_t>(byte % 5), 'y') + "\n";
    ++line;
    bool illegal = byte <= 0x08 || (byte >= 0x0E && byte <= 0x1F) || byte >= 0x80;
    if (illegal) expected += (expected.empty() ? "E200@" : " E200@") + std::to_string(line);
  }
  lex(source);
  EXPECT_EQ(reporter.messages, expected);
}

TEST_F(LexerStatement, TextAfterEndDrawsWarning507OncePerLine) {
  startSource("END junk more\n; comment\n\n NOP x\n$INCLUDE \"a\"\n");
  Token token;
  std::string text;
  while (lexer_->nextToken(token) != TokenKind::endOfSource) {
    text += render(token) + " ";
    if (token.kind == TokenKind::reserved && token.value == valueOf(ModuleSectionWord::end)) {
      lexer_->noteEndStatement();
    }
  }
  EXPECT_EQ(text, "END | | | | | ");
  EXPECT_EQ(reporter.messages, "W507@1 W507@4 W507@5");
}

TEST(ReservedWords, EveryEntryIsFoundInAnyCase) {
  for (const ReservedWord& entry : reservedWordTable()) {
    std::string lower(entry.spelling);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(lookupReservedWord(lower), &entry) << entry.spelling;
    EXPECT_EQ(lookupReservedWord(entry.spelling), &entry) << entry.spelling;
  }
  for (const char* word : {"", "$", "LDX", "NOPE", "INCLUDES", "SYMBOL_AB", "symbol_c", "A.3"}) {
    EXPECT_EQ(lookupReservedWord(word), nullptr) << word;
  }
}

TEST(ReservedWords, NearMissesOfEverySpellingAreFoundOnlyWhenTheyAreSpellingsThemselves) {
  auto entryWithSpelling = [](std::string_view word) -> const ReservedWord* {
    for (const ReservedWord& entry : reservedWordTable()) {
      if (entry.spelling == word) return &entry;
    }
    return nullptr;
  };
  for (const ReservedWord& entry : reservedWordTable()) {
    std::string spelling(entry.spelling);
    std::vector<std::string> nearMisses = {spelling + "X", spelling + "0", "X" + spelling,
                                           spelling.substr(1)};
    for (std::size_t length = 1; length < spelling.size(); ++length) {
      nearMisses.push_back(spelling.substr(0, length));
    }
    for (std::size_t i = 0; i < spelling.size(); ++i) {
      std::string changed = spelling;
      changed[i] = changed[i] == 'Z' ? 'A' : static_cast<char>(changed[i] + 1);
      nearMisses.push_back(changed);
      changed[i] = '\0';
      nearMisses.push_back(changed);
    }
    for (const std::string& word : nearMisses) {
      EXPECT_EQ(lookupReservedWord(word), entryWithSpelling(word)) << entry.spelling << " " << word;
    }
  }
}

}  // namespace

}  // namespace kz::assembler
