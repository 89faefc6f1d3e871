#pragma once
// The listing: every source line with its numbers, each message after the line it arises
// on, and the summary at the end. Written to a file, or to standard output for "-lf con".
#include <cstdio>
#include <string>

#include "clike/listing_sink.h"

namespace kz::clike {

class ListingFile final : public ListingSink {
 public:
  // An empty name writes to `console`.
  ListingFile(std::string name, std::FILE* console);
  ~ListingFile() override;

  bool open();
  void sourceLine(const SourceLineInfo& line) override;
  void messageLine(std::string_view text) override;
  void writeSummary(unsigned errors, unsigned warnings, unsigned registerWarnings);
  // False when a write or the close failed.
  bool close();
  bool writeFailed() const { return stream_ && std::ferror(stream_) != 0; }

  const std::string& name() const { return name_; }
  bool toConsole() const { return name_.empty(); }

 private:
  std::string name_;
  std::FILE* console_;
  std::FILE* stream_ = nullptr;
  std::string line_;
};

}  // namespace kz::clike
