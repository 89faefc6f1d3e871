#include "clike/source_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "clike/fatal.h"
#include "common/file_mapping.h"
#include "common/host_path.h"

namespace kz::clike {
namespace {

constexpr char kEndOfFileMark = 26;
constexpr std::size_t kGrowth = 64 * 1024;  // the first size of a file whose size is unknown

}  // namespace

SourceReader::Level::~Level() {
  if (fd >= 0) ::close(fd);
}

SourceReader::SourceReader(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

SourceReader::~SourceReader() = default;

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
  setTop();
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
  setTop();
  diagnostics_.beginLine(&levels_.back()->name, levels_.back()->line);
}

void SourceReader::closeAll() {
  levels_.clear();
  setTop();
}

SourceReader::LineResult SourceReader::endOfText(Level& level, std::string_view& text) {
  if (level.text) return LineResult::endOfFile;
  readWhole(level);
  return nextLine(text);
}

void SourceReader::listLine(const Level& level, std::string_view text) {
  listing_->sourceLine({text, level.line, totalLines_, depth()});
}

}  // namespace kz::clike
