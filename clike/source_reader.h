#pragma once
// The source file and its include files, each read whole when its first line is asked for
// and handed out one line at a time. Every level of the include stack keeps its own text, name and
// line number; the innermost level's line is the one messages show. A line handed out stays in
// place while its file is open, and its last byte is followed by a line feed or a zero byte
// and at least kLinePadding more bytes that may be read: the lexer scans up to that byte
// without counting, and reads a short word as one number.
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "clike/diagnostics.h"
#include "clike/listing_sink.h"
#include "common/file_mapping.h"

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
  [[gnu::always_inline]] LineResult nextLine(std::string_view& text) {
    Level& level = *top_;
    if (level.next == level.size) [[unlikely]]
      return endOfText(level, text);
    char* start = level.text + level.next;
    std::size_t available = level.size - level.next;
    const char* feed = findLineFeed(start, available);
    std::size_t length = feed ? static_cast<std::size_t>(feed - start) : available;
    level.next += length + (feed != nullptr);  // a last line may have no line end
    // The line ends at its line feed, at the zero byte behind the text, or at a carriage
    // return before either, which becomes a zero byte.
    if (length > 0 && start[length - 1] == '\r') start[--length] = '\0';
    text = std::string_view(start, length);
    lineFound(level, text);
    return LineResult::line;
  }

  int depth() const { return depth_; }
  bool open() const { return !levels_.empty(); }
  long lineNumber() const { return top_ ? top_->line : 0; }
  const std::string& fileName() const;
  const std::string& mainName() const { return mainName_; }
  long totalLines() const { return totalLines_; }

 private:
  struct Level {
    std::string name;
    int fd = -1;  // open until the file is read
    long line = 0;
    std::size_t capacity = 0;  // the size the file is read with first
    // The file's bytes up to its end or its end-of-file mark, then at least kLinePadding + 1
    // bytes that may be read, the first of them zero. Either read into `buffer` or the file
    // mapped privately: a mapped file's pages are the system's file cache, not fresh memory,
    // and only a page where a byte is written (a carriage return before a line end) is
    // copied.
    char* text = nullptr;
    std::unique_ptr<char[]> buffer;
    FileMapping mapping;
    std::size_t size = 0;
    std::size_t next = 0;  // first byte not yet handed out; size and next stay 0 until read

    ~Level();
  };
  // The first line feed of the `size` bytes at `text`, or nullptr. Most lines are short: the
  // bytes are compared sixteen at a time where the processor compares them side by side,
  // which is quicker for them than a call of the library.
  static const char* findLineFeed(const char* text, std::size_t size) {
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    for (; size >= 16; text += 16, size -= 16) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
      if (int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feed)))
        return text + std::countr_zero(static_cast<unsigned>(mask));
    }
#endif
    return static_cast<const char*>(std::memchr(text, '\n', size));
  }
  void push(const std::string& name);
  // The end of a level's text, or its first line when the file is not read yet.
  [[gnu::noinline]] LineResult endOfText(Level& level, std::string_view& text);
  void lineFound(Level& level, std::string_view text) {
    ++level.line;
    ++totalLines_;
    diagnostics_.beginLine(&level.name, level.line);
    if (text.size() > kMaxLineLength) [[unlikely]]
      diagnostics_.reportFatal(Message::sourceLineTooLong);
    if (listing_) [[unlikely]]
      listLine(level, text);
  }
  [[gnu::cold]] void listLine(const Level& level, std::string_view text);
  void setTop() {
    top_ = levels_.empty() ? nullptr : levels_.back().get();
    depth_ = static_cast<int>(levels_.size()) - 1;
  }
  void readWhole(Level& level);
  bool mapWhole(Level& level);
  void readIntoBuffer(Level& level);

  Diagnostics& diagnostics_;
  ListingSink* listing_ = nullptr;
  std::vector<std::unique_ptr<Level>> levels_;
  Level* top_ = nullptr;  // levels_.back()
  int depth_ = -1;        // levels_.size() - 1
  std::string mainName_;
  long totalLines_ = 0;
};

}  // namespace kz::clike
