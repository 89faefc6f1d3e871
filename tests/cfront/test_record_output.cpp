// How the emitter's records reach the stream: in order with the records the preprocessor
// writes between declarations, inside the bounds a body-keeping writer is told of, and still
// after a fatal message has ended the run in the middle of a function.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cfront/held_output.h"
#include "cfront/translation_unit.h"
#include "common/work_file.h"
#include "harness.h"
#include "parse_harness.h"

namespace kz::cfront::testing {
namespace {

// Everything written, with the preprocessor's file records and a body writer's bounds marked
// in the same text.
class RecordingSink : public LineSink, public RecordSink, public FunctionBodies {
 public:
  void write(std::string_view text) override {
    text_.append(text);
    if (inBody_) bodyText_.append(text);
  }
  void sourceFileEntered(const std::string& name, std::uint32_t) override {
    text_ += "<file " + std::string(stemOf(name)) + ">\n";
  }
  void macroDefined(std::string_view, std::string_view) override {}
  void bodyBegins(std::string_view name) override {
    text_ += "<begins " + std::string(name) + ">\n";
    inBody_ = true;
  }
  void bodyEnds() override {
    text_ += "<ends>\n";
    inBody_ = false;
  }

  const std::string& text() const { return text_; }
  const std::string& bodyText() const { return bodyText_; }

