#pragma once
// The assembly listing file. The final pass hands it every line of the source as a statement
// (the option lines at the top as empty ones); it reads the line's text again through the
// run's source reader, lists it with its location, object bytes and line numbers, and the
// diagnostics then write the line's messages after it. $LIST/$NOLIST/$SAVE/$RESTORE decide
// which statement lines are shown (messages always are); $EJECT and $TITLE start a new page
// before the next statement line of a paged listing. The closing summary and the symbol
// table listing end the file.
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "asm/cross_reference.h"
#include "asm/diagnostics.h"
#include "asm/listing_pager.h"
#include "asm/listing_sink.h"
#include "asm/run_options.h"
#include "asm/source_reader.h"
#include "asm/statement_output.h"
#include "asm/symbols.h"
#include "common/work_file.h"

namespace kz::assembler {

class ListingFile final : public ListingSink, public StatementSink {
 public:
  // name is the listing file name; a console device name writes to standardOutput.
  // lineWidthGiven: -lw was given, so the width cuts the title and folds long source lines.
  ListingFile(const RunOptions& options, std::string name, std::FILE* standardOutput,
              bool lineWidthGiven = false);
  ~ListingFile() override;

  // Creates the file ("wb"). Returns false when it cannot be created.
  bool open();
  // Closes the file. Returns false when the close failed.
  bool close();
  const std::string& name() const { return name_; }

  // Before the final pass: the source is read again from its first line.
  void beginFinalPass(SourceReader& reader, const SymbolTable& symbols);
  void statement(const EmittedStatement& statement) override;
  void includeEntered(int fileIndex) override;
  void writeMessageLine(std::string_view text) override;

  // After the final pass: the sort table of the symbol listing (warning 550 when it cannot
  // be had), then the closing summary.
  void endFinalPass(Diagnostics& diagnostics, const std::string& moduleName);
  void writeSummary(int errorCount, int warningCount) override;
  // The symbol table or cross-reference listing, unless -ls. references: the work file TS.
  void appendSymbolTable(WorkFile& references, bool diskWorkFile);

  // Tests: a sort table of more rows than this cannot be had.
  void setSortTableLimit(std::size_t rows) { sortTableLimit_ = rows; }

 private:
  bool wantsSymbolTable() const;
  void followControl(const EmittedStatement& statement);
  void listStatement(const EmittedStatement& statement, std::string_view text, long runningCount);
  bool isLabelLine(const EmittedStatement& statement) const;
  void writeBodyLine(std::string_view text);

  const RunOptions& options_;
  std::string name_;
  std::FILE* standardOutput_;
  bool lineWidthGiven_;
  std::FILE* stream_ = nullptr;
  bool toConsole_ = false;
  std::unique_ptr<ListingPager> pager_;
  int columnHeaderPage_ = 0;

  SourceReader* reader_ = nullptr;
  const SymbolTable* symbols_ = nullptr;
  std::unordered_set<std::uint64_t> labelLines_;  // file index and line of each label
  bool listOn_ = true;
  std::vector<bool> savedListOn_;
  RunningLineMap runningLines_;

  std::unique_ptr<SymbolListing> symbolListing_;
  std::size_t sortTableLimit_ = std::numeric_limits<std::size_t>::max();
};

}  // namespace kz::assembler
