#pragma once
// The source file and its include files, each read whole when its first line is asked for
// and handed out one line at a time. Every level of the include stack keeps its own text, name and
// line number; the innermost level's line is the one messages show. A line handed out stays in
// place while its file is open, and its last byte is followed by a line feed or a zero byte
// and at least kLinePadding more bytes that may be read: the lexer scans up to that byte
// without counting, and reads a short word as one number.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "clike/diagnostics.h"
#include "clike/listing_sink.h"

namespace kz::clike {

class SourceReader {
 public:
  static constexpr std::size_t kMaxLineLength = 1022;
  static constexpr int kMaxIncludeDepth = 8;  // include files below the main source
  static constexpr std::size_t kLinePadding = 8;
  // A source longer than this is refused as unreadable: a pipe or a device without end would
  // otherwise take all memory.
  static constexpr std::size_t kMaxSourceBytes = std::size_t{1} << 30;

  enum class LineResult : std::uint8_t { line, endOfFile };

  explicit SourceReader(Diagnostics& diagnostics);
  ~SourceReader();
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;

  void setListing(ListingSink* listing) { listing_ = listing; }

  // Fatal 20 when the file cannot be opened.
  void openMain(const std::string& name);
  // Fatal 129 beyond eight nested include files, 20 when the file cannot be opened.
  void enterInclude(const std::string& name);
  // Closes the innermost include file; reading goes on in the file that included it.
  void leaveInclude();
  void closeAll();

  // The next line of the innermost file (valid while that file is open), or endOfFile at
  // its end or at an end-of-file mark (character 26). Fatal 123 for a line longer than
  // 1022 characters.
  LineResult nextLine(std::string_view& text);

  int depth() const { return static_cast<int>(levels_.size()) - 1; }
  bool open() const { return !levels_.empty(); }
  long lineNumber() const;
  const std::string& fileName() const;
  const std::string& mainName() const { return mainName_; }
  long totalLines() const { return totalLines_; }

 private:
  struct Level;
  void push(const std::string& name);
  void readWhole(Level& level);
  bool mapWhole(Level& level);
  void readIntoBuffer(Level& level);

  Diagnostics& diagnostics_;
  ListingSink* listing_ = nullptr;
  std::vector<std::unique_ptr<Level>> levels_;
  std::string mainName_;
  long totalLines_ = 0;
};

}  // namespace kz::clike
