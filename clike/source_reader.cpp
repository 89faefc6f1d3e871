#include "clike/source_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "clike/fatal.h"
#include "common/host_path.h"

namespace kz::clike {
namespace {

constexpr char kEndOfFileMark = 26;

}  // namespace

struct SourceReader::Level {
  std::string name;
  int fd = -1;
  long line = 0;
  std::vector<char> buffer;
  std::size_t begin = 0;  // first byte not yet handed out
  std::size_t end = 0;    // end of the bytes read
  bool ended = false;     // end of file or end-of-file mark reached

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
  level->buffer.resize(kBlockSize);
  levels_.push_back(std::move(level));
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

// Moves the unread bytes to the front and reads behind them. Returns false at the end.
bool SourceReader::fill(Level& level) {
  if (level.ended) return false;
  if (level.begin > 0) {
    std::memmove(level.buffer.data(), level.buffer.data() + level.begin, level.end - level.begin);
    level.end -= level.begin;
    level.begin = 0;
  }
  ssize_t count;
  do {
    count = ::read(level.fd, level.buffer.data() + level.end, level.buffer.size() - level.end);
  } while (count < 0 && errno == EINTR);
  if (count < 0) diagnostics_.reportFatal(Message::cantRead, level.name);
  if (count == 0) {
    level.ended = true;
    return false;
  }
  char* fresh = level.buffer.data() + level.end;
  if (void* mark = std::memchr(fresh, kEndOfFileMark, static_cast<std::size_t>(count))) {
    count = static_cast<char*>(mark) - fresh;
    level.ended = true;
  }
  level.end += static_cast<std::size_t>(count);
  return true;
}

SourceReader::LineResult SourceReader::nextLine(std::string_view& text) {
  Level& level = *levels_.back();
  std::size_t lineEnd;
  while (true) {
    const char* start = level.buffer.data() + level.begin;
    std::size_t available = level.end - level.begin;
    if (const void* feed = std::memchr(start, '\n', available)) {
      lineEnd = static_cast<std::size_t>(static_cast<const char*>(feed) - level.buffer.data());
      break;
    }
    // No line end within a line's greatest length and its CR: the line is too long.
    if (available > kMaxLineLength + 1) {
      ++level.line;
      diagnostics_.beginLine(&level.name, level.line);
      diagnostics_.reportFatal(Message::sourceLineTooLong);
    }
    if (!fill(level)) {
      if (level.begin == level.end) return LineResult::endOfFile;
      lineEnd = level.end;  // a last line without a line end
      break;
    }
  }
  const char* start = level.buffer.data() + level.begin;
  std::size_t length = lineEnd - level.begin;
  level.begin = lineEnd < level.end ? lineEnd + 1 : lineEnd;
  if (length > 0 && start[length - 1] == '\r') --length;
  ++level.line;
  ++totalLines_;
  diagnostics_.beginLine(&level.name, level.line);
  if (length > kMaxLineLength) diagnostics_.reportFatal(Message::sourceLineTooLong);
  text = std::string_view(start, length);
  if (listing_) listing_->sourceLine({text, level.line, totalLines_, depth()});
  return LineResult::line;
}

}  // namespace kz::clike
