#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "asm/expr.h"
#include "asm/expr_parser.h"
#include "asm/symbols.h"
#include "tests/asm/recording_reporter.h"

namespace kz::assembler {
namespace {

using testing::RecordingReporter;

Token reservedWord(ReservedClass wordClass, int value) {
  Token token;
  token.kind = TokenKind::reserved;
  token.wordClass = wordClass;
  token.value = value;
  return token;
}

// A small stand-in for the lexer: decimal and 0x constants, floating constants with an
// optional F or L suffix, names, << >>, and the reserved words these tests need.
std::vector<Token> scan(std::string_view text) {
  static const std::pair<const char*, Token> kWords[] = {
      {"STARTOF", reservedWord(ReservedClass::sectionFunction, startOf)},
      {"SIZEOF", reservedWord(ReservedClass::sectionFunction, sizeOf)},
      {"FIMS", reservedWord(ReservedClass::floatPart, 0)},
      {"FIMDH", reservedWord(ReservedClass::floatPart, 1)},
      {"FIMDL", reservedWord(ReservedClass::floatPart, 2)},
      {"FIMXH", reservedWord(ReservedClass::floatPart, 3)},
      {"FIMXM", reservedWord(ReservedClass::floatPart, 4)},
      {"FIMXL", reservedWord(ReservedClass::floatPart, 5)},
      {"HL", reservedWord(ReservedClass::reg, 11)},
  };
  std::vector<Token> tokens;
  std::size_t i = 0;
  auto isWordChar = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
  };
  while (i < text.size()) {
    char c = text[i];
    Token token;
    if (c == ' ') {
      ++i;
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      bool hex = text.substr(i, 2) == "0x";
      std::size_t end = hex ? i + 2 : i;
      auto isDigit = [hex](char d) {
        return hex ? std::isxdigit(static_cast<unsigned char>(d)) != 0
                   : std::isdigit(static_cast<unsigned char>(d)) || d == '.';
      };
      while (end < text.size() && isDigit(text[end])) ++end;
      std::string number(text.substr(i, end - i));
      if (number.find('.') != std::string::npos) {
        token.kind = TokenKind::floating;
        token.floatValue = std::stold(number);
        if (end < text.size() && (text[end] == 'F' || text[end] == 'L')) {
          token.precision = text[end] == 'F' ? FloatPrecision::single : FloatPrecision::extended;
          if (text[end] == 'F') token.floatValue = static_cast<float>(token.floatValue);
          ++end;
        }
      } else {
        token.kind = TokenKind::integer;
        token.value = static_cast<std::int32_t>(std::stoul(number, nullptr, 0));
      }
      i = end;
    } else if (isWordChar(c)) {
      std::size_t end = i;
      while (end < text.size() && isWordChar(text[end])) ++end;
      token.kind = TokenKind::identifier;
      token.spelling() = std::string(text.substr(i, end - i));
      for (const auto& [spelling, word] : kWords) {
        if (token.text() == spelling) token = word;
      }
      i = end;
    } else if ((c == '<' || c == '>') && i + 1 < text.size() && text[i + 1] == c) {
      token.kind = c == '<' ? TokenKind::shiftLeft : TokenKind::shiftRight;
      i += 2;
    } else if (c == '"') {
      token.kind = TokenKind::string;
      i = text.find('"', i + 1) + 1;
    } else {
      token.kind = TokenKind::punct;
      token.punct = c;
      ++i;
    }
    tokens.push_back(token);
  }
  return tokens;
}

class ExprTest : public ::testing::Test {
 protected:
  ExprTree parse(std::string_view text, Pass pass = Pass::first) {
    tokens_ = scan(text);
    TokenCursor cursor(tokens_);
    ExprTree tree = parser.parse(cursor, pass);
    consumed = cursor.position();
    return tree;
  }
  exprValue eval(std::string_view text, Pass pass = Pass::first, const ExprContext& context = {}) {
    ExprTree tree = parse(text, pass);
    parser.endStatement();
    return evaluator.evaluate(tree, pass, context);
  }
  std::int32_t value(std::string_view text, Pass pass = Pass::first,
                     const ExprContext& context = {}) {
    exprValue result = eval(text, pass, context);
    EXPECT_EQ(result.kind, ValueKind::absolute) << text;
    return result.value;
  }
  exprValue evalFloating(std::string_view text, FloatPrecision precision, Pass pass = Pass::first) {
    tokens_ = scan(text);
    TokenCursor cursor(tokens_);
    ExprTree tree = parser.parseFloating(cursor, pass, precision);
    parser.endStatement();
    return evaluator.evaluate(tree, pass);
  }
  SectionId section(std::string_view name, bool absolute = false, std::uint32_t start = 0) {
    SectionId id = symbols.defineSection(name, Pass::first).section;
    symbols.sections()[id].absolute = absolute;
    symbols.sections()[id].startAddress = start;
    return id;
  }
  void label(std::string_view name, SectionId id, std::int32_t offset) {
    reporter.beginStatement(0, ++line_);
    symbols.defineLabel(name, DefinitionKind::label, {offset, id, nullptr}, Pass::first);
  }

