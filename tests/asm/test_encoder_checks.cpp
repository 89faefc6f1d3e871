// Rejections, range checks, field records and the selection of J forms, through a small
// assembler loop: pass 1, sizing repetitions until nothing moves, final pass.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "asm/encoder.h"
#include "asm/expr_parser.h"
#include "asm/lexer.h"
#include "asm/operand.h"
#include "asm/reserved_words.h"
#include "asm/source_reader.h"
#include "common/fatal_error.h"
#include "tests/asm/recording_reporter.h"
#include "tests/asm/test_support.h"

namespace kz::assembler {
namespace {

using testing::hex;
using testing::MessageLogReporter;

bool isPunct(const Token& token, char c) {
  return token.kind == TokenKind::punct && token.punct == c;
}
bool isWord(const Token& token, ReservedClass wordClass) {
  return token.kind == TokenKind::reserved && token.wordClass == wordClass;
}

// The statements of `source`, one token vector per line without its line end.
std::vector<std::vector<Token>> lexLines(const std::vector<std::string>& source,
                                         RunOptions& options, Reporter& reporter) {
  std::string text;
  for (const std::string& line : source) text += line + "\n";
  return testing::lexStatements(text, options, reporter);
}

// Statements: "[label:] [mnemonic operands]", "name SECTION kind [model] [ABS = address]",
// "name EQU expression", "EXTERN [model] name". Line 1 is the first line given.
class MiniAssembler {
 public:
  explicit MiniAssembler(RunOptions options = {})
      : options_(std::move(options)), symbols_(reporter), encoder_(symbols_, reporter, options_) {}

  struct Line {
    std::string bytes;
    EncodedInstruction encoded;
    std::uint32_t location = 0;
  };

  std::vector<Line> run(const std::vector<std::string>& source) {
    statements_ = lexLines(source, options_, reporter);
    lines_.assign(statements_.size(), Line{});
    runPass(Pass::first);
    for (sizingPasses = 1; sizingPasses <= 11; ++sizingPasses) {
      moved_ = false;
      runPass(Pass::sizing);
      if (!moved_ && !encoder_.layoutChanged()) break;
    }
    runPass(Pass::final);
    return lines_;
  }

  std::uint32_t labelValue(const std::string& name) const {
    return symbols_.entry(symbols_.find(name)).value;
  }
  const Encoder& encoder() const { return encoder_; }

  MessageLogReporter reporter;
  int sizingPasses = 0;

 private:
  void runPass(Pass pass) {
    encoder_.beginPass(pass);
    current_ = kNoSection;
    locations_.clear();
    for (std::size_t i = 0; i < statements_.size(); ++i) {
      reporter.beginStatement(0, static_cast<long>(i + 1));
      statement(statements_[i], lines_[i], pass);
      expressions_.endStatement();
    }
  }

  void statement(std::vector<Token>& tokens, Line& line, Pass pass) {
    std::size_t next = 0;
    if (tokens.size() >= 2 && tokens[0].kind == TokenKind::identifier) {
      if (isPunct(tokens[1], ':')) {
        defineLabel(tokens[0].text(), pass);
        next = 2;
      } else if (isWord(tokens[1], ReservedClass::moduleSection)) {
        auto word = static_cast<ModuleSectionWord>(tokens[1].value);
        if (word == ModuleSectionWord::section) return section(tokens, pass);
        if (word == ModuleSectionWord::equ) return equ(tokens, pass);
      }
    }
    if (!tokens.empty() && isWord(tokens[0], ReservedClass::moduleSection))
      return external(tokens, pass);
    if (next >= tokens.size()) return;
    std::span<Operand> operands =
        operandParser_.parseList({tokens.data() + next + 1, tokens.size() - next - 1}, pass);
    InstructionPlace place{current_, current_ == kNoSection ? 0 : locations_[current_]};
    line.encoded = encoder_.encode(tokens[next].value, operands, place);
    line.bytes = hex(line.encoded.view());
    line.location = place.location;
    if (current_ != kNoSection) locations_[current_] += line.encoded.size;
  }

  void defineLabel(const std::string& name, Pass pass) {
    DefineOutcome outcome = symbols_.defineLabel(
        name, DefinitionKind::label,
        {static_cast<std::int32_t>(locations_[current_]), current_, nullptr}, pass);
    moved_ = moved_ || outcome.moved;
  }

