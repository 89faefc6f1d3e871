#pragma once
// What the diagnostics write into the assembly listing. The listing owns paging: it puts a
// page header (and the column header) before a message line when one is due, and decides
// where the closing summary goes.
#include <string_view>

namespace kz::assembler {

class ListingSink {
 public:
  virtual ~ListingSink() = default;
  // One message line, without its line end.
  virtual void writeMessageLine(std::string_view text) = 0;
  // The closing summary for the final counts.
  virtual void writeSummary(int errorCount, int warningCount) = 0;
};

}  // namespace kz::assembler
