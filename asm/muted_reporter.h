#pragma once
// A reporter that drops errors and warnings: for work repeated in a later pass whose
// messages the first pass has already recorded.
#include "asm/reporter.h"

namespace kz::assembler {

class MutedReporter final : public Reporter {
 public:
  void reportError(Message, std::string_view = {}) override { markStatementError(); }
  void reportWarning(Message, std::string_view = {}) override {}
};

}  // namespace kz::assembler