  RecordingReporter reporter;
  SymbolTable symbols{reporter};
  ExprParser parser{symbols, reporter};
  Evaluator evaluator{symbols, reporter};
  std::size_t consumed = 0;

 private:
  std::vector<Token> tokens_;
  long line_ = 0;
};

using Errors = std::vector<int>;

TEST_F(ExprTest, PrecedenceAndAssociativity) {
  EXPECT_EQ(value("1 + 2 * 3"), 7);
  EXPECT_EQ(value("1 | 2 ^ 3 & 4"), 3);  // 1 | (2 ^ (3 & 4)), not ((1 | 2) ^ 3) & 4
  EXPECT_EQ(value("8 >> 1 << 2"), 16);
  EXPECT_EQ(value("10 - 3 - 2"), 5);
  EXPECT_EQ(value("100 / 10 / 5"), 2);
  EXPECT_EQ(value("1 << 2 + 1"), 8);
  EXPECT_EQ(value("6 & 3 | 8"), 10);
  EXPECT_EQ(value("(1 + 2) * 3"), 9);
  EXPECT_EQ(value("~0 & 0xF0"), 0xF0);
  EXPECT_EQ(value("- -3"), 3);
  EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(ExprTest, WidthLimitBindsTighterThanSignsAndOperators) {
  EXPECT_EQ(value("0x1FF:8 + 1"), 0x100);
  EXPECT_EQ(value("-0x1FF:8"), -0xFF);  // -(0x1FF:8), not (-0x1FF):8
  EXPECT_EQ(value("2 * 0x13:4"), 6);
  EXPECT_EQ(value("0x1FF:8:4"), 0xF);
  EXPECT_EQ(reporter.warnings, (std::vector<int>{501, 501, 501, 501, 501}));
}

TEST_F(ExprTest, WidthLimitFolding) {
  EXPECT_EQ(value("0x7F:8"), 0x7F);
  EXPECT_EQ(value("0xFFFFFFFF:32"), -1);
  EXPECT_TRUE(reporter.warnings.empty());
  EXPECT_EQ(value("0x1FF:8", Pass::sizing), 0xFF);
  EXPECT_TRUE(reporter.warnings.empty());
  EXPECT_EQ(value("0x1FF:8", Pass::final), 0xFF);
  EXPECT_EQ(reporter.warnings, std::vector<int>{501});
  EXPECT_FALSE(eval("5:0").isValid());
  EXPECT_FALSE(eval("5:33").isValid());
  EXPECT_EQ(reporter.errors, (Errors{206, 206}));
}

TEST_F(ExprTest, DivisionByZeroIsZeroWithErrorInPassOneOnly) {
  EXPECT_EQ(value("7 / 0"), 0);
  EXPECT_EQ(value("7 % 0"), 0);
  EXPECT_EQ(reporter.errors, (Errors{201, 201}));
  reporter.errors.clear();
  EXPECT_EQ(value("7 / 0", Pass::sizing), 0);
  EXPECT_EQ(value("7 / 0", Pass::final), 0);
  EXPECT_TRUE(reporter.errors.empty());
  EXPECT_EQ(value("-7 / 2"), -3);
  EXPECT_EQ(value("-7 % 2"), -1);
  EXPECT_EQ(value("(0x7FFFFFFF + 1) / -1"), INT32_MIN);  // must not trap
  EXPECT_EQ(value("(0x7FFFFFFF + 1) % -1"), 0);
}

TEST_F(ExprTest, ShiftsAndWrapAround) {
  EXPECT_EQ(value("1 << 32"), 0);
  EXPECT_EQ(value("1 << 31"), INT32_MIN);
  EXPECT_EQ(value("-8 >> 1"), -4);
  EXPECT_EQ(value("-8 >> 32"), 0);
  EXPECT_EQ(value("1 << (0 - 1)"), 0);  // a negative count is a huge one
  EXPECT_EQ(value("0x10000 * 0x10000"), 0);
  EXPECT_EQ(value("0x7FFFFFFF + 1"), INT32_MIN);
}

TEST_F(ExprTest, SignAfterBinaryOperatorIsReportedAtStatementEnd) {
  ExprTree tree = parse("2 * -3");
  EXPECT_TRUE(tree.valid());
  EXPECT_TRUE(reporter.errors.empty());
  EXPECT_TRUE(parser.hasDeferredError());
  parser.endStatement();
  parser.endStatement();
  EXPECT_EQ(reporter.errors, Errors{206});
  reporter.errors.clear();

  EXPECT_EQ(value("2 * (-3)"), -6);
  EXPECT_EQ(value("-3 * 2"), -6);
  EXPECT_EQ(value("2 * ~1"), -4);  // ~ is not a sign
  EXPECT_TRUE(reporter.errors.empty());
  eval("1 - +2");
  eval("0x1FF : -8");
  EXPECT_EQ(reporter.errors, (Errors{206, 206, 206}));  // the last also for the width itself
}

TEST_F(ExprTest, SyntaxErrors) {
  EXPECT_FALSE(eval("(1 + 2").isValid());
  EXPECT_FALSE(eval("1 +").isValid());
  EXPECT_FALSE(eval("").isValid());
  EXPECT_FALSE(eval("SIZEOF 5").isValid());
  EXPECT_FALSE(eval("SIZEOF (code").isValid());
  EXPECT_FALSE(eval("1 + HL").isValid());
  EXPECT_FALSE(eval("\"ab\"").isValid());
  EXPECT_EQ(reporter.errors, (Errors{205, 206, 206, 207, 205, 226, 206}));
  reporter.errors.clear();
  EXPECT_EQ(value(std::string(200, '(') + "1" + std::string(200, ')')), 1);
  EXPECT_FALSE(eval(std::string(100000, '(') + "1").isValid());  // bounded, not a stack overflow
  EXPECT_EQ(reporter.errors, Errors{206});
}

TEST_F(ExprTest, ParsingStopsBeforeTokensThatCannotContinue) {
  EXPECT_TRUE(parse("1 + 2, 3").valid());
  EXPECT_EQ(consumed, 3u);
  EXPECT_TRUE(parse("(4) ) 5").valid());
  EXPECT_EQ(consumed, 3u);
}

TEST_F(ExprTest, RelocatableArithmetic) {
  SectionId code = section("code");
  label("L1", code, 0x10);
  label("L2", code, 0x30);

  exprValue sum = eval("L1 + 4");
  EXPECT_EQ(sum.kind, ValueKind::relocatable);
  EXPECT_EQ(sum.section, code);
  EXPECT_EQ(sum.value, 0x14);
  EXPECT_EQ(eval("4 + L1").value, 0x14);
  EXPECT_EQ(eval("L1 - 4").value, 0x0C);
  EXPECT_EQ(eval("(L2 - L1) + L1").kind, ValueKind::relocatable);
  EXPECT_EQ(value("L2 - L1"), 0x20);
  EXPECT_EQ(value("L1 - STARTOF code"), 0x10);
  EXPECT_TRUE(reporter.errors.empty());
  EXPECT_FALSE(eval("$ - L1").isValid());  // no current section
  EXPECT_EQ(reporter.errors, Errors{215});
}

TEST_F(ExprTest, LocationCounterAndAbsoluteSections) {
  SectionId code = section("code");
  SectionId fixed = section("fixed", true, 0x8000);
  label("entry", fixed, 0x8010);
  EXPECT_EQ(value("entry + 1"), 0x8011);
  EXPECT_EQ(value("STARTOF (fixed)"), 0x8000);
  EXPECT_EQ(eval("SIZEOF fixed").kind, ValueKind::complex);

  ExprContext context{code, 0x22};
  exprValue here = eval("$ + 1", Pass::first, context);
  EXPECT_EQ(here.kind, ValueKind::relocatable);
  EXPECT_EQ(here.value, 0x23);
  context = {fixed, 0x8004};
  EXPECT_EQ(value("$ - 4", Pass::first, context), 0x8000);
}

// Postfix text of a complex value, as the object writer walks it.
std::string postfix(const exprValue& value) {
  std::string text;
  forEachPostfix(*value.tree, [&](const ComplexTerm& term) {
    static const char* const kNames[] = {"",  "R", "X", "S", "neg", "not", "+",
                                         "-", "*", "/", "%", "&",   "|",   "^"};
    if (!text.empty()) text += ' ';
    if (term.op == TermOp::constant) {
      text += std::to_string(term.value);
    } else {
      text += kNames[static_cast<int>(term.op)];
      if (term.op == TermOp::sectionOffset)
        text += std::to_string(term.section) + "+" + std::to_string(term.value);
      if (term.op == TermOp::sectionSize) text += std::to_string(term.section);
      if (term.op == TermOp::external) text += std::to_string(term.symbol);
    }
  });
  return text;
}

TEST_F(ExprTest, ComplexTrees) {
  SectionId code = section("code");
  SectionId data = section("data");
  label("L1", code, 0x10);
  label("D1", data, 0x4);
  SymbolIndex ext = symbols.declareExternal("ext", MemoryModel::medium, Pass::first);
  std::string x = "X" + std::to_string(ext);

  EXPECT_EQ(eval("ext").kind, ValueKind::external);
  EXPECT_EQ(eval("ext").symbol, ext);

  struct Case {
    const char* text;
    std::string expected;
  };
  const Case cases[] = {
      {"D1 - L1", "R1+4 R0+16 -"},  {"ext + 1", x + " 1 +"},       {"L1 * 2", "R0+16 2 *"},
      {"L1 >> 8", "R0+16 256 /"},   {"L1 << 1", "R0+16 2 *"},      {"L1 : 8", "R0+16 255 &"},
      {"-L1", "R0+16 neg"},         {"~ext", x + " not"},          {"L1 | 1", "R0+16 1 |"},
      {"L1 + L1", "R0+16 R0+16 +"}, {"SIZEOF code - 1", "S0 1 -"}, {"4 - L1", "4 R0+16 -"},
  };
  for (const Case& c : cases) {
    exprValue result = eval(c.text);
    ASSERT_EQ(result.kind, ValueKind::complex) << c.text;
    EXPECT_EQ(postfix(result), c.expected) << c.text;
  }
  EXPECT_EQ(eval("L1 >> 32").value, 0);
  EXPECT_EQ(eval("L1 / 0").value, 0);
  EXPECT_FALSE(eval("1 << L1").isValid());
  EXPECT_EQ(reporter.errors, (Errors{201, 204}));
}

TEST_F(ExprTest, ComplexValuesThroughEqu) {
  SectionId data = section("data");
  SymbolIndex ext = symbols.declareExternal("ext", MemoryModel::medium, Pass::first);
  symbols.defineLabel("alias", DefinitionKind::value, symbolValueOf(eval("ext")), Pass::first);
  symbols.defineLabel("size", DefinitionKind::value, symbolValueOf(eval("SIZEOF data + 2")),
                      Pass::first);
  EXPECT_EQ(eval("alias").kind, ValueKind::external);
  EXPECT_EQ(eval("alias").symbol, ext);
  EXPECT_EQ(postfix(eval("size * 2")), "S" + std::to_string(data) + " 2 + 2 *");
  ExprContext local;
  local.externalAllowed = false;
  EXPECT_FALSE(eval("alias", Pass::first, local).isValid());
  EXPECT_EQ(reporter.errors, Errors{224});
}

TEST_F(ExprTest, ReferenceErrors) {
  section("code");
  symbols.declareExternal("ext", MemoryModel::medium, Pass::first);
  ExprContext strict;
  strict.forwardAllowed = false;
  strict.externalAllowed = false;

  exprValue forward = eval("later + 1");
  EXPECT_TRUE(forward.forwardReference);
  EXPECT_TRUE(reporter.errors.empty());
  EXPECT_FALSE(eval("later", Pass::first, strict).isValid());
  EXPECT_FALSE(eval("later", Pass::final).isValid());
  EXPECT_FALSE(eval("ext", Pass::first, strict).isValid());
  EXPECT_FALSE(eval("code").isValid());
  EXPECT_EQ(reporter.errors, (Errors{223, 221, 224, 225}));

  ExprContext sectionsAllowed;
  sectionsAllowed.sectionAllowed = true;
  EXPECT_EQ(eval("code + 2", Pass::first, sectionsAllowed).kind, ValueKind::relocatable);
}

TEST_F(ExprTest, ForwardValuesSkipValueChecksInPassOne) {
  EXPECT_TRUE(eval("10 / later").forwardReference);
  EXPECT_TRUE(eval("0x1FF : later").forwardReference);
  EXPECT_TRUE(eval("later : 4").forwardReference);
  EXPECT_TRUE(reporter.errors.empty());
  EXPECT_TRUE(reporter.warnings.empty());
}

TEST_F(ExprTest, SectionFunctionsOnUnknownSections) {
  EXPECT_TRUE(eval("SIZEOF stack").forwardReference);  // may be defined further down
  EXPECT_TRUE(reporter.errors.empty());
  EXPECT_FALSE(eval("STARTOF stack", Pass::final).isValid());
  EXPECT_EQ(reporter.errors, Errors{232});
  EXPECT_EQ(reporter.arguments.back(), "stack");

  ExprTree early = parse("SIZEOF stack");
  section("stack");
  EXPECT_EQ(evaluator.evaluate(early, Pass::final).kind, ValueKind::complex);
}

// Pass 1 writes each symbol found into its token; replayed tokens carry only the index.
TEST_F(ExprTest, ReplayedTokensCarryOnlySymbolIndices) {
  SectionId code = section("code");
  label("start", code, 0x10);
  std::vector<Token> tokens = scan("start - STARTOF code");
  tokens.emplace_back();  // line end
  TokenCursor first(tokens);
  parser.parse(first, Pass::first);
  EXPECT_EQ(tokens[0].boundSymbol(), symbols.find("start"));

  tokens[0].spelling().clear();
  tokens[3].spelling().clear();
  tokens[3].bind(symbols.find("code"));
  TokenCursor replay(tokens);
  ExprTree tree = parser.parse(replay, Pass::final);
  EXPECT_EQ(evaluator.evaluate(tree, Pass::final).value, 0x10);
  EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(ExprTest, MultiplyDefinedLabelReportsAtEveryReference) {
  SectionId code = section("code");
  label("twice", code, 1);
  label("twice", code, 2);
  EXPECT_EQ(reporter.errors, Errors{203});
  EXPECT_FALSE(eval("twice").isValid());
  EXPECT_FALSE(eval("twice + 1", Pass::final).isValid());
  EXPECT_EQ(reporter.errors, (Errors{203, 220, 220}));
}

TEST_F(ExprTest, FloatingParts) {
  EXPECT_EQ(static_cast<std::uint32_t>(value("FIMS(1.5F)")), 0x3FC00000u);
  EXPECT_EQ(static_cast<std::uint32_t>(value("FIMDH(1.0)")), 0x3FF00000u);
  EXPECT_EQ(value("FIMDL(1.0)"), 0);
  EXPECT_EQ(value("FIMXH(1.0L)"), 0x3FFF);
  EXPECT_EQ(static_cast<std::uint32_t>(value("FIMXM(1.0L)")), 0x80000000u);
  EXPECT_EQ(value("FIMXH(-2.0L * 2)"), 0xC001);
  EXPECT_EQ(static_cast<std::uint32_t>(value("FIMDH(3)")), 0x40080000u);
  EXPECT_EQ(value("FIMS(1.0F) >> 16"), 0x3F80);
  EXPECT_TRUE(reporter.warnings.empty());
  EXPECT_TRUE(reporter.errors.empty());
}

TEST_F(ExprTest, FloatingPrecisionWarning) {
  value("FIMS(1.5 + 2.5)");
  EXPECT_EQ(reporter.warnings, std::vector<int>{518});
  value("FIMS(1.5)", Pass::sizing);
  EXPECT_EQ(reporter.warnings.size(), 1u);
  evalFloating("1.5F", FloatPrecision::single);
  evalFloating("1.5L", FloatPrecision::dbl);
  EXPECT_EQ(reporter.warnings, (std::vector<int>{518, 518}));
}

TEST_F(ExprTest, FloatingExpressionsAllowOnlyArithmetic) {
  exprValue sum = evalFloating("-(1.5 + 2) * 3 / 2", FloatPrecision::dbl);
  EXPECT_EQ(sum.kind, ValueKind::floating);
  EXPECT_EQ(sum.floatValue, -5.25);
  EXPECT_EQ(evalFloating("6", FloatPrecision::dbl).floatValue, 6.0);
  EXPECT_EQ(evalFloating("0.1", FloatPrecision::single).floatValue, static_cast<long double>(0.1f));
  EXPECT_TRUE(reporter.errors.empty());
  for (const char* text : {"1.0 % 2", "~1.0", "1 & 2", "1.0 : 8", "2 << 1"}) {
    EXPECT_FALSE(evalFloating(text, FloatPrecision::dbl).isValid()) << text;
  }
  EXPECT_FALSE(eval("FIMS(1.0F | 1)").isValid());
  EXPECT_EQ(reporter.errors, Errors(6, 206));
  reporter.errors.clear();

  exprValue mixed = eval("1.5 + 1");  // an integer context leaves the floating value to its caller
  EXPECT_EQ(mixed.kind, ValueKind::floating);
  EXPECT_EQ(mixed.floatValue, 2.5);
  EXPECT_EQ(eval("1.0 / 0").floatValue, 0);
  EXPECT_FALSE(eval("1.5 & 1").isValid());
  EXPECT_EQ(reporter.errors, (Errors{201, 206}));
}

}  // namespace
}  // namespace kz::assembler
