#pragma once
// A reporter for tests: keeps the numbers (and error arguments) it is given.
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

}  // namespace kz::assembler::testing
