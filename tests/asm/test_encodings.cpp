// Every case of encodings.txt through the real lexer, the operand parser and the encoder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "asm/encoder.h"
#include "asm/expr_parser.h"
#include "asm/lexer.h"
#include "asm/operand.h"
#include "asm/source_reader.h"
#include "tests/asm/encoding_cases.h"
#include "tests/asm/test_support.h"

namespace kz::assembler {
namespace {

using testing::hex;

class RecordingReporter final : public Reporter {
 public:
  void reportError(Message message, std::string_view) override {
    int number = messageNumber(message);
    markStatementError();
    messages += "E" + std::to_string(number) + " ";
  }
  void reportWarning(Message message, std::string_view) override {
    int number = messageNumber(message);
    messages += "W" + std::to_string(number) + " ";
  }
  std::string messages;
};

using testing::EncodingCase;

using testing::lexStatements;

class EncodingTable : public ::testing::Test {
 protected:
  EncodingTable() : symbols_(reporter_) {
    section_ = symbols_.defineSection("code", Pass::first).section;
    sectionEntry& code = symbols_.sections()[section_];
    code.absolute = true;
    code.startAddress = kOrigin;
  }

  // Pass 1, then the final pass, of one statement on its own at kOrigin.
  std::string encodeStatement(std::vector<Token>& tokens) {
    Encoder encoder(symbols_, reporter_, options_);
    ExprParser expressions(symbols_, reporter_);
    OperandParser parser(expressions, reporter_);
    std::span<Token> operandTokens(tokens.data() + 1, tokens.size() - 1);
    EncodedInstruction result;
    for (Pass pass : {Pass::first, Pass::final}) {
      reporter_.beginStatement(0, 1);
      encoder.beginPass(pass);
      std::span<Operand> operands = parser.parseList(operandTokens, pass);
      result = encoder.encode(tokens[0].value, operands, {section_, kOrigin});
    }
    return hex(result.view());
  }

  static constexpr std::uint32_t kOrigin = 0x1000;
  RecordingReporter reporter_;
  RunOptions options_;
  SymbolTable symbols_;
  SectionId section_ = kNoSection;
};

TEST_F(EncodingTable, EveryCaseEncodesAsWrittenByHand) {
  std::vector<EncodingCase> cases = testing::loadEncodingCases();
  ASSERT_GT(cases.size(), 300u);
  std::string source;
  for (const EncodingCase& c : cases) source += c.source + "\n";
  std::vector<std::vector<Token>> statements = lexStatements(source, options_, reporter_);
  ASSERT_EQ(statements.size(), cases.size());
  ASSERT_EQ(reporter_.messages, "");
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE("encodings.txt line " + std::to_string(cases[i].fileLine) + ": " +
                 cases[i].source);
    ASSERT_FALSE(statements[i].empty());
    ASSERT_EQ(statements[i][0].wordClass, ReservedClass::mnemonic);
    EXPECT_EQ(encodeStatement(statements[i]), cases[i].expected);
    EXPECT_EQ(reporter_.messages, "");
    reporter_.messages.clear();
  }
}

// Before the final pass the encoder lays a shape of operands out once and then takes its
// size from memory. Met a second time, every case must still come to the size of its bytes.
TEST_F(EncodingTable, RememberedSizesAreTheSizesOfTheBytes) {
  std::vector<EncodingCase> cases = testing::loadEncodingCases();
  std::string source;
  for (const EncodingCase& c : cases) source += c.source + "\n";
  std::vector<std::vector<Token>> statements = lexStatements(source, options_, reporter_);
  Encoder encoder(symbols_, reporter_, options_);
  ExprParser expressions(symbols_, reporter_);
  OperandParser parser(expressions, reporter_);
  for (Pass pass : {Pass::first, Pass::sizing}) {
    encoder.beginPass(pass);
    for (std::size_t i = 0; i < cases.size(); ++i) {
      std::vector<Token>& tokens = statements[i];
      reporter_.beginStatement(0, 1);
      std::span<Operand> operands = parser.parseList({tokens.data() + 1, tokens.size() - 1}, pass);
      EncodedInstruction result = encoder.encode(tokens[0].value, operands, {section_, kOrigin});
      std::size_t expectedSize = (cases[i].expected.size() + 1) / 3;
      EXPECT_EQ(result.size, expectedSize)
          << "encodings.txt line " << cases[i].fileLine << ": " << cases[i].source;
    }
  }
}

// Each row of the mnemonic table is reached by at least one case, and each form that a
// mnemonic has is used by some case of that mnemonic.
TEST_F(EncodingTable, CasesCoverEveryMnemonicAndForm) {
  std::vector<EncodingCase> cases = testing::loadEncodingCases();
  std::string source;
  for (const EncodingCase& c : cases) source += c.source + "\n";
  std::vector<std::vector<Token>> statements = lexStatements(source, options_, reporter_);
  std::vector<std::vector<bool>> used;
  for (const MnemonicEntry& entry : mnemonicTable()) used.emplace_back(entry.forms.size(), false);
  Encoder encoder(symbols_, reporter_, options_);
  ExprParser expressions(symbols_, reporter_);
  OperandParser parser(expressions, reporter_);
  encoder.beginPass(Pass::first);
  for (std::vector<Token>& tokens : statements) {
    std::span<Operand> operands =
        parser.parseList({tokens.data() + 1, tokens.size() - 1}, Pass::first);
    EncodedInstruction result = encoder.encode(tokens[0].value, operands, {section_, kOrigin});
    ASSERT_GE(result.form, 0);
    used[valueOf(result.encodedAs) - kFirstMnemonic][result.form] = true;
  }
  for (const MnemonicEntry& entry : mnemonicTable()) {
    if (entry.code == Mnemonic::cal) continue;  // encoded as CALL
    for (std::size_t form = 0; form < entry.forms.size(); ++form) {
      if (entry.forms[form].exists()) {
        EXPECT_TRUE(used[valueOf(entry.code) - kFirstMnemonic][form])
            << entry.spelling << " form " << form;
      }
    }
  }
}

}  // namespace
}  // namespace kz::assembler
