#pragma once
// One run of the compiler, from the arguments to the exit status: the command line, the
// files, compiling through the preprocessor's token stream, the assembly output, the end.
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>

#include "clike/body_text.h"
#include "clike/console.h"
#include "clike/diagnostics.h"
#include "clike/listing_file.h"
#include "clike/listing_references.h"
#include "clike/listing_reports.h"
#include "clike/parser.h"
#include "clike/preprocessor.h"
#include "clike/settings.h"
#include "clike/source_reader.h"
#include "clike/string_pool.h"
#include "clike/symbol_table.h"
#include "clike/work_files.h"
#include "common/fatal_error.h"
#include "common/handover.h"

namespace kz::clike {

class Compiler {
 public:
  static constexpr std::int32_t kFirstDebugNumber = 64;

  Compiler(ProgramEnvironment environment, Console console);
  ~Compiler();
  Compiler(const Compiler&) = delete;
  Compiler& operator=(const Compiler&) = delete;

  // Runs every step and returns the exit status. Never throws for diagnostics.
  int run();
  // The reports get no sort table for more than `entries` symbols, as when memory for it
  // runs out.
  void limitSortTable(std::size_t entries) { sortLimit_ = entries; }

  const RunSettings& settings() const { return settings_; }
  const std::string& moduleName() const { return moduleName_; }

 private:
  bool readCommandLine();
  void formNamesAndCheck();
  void createWorkFiles();
  void openFiles();
  std::string runDate() const;
  ListingLayout listingLayout() const;
  void compile();
  void endOfSource();
  void checkLabels();
  void writeOutput();
  void writeReports();
  int finish();
  int abortRun(const FatalError& fatal);
  void reportOpenBlocks();
  void closeErrorFile();
  IncludeSearch includeSearch() const;
  void printBannerOnce();

  ProgramEnvironment environment_;
  Console console_;
  RunSettings settings_;
  Diagnostics diagnostics_;
  bool bannerPrinted_ = false;

  std::string currentDirectory_;
  std::string workDirectory_;
  std::string moduleName_;
  std::string outputName_;
  std::string listingName_;

  StringPool strings_;
  SymbolTable symbols_;
  std::unique_ptr<SourceReader> reader_;
  std::unique_ptr<Preprocessor> preprocessor_;
  DiskWorkFile workFile1_;
  DiskWorkFile workFile2_;
  std::unique_ptr<ReferenceRecorder> references_;  // under -lx3
  std::unique_ptr<ListingFile> listing_;
  std::FILE* errorFile_ = nullptr;
  bool errorFileIsConsole_ = false;
  std::FILE* output_ = nullptr;
  bool outputOpen_ = false;
  bool outputCreated_ = false;  // the assembly file exists and is ours to remove
  std::int32_t debugNumbers_ = kFirstDebugNumber;
  std::unique_ptr<BodyText> body_;
  std::unique_ptr<CodeEmitter> emitter_;
  std::unique_ptr<Parser> parser_;
  std::unique_ptr<DebugInfo> debugInfo_;  // under -g
  CompiledModule compiled_;
  std::size_t sortLimit_ = std::numeric_limits<std::size_t>::max();
  std::unique_ptr<SymbolOrder> symbolOrder_;
  std::vector<const SymbolEntry*> undefinedLabels_;
};

}  // namespace kz::clike