  void section(std::vector<Token>& tokens, Pass pass) {
    current_ = symbols_.defineSection(tokens[0].text(), pass).section;
    sectionEntry& entry = symbols_.sections()[current_];
    if (pass == Pass::first) {
      entry.kind = tokens[2].text() == "DATA" ? SectionKind::data : SectionKind::code;
      std::size_t next = 3;
      if (next < tokens.size() && isWord(tokens[next], ReservedClass::memoryModel)) {
        entry.model = static_cast<MemoryModel>(tokens[next++].value);
      }
      if (next + 2 < tokens.size() && isWord(tokens[next], ReservedClass::location)) {
        entry.absolute = true;
        entry.startAddress = static_cast<std::uint32_t>(tokens[next + 2].value);
      }
    }
    if (!locations_.contains(current_))
      locations_[current_] = entry.absolute ? entry.startAddress : 0;
  }

  void equ(std::vector<Token>& tokens, Pass pass) {
    TokenCursor cursor({tokens.data() + 2, tokens.size() - 2});
    ExprTree tree = expressions_.parse(cursor, pass);
    exprValue value = Evaluator(symbols_, reporter).evaluate(tree, pass);
    symbols_.defineLabel(tokens[0].text(), DefinitionKind::value, symbolValueOf(value), pass);
  }

  void external(std::vector<Token>& tokens, Pass pass) {
    MemoryModel model = MemoryModel::medium;
    if (isWord(tokens[1], ReservedClass::memoryModel))
      model = static_cast<MemoryModel>(tokens[1].value);
    symbols_.declareExternal(tokens.back().text(), model, pass);
  }

