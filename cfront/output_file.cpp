#include "cfront/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>

#include "common/host_path.h"
#include "common/write_over.h"

namespace kz::cfront {

OutputFile::~OutputFile() {
  if (ownsDescriptor_ && fd_ >= 0) ::close(fd_);
}

void OutputFile::makeRoom(std::size_t more) {
  // The first capacity is the largest small block of the heap (the string adds a byte for its
  // terminator); the next holds a whole block and the write that fills it.
  constexpr std::size_t kFirstCapacity = (32 << 10) - 1;
  constexpr std::size_t kFullCapacity = kBlockSize + 4096;
  std::size_t capacity = buffer_.capacity();
  std::size_t grown = capacity < kFirstCapacity  ? kFirstCapacity
                      : capacity < kFullCapacity ? kFullCapacity
                                                 : 2 * capacity;
  buffer_.reserve(std::max(grown, buffer_.size() + more));
}

bool OutputFile::open(const std::string& name) {
  if (name.empty() || deviceKindOf(name) == DeviceKind::console) {
    fd_ = STDOUT_FILENO;
    return true;
  }
  std::string path = withHostSeparators(name);
  struct stat info {};
  bool existed = ::stat(path.c_str(), &info) == 0;
  int flags = existed && S_ISFIFO(info.st_mode) ? O_NONBLOCK : 0;
  fd_ = openToWriteOver(path, flags);
  if (fd_ < 0) return false;
  ownsDescriptor_ = true;
  if (flags & O_NONBLOCK) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) path_ = path;
  return true;
}

void OutputFile::flush() {
  const char* data = buffer_.data();
  std::size_t left = buffer_.size();
  while (left > 0 && fd_ >= 0) {
    ssize_t written = ::write(fd_, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      buffer_.clear();
      diagnostics_.report(Message::outputProblem);
      return;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  buffer_.clear();
}

void OutputFile::abandon() {
  if (path_.empty()) {
    try {
      flush();
    } catch (const std::exception&) {
      // the run is ending with a fatal message already
    }
  }
  buffer_.clear();
}

void OutputFile::close() {
  flush();
  if (ownsDescriptor_ && fd_ >= 0) {
    int fd = fd_;
    fd_ = -1;
    ownsDescriptor_ = false;
    bool cut = cutWhereWritingEnded(fd);
    bool closed = ::close(fd) == 0;
    if (!cut) diagnostics_.report(Message::outputProblem);
    if (!closed) diagnostics_.report(Message::cannotCloseFile, {path_});
  }
}

}  // namespace kz::cfront
