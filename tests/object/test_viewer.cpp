#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "object/byte_source.h"
#include "viewer/dumpzel.h"
#include "viewer/expression_text.h"
#include "viewer/module_view.h"
#include "viewer/output_buffer.h"

namespace kz::viewer {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A small module written by hand from the layout rules; the offsets are in the comments.
Bytes handMadeModule() {
  return {
      0xE0, 0x04, 'K',  'Z',  'E',  'L',  0x03, 'a',  'd',  'd',         // 00 MB KZEL add
      0xEC, 0x08, 0x02, 0xCC,                                            // 0A AD 8, 2, L
      0xE2, 0xD7, 0x00, 0x84, 0,    0,    0,    0x4E,                    // 0E W0
      0xE2, 0xD7, 0x01, 0x84, 0,    0,    0,    0x58,                    // 16 W1
      0xE2, 0xD7, 0x02, 0x84, 0,    0,    0,    0x61,                    // 1E W2
      0xE2, 0xD7, 0x03, 0x84, 0,    0,    0,    0x72,                    // 26 W3
      0xE2, 0xD7, 0x04, 0x84, 0,    0,    0,    0x7F,                    // 2E W4
      0xE2, 0xD7, 0x05, 0x84, 0,    0,    0,    0x89,                    // 36 W5
      0xE2, 0xD7, 0x06, 0x84, 0,    0,    0,    0xA2,                    // 3E W6
      0xE2, 0xD7, 0x07, 0x84, 0,    0,    0,    0xA2,                    // 46 W7
      0xF0, 0x20, 0x00,                                                  // 4E NN 32 ""
      0xF1, 0xCE, 0x20, 0x00, 0x25, 0x04, 0x00,                          // 51 ATN 37: 4, 0
      0xF0, 0x21, 0x00,                                                  // 58 NN 33 ""
      0xF1, 0xCE, 0x21, 0x00, 0x34, 0x02,                                // 5B ATN 52: 2
      0xE6, 0x01, 0xDA, 0xC3, 0xD0, 0x04, 'C',  'O',  'D',  'E',         // 61 ST 1 Z C P CODE
      0xE7, 0x01, 0x02,                                                  // 6B SA 1, 2
      0xE2, 0xD3, 0x01, 0x07,                                            // 6E S1 = 7
      0xE9, 0x05, 0x04, 'p',  'u',  't',  'c',                           // 72 NX 5 putc
      0xF1, 0xD8, 0x05, 0x0F, 0x80, 0x00,                                // 79 ATX 5
      0xF8, 0x0B, 0x00, 0x00, 0x01, 0x01, 0xD2, 0x01,                    // 7F BB11 kind 1, R1
      0xF9, 0x07,                                                        // 87 BE size 7
      0xE2, 0xD0, 0x01, 0xD2, 0x01,                                      // 89 P1 = R1
      0xE4, 0x02, 0xCD, 0x12, 0xBC, 0xD8, 0x05, 0x02, 0xBD,              // 8E LR CD 12 {X5, 2}
      0xE4, 0xBA, 0xD8, 0x05, 0xD0, 0x01, 0xA6, 0x02, 0xA6, 0x01, 0xBB,  // 97 LR {X5 P1 - 2 -, 1}
      0xE1,                                                              // A2 ME
  };
}

const char* const kExpectedDump =
    "000000  E0 MB  module begin: processor \"KZEL\", module \"add\"\n"
    "00000A  EC AD  address descriptor: 8 bits per MAU, 2 MAUs per address, least significant MAU "
    "first\n"
    "00000E  E2 AS  assign: W0 = 00004E (attribute part)\n"
    "000016  E2 AS  assign: W1 = 000058 (environment part)\n"
    "00001E  E2 AS  assign: W2 = 000061 (section part)\n"
    "000026  E2 AS  assign: W3 = 000072 (external part)\n"
    "00002E  E2 AS  assign: W4 = 00007F (debug part)\n"
    "000036  E2 AS  assign: W5 = 000089 (data part)\n"
    "00003E  E2 AS  assign: W6 = 0000A2 (trailer part)\n"
    "000046  E2 AS  assign: W7 = 0000A2 (module end)\n"
    "-- W0 attribute part\n"
    "00004E  F0 NN  name: N32 \"\"\n"
    "000051  F1 AT  attribute: N32, type 0, 37 object format version: 4, 0\n"
    "-- W1 environment part\n"
    "000058  F0 NN  name: N33 \"\"\n"
    "00005B  F1 AT  attribute: N33, type 0, 52 execution status: 2 (errors)\n"
    "-- W2 section part\n"
    "000061  E6 ST  section type: 1 \"CODE\", type Z C P\n"
    "00006B  E7 SA  section alignment: CODE, alignment 2\n"
    "00006E  E2 AS  assign: S(CODE) = 7\n"
    "-- W3 external part\n"
    "000072  E9 NX  external name: X5 \"putc\"\n"
    "000079  F1 AT  attribute: X(putc), type 0xF: omitted, 0\n"
    "-- W4 debug part\n"
    "00007F  F8 BB  block begin: 11 section \"\", size 0, kind 1, CODE, start R(CODE)\n"
    "000087  F9 BE  block end: of block 11 at 00007F, size 7\n"
    "-- W5 data part\n"
    "000089  E2 AS  assign: P(CODE) = R(CODE)\n"
    "00008E  E4 LR  load with relocation: 4 MAUs into CODE at +0000\n"
    "          +0000  CD 12\n"
    "          +0002  relocation, unsigned, 2 MAUs: X(putc)\n"
    "000097  E4 LR  load with relocation: 1 MAU into CODE at +0004\n"
    "          +0004  relocation, signed, 1 MAU: X(putc)-P(CODE)-2\n"
    "-- W6 trailer part, W7 module end\n"
    "0000A2  E1 ME  module end\n";

ViewResult view(const Bytes& bytes, std::string* text = nullptr, ViewOptions options = {}) {
  std::ostringstream out;
  ViewResult result = viewModule(bytes, options, out);
  if (text != nullptr) *text = out.str();
  return result;
}

std::string failureReason(const Bytes& bytes, std::size_t* offset = nullptr) {
  ViewResult result = view(bytes);
  if (result.ok()) return "no failure";
  if (offset != nullptr) *offset = result.failure->offset;
  return result.failure->reason;
}

TEST(Viewer, PrintsEveryRecordOfAHandMadeModule) {
  std::string text;
  ViewResult result = view(handMadeModule(), &text);
  EXPECT_TRUE(result.ok()) << result.failure->reason;
  EXPECT_EQ(text, kExpectedDump);
}

TEST(Viewer, DataAndHeaderSelectionsSplitTheRecords) {
  std::string data;
  ASSERT_TRUE(view(handMadeModule(), &data, {Selection::dataOnly, false}).ok());
  EXPECT_EQ(data.find("E6 ST"), std::string::npos);
  EXPECT_EQ(data.substr(0, data.find('\n')), "-- W5 data part");
  EXPECT_NE(data.find("000097  E4 LR"), std::string::npos);

  std::string headers;
  ASSERT_TRUE(view(handMadeModule(), &headers, {Selection::headersOnly, true}).ok());
  EXPECT_EQ(headers.find("E4 LR"), std::string::npos);
  EXPECT_NE(headers.find("000000  E0 MB"), std::string::npos);
  EXPECT_NE(headers.find("          | E0 04 4B 5A 45 4C 03 61 64 64\n"), std::string::npos);
}

TEST(Viewer, EveryTruncationStopsWithAnOffsetInsideTheData) {
  Bytes module = handMadeModule();
  for (std::size_t length = 0; length < module.size(); ++length) {
    Bytes prefix(module.begin(), module.begin() + static_cast<std::ptrdiff_t>(length));
    ViewResult result = view(prefix);
    ASSERT_FALSE(result.ok()) << length;
    EXPECT_LE(result.failure->offset, length);
  }
}

TEST(Viewer, AnySingleDamagedByteEndsCleanly) {
  Bytes module = handMadeModule();
  for (std::size_t at = 0; at < module.size(); ++at) {
    for (std::uint8_t value :
         {0x00, 0x7F, 0x80, 0x84, 0x88, 0x90, 0xB9, 0xBC, 0xC0, 0xDF, 0xE4, 0xF8, 0xFF}) {
      Bytes damaged = module;
      damaged[at] = value;
      ViewResult result = view(damaged);
      if (!result.ok()) {
        EXPECT_LE(result.failure->offset, damaged.size());
      }
    }
  }
}

TEST(Viewer, ForeignAndEmptyFilesAreRecognised) {
  EXPECT_EQ(failureReason({}), "empty file");
  std::size_t offset = 99;
  EXPECT_NE(failureReason({0x7F, 'E', 'L', 'F'}, &offset).find("not an IEEE-695 module"),
            std::string::npos);
  EXPECT_EQ(offset, 0u);
}

TEST(Viewer, StructuralProblemsAreReportedWhereTheyAre) {
  std::size_t offset = 0;
  Bytes wrongPointer = handMadeModule();
  wrongPointer[0x1E + 7] = 0x62;  // W2 one byte into the section type record
  EXPECT_NE(
      failureReason(wrongPointer, &offset).find("W2 = 000062, which is not the offset of a record"),
      std::string::npos);
  EXPECT_EQ(offset, 0x1Eu);

  Bytes wrongEnd = handMadeModule();
  wrongEnd[0x46 + 7] = 0x89;
  EXPECT_NE(failureReason(wrongEnd, &offset).find("but the module end is at 0000A2"),
            std::string::npos);

  EXPECT_EQ(failureReason({0xE0, 0x00, 0x00, 0xF9, 0xE1}, &offset),
            "block end without a block begin");
  EXPECT_EQ(offset, 3u);
  EXPECT_EQ(failureReason({0xE0, 0x00, 0x00, 0xF8, 0x05, 0x00, 0x00, 0xE1}, &offset),
            "block begun here is not ended before the module end");
  EXPECT_EQ(offset, 3u);
  EXPECT_NE(
      failureReason({0xE0, 0x00, 0x00, 0xE3}, &offset).find("where a record code was expected"),
      std::string::npos);
  EXPECT_EQ(failureReason({0xE0, 0x00, 0x00, 0xE1, 0x00, 0x00}, &offset),
            "2 bytes after the module end");
  EXPECT_EQ(failureReason({0xE0, 0x00, 0x00, 0xE0, 0x00, 0x00, 0xE1}, &offset),
            "a second module begin inside the module");
  EXPECT_EQ(failureReason({0xE0, 0x00, 0x00}, &offset), "end of data before the module end (E1)");
}

TEST(Viewer, DamagedElementNamesTheRecordItIsIn) {
  Bytes cut{0xE0, 0x00, 0x00, 0xED, 0x05, 0x01, 0x02};
  std::size_t offset = 0;
  EXPECT_EQ(failureReason(cut, &offset),
            "end of data inside the loaded bytes (in the LD record at 000003)");
  EXPECT_EQ(offset, 5u);

  Bytes cutCount{0xE0, 0x00, 0x00, 0xE4, 0x84, 0xFF};
  EXPECT_EQ(failureReason(cutCount, &offset),
            "end of data inside the byte count (in the LR record at 000003)");
  EXPECT_EQ(offset, 4u);
}

TEST(Viewer, RepeatAndAbsoluteLoadPointer) {
  Bytes module{0xE0, 0x00, 0x00,                         // MB
               0xE6, 0x02, 0xC1, 0xD3, 0xC4, 0x01, 'D',  // ST 2 A S D "D"
               0xE2, 0xD0, 0x02, 0x82, 0x80, 0x00,       // P2 = 0x8000
               0xF7, 0x82, 0x01, 0x2C,                   // RE 300
               0xED, 0x01, 0xFF,                         // LD FF
               0xED, 0x01, 0x00,                         // LD 00, after the 300 copies
               0xE1};
  std::string text;
  ASSERT_TRUE(view(module, &text).ok());
  EXPECT_NE(text.find("load constant: 1 MAU x 300 into D at 8000\n          8000  FF\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("load constant: 1 MAU into D at 812C\n"), std::string::npos) << text;
}

// ---- Expression text

std::string textOf(const object::Expression& expression) {
  ModuleNames names;
  names.sections[1] = "CODE";
  names.externals[2] = "a";
  names.externals[3] = "b";
  return expressionText(expression, names);
}

using object::Function;
using object::Term;

Term op(Function function) { return Term::function(function); }

TEST(ExpressionText, InfixWithParenthesesOnlyWhereNeeded) {
  EXPECT_EQ(textOf(object::sectionRelative(1, 0x12)), "R(CODE)+0x12");
  EXPECT_EQ(textOf({Term::sectionBase(1), Term::constant(2), op(Function::add), Term::constant(3),
                    op(Function::multiply)}),
            "(R(CODE)+2)*3");
  EXPECT_EQ(textOf({Term::externalSymbol(2), Term::externalSymbol(3), Term::constant(2),
                    op(Function::subtract), op(Function::subtract)}),
            "X(a)-(X(b)-2)");
  EXPECT_EQ(
      textOf({Term::externalSymbol(2), Term::constant(5), op(Function::negate), op(Function::add)}),
      "X(a)+-5");
  EXPECT_EQ(textOf({Term::externalSymbol(9), Term::constant(0), Term::constant(16),
                    Term::escape(object::Escape::inBlock)}),
            "@INBLOCK(X9, 0, 0x10)");
  EXPECT_EQ(textOf({Term::sectionSize(4), Term::externalSymbol(2), op(Function::maximum)}),
            "@MAX(S4, X(a))");
}

TEST(ExpressionText, FallsBackToPostfixWhenInfixIsNotSure) {
  EXPECT_EQ(textOf({Term::externalSymbol(2), Term::constant(3), op(Function::extract)}),
            "postfix: X(a) 3 @EXT");
  EXPECT_EQ(textOf({Term::constant(1), Term::constant(2)}), "postfix: 1 2");
  EXPECT_EQ(textOf({op(Function::add)}), "postfix: +");
  object::Expression deep{Term::constant(1)};
  for (int i = 0; i < 40; ++i) deep.push_back(op(Function::negate));
  EXPECT_EQ(textOf(deep).rfind("postfix: 1 @NEG @NEG", 0), 0u);
}

// ---- Reading as it goes

std::string viewStreamed(const Bytes& bytes, std::size_t piece, ViewOptions options,
                         ViewResult* result) {
  object::SpanSource source(bytes, piece);
  std::ostringstream out;
  *result = viewModule(source, bytes.size(), options, out);
  return out.str();
}

TEST(Viewer, ReadingInPiecesGivesTheSameTextAsReadingWhole) {
  for (ViewOptions options : {ViewOptions{}, ViewOptions{Selection::everything, true}}) {
    std::string whole;
    ASSERT_TRUE(view(handMadeModule(), &whole, options).ok());
    for (std::size_t piece : {1, 2, 3, 7, 64}) {
      ViewResult result;
      EXPECT_EQ(viewStreamed(handMadeModule(), piece, options, &result), whole) << piece;
      EXPECT_TRUE(result.ok());
    }
  }
  // Damage is found at the same offset with the same reason.
  Bytes cut = handMadeModule();
  cut.resize(0x93);
  ViewResult streamed;
  viewStreamed(cut, 5, {}, &streamed);
  ViewResult whole = view(cut);
  ASSERT_FALSE(streamed.ok());
  EXPECT_EQ(streamed.failure->offset, whole.failure->offset);
  EXPECT_EQ(streamed.failure->reason, whole.failure->reason);
  Bytes extra = handMadeModule();
  extra.push_back(0);
  viewStreamed(extra, 4, {}, &streamed);
  EXPECT_EQ(streamed.failure->reason, "1 byte after the module end");
}

TEST(Viewer, AForeignStreamIsKnownByItsFirstByte) {
  // A foreign file is known by its first byte, however long it is.
  ViewResult foreign;
  viewStreamed(Bytes(3 * object::kSourceBlock, 0x00), object::kSourceBlock, {}, &foreign);
  EXPECT_EQ(foreign.failure->offset, 0u);
}

TEST(Viewer, PublicValueAtSectionOffsetZeroReadsWithOrWithoutTheZero) {
  // E2 C9 n "R 1" and E2 C9 n "R 1 0 +": the same value, both shown as section-relative.
  for (bool withZero : {false, true}) {
    Bytes module = handMadeModule();
    Bytes value{0xE2, 0xC9, 0x20, 0xD2, 0x01};
    if (withZero) value.insert(value.end(), {0x00, 0xA5});
    // Into the external part, after the ATX record; every later pointer moves.
    module.insert(module.begin() + 0x7F, value.begin(), value.end());
    for (std::size_t part = 4; part < 8; ++part) module[0x0E + 8 * part + 7] += value.size();
    std::string text;
    ViewResult result = view(module, &text);
    ASSERT_TRUE(result.ok()) << result.failure->reason;
    EXPECT_NE(text.find(withZero ? "assign: I32 = R(CODE)+0\n" : "assign: I32 = R(CODE)\n"),
              std::string::npos)
        << text;
  }
}

// ---- The program

class Dumpzel : public ::testing::Test {
 protected:
  void SetUp() override {
    char directory[] = "/tmp/kz_dumpzel_XXXXXX";
    ASSERT_NE(::mkdtemp(directory), nullptr);
    directory_ = directory;
  }
  void TearDown() override {
    for (const std::string& file : files_) std::remove(file.c_str());
    ::rmdir(directory_.c_str());
  }
  std::string write(const std::string& name, const Bytes& bytes) {
    std::string path = directory_ + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    files_.push_back(path);
    return path;
  }
  int run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "dumpzel");
    ProgramEnvironment environment(arguments, {"KHOMEZEL=" + directory_});
    out_.str({});
    err_.str({});
    return runDumpzel(environment, out_, err_);
  }

  std::string directory_;
  std::vector<std::string> files_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(Dumpzel, ExitStatusTellsGoodDamagedAndUnusable) {
  std::string good = write("good.rel", handMadeModule());
  EXPECT_EQ(run({good}), kExitOk);
  EXPECT_EQ(out_.str(), good + ": 163 bytes\n" + kExpectedDump);
  EXPECT_EQ(err_.str(), "");

  std::string cut = write("cut.rel", {0xE0, 0x04, 'K'});
  EXPECT_EQ(run({"-d", good, cut}), kExitDamaged);
  EXPECT_EQ(
      err_.str(),
      "dumpzel: " + cut +
          ": stopped at offset 000002: end of data inside the processor name (in the MB record "
          "at 000000)\n");

  EXPECT_EQ(run({directory_ + "/missing.rel"}), kExitUsage);
  EXPECT_EQ(run({directory_}), kExitUsage);
  EXPECT_NE(err_.str().find("cannot read"), std::string::npos);
  EXPECT_EQ(run({"-q", good}), kExitUsage);
  EXPECT_NE(err_.str().find("unknown option '-q'"), std::string::npos);
  EXPECT_EQ(run({}), kExitUsage);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str().rfind("usage: dumpzel", 0), 0u);
  EXPECT_EQ(run({"-h"}), kExitOk);
  EXPECT_NE(out_.str().find("dumpzel"), std::string::npos);
  EXPECT_EQ(run({"--help"}), kExitOk);
  EXPECT_NE(out_.str().find("dumpzel"), std::string::npos);
  EXPECT_EQ(run({"--version"}), kExitOk);
  EXPECT_EQ(out_.str().rfind("dumpzel (KORV-ZEL object viewer) ", 0), 0u);
}

TEST_F(Dumpzel, AFailingOutputIsReportedWithAFailingStatus) {
  std::string good = write("good.rel", handMadeModule());
  int full = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  {
    DescriptorOutput buffer(full);
    std::ostream out(&buffer);
    ProgramEnvironment environment({"dumpzel", good, good}, {});
    err_.str({});
    EXPECT_EQ(runDumpzel(environment, out, err_), kExitOutput);
  }
  ::close(full);
  EXPECT_EQ(err_.str(), "dumpzel: cannot write the output: No space left on device\n");
  // A closed descriptor says so too.
  DescriptorOutput closed(-1);
  std::ostream out(&closed);
  ProgramEnvironment environment({"dumpzel", "--version"}, {});
  err_.str({});
  EXPECT_EQ(runDumpzel(environment, out, err_), kExitOutput);
  EXPECT_EQ(err_.str(), "dumpzel: cannot write the output: Bad file descriptor\n");
}

}  // namespace
}  // namespace kz::viewer
