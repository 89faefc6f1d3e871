#include "asm/passes.h"

#include <vector>

#include "asm/lexer.h"

namespace kz::assembler {

void PassRunner::runPass1(long optionLines) {
  diagnostics_.setPass(PassKind::pass1);
  processor_.beginPass(Pass::first);
  reader_.rewindSource();
  reader_.skipLines(optionLines);
  Lexer lexer(reader_, options_, diagnostics_);
  TokenFileWriter writer(tokenFile_, diagnostics_);
  // Tokens are lexed in place into slots kept from line to line (their texts keep their
  // storage); the slot after the last token of a line receives its line end.
  std::vector<Token> slots(1);
  while (true) {
    TokenKind kind = lexer.nextToken(slots[0]);
    for (int left = lexer.takeLeftIncludes(); left > 0; --left) writer.writeIncludeLeave();
    if (kind == TokenKind::endOfSource) break;
    int fileIndex = lexer.fileIndex();
    long line = lexer.lineNumber();
    std::size_t count = 0;
    while (kind != TokenKind::lineEnd && kind != TokenKind::endOfSource) {
      if (++count == slots.size()) slots.emplace_back();
      kind = lexer.nextToken(slots[count]);
    }
    std::span<Token> tokens(slots.data(), count);
    bool readFailed = diagnostics_.statementHasError();
    StatementOutcome outcome = processor_.process(fileIndex, line, tokens, readFailed);
    writer.writeStatement(fileIndex, line, tokens, diagnostics_.statementHasError());
    if (outcome.endReached || processor_.endSeen()) lexer.noteEndStatement();
    if (outcome.include) {
      if (auto entered = lexer.enterInclude(outcome.include->name, outcome.include->form)) {
        writer.writeIncludeEnter(*entered);
      }
    }
    if (kind == TokenKind::endOfSource) break;
  }
  processor_.finishPass();
  writer.writeEnd();
}

int PassRunner::runSizingPasses() {
  if (processor_.layoutSettledInPass1()) {
    processor_.skipSizingPasses();
    return 0;
  }
  int repetition = 1;
  for (;; ++repetition) {
    diagnostics_.setPass(PassKind::sizing, repetition);
    processor_.beginPass(Pass::sizing, repetition);
    replay(nullptr, Replay::sizing);
    processor_.finishPass();
    if (!processor_.layoutMoved() || repetition == kMaxSizingRepetitions) break;
  }
  return repetition;
}

void PassRunner::runFinalPass(StatementSink* sink, long optionLines) {
  diagnostics_.setPass(PassKind::final);
  processor_.beginPass(Pass::final);
  processor_.setSink(sink);
  for (long line = 1; line <= optionLines; ++line) {
    // The option lines hold no statement; the listing still shows them before their messages.
    if (sink) {
      EmittedStatement optionLine;
      optionLine.line = line;
      sink->statement(optionLine);
    }
    diagnostics_.flushMessages(0, line);
  }
  replay(sink, Replay::last);
  processor_.finishPass();
  processor_.setSink(nullptr);
  diagnostics_.flushRemaining();
}

void PassRunner::replay(StatementSink* sink, Replay kind) {
  TokenFileReader reader(tokenFile_, diagnostics_);
  reader.rewind();
  if (kind == Replay::last) reader.releaseAsRead();
  TokenRecord record;
  while (true) {
    switch (reader.next(record)) {
      case TokenRecordKind::statement: {
        std::span<Token> tokens(record.tokenStorage.data(), record.tokenCount);
        processor_.process(record.fileIndex, record.line, tokens, record.failed);
        if (kind == Replay::last) diagnostics_.flushMessages(record.fileIndex, record.line);
        break;
      }
      case TokenRecordKind::includeEnter:
        if (sink) sink->includeEntered(record.fileIndex);
        break;
      case TokenRecordKind::includeLeave:
        if (sink) sink->includeLeft();
        break;
      case TokenRecordKind::end:
        return;
    }
  }
}

}  // namespace kz::assembler
