#pragma once
// The assembly listing file. Paging, headers and source lines grow here; for now it holds
// the message lines and the closing summary.
#include <cstdio>
#include <string>

#include "asm/listing_sink.h"
#include "asm/run_options.h"

namespace kz::assembler {

class ListingFile final : public ListingSink {
public:
  // name is the listing file name; a console device name writes to standardOutput.
  ListingFile(const RunOptions& options, std::string name, std::FILE* standardOutput);
  ~ListingFile() override;

  // Creates the file ("wb"). Returns false when it cannot be created.
  bool open();
  // Closes the file. Returns false when the close failed.
  bool close();
  const std::string& name() const { return name_; }

  void writeMessageLine(std::string_view text) override;
  void writeSummary(int errorCount, int warningCount) override;

private:
  void writeLine(std::string_view text);

  const RunOptions& options_;
  std::string name_;
  std::FILE* standardOutput_;
  std::FILE* stream_ = nullptr;
  bool toConsole_ = false;
  long bodyLines_ = 0;
};

}  // namespace kz::assembler
