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
  void reportError(int number, std::string_view argument) override {
    markStatementError();
    errors.push_back(number);
    arguments.emplace_back(argument);
  }
  void reportWarning(int number, std::string_view) override { warnings.push_back(number); }
  std::vector<int> errors;
  std::vector<std::string> arguments;
  std::vector<int> warnings;
};

class MessageLogReporter final : public Reporter {
public:
  void reportError(int number, std::string_view) override {
    markStatementError();
    record('E', number);
  }
  void reportWarning(int number, std::string_view) override { record('W', number); }
  std::string messages;

private:
  void record(char kind, int number) {
    if (!messages.empty()) messages += ' ';
    messages += kind + std::to_string(number) + '@' + std::to_string(line());
  }
};

}  // namespace kz::assembler::testing
