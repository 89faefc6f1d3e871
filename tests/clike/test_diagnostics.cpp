#include <gtest/gtest.h>

#include "clike/diagnostics.h"
#include "tests/clike/test_support.h"

namespace kz::clike {
namespace {

using testing::CapturedStream;
using testing::messageNumbers;

class DiagnosticsTest : public ::testing::Test {
 protected:
  DiagnosticsTest() { settings.options.applyDefaults(); }

  Diagnostics& make() {
    diagnostics = std::make_unique<Diagnostics>(settings, Console{out.stream(), err.stream()});
    diagnostics->setErrorFile(errorFile.stream());
    diagnostics->beginLine(&file, 1);
    return *diagnostics;
  }

  RunSettings settings;
  std::string file = "prog.c";
  CapturedStream out, err, errorFile;
  std::unique_ptr<Diagnostics> diagnostics;
};

TEST_F(DiagnosticsTest, ErrorFormatsAndOncePerLine) {
  Diagnostics& d = make();
  d.reportError(Message::undefinedSymbol, "count");
  d.reportError(Message::undefinedSymbol, "other");
  d.reportError(Message::parameterUnmatch);
  d.reportError(Message::parameterUnmatch);
  d.beginLine(&file, 2);
  d.reportError(Message::undefinedSymbol);
  EXPECT_EQ(err.text(),
            "prog.c 1 : CLZEL-Error-203: Undefined symbol \"count\"\n"
            "prog.c 1 : CLZEL-Error-402: Parameter unmatch\n"
            "prog.c 1 : CLZEL-Error-402: Parameter unmatch\n"
            "prog.c 2 : CLZEL-Error-203: Undefined symbol\n");
  EXPECT_EQ(errorFile.text(), err.text());
  EXPECT_EQ(d.errorCount(), 4u);
}

TEST_F(DiagnosticsTest, ReducedMessagesPerLine) {
  settings.options.reduceMessages = 1;
  Diagnostics& d = make();
  d.reportError(Message::preprocessorSyntaxError);
  d.reportError(Message::preprocessorSyntaxError);  // same as the previous one
  d.reportError(Message::syntaxError);              // another error came first
  d.reportError(Message::undefinedSymbol);
  d.reportError(Message::invalidType);  // a third one
  EXPECT_EQ(messageNumbers(err.text()), "E400 E203");
  EXPECT_EQ(d.errorCount(), 2u);
}

TEST_F(DiagnosticsTest, WarningLevels) {
  Diagnostics& d = make();  // level 1: 521 and up
  d.reportWarning(Message::signedUnsignedConversion);
  d.reportWarning(Message::recursiveCall, "f");
  d.reportWarning(Message::recursiveCall, "g");
  EXPECT_EQ(err.text(), "prog.c 1 : CLZEL-Warning-522: Recursive call to \"f\"\n");
  EXPECT_EQ(d.warningCount(), 1u);

  settings.options.warnLevel = 2;
  CapturedStream all;
  Diagnostics level2(settings, Console{out.stream(), all.stream()});
  level2.beginLine(&file, 1);
  level2.reportWarning(Message::signedUnsignedConversion);
  level2.reportWarning(Message::recursiveCall);
  EXPECT_EQ(messageNumbers(all.text()), "W515 W522");

  settings.options.warnLevel = 0;
  CapturedStream none;
  Diagnostics level0(settings, Console{out.stream(), none.stream()});
  level0.reportWarning(Message::recursiveCall);
  EXPECT_EQ(none.text(), "");
}

TEST_F(DiagnosticsTest, RegisterWarnings) {
  Diagnostics& off = make();
  off.reportWarning(Message::registerAUsed, "x");
  EXPECT_EQ(off.registerWarningCount(), 0u);

  settings.options.regWarnings = 1;
  Diagnostics& d = make();
  d.reportWarning(Message::registerAUsed, "shift");
  d.reportWarning(Message::registerAUsed, "shift");  // the last one again: dropped
  d.reportWarning(Message::registerWUsed, "shift");
  d.reportWarning(Message::registerAUsed, "shift");  // not the last one any more
  d.reportWarning(Message::registerHLUsed);
  d.reportWarning(Message::registerHLUsed);  // without text: once per line
  d.reportWarning(Message::flagCFUsed, "compare");
  EXPECT_EQ(d.registerWarningCount(), 5u);
  EXPECT_EQ(d.warningCount(), 0u);
  // 501..509 go to the listing and error file only; 510 to standard error too.
  EXPECT_EQ(messageNumbers(err.text()), "W510");
  EXPECT_EQ(messageNumbers(errorFile.text()), "W501 W502 W501 W508 W510");

  settings.options.reduceMessages = 1;
  Diagnostics& reduced = make();
  reduced.reportError(Message::invalidType);
  reduced.reportWarning(Message::registerAUsed, "x");
  EXPECT_EQ(reduced.registerWarningCount(), 0u);
}

TEST_F(DiagnosticsTest, SyntaxRunsReportTheFirstAndEndAfterTen) {
  Diagnostics& d = make();
  d.reportSyntax("Syntax error", "}");
  d.beginLine(&file, 2);
  d.reportSyntax("Syntax error", "x");
  d.syntaxRecovered();
  d.reportSyntax("Missing ';'", "");
  EXPECT_EQ(err.text(),
            "prog.c 1 : CLZEL-Error-200: Syntax error \"}\"\n"
            "prog.c 2 : CLZEL-Error-200: Missing ';'\n");
  for (int i = 1; i < Diagnostics::kSyntaxRunLimit; ++i) d.reportSyntax("Syntax error", "");
  try {
    d.reportSyntax("Syntax error", "");
    FAIL() << "the eleventh failure of a run is fatal";
  } catch (const FatalError& fatal) {
    EXPECT_EQ(fatal.number(), 131);
  }
}

TEST_F(DiagnosticsTest, FatalFormats) {
  Diagnostics early(settings, Console{out.stream(), err.stream()});
  early.printFatal(FatalError(109, "-q", 255));
  early.printFatal(FatalError(107, "a.c", 255));
  EXPECT_EQ(err.text(),
            "CLZEL-Fatal-109: Unrecognized option \"-q\"\nCLZEL Terminated\n"
            "CLZEL-Fatal-107: \"a.c\" Files are the same\nCLZEL Terminated\n");

  CapturedStream late;
  Diagnostics& d = make();
  (void)d;
  Diagnostics compiling(settings, Console{out.stream(), late.stream()});
  CapturedStream lateErrorFile;
  compiling.setErrorFile(lateErrorFile.stream());
  compiling.beginLine(&file, 7);
  compiling.printFatal(FatalError(20, "x.h", 255));
  compiling.printFatal(FatalError(129, "deep.h", 255));
  EXPECT_EQ(late.text(),
            "prog.c 7 : CLZEL-Fatal-20: Can't open \"x.h\"\nCLZEL Terminated\n"
            "prog.c 7 : CLZEL-Fatal-129: Include nest too deep \"deep.h\"\n");
  EXPECT_EQ(lateErrorFile.text(),
            "prog.c 7 : CLZEL-Fatal-129: Include nest too deep \"deep.h\"\nCLZEL Terminated\n");
}

TEST_F(DiagnosticsTest, MessageNameReplacesTheFileAndTheBannerComesFirst) {
  settings.options.messageName = 1;
  settings.files.messageFileName = "shown";
  Diagnostics& d = make();
  int banners = 0;
  d.setBeforeFirstMessage([&] { ++banners; });
  d.reportError(Message::invalidType);
  d.reportWarning(Message::recursiveCall);
  EXPECT_EQ(banners, 1);
  EXPECT_EQ(err.text().substr(0, 9), "shown 1 :");
}

TEST_F(DiagnosticsTest, CommandLineWarningGoesToStandardOutput) {
  Diagnostics& d = make();
  d.reportCommandLineWarning("-w2");
  EXPECT_EQ(out.text(), "CLZEL-Warning-500 : Option already specified \"-w2\"\n");
  EXPECT_EQ(err.text(), "");
}

TEST(Messages, TextsAndClasses) {
  EXPECT_EQ(messageText(Message::unterminatedString),
            "Character string must terminated by end of line");
  EXPECT_EQ(messageClassOf(Message::unrecoverableError), MessageClass::fatal);
  EXPECT_EQ(messageClassOf(Message::invalidSectionAddress), MessageClass::error);
  EXPECT_EQ(messageClassOf(Message::optionAlreadySpecified), MessageClass::warning);
  EXPECT_EQ(messageText(static_cast<Message>(518)), "");
}

}  // namespace
}  // namespace kz::clike
