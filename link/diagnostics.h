#pragma once
// Reporting for the linker and the librarian: one line per message,
// "[file [line] : ]LNKZEL-Error-300 : text", to the error stream and, on request, to an
// error file. A fatal message throws kz::FatalError after it is shown.
#include <cstddef>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "link/messages.h"

namespace kz::link {

inline constexpr int kExitOk = 0;
inline constexpr int kExitErrors = 1;
inline constexpr int kExitFatal = 2;
inline constexpr int kExitInterrupt = 3;

class Diagnostics {
 public:
  Diagnostics(std::string_view programLabel, std::ostream& err) : label_(programLabel), err_(err) {}

  // Where a message points: a file, and a line in it when there is one (0: none).
  void report(Message message, std::string_view argument, std::string_view file = {},
              std::size_t line = 0);
  [[noreturn]] void fatal(Message message, std::string_view argument, std::string_view file = {},
                          std::size_t line = 0);

  void setWarningsShown(bool shown) { warningsShown_ = shown; }
  // Every later message is also appended to this file (the -e file). The drivers give every
  // tool of a run the same file, so it is opened for appending, and only when a message
  // comes: a clean run leaves it as it was.
  void copyTo(std::string path) { copyPath_ = std::move(path); }

  int errorCount() const { return errors_; }
  int warningCount() const { return warnings_; }
  int exitStatus() const { return errors_ > 0 ? kExitErrors : kExitOk; }

 private:
  void print(Message message, MessageClass messageClass, std::string_view argument,
             std::string_view file, std::size_t line);
  std::string label_;
  std::ostream& err_;
  std::string copyPath_;
  std::unique_ptr<std::ofstream> copy_;
  bool warningsShown_ = true;
  int errors_ = 0;
  int warnings_ = 0;
};

}  // namespace kz::link
