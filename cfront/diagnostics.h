#pragma once
// The message routine of zc1: every part of the front end reports through report(), which
// picks the class by number, writes "<file> <line>: ZC1-<class>-<number>: <text>" on
// standard error and in the error file, counts, and ends the run on a fatal message.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "cfront/messages.h"
#include "cfront/settings.h"

namespace kz::cfront {

// One argument of a message format: a text (%s, %31.31s), a number (%u %d %x %c) or a
// floating value (%.0f).
struct MessageArgument {
  MessageArgument(std::string_view text) : text(text) {}    // NOLINT: implicit on purpose
  MessageArgument(const std::string& text) : text(text) {}  // NOLINT
  MessageArgument(const char* text) : text(text) {}         // NOLINT
  MessageArgument(long long number) : number(number), isNumber(true) {}  // NOLINT
  MessageArgument(int number) : number(number), isNumber(true) {}        // NOLINT
  MessageArgument(unsigned number) : number(number), isNumber(true) {}   // NOLINT
  MessageArgument(double value) : real(value), isReal(true) {}           // NOLINT

  std::string_view text;
  long long number = 0;
  double real = 0;
  bool isNumber = false;
  bool isReal = false;
};

// Formats a message text with printf-style conversions over typed arguments; a missing
// argument formats as empty or zero.
std::string formatMessage(std::string_view format, std::initializer_list<MessageArgument> args);

// Where the reader stands, for the message prefix.
struct SourcePosition {
  const std::string* fileName = nullptr;  // nullptr or empty: no prefix
  unsigned line = 0;
  int includeDepth = 0;
};

class Diagnostics {
 public:
  static constexpr unsigned kErrorLimit = 30;

  Diagnostics(const RunOptions& options, std::FILE* console);

  void setErrorFile(std::FILE* errorFile) { errorFile_ = errorFile; }
  void setPositionSource(std::function<SourcePosition()> source) {
    positionSource_ = std::move(source);
  }

  // Reports a message; a fatal one or a compiler error throws RunAborted after printing.
  void report(Message message, std::initializer_list<MessageArgument> args = {});
  // The same for a number that may have no row (then 700 is reported).
  void reportNumber(int number, std::initializer_list<MessageArgument> args = {});
  // The same for work done once the source has moved on (the emitter runs after a function
  // has been read): the message names the line it is about.
  void reportAtLine(unsigned line, Message message, std::initializer_list<MessageArgument> args);
  // A warning that is shown only from the given warning level up.
  void warnAt(int level, Message message, std::initializer_list<MessageArgument> args = {});

  unsigned errorCount() const { return errorCount_; }
  unsigned warningCount() const { return warningCount_; }
  // False once a write to the console or the error file has failed.
  bool writesSucceeded() const { return writesSucceeded_; }

 private:
  void print(int number, MessageClass messageClass, const std::string& text);
  void write(const std::string& line);

  const RunOptions& options_;
  std::FILE* console_;
  std::FILE* errorFile_ = nullptr;
  std::function<SourcePosition()> positionSource_;
  unsigned lineOverride_ = 0;  // set while reportAtLine reports
  std::uint16_t errorCount_ = 0;
  std::uint16_t warningCount_ = 0;
  bool writesSucceeded_ = true;
};

}  // namespace kz::cfront
