#pragma once
// Hands each statement of the final pass to several sinks in turn: the listing, the object
// writer, a test's recorder. Sinks are called in the order they were added.
#include <vector>

#include "asm/statement_output.h"

namespace kz::assembler {

class StatementFanOut final : public StatementSink {
 public:
  void add(StatementSink* sink) {
    if (sink) sinks_.push_back(sink);
  }
  bool empty() const { return sinks_.empty(); }

  void statement(const EmittedStatement& statement) override {
    for (StatementSink* sink : sinks_) sink->statement(statement);
  }
  void includeEntered(int fileIndex) override {
    for (StatementSink* sink : sinks_) sink->includeEntered(fileIndex);
  }
  void includeLeft() override {
    for (StatementSink* sink : sinks_) sink->includeLeft();
  }

 private:
  std::vector<StatementSink*> sinks_;
};

}  // namespace kz::assembler
