#include "asm/source_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "common/host_path.h"

namespace kz::assembler {
namespace {

constexpr char kCtrlZ = 0x1A;

// Directories with the include's name are passed over by the search.
bool isFileNotDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

SourceFile describeFile(std::string name) {
  SourceFile file;
  file.path = withHostSeparators(name);
  file.fullPath = resolveFullPath(file.path).value_or(file.path);
  file.name = std::move(name);
  return file;
}

// Every file is read more than once (option scan, pass 1, listing, the parent of an
// include), which only a regular file allows.
bool isRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool sameSourceFile(const SourceFile& a, const SourceFile& b) {
  return a.fullPath == b.fullPath || sameFile(a.fullPath, b.fullPath);
}

}  // namespace

SourceReader::SourceReader(const RunOptions& options, Reporter& reporter)
    : options_(options), reporter_(reporter), buffer_(kBlockSize) {
  files_.reserve(kMaxFiles);
}

SourceReader::~SourceReader() {
  if (fd_ >= 0) ::close(fd_);
}

void SourceReader::openMainSource() {
  mainDirectory_ = directoryOf(withHostSeparators(options_.sourceFileName));
  files_.clear();
  files_.push_back(describeFile(options_.sourceFileName));
  files_[0].open = true;
  chain_.assign(1, 0);
  openAt(0, 0);
}

long& SourceReader::lineCounter(SourceFile& file) {
  return purpose_ == ReadPurpose::listing ? file.listingLine : file.line;
}

bool SourceReader::nextLine(SourceLine& line) {
  if (fd_ < 0) return false;
  for (;;) {
    if (takeBufferedLine(line)) {
      ++lineCounter(files_[static_cast<std::size_t>(chain_.back())]);
      ++totalLines_;
      return true;
    }
    if (!fileEnded_) {
      fillBuffer();
    } else if (chain_.size() > 1) {
      leaveInclude();
    } else {
      return false;
    }
  }
}

bool SourceReader::takeBufferedLine(SourceLine& line) {
  if (begin_ == end_) return false;
  const char* start = buffer_.data() + begin_;
  std::size_t available = end_ - begin_;
  // The bytes of a partial line searched before are not searched again.
  const void* lineFeed = std::memchr(start + searched_, '\n', available - searched_);
  std::size_t length = available;
  if (lineFeed) {
    length = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start);
  } else if (!fileEnded_) {
    searched_ = available;
    return false;  // a partial line: the next block completes it
  }
  searched_ = 0;
  line.position = bufferPosition_ + begin_;
  begin_ += lineFeed ? length + 1 : length;
  if (length > 0 && start[length - 1] == '\r') --length;
  line.text = std::string_view(start, length);
  return true;
}

// Keeps the unread partial line at the front and reads the next block behind it; a line
// longer than the buffer grows it by one block.
void SourceReader::fillBuffer() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    bufferPosition_ += begin_;
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) {
    if (buffer_.size() >= kMaxLineLength) {
      reporter_.fatal(Message::illegalSourceFormat,
                      files_[static_cast<std::size_t>(chain_.back())].name);
    }
    buffer_.resize(buffer_.size() + kBlockSize);
  }
  char* target = buffer_.data() + end_;
  std::size_t wanted = buffer_.size() - end_;
  std::size_t got = 0;
  while (got < wanted) {
    ssize_t count = ::read(fd_, target + got, wanted - got);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0)
      reporter_.fatal(Message::cantRead, files_[static_cast<std::size_t>(chain_.back())].name);
    if (count == 0) {
      fileEnded_ = true;
      break;
    }
    got += static_cast<std::size_t>(count);
  }
  if (const void* mark = std::memchr(target, kCtrlZ, got)) {
    got = static_cast<std::size_t>(static_cast<const char*>(mark) - target);
    fileEnded_ = true;
  }
  end_ += got;
}

void SourceReader::openAt(int fileIndex, std::uint64_t position) {
  const SourceFile& file = files_[static_cast<std::size_t>(fileIndex)];
  // Without O_NONBLOCK a pipe would block here before it could be told from a file.
  fd_ = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) reporter_.fatal(Message::cantOpen, file.name);
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(std::exchange(fd_, -1));
    reporter_.fatal(Message::fileMustBeDisk, file.name);
  }
  const std::string& name = file.name;
  if (position != 0 && ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
    reporter_.fatal(Message::cantSeek, name);
  }
  begin_ = end_ = searched_ = 0;
  bufferPosition_ = position;
  fileEnded_ = false;
}

