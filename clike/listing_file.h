#pragma once
// The listing: every source line with its numbers, each message after the line it arises
// on, then the reports and the summary, in pages. Written to a file, or to standard output
// for "-lf con". Every line goes through one place that starts a page when the page is full
// and breaks a line that is wider than the page.
#include <cstdio>
#include <string>
#include <string_view>

#include "clike/listing_sink.h"

namespace kz::clike {

// What the page headers show.
struct ListingLayout {
  std::string fileName;     // the listing's name without its directory
  std::string programPath;  // as invoked
  std::string commandText;  // as read, argument files inserted
  std::string dateText;     // the 24-character date and time of the run
  int pageLength = 0;       // 0: one header only
  int pageWidth = 0;        // 0: lines are not broken
};

class ListingFile final : public ListingSink {
 public:
  // An empty name writes to `console`.
  ListingFile(std::string name, std::FILE* console);
  ~ListingFile() override;

  bool open();
  void setLayout(ListingLayout layout) { layout_ = std::move(layout); }
  void sourceLine(const SourceLineInfo& line) override;
  void messageLine(std::string_view text) override;
  // The source has been listed: later pages have no column heading.
  void endSource() { listingSource_ = false; }
  // One line of a report (without its line end), paged; not broken at the width.
  void reportLine(std::string_view text);
  void writeSummary(unsigned errors, unsigned warnings, unsigned registerWarnings);
  // False when a write or the close failed.
  bool close();
  bool writeFailed() const { return stream_ && std::ferror(stream_) != 0; }

  const std::string& name() const { return name_; }
  bool toConsole() const { return name_.empty(); }
  int pageWidth() const { return layout_.pageWidth; }

 private:
  // One written line (without its line end), after a header when one is due.
  void put(std::string_view text);
  void header();
  void write(std::string_view bytes) { std::fwrite(bytes.data(), 1, bytes.size(), stream_); }

  std::string name_;
  std::FILE* console_;
  std::FILE* stream_ = nullptr;
  ListingLayout layout_;
  std::string line_;
  int page_ = 0;  // the page being written; 0 before the first header
  int lineCount_ = 0;
  bool listingSource_ = true;
  bool failed_ = false;  // a write failed: nothing more is written
};

}  // namespace kz::clike
