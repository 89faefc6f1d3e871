#pragma once
// The reporting interface every part of the assembler uses: errors and warnings attach to
// the current statement, fatals end the run. The run's Diagnostics implements it; tests use
// a recording fake.
#include <string_view>

#include "asm/messages.h"

namespace kz::assembler {

class Reporter {
 public:
  virtual ~Reporter() = default;

  virtual void reportError(Message message, std::string_view argument = {}) = 0;
  virtual void reportWarning(Message message, std::string_view argument = {}) = 0;
  // Throws kz::FatalError with the status of the number's class.
  [[noreturn]] void fatal(Message message, std::string_view argument = {}) const;

  // The statement that later messages belong to. Clears the per-statement error flag.
  void beginStatement(int fileIndex, long line) {
    fileIndex_ = fileIndex;
    line_ = line;
    statementHasError_ = false;
    statementHasTypeError_ = false;
  }
  int fileIndex() const { return fileIndex_; }
  long line() const { return line_; }
  // Set by any recorded error of the current statement; encoders read it to skip work.
  bool statementHasError() const { return statementHasError_; }
  // A later pass meets a statement that failed before: it stays failed without a message.
  void markStatementFailed() { statementHasError_ = true; }

 protected:
  void markStatementError() { statementHasError_ = true; }
  bool statementHasTypeError_ = false;

 private:
  int fileIndex_ = 0;
  long line_ = 0;
  bool statementHasError_ = false;
};

}  // namespace kz::assembler