void SourceReader::closeCurrent() {
  if (fd_ < 0) return;
  int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0)
    reporter_.fatal(Message::cantClose, files_[static_cast<std::size_t>(chain_.back())].name);
}

void SourceReader::leaveInclude() {
  SourceFile& file = files_[static_cast<std::size_t>(chain_.back())];
  closeCurrent();
  file.open = false;
  chain_.pop_back();
  ++leftIncludes_;
  openAt(chain_.back(), file.parentPosition);
}

void SourceReader::pushInclude(int fileIndex) {
  std::uint64_t resumeAt = bufferPosition_ + begin_;
  closeCurrent();
  SourceFile& file = files_[static_cast<std::size_t>(fileIndex)];
  file.parentPosition = resumeAt;
  file.open = true;
  lineCounter(file) = 0;
  chain_.push_back(fileIndex);
  openAt(fileIndex, 0);
}

std::optional<int> SourceReader::enterInclude(std::string_view name, IncludeForm form) {
  if (name.empty()) {
    reporter_.reportError(Message::invalidRelocatable);
    return std::nullopt;
  }
  if (name.size() > kMaxIncludeNameLength) reporter_.fatal(Message::stringTableOverflow);
  std::string normalized = withHostSeparators(name);
  if (deviceKindOf(normalized) != DeviceKind::none) {
    reporter_.reportError(Message::includeMustBeDisk);
    return std::nullopt;
  }
  std::optional<std::string> found = searchInclude(normalized, form);
  if (!found) reporter_.fatal(Message::cantOpen, name);
  SourceFile candidate = describeFile(std::move(*found));
  if (!isRegularFile(candidate.path)) {
    reporter_.reportError(Message::includeMustBeDisk);
    return std::nullopt;
  }
  if (openChainIndexOf(candidate) >= 0) {
    reporter_.reportError(Message::syntaxError);
    return std::nullopt;
  }
  if (depth() >= kMaxDepth) {
    reporter_.reportError(Message::nestingExceeded);
    return std::nullopt;
  }
  int index = recordFor(std::move(candidate));
  pushInclude(index);
  return index;
}

void SourceReader::reenterInclude(int fileIndex) { pushInclude(fileIndex); }

std::optional<std::string> SourceReader::searchInclude(const std::string& name,
                                                       IncludeForm form) const {
  if (isAbsoluteName(name) || hasDriveName(name)) {
    return isFileNotDirectory(name) ? std::optional<std::string>(name) : std::nullopt;
  }
  if (form == IncludeForm::quoted) {
    std::string path = mainDirectory_ + name;
    if (isFileNotDirectory(path)) return path;
  }
  for (const std::string& directory : options_.includeDirs) {
    std::string path = directory + name;
    if (isFileNotDirectory(path)) return path;
  }
  return std::nullopt;
}

int SourceReader::openChainIndexOf(const SourceFile& candidate) const {
  for (int index : chain_) {
    if (sameSourceFile(files_[static_cast<std::size_t>(index)], candidate)) return index;
  }
  return -1;
}

// One record per distinct file: an include seen before keeps its index.
int SourceReader::recordFor(SourceFile&& candidate) {
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (sameSourceFile(files_[i], candidate)) return static_cast<int>(i);
  }
  if (files_.size() >= kMaxFiles) reporter_.fatal(Message::outOfMemory);
  files_.push_back(std::move(candidate));
  return static_cast<int>(files_.size()) - 1;
}

void SourceReader::rewindSource(ReadPurpose purpose) {
  if (files_.empty()) return;
  closeCurrent();
  for (int index : chain_) files_[static_cast<std::size_t>(index)].open = false;
  purpose_ = purpose;
  chain_.assign(1, 0);
  files_[0].open = true;
  lineCounter(files_[0]) = 0;
  totalLines_ = 0;
  leftIncludes_ = 0;
  openAt(0, 0);
}

void SourceReader::skipLines(long count) {
  SourceLine line;
  for (long i = 0; i < count && nextLine(line); ++i) {
  }
}

int SourceReader::takeLeftIncludes() { return std::exchange(leftIncludes_, 0); }

}  // namespace kz::assembler
