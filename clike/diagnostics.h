#pragma once
// The compiler's three reporting operations (fatal, error, warning) and the parser's syntax
// report, with the per-line rules that decide what is shown, the counters, and the formats
// on standard error, in the listing and in the error file.
#include <bitset>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "clike/console.h"
#include "clike/listing_sink.h"
#include "clike/messages.h"
#include "clike/settings.h"
#include "common/fatal_error.h"

namespace kz::clike {

enum class Phase : std::uint8_t { commandLine, compiling, output, finishing };

class Diagnostics {
 public:
  static constexpr int kSyntaxRunLimit = 10;

  Diagnostics(const RunSettings& settings, Console console);

  void setPhase(Phase phase) { phase_ = phase; }
  Phase phase() const { return phase_; }
  // Called once before the first message of the run is printed (the banner).
  void setBeforeFirstMessage(std::function<void()> hook) { beforeFirstMessage_ = std::move(hook); }
  // The listing when it is written to a file; messages then go there too.
  void setListing(ListingSink* listing) { listing_ = listing; }
  void setErrorFile(std::FILE* errorFile) { errorFile_ = errorFile; }

  // A new source line: the position of later messages; clears the per-line state.
  void beginLine(const std::string* fileName, long line);
  // The source files are about to close: later messages keep the last position with a
  // copy of its file name.
  void keepPosition() {
    if (fileName_) keptFileName_ = *fileName_;
    fileName_ = &keptFileName_;
  }

  [[noreturn]] void reportFatal(Message message, std::string_view text = {});
  void reportError(Message message, std::string_view text = {});
  void reportWarning(Message message, std::string_view text = {});
  // A syntax failure of the parser: error 200 with the parser's own text for the first
  // failure of a run of consecutive failures; the eleventh of a run is fatal 131.
  void reportSyntax(std::string_view parserText, std::string_view tokenText);
  // The parser has recovered: the run of syntax failures ends.
  void syntaxRecovered() { syntaxRun_ = 0; }

  // A name used but never placed, found after the source was read: one error, on standard
  // error (unless the listing goes there) and in the error file; the listing has its list.
  void reportUndefinedLabel(std::string_view sourcePath, std::string_view name);
  // Warning 500 of the command line, on standard output.
  void reportCommandLineWarning(std::string_view optionWord);
  // The abort path's message for a fatal diagnostic.
  void printFatal(const FatalError& fatal);

  unsigned errorCount() const { return errors_; }
  unsigned warningCount() const { return warnings_; }
  unsigned registerWarningCount() const { return registerWarnings_; }
  bool errorOnThisLine() const { return errorsOnLine_ > 0; }

 private:
  void emitError(int number, std::string_view text, std::string_view argument);
  void emit(std::string_view line, bool toStandardError);
  std::string position() const;
  void firstMessage();
  static void count(std::uint16_t& counter);

  const RunSettings& settings_;
  Console console_;
  Phase phase_ = Phase::commandLine;
  std::function<void()> beforeFirstMessage_;
  ListingSink* listing_ = nullptr;
  std::FILE* errorFile_ = nullptr;

  const std::string* fileName_ = nullptr;
  std::string keptFileName_;
  long line_ = 0;
  bool lineSeen_ = false;

  // Per-line state: numbers already reported on this line.
  std::bitset<120> errorsShown_;   // 200..319
  std::bitset<40> warningsShown_;  // 500..539
  int errorsOnLine_ = 0;
  int lastErrorOnLine_ = 0;
  int lastRegisterWarning_ = 0;
  std::string lastRegisterText_;

  int syntaxRun_ = 0;
  // The counters are 16 bits wide, as the summary prints them; they stop at the top.
  std::uint16_t errors_ = 0;
  std::uint16_t warnings_ = 0;
  std::uint16_t registerWarnings_ = 0;
};

}  // namespace kz::clike
