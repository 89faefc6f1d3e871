// Instruction encoding throughput over a generated program of 120,000 instructions in a
// realistic mix (loads, ALU, bit operations, jumps to near and far labels, calls), lexed
// once: a final pass (operand parsing + encoding), a sizing pass, and encoding alone from
// operands parsed beforehand.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "asm/encoder.h"
#include "asm/expr_parser.h"
#include "asm/lexer.h"
#include "asm/operand.h"
#include "asm/source_reader.h"

namespace kz::assembler {
namespace {

class CountingReporter final : public Reporter {
 public:
  void reportError(Message, std::string_view) override {
    markStatementError();
    ++messages;
  }
  void reportWarning(Message, std::string_view) override { ++messages; }
  int messages = 0;
};

// Weighted like compiled 8-bit code: loads first, then arithmetic, tests and branches.
// '#' is a byte constant, '%' a direct address, '@' a nearby label, '&' any function label.
constexpr std::string_view kMix[] = {
    "LD A,(HL)",     "LD A,(HL)",    "LD (HL),A",    "LD A,#",      "LD B,#",         "LD A,(%)",
    "LD (%),A",      "LD WA,0x1234", "LD HL,0x8000", "LD A,(HL+#)", "LD C,A",         "LD A,B",
    "LD DE,(HL)",    "LD (DE),A",    "LD (%),#",     "LD E,(HL+)",  "LDW (%),0x4000", "ADD A,#",
    "SUB A,(HL)",    "AND A,0x0F",   "OR A,B",       "CMP A,#",     "XOR A,(%)",      "ADDC WA,BC",
    "SUBB HL,0x100", "CMP (HL),#",   "INC A",        "DEC B",       "INC HL",         "DEC (HL)",
    "INC (%)",       "SET (%).3",    "CLR A.2",      "TEST (HL).1", "LD CF,A.7",      "PUSH HL",
    "POP DE",        "CALL &",       "RET",          "J @",         "J NZ,@",         "J T,@",
    "J Z,@",         "JR NZ,$+4",    "JRS T,$+6",    "CALLV 3",     "MUL W,A",        "SWAP A",
    "XCH A,B",       "JP (HL)",
};

constexpr int kInstructionsPerLabel = 6;
constexpr int kLabelsPerSection = 1500;

std::uint32_t nextRandom(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

std::string generateProgram(int instructions) {
  std::string text;
  std::uint32_t state = 12345;
  int labels = instructions / kInstructionsPerLabel;
  for (int i = 0; i < instructions; ++i) {
    int label = i / kInstructionsPerLabel;
    if (label % kLabelsPerSection == 0 && i % kInstructionsPerLabel == 0) {
      text += "code" + std::to_string(label / kLabelsPerSection) + " SECTION CODE\n";
    }
    if (i % kInstructionsPerLabel == 0) text += "lab" + std::to_string(label) + ":";
    text += '\t';
    for (char c : kMix[nextRandom(state) % std::size(kMix)]) {
      int sectionFirst = label / kLabelsPerSection * kLabelsPerSection;
      int near = label + static_cast<int>(nextRandom(state) % 9) - 4;
      if (near < sectionFirst || near >= sectionFirst + kLabelsPerSection || near >= labels)
        near = label;
      switch (c) {
        case '#':
          text += std::to_string(nextRandom(state) % 100);
          break;
        case '%':
          text += "0x" + std::to_string(nextRandom(state) % 90 + 10);
          break;
        case '@':
          text += "lab" + std::to_string(near);
          break;
        case '&':
          text += "lab" + std::to_string(nextRandom(state) % labels);
          break;
        default:
          text += c;
      }
    }
    text += '\n';
  }
  return text;
}

class Program {
 public:
  explicit Program(int instructions)
      : symbols_(reporter_), encoder_(symbols_, reporter_, options_) {
    char pattern[] = "/tmp/kzbenchXXXXXX";
    int fd = ::mkstemp(pattern);
    ::close(fd);
    options_.sourceFileName = pattern;
    std::ofstream(options_.sourceFileName, std::ios::binary) << generateProgram(instructions);
    lex();
    ::unlink(pattern);
    runPass(Pass::first);
    for (int repetition = 0; repetition < 11; ++repetition) {
      moved_ = false;
      runPass(Pass::sizing);
      if (!moved_ && !encoder_.layoutChanged()) break;
    }
  }

  // Returns the number of instructions encoded.
  std::size_t runPass(Pass pass) {
    encoder_.beginPass(pass);
    std::size_t count = 0;
    for (std::size_t i = 0; i < statements_.size(); ++i) {
      reporter_.beginStatement(0, static_cast<long>(i + 1));
      count += statement(statements_[i], pass);
    }
    return count;
  }

  // Parses every instruction's operands once, for encodeParsed().
  void parseAll() {
    parsed_.clear();
    SectionId section = kNoSection;
    for (std::vector<Token>& tokens : statements_) {
      if (isSectionLine(tokens)) {
        section = symbols_.entry(symbols_.findSection(tokens[0].text())).section;
        continue;
      }
      std::size_t first = mnemonicPosition(tokens);
      if (first >= tokens.size()) continue;
      std::span<Operand> operands = operands_.parseList(operandTokens(tokens, first), Pass::final);
      parsed_.push_back({tokens[first].value, {operands.begin(), operands.end()}, {section, 0}});
    }
  }

  // Encodes the parsed instructions as a final pass does; returns their total size.
  std::size_t encodeParsed() {
    encoder_.beginPass(Pass::final);
    std::size_t bytes = 0;
    std::uint32_t location = 0;
    SectionId section = kNoSection;
    for (ParsedInstruction& instruction : parsed_) {
      if (instruction.place.section != section) {
        section = instruction.place.section;
        location = 0;
      }
      reporter_.beginStatement(0, 0);
      EncodedInstruction encoded =
          encoder_.encode(instruction.mnemonic, instruction.operands, {section, location});
      location += encoded.size;
      bytes += encoded.size;
    }
    return bytes;
  }

  std::size_t instructions() const { return parsed_.size(); }
  int messages() const { return reporter_.messages; }

 private:
  struct ParsedInstruction {
    std::int32_t mnemonic;
    std::vector<Operand> operands;
    InstructionPlace place;
  };

  // Where the mnemonic stands: after "label:", if any.
  static std::size_t mnemonicPosition(const std::vector<Token>& tokens) {
    return tokens.size() >= 2 && tokens[1].kind == TokenKind::punct && tokens[1].punct == ':' ? 2
                                                                                              : 0;
  }
  static std::span<Token> operandTokens(std::vector<Token>& tokens, std::size_t mnemonic) {
    return {tokens.data() + mnemonic + 1, tokens.size() - mnemonic - 1};
  }
  static bool isSectionLine(const std::vector<Token>& tokens) {
    return tokens.size() >= 2 && tokens[1].kind == TokenKind::reserved &&
           tokens[1].wordClass == ReservedClass::moduleSection;
  }

  void lex() {
    SourceReader reader(options_, reporter_);
    reader.openMainSource();
    Lexer lexer(reader, options_, reporter_);
    statements_.assign(1, {});
    Token token;
    while (lexer.nextToken(token) != TokenKind::endOfSource) {
      if (token.kind == TokenKind::lineEnd) {
        statements_.emplace_back();
      } else {
        statements_.back().push_back(token);
      }
    }
    statements_.pop_back();
  }

  std::size_t statement(std::vector<Token>& tokens, Pass pass) {
    if (isSectionLine(tokens)) {
      section_ = symbols_.defineSection(tokens[0].text(), pass).section;
      location_ = 0;
      return 0;
    }
    std::size_t first = mnemonicPosition(tokens);
    if (first == 2) {
      DefineOutcome outcome =
          symbols_.defineLabel(tokens[0].text(), DefinitionKind::label,
                               {static_cast<std::int32_t>(location_), section_, nullptr}, pass);
      moved_ = moved_ || outcome.moved;
    }
    if (first >= tokens.size()) return 0;
    std::span<Operand> operands = operands_.parseList(operandTokens(tokens, first), pass);
    EncodedInstruction encoded =
        encoder_.encode(tokens[first].value, operands, {section_, location_});
    location_ += encoded.size;
    return 1;
  }

  CountingReporter reporter_;
  RunOptions options_;
  SymbolTable symbols_;
  ExprParser expressions_{symbols_, reporter_};
  OperandParser operands_{expressions_, reporter_};
  Encoder encoder_;
  std::vector<std::vector<Token>> statements_;
  std::vector<ParsedInstruction> parsed_;
  SectionId section_ = kNoSection;
  std::uint32_t location_ = 0;
  bool moved_ = false;
};

constexpr int kInstructions = 120000;

Program& program() {
  static Program instance(kInstructions);
  return instance;
}

void BM_FinalPass(benchmark::State& state) {
  Program& p = program();
  if (p.messages() != 0) state.SkipWithError("the generated program has diagnostics");
  std::size_t count = 0;
  for (auto _ : state) count += p.runPass(Pass::final);
  state.SetItemsProcessed(static_cast<std::int64_t>(count));
}
BENCHMARK(BM_FinalPass)->Unit(benchmark::kMillisecond);

void BM_SizingPass(benchmark::State& state) {
  Program& p = program();
  std::size_t count = 0;
  for (auto _ : state) count += p.runPass(Pass::sizing);
  state.SetItemsProcessed(static_cast<std::int64_t>(count));
}
BENCHMARK(BM_SizingPass)->Unit(benchmark::kMillisecond);

void BM_EncodeParsedOperands(benchmark::State& state) {
  Program& p = program();
  p.parseAll();
  std::size_t bytes = 0;
  for (auto _ : state) bytes += p.encodeParsed();
  state.SetItemsProcessed(static_cast<std::int64_t>(p.instructions() * state.iterations()));
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_EncodeParsedOperands)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kz::assembler

BENCHMARK_MAIN();
