#pragma once
// Reporters for tests: one keeps the numbers (and error arguments) it is given, the other a
// line of "E200@3 W501@4" (kind, number, line) for comparing in one assertion.
#include <string>
#include <string_view>
#include <vector>

#include "asm/reporter.h"

namespace kz::assembler::testing {

class RecordingReporter final : public Reporter {
 public:
  void reportError(Message message, std::string_view argument) override {
    int number = messageNumber(message);
    markStatementError();
    errors.push_back(number);
    arguments.emplace_back(argument);
  }
  void reportWarning(Message message, std::string_view) override {
    int number = messageNumber(message);
    warnings.push_back(number);
  }
  std::vector<int> errors;
  std::vector<std::string> arguments;
  std::vector<int> warnings;
};

class MessageLogReporter final : public Reporter {
 public:
  void reportError(Message message, std::string_view) override {
    int number = messageNumber(message);
    markStatementError();
    record('E', number);
  }
  void reportWarning(Message message, std::string_view) override {
    int number = messageNumber(message);
    record('W', number);
  }
  std::string messages;

 private:
  void record(char kind, int number) {
    if (!messages.empty()) messages += ' ';
    messages += kind + std::to_string(number) + '@' + std::to_string(line());
  }
};

}  // namespace kz::assembler::testing
