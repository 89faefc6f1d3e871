// How the emitter's records reach the stream: in order with the records the preprocessor
// writes between declarations, inside the bounds a body-keeping writer is told of, and still
// after a fatal message has ended the run in the middle of a function.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cfront/translation_unit.h"
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
                    bool tellBodies = false) {
  RunOptions options;
  return runCompileMode(scratch, source, options,
                        [&](Preprocessor& preprocessor, Diagnostics& diagnostics) {
                          preprocessor.setRecordSink(&sink);
                          UnitState state;
                          if (tellBodies) state.bodies = &sink;
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
