#include "link/diagnostics.h"

#include <cstdio>

#include "common/fatal_error.h"

namespace kz::link {

void Diagnostics::report(Message message, std::string_view argument, std::string_view file,
                         std::size_t line) {
  MessageClass messageClass = messageClassOf(message);
  if (messageClass == MessageClass::warning) {
    if (!warningsShown_) return;
    ++warnings_;
  } else {
    ++errors_;
  }
  print(message, messageClass, argument, file, line);
}

void Diagnostics::print(Message message, MessageClass messageClass, std::string_view argument,
                        std::string_view file, std::size_t line) {
  std::string text;
  if (!file.empty()) {
    text += file;
    if (line > 0) text += " " + std::to_string(line);
    text += " : ";
  }
  char number[8];
  std::snprintf(number, sizeof number, "%03d", static_cast<int>(message));
  text += label_ + "-" + std::string(classLabel(messageClass)) + "-" + number + " : " +
          formatMessage(message, argument) + "\n";
  err_ << text << std::flush;
  if (!copyPath_.empty() && copy_ == nullptr) {
    copy_ = std::make_unique<std::ofstream>(copyPath_, std::ios::binary | std::ios::app);
    if (!*copy_) err_ << label_ << ": cannot open the error file " << copyPath_ << '\n';
  }
  if (copy_ != nullptr && *copy_) *copy_ << text << std::flush;
}

void Diagnostics::fatal(Message message, std::string_view argument, std::string_view file,
                        std::size_t line) {
  // A message that ends the run is labelled fatal, whatever its number's class.
  ++errors_;
  print(message, MessageClass::fatal, argument, file, line);
  throw FatalError(static_cast<int>(message), std::string(argument), kExitFatal);
}

}  // namespace kz::link
