#pragma once
// One run of the assembler, from the arguments to the exit status.
#include <cstdio>
#include <memory>
#include <string>

#include "asm/console.h"
#include "asm/diagnostics.h"
#include "asm/listing_file.h"
#include "asm/object_writer.h"
#include "asm/options.h"
#include "asm/run_options.h"
#include "asm/source_reader.h"
#include "asm/statement_processor.h"
#include "asm/symbols.h"
#include "common/handover.h"
#include "common/work_file.h"

namespace kz::assembler {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitErrors = 16;
inline constexpr int kExitVersionOnly = kFileFatalStatus;

class Assembler {
 public:
  Assembler(ProgramEnvironment environment, Console console);
  ~Assembler();

  // Runs every step and returns the exit status. Never throws for diagnostics.
  int run();

  const RunOptions& options() const { return options_; }
  // After run(): the module as assembled, for tests.
  const SymbolTable* symbols() const { return symbols_.get(); }
  const std::string& moduleName() const { return moduleName_; }
  // Receives every statement of the final pass (tests; the object writer and listing).
  void setStatementSink(StatementSink* sink) { extraSink_ = sink; }
  const std::string& commandLineText() const { return commandLineText_; }

 private:
  // Returns false when the run ends early with the version banner only.
  bool startUp();
  void scanOptionLines();
  void createWorkFiles();
  void runPass1AndSizing();
  void openOutputs();
  void runFinalPass();
  void appendSymbolListing();
  int finish();
  void abortRun();
  void printBannerOnce();
  bool bannerAllowed() const { return !options_.quiet || options_.verbose; }
  std::unique_ptr<WorkFile> makeWorkFile(const char* prefix);

  ProgramEnvironment environment_;
  Console console_;
  RunOptions options_;
  // Shared by the command line and the option lines: a setting the command line fixed is
  // refused in an option line.
  OptionSettings settings_{options_};
  std::string commandLineText_;
  std::string workDirectory_;
  std::unique_ptr<Diagnostics> diagnostics_;
  bool bannerPrinted_ = false;
  long optionLines_ = 0;
  bool lineWidthGiven_ = false;
  std::string moduleName_;

  std::unique_ptr<SourceReader> reader_;
  std::unique_ptr<SymbolTable> symbols_;
  std::unique_ptr<StatementProcessor> processor_;
  StatementSink* extraSink_ = nullptr;
  std::unique_ptr<WorkFile> tokenFile_;
  std::unique_ptr<WorkFile> referenceFile_;
  std::unique_ptr<WorkFile> sizingWorkFile_;
  std::unique_ptr<ListingFile> listing_;
  std::unique_ptr<ObjectWriter> object_;
  std::FILE* errorFile_ = nullptr;
  bool errorFileIsConsole_ = false;
  bool errorFileCreated_ = false;
};

}  // namespace kz::assembler