  RunOptions options_;
  SymbolTable symbols_;
  Encoder encoder_;
  ExprParser expressions_{symbols_, reporter};
  OperandParser operandParser_{expressions_, reporter};
  std::vector<std::vector<Token>> statements_;
  std::vector<Line> lines_;
  SectionId current_ = kNoSection;
  std::map<SectionId, std::uint32_t> locations_;
  bool moved_ = false;
};

const std::string kCodeAt1000 = "code SECTION CODE ABS=0x1000";

// One instruction in a CODE section at 0x1000: its bytes and the run's messages.
struct Single {
  std::string bytes;
  std::string messages;
};

Single assembleOne(const std::string& instruction) {
  MiniAssembler assembler;
  std::vector<MiniAssembler::Line> lines = assembler.run({kCodeAt1000, instruction});
  return {lines[1].bytes, assembler.reporter.messages};
}

struct Case {
  const char* source;
  const char* bytes;
  const char* messages;
};

void expectCases(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    Single result = assembleOne(c.source);
    EXPECT_EQ(result.bytes, c.bytes) << c.source;
    EXPECT_EQ(result.messages, c.messages) << c.source;
  }
}

// --- rejections ---

TEST(EncoderRejects, WrongOperandCountIs231OnceAndEmitsZeroBytes) {
  expectCases({
      {"NOP A", "00", "E231@2"},
      {"LD A", "00 00", "E231@2"},
      {"INC", "00", "E231@2"},
      {"MUL W", "00", "E231@2"},
      {"J", "00", "E231@2"},
      {"J T,1,2", "00", "E231@2"},
      {"CAL 1,2", "00", "E231@2"},
  });
}

TEST(EncoderRejects, NoMatchingFormIs230OnceAndEmitsTheOpcodeLengthInZeros) {
  expectCases({
      {"MUL A,W", "00", "E230@2"},        {"DIV BC,C", "00", "E230@2"},
      {"TEST CF", "00 00", "E230@2"},     {"CLR A", "00", "E230@2"},
      {"SET (HL)", "00", "E230@2"},       {"CPL (0x20)", "00", "E230@2"},
      {"AND CF,A.1", "00", "E230@2"},     {"LD H,(HL+)", "00 00", "E230@2"},
      {"LD (HL+),L", "00 00", "E230@2"},  {"XCH H,(HL+)", "00 00", "E230@2"},
      {"LD A,(SP+2)", "00 00", "E230@2"}, {"LD (HL+C),A", "00 00", "E230@2"},
      {"LD (PC+A),A", "00 00", "E230@2"}, {"LD RBS,A", "00 00", "E230@2"},
      {"LD A,1.5", "00", "E230@2"},  // matches LD r,n before the value is refused
      {"INC SP", "00", "E230@2"},         {"PUSH SP", "00", "E230@2"},
      {"CALL (HL+)", "00", "E230@2"},     {"ROLD A,(PC+A)", "00 00", "E230@2"},
      {"JRS EQ,$", "00", "E230@2"},       {"J 1,2", "00", "E230@2"},
      {"CLR (A)", "00", "E230@2"},        {"LD A,(BC)", "00 00", "E230@2"},
  });
}

TEST(EncoderRejects, AcceptedNeighboursOfTheRejections) {
  expectCases({
      {"LD H,(-HL)", "E7 5F", ""},
      {"LD A,(HL+)", "E6 58", ""},
      {"XCH A,(HL+)", "E6 A8", ""},
      {"ADD A,(0x12)", "79 12", ""},
  });
}

TEST(EncoderRejects, PlacementOutsideAnySectionOrInData) {
  MiniAssembler assembler;
  std::vector<MiniAssembler::Line> lines = assembler.run({"NOP", "data SECTION DATA", "LD A,1"});
  EXPECT_EQ(lines[0].encoded.size, 0);
  EXPECT_EQ(lines[2].bytes, "30 01");
  EXPECT_EQ(assembler.reporter.messages, "E215@1 W504@3");
}

TEST(EncoderRejects, MnemonicBelowTheInstructionRangeIsFatal150) {
  MessageLogReporter reporter;
  SymbolTable symbols(reporter);
  Encoder encoder(symbols, reporter, RunOptions{});
  encoder.beginPass(Pass::first);
  try {
    encoder.encode(999, {}, {});
    FAIL() << "no fatal";
  } catch (const FatalError& error) {
    EXPECT_EQ(error.number(), 150);
  }
}

// --- value ranges, final pass ---

TEST(EncoderRanges, OutOfRangeValuesWarn501AndAreTruncated) {
  expectCases({
      {"LD A,256", "30 00", "W501@2"},
      {"LD A,-257", "30 FF", "W501@2"},
      {"LD A,-256", "30 00", ""},
      {"LD A,255", "30 FF", ""},
      {"LD WA,0x10000", "14 00 00", "W501@2"},
      {"LD WA,-65536", "14 00 00", ""},
      {"LD A,(0x100)", "22 00", "W501@2"},
      {"LD B,(-256)", "E0 00 5B", ""},
      {"LD A,(HL+128)", "E4 80 58", "W501@2"},
      {"LD A,(HL-129)", "E4 7F 58", "W501@2"},
      {"LD RBS,16", "0F 00", "W501@2"},
      {"CLR A.8", "E8 48", "W501@2"},
      {"SET (0x20).9", "41 20", "W501@2"},
  });
}

TEST(EncoderRanges, RelativeTargetsOutOfRangeAre227) {
  expectCases({
      {"JRS T,$+17", "8F", ""},
      {"JRS T,$+18", "90", "E227@2"},
      {"JRS F,$-14", "B0", ""},
      {"JRS F,$-15", "AF", "E227@2"},
      {"JR $+129", "FB 7F", ""},
      {"JR $+130", "FB 80", "E227@2"},
      {"JR $-126", "FB 80", ""},
      {"JR $-127", "FB 7F", "E227@2"},
      {"JR NZ,$+130", "D1 80", "E227@2"},
  });
}

TEST(EncoderRanges, CallvAndCallpOperandsOutsideTheirTablesAre300) {
  expectCases({
      {"CALLV 16", "C0", "E300@2"},
      {"CALLV 0xFFC3", "C0", "E300@2"},
      {"CALLV 0xFFE0", "C0", "E300@2"},
      {"CALLV 0xC1", "C0", "E300@2"},
      {"CALLV 0xBE", "C0", "E300@2"},
      {"CALLP 0x100", "FD 00", "E300@2"},
      {"CALLP 0xFEFF", "FD FF", "E300@2"},
      {"CALLP -1", "FD FF", "E300@2"},
  });
  MiniAssembler assembler;
  std::vector<MiniAssembler::Line> lines = assembler.run(
      {"EXTERN SMALL near", "EXTERN far", "data SECTION DATA SMALL", "var:", kCodeAt1000,
       "CALLV near", "CALLP near", "CALLV far", "CALLP far", "CALLV var"});
  EXPECT_EQ(assembler.reporter.messages, "E300@6 E300@7 E300@10");
  EXPECT_EQ(lines[7].encoded.fields[0].use, FieldUse::callVector);
  EXPECT_TRUE(lines[7].encoded.fields[0].forLinker);
  EXPECT_EQ(lines[8].encoded.fields[0].use, FieldUse::callPage);
}

// ADD and SUB take a direct operand exactly as their twins do: always the one-byte direct
// form, never a 16-bit address (the choice left open for these two).
TEST(EncoderRanges, AddAndSubTakeDirectOperandsLikeTheOtherAluOperations) {
  expectCases({
      {"ADD A,(0x1234)", "79 34", "W501@2"},
      {"ADDC A,(0x1234)", "78 34", "W501@2"},
      {"SUB (0x1234),1", "E0 34 73 01", "W501@2"},
      {"SUBB (0x1234),1", "E0 34 72 01", "W501@2"},
      {"SUB (0x1234),(HL)", "E0 34 63", "W501@2"},
  });
}

// --- field records ---

std::string describe(const FieldRecord& field) {
  static const char* const kUses[] = {"value", "bit",   "bank",    "vector",
                                      "page",  "short", "relative"};
  std::string text = "op" + std::to_string(field.operand) + " " +
                     kUses[static_cast<int>(field.use)] + " @" + std::to_string(field.offset) +
                     " w" + std::to_string(field.widthCode) + " last" +
                     std::to_string(field.lastByteOffset);
  if (field.baseOpcode != 0) text += " base" + hex(std::span(&field.baseOpcode, 1));
  if (field.pcRelative) text += " pc";
  if (field.forLinker) text += " linker";
  if (field.targetInOtherSection) text += " other";
  if (field.targetExternal) text += " ext";
  return text;
}

std::string describeFields(const EncodedInstruction& encoded) {
  std::string text;
  for (const FieldRecord& field : encoded.fieldRecords())
    text += (text.empty() ? "" : "; ") + describe(field);
  return text;
}

TEST(EncoderFieldRecords, WhereEachValueLiesAndWhatTheLinkerMustDo) {
  MiniAssembler assembler;
  std::vector<MiniAssembler::Line> lines = assembler.run(
      {"EXTERN ext", "other SECTION CODE", "there: NOP", "code SECTION CODE", "here: NOP",
       "LD (0x10),(0x20)", "LD A,ext", "CALL there", "JR ext", "JRS F,ext", "CLR (0x20).ext",
       "LD RBS,ext", "LD A,(HL+ext)", "J ext", "JR here", "J NZ,there"});
  EXPECT_EQ(assembler.reporter.messages, "");
  EXPECT_EQ(describeFields(lines[5].encoded), "op1 value @1 w1 last2; op0 value @2 w1 last2");
  EXPECT_EQ(describeFields(lines[6].encoded), "op1 value @1 w1 last1 linker ext");
  EXPECT_EQ(describeFields(lines[7].encoded), "op0 value @1 w2 last2 linker other");
  EXPECT_EQ(describeFields(lines[8].encoded), "op0 relative @1 w1 last1 pc linker ext");
  EXPECT_EQ(describeFields(lines[9].encoded), "op1 short @0 w1 last0 baseA0 pc linker ext");
  EXPECT_EQ(describeFields(lines[10].encoded),
            "op0 bit @0 w1 last1 base48 linker ext; op0 value @1 w1 last1");
  EXPECT_EQ(describeFields(lines[11].encoded), "op1 bank @1 w1 last1 linker ext");
  EXPECT_EQ(describeFields(lines[12].encoded), "op1 value @1 w1 last2 linker ext");
  EXPECT_EQ(describeFields(lines[13].encoded), "op0 value @1 w2 last2 linker ext");
  EXPECT_EQ(lines[13].bytes, "FE 00 00");
  EXPECT_EQ(describeFields(lines[14].encoded), "op0 relative @1 w1 last1 pc");
  EXPECT_EQ(lines[14].bytes, "FB E8");  // here: at 0, the JR at 22
  EXPECT_EQ(describeFields(lines[15].encoded), "op1 value @3 w2 last4 linker other");
  EXPECT_EQ(lines[15].bytes, "D0 03 FE 00 00");
}

// --- jump selection ---

// J after `before` in a CODE section at 0x1000.
std::string jumpAfter(const std::string& before, const std::string& jump, RunOptions options = {}) {
  MiniAssembler assembler(options);
  std::vector<MiniAssembler::Line> lines = assembler.run({kCodeAt1000, before, jump});
  EXPECT_EQ(assembler.reporter.messages, "") << before << " / " << jump;
  return lines[2].bytes;
}

TEST(JumpSelection, DistanceClassesAtTheirBoundariesWithTheFlagKnownSet) {
  // LD A,1 is two bytes: the J stands at 0x1002.
  EXPECT_EQ(jumpAfter("LD A,1", "J $+17"), "8F");     // d = 15
  EXPECT_EQ(jumpAfter("LD A,1", "J $+18"), "FB 10");  // d = 16
  EXPECT_EQ(jumpAfter("LD A,1", "J $-14"), "90");     // d = -16
  EXPECT_EQ(jumpAfter("LD A,1", "J $-15"), "FB EF");  // d = -17
  EXPECT_EQ(jumpAfter("LD A,1", "J $+129"), "FB 7F");
  EXPECT_EQ(jumpAfter("LD A,1", "J $+130"), "FE 84 10");
  EXPECT_EQ(jumpAfter("LD A,1", "J $-126"), "FB 80");
  EXPECT_EQ(jumpAfter("LD A,1", "J $-127"), "FE 83 0F");
}

TEST(JumpSelection, ShortFormFollowsTheFlagState) {
  EXPECT_EQ(jumpAfter("SET CF", "J $+17"), "AF");  // known clear: JRS F
  EXPECT_EQ(jumpAfter("SET CF", "J $-14"), "B0");
  EXPECT_EQ(jumpAfter("INC A", "J $+17"), "FB 0F");  // unknown: JR
  EXPECT_EQ(jumpAfter("NOP", "J $+17"), "FB 0F");    // nothing known at the start of a pass
  MiniAssembler assembler;
  EXPECT_EQ(assembler.run({kCodeAt1000, "SET CF", "NOP", "PUSH HL", "J $"})[4].bytes, "BE");
}

TEST(JumpSelection, OptimisationOffTakesTheLongFormAheadAndNeverAShortJrs) {
  RunOptions off;
  off.noOptimize = true;
  EXPECT_EQ(jumpAfter("LD A,1", "J $+10", off), "FE 0C 10");
  EXPECT_EQ(jumpAfter("LD A,1", "J $-10", off), "FB F4");
  EXPECT_EQ(jumpAfter("LD A,1", "J T,$+4", off), "A2 FE 06 10");
  EXPECT_EQ(jumpAfter("LD A,1", "J EQ,$-4", off), "D0 FA");
  EXPECT_EQ(jumpAfter("LD A,1", "J T,$", off), "9E");  // conditional short forms stay
}

TEST(JumpSelection, ForwardTargetIsLongInPass1ThenShrinks) {
  MiniAssembler assembler;
  std::vector<MiniAssembler::Line> lines =
      assembler.run({"code SECTION CODE", "LD A,1", "J ahead", "J NZ,ahead", "NOP", "ahead: NOP",
                     "J T,back", "back:"});
  EXPECT_EQ(assembler.reporter.messages, "");
  EXPECT_EQ(lines[2].bytes, "82");     // JRS T at 2, d = 2
  EXPECT_EQ(lines[3].bytes, "D1 01");  // JR NZ at 3
  EXPECT_EQ(lines[6].bytes, "9F");     // JRS T to the next statement, d = -1
  EXPECT_EQ(assembler.labelValue("ahead"), 6u);
  EXPECT_GE(assembler.sizingPasses, 2);
}

TEST(JumpSelection, UndefinedTargetInPass1TakesTheLongForm) {
  MessageLogReporter reporter;
  RunOptions options;
  SymbolTable symbols(reporter);
  SectionId code = symbols.defineSection("code", Pass::first).section;
  ExprParser expressions(symbols, reporter);
  OperandParser parser(expressions, reporter);
  Encoder encoder(symbols, reporter, options);
  encoder.beginPass(Pass::first);
  std::uint32_t location = 0;
  const std::pair<const char*, const char*> cases[] = {
      {"J later", "FE 00 00"},
      {"J T,later", "A2 FE 00 00"},
      {"J F,later", "82 FE 00 00"},
      {"J NZ,later", "D0 03 FE 00 00"},
  };
  for (const auto& [jump, bytes] : cases) {
    std::vector<Token> tokens = lexLines({jump}, options, reporter).front();
    std::span<Operand> operands =
        parser.parseList({tokens.data() + 1, tokens.size() - 1}, Pass::first);
    EncodedInstruction encoded = encoder.encode(tokens[0].value, operands, {code, location});
    location += encoded.size;
    EXPECT_EQ(hex(encoded.view()), bytes) << jump;
  }
  EXPECT_EQ(reporter.messages, "");
}

TEST(JumpSelection, TargetsInAnotherSectionOrExternalTakeTheLongForms) {
  MiniAssembler assembler;
  std::vector<MiniAssembler::Line> lines =
      assembler.run({"EXTERN ext", "other SECTION CODE", "there: NOP", "code SECTION CODE",
                     "SET CF", "J there", "J T,there", "J F,ext", "J LE,ext"});
  EXPECT_EQ(lines[5].bytes, "FE 00 00");
  EXPECT_EQ(lines[6].bytes, "A2 FE 00 00");
  EXPECT_EQ(lines[7].bytes, "82 FE 00 00");
  EXPECT_EQ(lines[8].bytes, "D5 03 FE 00 00");
}

// Where a J lands, read back from its bytes.
std::optional<std::int64_t> decodedTarget(const MiniAssembler::Line& line) {
  const std::string& b = line.bytes;
  auto byteAt = [&b](std::size_t i) { return std::stoi(b.substr(3 * i, 2), nullptr, 16); };
  std::size_t count = (b.size() + 1) / 3;
  std::int64_t next = line.location + 2;
  int first = byteAt(0);
  if (count == 1 && first >= 0x80 && first <= 0xBF) return next + ((first & 0x1F) ^ 0x10) - 0x10;
  if (count == 2) return next + static_cast<std::int8_t>(byteAt(1));
  if (count >= 3) return byteAt(count - 2) | byteAt(count - 1) << 8;
  return std::nullopt;
}

// The shortest J for a distance class, the jump flag known (every J here follows LD, a J, or
// NOPs after one).
std::uint8_t shortestJumpSize(const std::string& condition, DistanceClass distance) {
  bool trueOrFalse = condition == "T," || condition == "F,";
  switch (distance) {
    case DistanceClass::short5:
      return condition.empty() || trueOrFalse ? 1 : 2;
    case DistanceClass::short8:
      return 2;
    default:
      return condition.empty() ? 3 : trueOrFalse ? 4 : 5;
  }
}

// Jumps whose sizes depend on one another, forward and backward, conditional and not: every
// one reaches its label with the shortest form its final distance allows.
TEST(JumpSelection, SettledSizesAreConsistentAndShortest) {
  std::vector<std::string> source = {"code SECTION CODE ABS=0x2000", "LD A,1"};
  struct Jump {
    std::size_t line;
    std::string condition;
    std::string target;
  };
  std::vector<Jump> jumps;
  const char* conditions[] = {"", "T,", "NZ,", "F,", "GE,"};
  for (int i = 0; i < 60; ++i) {
    Jump jump{source.size(), conditions[i % 5], "L" + std::to_string((i * 7 + 3) % 60)};
    source.push_back("L" + std::to_string(i) + ": J " + jump.condition + jump.target);
    jumps.push_back(jump);
    for (int pad = 0; pad < (i * 5) % 9; ++pad) source.push_back("NOP");
  }
  MiniAssembler assembler;
  std::vector<MiniAssembler::Line> lines = assembler.run(source);
  EXPECT_EQ(assembler.reporter.messages, "");
  EXPECT_LE(assembler.sizingPasses, 10);
  for (const Jump& jump : jumps) {
    const MiniAssembler::Line& line = lines[jump.line];
    SCOPED_TRACE(source[jump.line] + " -> " + line.bytes);
    std::int64_t label = assembler.labelValue(jump.target);
    EXPECT_EQ(decodedTarget(line), label);
    DistanceClass distance = distanceClassOf(label - (line.location + 2));
    EXPECT_EQ(line.encoded.size, shortestJumpSize(jump.condition, distance));
  }
}

// --- jump-flag tracking ---

JumpFlagState flagAfter(const std::string& before, const std::string& instruction) {
  MiniAssembler assembler;
  assembler.run({kCodeAt1000, before, instruction});
  EXPECT_EQ(assembler.reporter.messages, "") << instruction;
  return assembler.encoder().jumpFlag();
}

TEST(JumpFlagTracking, EachInstructionLeavesTheFlagKnownSetClearUnchangedOrUnknown) {
  const char* knownSet[] = {"SWAP A",    "CLR CF",    "CLR (0x10)",   "CLR (HL)",    "LD A,1",
                            "LD (HL),A", "LD A.1,CF", "LD (DE).1,CF", "LD SP,HL",    "LDW (HL),1",
                            "JRS T,$",   "JR $",      "JP (HL)",      "ROLD A,(HL)", "XCH A,B",
                            "J $",       "J HL"};
  const char* unknown[] = {"CLR A.1", "LD CF,(0x20).1", "LD CF,(DE).A", "LD CF,A.1", "LD CF,(DE).1",
                           "POP PSW", "INC A",          "CALL 0x1234",  "CAL HL",    "RET",
                           "DAA A",   "ADD A,1",        "SET A.1",      "TEST A.1",  "CPL CF",
                           "MUL W,A", "CALLV 1"};
  const char* unchanged[] = {"NOP", "SWI", "PUSH PSW", "PUSH HL", "POP HL"};
  for (const char* instruction : knownSet)
    EXPECT_EQ(flagAfter("SET CF", instruction), JumpFlagState::knownSet) << instruction;
  for (const char* instruction : unknown)
    EXPECT_EQ(flagAfter("LD A,1", instruction), JumpFlagState::unknown) << instruction;
  EXPECT_EQ(flagAfter("LD A,1", "SET CF"), JumpFlagState::knownClear);
  for (const char* instruction : unchanged) {
    EXPECT_EQ(flagAfter("SET CF", instruction), JumpFlagState::knownClear) << instruction;
    EXPECT_EQ(flagAfter("LD A,1", instruction), JumpFlagState::knownSet) << instruction;
    EXPECT_EQ(flagAfter("INC A", instruction), JumpFlagState::unknown) << instruction;
  }
}

// --- the work area ---

TEST(JumpWorkArea, HoldsOneEntryPerJumpUpToItsCapacity) {
  MessageLogReporter reporter;
  JumpWorkArea area(reporter);
  for (std::size_t i = 0; i < JumpWorkArea::kCapacity; ++i) area.next(Pass::first);
  try {
    area.next(Pass::first);
    FAIL() << "no fatal";
  } catch (const FatalError& error) {
    EXPECT_EQ(error.number(), 156);
  }
  area.rewind();
  JumpRecord record = area.next(Pass::sizing);
  EXPECT_FALSE(record.known);
  record = {jumpSkipCond, DistanceClass::far, true, true};
  area.store(record);
  area.rewind();
  JumpRecord back = area.next(Pass::final);
  EXPECT_EQ(back.form, jumpSkipCond);
  EXPECT_EQ(back.distance, DistanceClass::far);
  EXPECT_TRUE(back.grownBack && back.known);
}

// --- the operand parser ---

class OperandParserTest : public ::testing::Test {
 protected:
  OperandParserTest()
      : symbols_(reporter_), expressions_(symbols_, reporter_), parser_(expressions_, reporter_) {}

