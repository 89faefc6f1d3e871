#pragma once
// The source file and its include files, read in blocks of whole lines. One file is open at a
// time: entering an include closes the parent, and leaving it reopens the parent and seeks
// back to the line after the include statement. The same reader serves the option pre-scan,
// pass 1 and the final pass, which re-reads the text for the listing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/reporter.h"
#include "asm/run_options.h"

namespace kz::assembler {

enum class IncludeForm : std::uint8_t { quoted, angled };

// Pass 1 and the pre-scan count lines in `line`; the listing re-read counts in `listingLine`,
// so the numbers pass 1 reached stay available while the listing is written.
enum class ReadPurpose : std::uint8_t { statements, listing };

// One record of the source file table (`sourceFiles`); index 0 is the main source.
struct SourceFile {
  std::string name;      // as found by the include search; messages show this name
  std::string path;      // the name with host separators: what is opened
  std::string fullPath;  // absolute, with "." and ".." folded: identifies the file
  long line = 0;
  long listingLine = 0;
  std::uint64_t parentPosition = 0;  // byte offset in the parent of the line after the include
  bool open = false;                 // open in the current nesting chain
};

struct SourceLine {
  std::string_view text;       // without its line end; valid until the next nextLine()
  std::uint64_t position = 0;  // byte offset of the line in its file
};

class SourceReader {
 public:
  static constexpr std::size_t kBlockSize = 16384;
  static constexpr std::size_t kMaxFiles = 99;
  static constexpr int kMaxDepth = 8;  // include levels below the main source
  static constexpr std::size_t kMaxIncludeNameLength = 259;
  // A longer line is fatal 152: no source of a person or a compiler has one, and the buffer
  // must not grow without bound on a file that has no line ends.
  static constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;

  SourceReader(const RunOptions& options, Reporter& reporter);
  ~SourceReader();
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;

  // Opens runOptions.sourceFileName as file 0 (fatal 20 when it cannot be opened, 102 when
  // it is not a regular file).
  void openMainSource();

  // The next line of the current file; at the end of an include file the parent is resumed.
  // Returns false at the end of the main source.
  bool nextLine(SourceLine& line);
  void skipLines(long count);

  // Enters the file of an include statement; call it after the statement's last line was
  // read. Returns the file index, or nothing when the statement drew an error (200, 204,
  // 234, 236 for a device or any other file that is not a regular file). Fatal 20 when no file is
  // found, 158 for a name too long, 161 for a 100th file.
  std::optional<int> enterInclude(std::string_view name, IncludeForm form);
  // Enters a file found earlier, without any check: for replays such as the listing.
  void reenterInclude(int fileIndex);

  // Back to the first line of the main source.
  void rewindSource(ReadPurpose purpose = ReadPurpose::statements);

  // How many include files were left since the last call.
  int takeLeftIncludes();

  int fileIndex() const { return chain_.empty() ? 0 : chain_.back(); }
  long lineNumber() const {
    if (chain_.empty()) return 0;
    const SourceFile& file = files_[static_cast<std::size_t>(chain_.back())];
    return purpose_ == ReadPurpose::listing ? file.listingLine : file.line;
  }
  int depth() const { return chain_.empty() ? 0 : static_cast<int>(chain_.size()) - 1; }
  // Lines read so far in this reading, across all files.
  long totalLines() const { return totalLines_; }
  const std::vector<SourceFile>& files() const { return files_; }

 private:
  bool takeBufferedLine(SourceLine& line);
  void fillBuffer();
  void openAt(int fileIndex, std::uint64_t position);
  void closeCurrent();
  void leaveInclude();
  void pushInclude(int fileIndex);
  std::optional<std::string> searchInclude(const std::string& name, IncludeForm form) const;
  int openChainIndexOf(const SourceFile& candidate) const;
  int recordFor(SourceFile&& candidate);
  long& lineCounter(SourceFile& file);

  const RunOptions& options_;
  Reporter& reporter_;
  std::vector<SourceFile> files_;
  std::vector<int> chain_;  // file indices from the main source to the current file
  std::string mainDirectory_;
  ReadPurpose purpose_ = ReadPurpose::statements;
  long totalLines_ = 0;
  int leftIncludes_ = 0;

  int fd_ = -1;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;             // first unread byte
  std::size_t end_ = 0;               // end of the bytes read
  std::size_t searched_ = 0;          // bytes after begin_ known to hold no line feed
  std::uint64_t bufferPosition_ = 0;  // file offset of buffer_[0]
  bool fileEnded_ = false;            // end of file or Ctrl-Z reached
};

}  // namespace kz::assembler