 private:
  static std::string_view stemOf(std::string_view name) {
    std::size_t slash = name.find_last_of('/');
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
  }
  std::string text_;
  std::string bodyText_;
  bool inBody_ = false;
};

ParseResult compile(const ScratchDirectory& scratch, const std::string& source, RecordingSink& sink,
                    bool tellBodies = false, WorkFile* spillFile = nullptr) {
  RunOptions options;
  return runCompileMode(scratch, source, options,
                        [&](Preprocessor& preprocessor, Diagnostics& diagnostics) {
                          preprocessor.setRecordSink(&sink);
                          UnitState state;
                          if (tellBodies) state.bodies = &sink;
                          std::optional<SpillFile> spill;
                          if (spillFile) state.spill = &spill.emplace(*spillFile, diagnostics);
                          compileTranslationUnit(preprocessor, diagnostics, options, &sink, state);
                        });
}

TEST(RecordOutput, DeclarationsAreHandedOnBeforeTheNextFileIsEntered) {
  ScratchDirectory scratch;
  scratch.write("one.h", "int one;\n");
  scratch.write("two.h", "void two(void) { one = 2; }\n");
  RecordingSink sink;
  compile(scratch, "int first;\n#include \"one.h\"\n#include \"two.h\"\nint last;\n", sink);
  const std::string& text = sink.text();
  std::size_t first = text.find("\"first\"");
  std::size_t enterOne = text.find("<file one.h>");
  std::size_t one = text.find("\"one\"");
  std::size_t enterTwo = text.find("<file two.h>");
  std::size_t body = text.find("BEGIN,two");
  std::size_t back = text.find("<file t.c>", enterTwo);
  std::size_t last = text.find("\"last\"");
  ASSERT_NE(last, std::string::npos) << text;
  EXPECT_LT(first, enterOne) << text;
  EXPECT_LT(enterOne, one) << text;
  EXPECT_LT(one, enterTwo) << text;
  EXPECT_LT(enterTwo, body) << text;
  EXPECT_LT(body, back) << text;
  EXPECT_LT(back, last) << text;
}

// An object's data is held back behind its symbol line while its string objects are written;
// data past the held stream's memory bound goes on in the TP work file and comes back in order,
// for a file-scope object and for the image of an automatic array alike.
TEST(RecordOutput, HeldDataPastItsBoundGoesThroughTheWorkFileAndComesBackInOrder) {
  // About 40 bytes of data line for each pointer: well past the 256 KiB bound.
  const std::string buffer = "a_buffer_with_a_name_of_31_char";
  const int count = 9000;
  std::string list = "\"first\"";
  for (int i = 1; i < count; ++i) list += "," + buffer + "+" + std::to_string(i);
  std::string source = "char " + buffer + "[10000];\nchar *names[] = {" + list +
                       "};\nint f(void) { char *local[] = {" + list + "}; return local[1][0]; }\n";
  ScratchDirectory scratch;
  RecordingSink inMemory;
  compile(scratch, source, inMemory);
  std::unique_ptr<WorkFile> tp = createMemoryFile("TP");
  RecordingSink spilled;
  ParseResult result = compile(scratch, source, spilled, false, tp.get());
  EXPECT_EQ(result.messages, "");
  EXPECT_GT(tp->size(), std::uint64_t{256 * 1024});
  EXPECT_TRUE(spilled.text() == inMemory.text());
  const std::string& text = spilled.text();
  const std::string item = ",s_" + buffer;
  std::size_t string = text.find("\tS1,");
  std::size_t symbol = text.find("\t@_names,");
  std::size_t firstData = text.find("\t,sS1\n\t" + item + "+1\n");
  std::size_t lastData = text.find(item + "+" + std::to_string(count - 1) + "\n");
  std::size_t body = text.find("BEGIN,f");
  ASSERT_NE(body, std::string::npos);
  EXPECT_LT(string, symbol);
  EXPECT_LT(symbol, firstData);
  EXPECT_LT(firstData, lastData);
  EXPECT_LT(lastData, body);
  // The automatic array's image S2, in the body: its string object S3, then all its data.
  std::size_t imageString = text.find("\tS3,", body);
  std::size_t imageData = text.find("\t,sS3\n\t" + item + "+1\n", body);
  std::size_t imageEnd = text.find(item + "+" + std::to_string(count - 1) + "\n", imageData);
  EXPECT_LT(imageString, imageData);
  EXPECT_NE(imageEnd, std::string::npos);
}

TEST(RecordOutput, ABodyReachesTheStreamBetweenItsBounds) {
  ScratchDirectory scratch;
  RecordingSink sink;
  compile(scratch, "int g;\nint f(int a) { return a + g; }\nint h;\nint k(void) { return 1; }\n",
          sink, true);
  const std::string& text = sink.text();
  std::size_t begins = text.find("<begins f>");
  ASSERT_NE(begins, std::string::npos) << text;
  std::size_t ends = text.find("<ends>", begins);
  std::size_t beginsK = text.find("<begins k>");
  ASSERT_NE(beginsK, std::string::npos) << text;
  EXPECT_LT(text.find("BEGIN,f"), ends) << text;
  EXPECT_GT(text.find("BEGIN,f"), begins) << text;
  EXPECT_LT(text.find("END,f"), ends) << text;
  EXPECT_LT(text.find("\"g\""), begins) << text;  // file-scope records stay outside
  EXPECT_GT(text.find("\"h\""), ends) << text;
  EXPECT_LT(text.find("\"h\""), beginsK) << text;
  EXPECT_EQ(sink.bodyText().find("\"h\""), std::string::npos) << text;
  EXPECT_NE(sink.bodyText().find("END,k"), std::string::npos) << text;
}

TEST(RecordOutput, RecordsBeforeAFatalMessageInAFunctionStillReachTheStream) {
  ScratchDirectory scratch;
  // Each loop takes three labels: the run's limit is passed inside the body.
  std::string source = "int before;\nint f(int a) {\n  int x;\n  x = 1;\n";
  for (std::uint32_t i = 0; i < 16700; ++i) source += "  do ; while (a);\n";
  source += "  return x;\n}\n";
  RecordingSink sink;
  ParseResult run = compile(scratch, source, sink);
  EXPECT_TRUE(run.aborted);
  EXPECT_NE(run.messages.find("-Fatal-137"), std::string::npos) << run.messages;
  const std::string& text = sink.text();
  EXPECT_NE(text.find("\"before\""), std::string::npos);
  EXPECT_NE(text.find("BEGIN,f"), std::string::npos);
  EXPECT_NE(text.find("=,I1,#1,I1\n"), std::string::npos);
  EXPECT_NE(text.find("LAB,L49999\n"), std::string::npos);
  EXPECT_EQ(text.find("END,f"), std::string::npos);
}

}  // namespace
}  // namespace kz::cfront::testing