  // The operands of `instruction`, in pass 1 and again, from the same tokens, in `later`.
  std::vector<Operand> parse(const std::string& instruction, Pass later = Pass::first) {
    tokens_ = lexLines({instruction}, options_, reporter_).front();
    std::span<Token> operandTokens(tokens_.data() + 1, tokens_.size() - 1);
    reporter_.beginStatement(0, 1);
    std::span<Operand> operands = parser_.parseList(operandTokens, Pass::first);
    if (later != Pass::first) operands = parser_.parseList(operandTokens, later);
    return {operands.begin(), operands.end()};
  }

  std::int32_t valueOf(const ExprTree& tree) {
    return Evaluator(symbols_, reporter_).evaluate(tree, Pass::final).value;
  }

  // addressing, registers, memory mode, value and bit as one line.
  std::string describe(const Operand& op) {
    static const char* const kClasses[] = {"invalid", "register",     "indirect",  "displacement",
                                           "index",   "increment",    "decrement", "immediate",
                                           "direct",  "bit-indirect", "condition"};
    std::string text = kClasses[static_cast<int>(op.addressing)];
    if (op.addressing == AddressingClass::condition) return text + " " + std::to_string(op.reg);
    if (op.reg >= 0) text += " " + std::string(reservedSpelling(ReservedClass::reg, op.reg));
    if (op.secondReg >= 0)
      text += "/" + std::string(reservedSpelling(ReservedClass::reg, op.secondReg));
    if (op.isMemory()) text += " mode" + std::to_string(memoryModeOf(op));
    if (op.hasValue()) text += " =" + std::to_string(valueOf(op.valueExpr));
    if (op.hasBitSuffix) text += " ." + std::to_string(valueOf(op.bitExpr));
    return text;
  }

