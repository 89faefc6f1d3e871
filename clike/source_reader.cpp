#include "clike/source_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "clike/fatal.h"
#include "common/file_mapping.h"
#include "common/host_path.h"

namespace kz::clike {
namespace {

constexpr char kEndOfFileMark = 26;
constexpr std::size_t kGrowth = 64 * 1024;  // the first size of a file whose size is unknown

// The first line feed of the `size` bytes at `text`, or nullptr. Most lines are short: the
// bytes are compared sixteen at a time where the processor compares them side by side,
// which is quicker for them than a call of the library.
const char* findLineFeed(const char* text, std::size_t size) {
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

}  // namespace

struct SourceReader::Level {
  std::string name;
  int fd = -1;  // open until the file is read
  long line = 0;
  std::size_t capacity = 0;  // the size the file is read with first
  // The file's bytes up to its end or its end-of-file mark, then at least kLinePadding + 1
  // bytes that may be read, the first of them zero. Either read into `buffer` or the file
  // mapped privately: a mapped file's pages are the system's file cache, not fresh memory,
  // and only a page where a byte is written (a carriage return before a line end) is copied.
  char* text = nullptr;
  std::unique_ptr<char[]> buffer;
  FileMapping mapping;
  std::size_t size = 0;
  std::size_t next = 0;  // first byte not yet handed out

  ~Level() {
    if (fd >= 0) ::close(fd);
  }
};

SourceReader::SourceReader(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

SourceReader::~SourceReader() = default;

long SourceReader::lineNumber() const { return levels_.empty() ? 0 : levels_.back()->line; }

const std::string& SourceReader::fileName() const {
  return levels_.empty() ? mainName_ : levels_.back()->name;
}

void SourceReader::push(const std::string& name) {
  std::string path = withHostSeparators(name);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  if (fd >= 0 && (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode))) {
    ::close(fd);
    fd = -1;
  }
  if (fd < 0) raiseFatal(Message::cantOpen, name);
  auto level = std::make_unique<Level>();
  level->name = name;
  level->fd = fd;
  // A regular file is read in one piece of its size (and a byte more, so that its end is
  // seen without growing); anything else grows block by block.
  level->capacity = S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) + 1 : 0;
  levels_.push_back(std::move(level));
}

// Maps a regular file whose last page has room for the zero byte and the padding behind its
// text (the system fills the rest of that page with zero bytes). False where the file is
// left to be read.
bool SourceReader::mapWhole(Level& level) {
  struct stat info {};
  if (::fstat(level.fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  auto fileSize = static_cast<std::size_t>(info.st_size);
  if (fileSize > kMaxSourceBytes || !level.mapping.map(level.fd, fileSize)) return false;
  char* text = level.mapping.data();
  std::size_t size = fileSize;
  if (const void* mark = std::memchr(text, kEndOfFileMark, fileSize)) {
    size = static_cast<std::size_t>(static_cast<const char*>(mark) - text);
  }
  if (kLinePadding + 1 > fileSize - size + FileMapping::roomAfter(fileSize)) {
    level.mapping.unmap();
    return false;
  }
  if (size < fileSize) text[size] = '\0';
  level.text = text;
  level.size = size;
  return true;
}

// Reads to the end of the file, or to its end-of-file mark, and puts the zero bytes behind.
// This waits for the first line, not the opening: the outputs are open by then.
void SourceReader::readWhole(Level& level) {
  if (!mapWhole(level)) readIntoBuffer(level);
  ::close(level.fd);
  level.fd = -1;
}

void SourceReader::readIntoBuffer(Level& level) {
  std::size_t capacity = level.capacity;
  level.buffer = std::make_unique_for_overwrite<char[]>(capacity + kLinePadding + 1);
  std::size_t size = 0;
  std::size_t lineStart = 0;  // where the last line read so far starts
  while (true) {
    if (size == capacity) {
      // Room for one more byte at least: a file may have grown since its size was taken.
      std::size_t larger = std::max<std::size_t>(capacity * 2, kGrowth);
      auto text = std::make_unique_for_overwrite<char[]>(larger + kLinePadding + 1);
      std::memcpy(text.get(), level.buffer.get(), size);
      level.buffer = std::move(text);
      capacity = larger;
    }
    ssize_t count = ::read(level.fd, level.buffer.get() + size, capacity - size);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) diagnostics_.reportFatal(Message::cantRead, level.name);
    if (count == 0) break;
    const char* read = level.buffer.get() + size;
    size += static_cast<std::size_t>(count);
    if (const void* feed = ::memrchr(read, '\n', static_cast<std::size_t>(count))) {
      lineStart = static_cast<std::size_t>(static_cast<const char*>(feed) - level.buffer.get()) + 1;
    }
    // A line already too long ends the compilation when it is reached: what follows it is
    // never used, and a device that sends no line end is not read without end.
    if (size - lineStart > kMaxLineLength + 1) break;
    if (size > kMaxSourceBytes) diagnostics_.reportFatal(Message::cantRead, level.name);
  }
  if (const void* mark = std::memchr(level.buffer.get(), kEndOfFileMark, size)) {
    size = static_cast<std::size_t>(static_cast<const char*>(mark) - level.buffer.get());
  }
  std::memset(level.buffer.get() + size, 0, kLinePadding + 1);
  level.text = level.buffer.get();
  level.size = size;
}

void SourceReader::openMain(const std::string& name) {
  mainName_ = name;
  push(name);
}

void SourceReader::enterInclude(const std::string& name) {
  if (depth() >= kMaxIncludeDepth) diagnostics_.reportFatal(Message::includeNestTooDeep, name);
  push(name);
}

// Messages from here on name the enclosing file: the left one's name is gone.
void SourceReader::leaveInclude() {
  if (levels_.size() <= 1) return;
  levels_.pop_back();
  diagnostics_.beginLine(&levels_.back()->name, levels_.back()->line);
}

void SourceReader::closeAll() { levels_.clear(); }

SourceReader::LineResult SourceReader::nextLine(std::string_view& text) {
  Level& level = *levels_.back();
  if (!level.text) readWhole(level);
  if (level.next == level.size) return LineResult::endOfFile;
  char* start = level.text + level.next;
  std::size_t available = level.size - level.next;
  const char* feed = findLineFeed(start, available);
  std::size_t length =
      feed ? static_cast<std::size_t>(feed - start) : available;  // a last line without a line end
  level.next += feed ? length + 1 : length;
  // The line ends at its line feed, at the zero byte behind the text, or at a carriage
  // return before either, which becomes a zero byte.
  if (length > 0 && start[length - 1] == '\r') start[--length] = '\0';
  ++level.line;
  ++totalLines_;
  diagnostics_.beginLine(&level.name, level.line);
  if (length > kMaxLineLength) diagnostics_.reportFatal(Message::sourceLineTooLong);
  text = std::string_view(start, length);
  if (listing_) listing_->sourceLine({text, level.line, totalLines_, depth()});
  return LineResult::line;
}

}  // namespace kz::clike
