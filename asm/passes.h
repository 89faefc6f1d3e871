#pragma once
// The passes over one source: pass 1 reads the source and records every line in the token
// file, the sizing passes replay it until nothing moves (at most eleven times), and the final
// pass replays it once more, handing each statement on and showing its messages.
#include "asm/diagnostics.h"
#include "asm/source_reader.h"
#include "asm/statement_processor.h"
#include "asm/token_file.h"

namespace kz::assembler {

class PassRunner {
 public:
  static constexpr int kMaxSizingRepetitions = StatementProcessor::kLastSizingRepetition;

  PassRunner(const RunOptions& options, Diagnostics& diagnostics, SourceReader& reader,
             WorkFile& tokenFile, StatementProcessor& processor)
      : options_(options),
        diagnostics_(diagnostics),
        reader_(reader),
        tokenFile_(tokenFile),
        processor_(processor) {}

  // Reads the source from the line after the option lines.
  void runPass1(long optionLines);
  // Returns how many sizing repetitions ran: none when pass 1 left nothing to settle.
  int runSizingPasses();
  // The option lines reach the sink as empty statements, each before its own messages.
  void runFinalPass(StatementSink* sink, long optionLines);

 private:
  // The last replay, the final pass's, shows the messages and lets the token file go as it
  // is read.
  enum class Replay { sizing, last };
  void replay(StatementSink* sink, Replay kind);

  const RunOptions& options_;
  Diagnostics& diagnostics_;
  SourceReader& reader_;
  WorkFile& tokenFile_;
  StatementProcessor& processor_;
};

}  // namespace kz::assembler