  MessageLogReporter reporter_;
  RunOptions options_;
  SymbolTable symbols_;
  ExprParser expressions_;
  OperandParser parser_;
  std::vector<Token> tokens_;
};

TEST_F(OperandParserTest, EveryAddressingClass) {
  const std::pair<const char*, const char*> cases[] = {
      {"A", "register A"},
      {"HL", "register HL"},
      {"RBS", "register RBS"},
      {"(DE)", "indirect DE mode2"},
      {"(HL)", "indirect HL mode3"},
      {"(HL+4)", "displacement HL mode4 =4"},
      {"(HL-4+1)", "displacement HL mode4 =-3"},
      {"(SP+2)", "displacement SP mode10 =2"},
      {"(HL+C)", "index HL/C mode5"},
      {"(PC+A)", "index PC/A mode12"},
      {"(HL+)", "increment HL mode6"},
      {"(-HL)", "decrement HL mode7"},
      {"12", "immediate =12"},
      {"(1+2)*3", "immediate =9"},
      {"(0x20)", "direct mode0 =32"},
      {"(-5)", "direct mode0 =-5"},
      {"A.3", "register A .3"},
      {"(0x20).7", "direct mode0 =32 .7"},
      {"(HL+1).2", "displacement HL mode4 =1 .2"},
      {"(DE).A", "bit-indirect DE/A"},
      {"NZ", "condition 5"},
  };
  for (const auto& [text, expected] : cases) {
    std::vector<Operand> operands = parse(std::string("LD ") + text);
    ASSERT_EQ(operands.size(), 1u) << text;
    EXPECT_EQ(describe(operands[0]), expected) << text;
  }
  EXPECT_EQ(reporter_.messages, "");
}

TEST_F(OperandParserTest, RegistersWhereNoneMayStandAre230InPass1Only) {
  for (const char* text :
       {"(A)", "(BC)", "(SP)", "(HL+B)", "(PC+C)", "(-DE)", "A.B", "(0x20).A", "(HL+1).A"}) {
    reporter_.messages.clear();
    std::vector<Operand> operands = parse(std::string("LD ") + text + ",1", Pass::final);
    ASSERT_EQ(operands.size(), 2u) << text;
    EXPECT_FALSE(operands[0].isValid()) << text;
    EXPECT_TRUE(operands[1].isValid()) << text;
    EXPECT_EQ(reporter_.messages, "E230@1") << text;
  }
}

TEST_F(OperandParserTest, ListsAndStrayTokens) {
  EXPECT_TRUE(parse("NOP").empty());
  EXPECT_EQ(parse("LD A,B").size(), 2u);
  for (const char* text : {"LD A B,1", "LD 5 3,1", "LD A,,B"}) {
    reporter_.messages.clear();
    std::vector<Operand> operands = parse(text);
    bool anyInvalid = false;
    for (const Operand& op : operands) anyInvalid = anyInvalid || !op.isValid();
    EXPECT_TRUE(anyInvalid) << text;
    EXPECT_EQ(reporter_.messages, "E200@1") << text;
  }
}

TEST_F(OperandParserTest, Pass1BindsNamesToTheirSymbols) {
  parse("LD A,(count+1)");
  SymbolIndex count = symbols_.find("count");
  ASSERT_NE(count, kNoSymbol);
  EXPECT_EQ(tokens_[4].kind, TokenKind::identifier);
  EXPECT_EQ(tokens_[4].boundSymbol(), count);
}

}  // namespace
}  // namespace kz::assembler
