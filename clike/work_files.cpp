#include "clike/work_files.h"

#include <sys/sendfile.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "common/cleanup.h"

namespace kz::clike {
namespace {

constexpr std::size_t kStreamBuffer = 512 * 1024;

}  // namespace

DiskWorkFile::~DiskWorkFile() { remove(); }

bool DiskWorkFile::create(const std::string& directory, const std::string& prefix) {
  std::string name = directory + prefix + "XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  cleanup::SignalsHeld held;  // an interrupt must not find the file made but not registered
  int fd = ::mkstemp(buffer.data());
  if (fd < 0) return false;
  std::string made(buffer.data());
  if (!cleanup::registerFile(made)) {
    ::close(fd);
    ::unlink(made.c_str());
    return false;
  }
  stream_ = ::fdopen(fd, "wb");
  if (!stream_) {
    ::close(fd);
    ::unlink(made.c_str());
    cleanup::unregisterFile(made);
    return false;
  }
  // Writes are gathered in pending_ and handed over a block at a time.
  std::setvbuf(stream_, nullptr, _IONBF, 0);
  pending_.resize(kStreamBuffer);
  used_ = 0;
  path_ = made;
  return true;
}

// What does not fit the gathering block: the block goes to the stream first, and a piece
// larger than the block goes straight after it.
bool DiskWorkFile::writeBlock(const void* data, std::size_t size) {
  if (!stream_) failed_ = true;
  if (failed_) return false;
  if (!flushPending()) return false;
  if (size >= pending_.size()) {
    if (std::fwrite(data, 1, size, stream_) != size) failed_ = true;
    return !failed_;
  }
  std::memcpy(pending_.data(), data, size);
  used_ = size;
  return true;
}

bool DiskWorkFile::flushPending() {
  if (stream_ && used_ > 0 && std::fwrite(pending_.data(), 1, used_, stream_) != used_)
    failed_ = true;
  used_ = 0;
  return !failed_;
}

bool DiskWorkFile::closeForWriting() {
  if (!stream_) return !failed_;
  flushPending();
  bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  return closed && !failed_;
}

bool DiskWorkFile::openForReading() {
  if (path_.empty()) return false;
  stream_ = std::fopen(path_.c_str(), "rb");
  if (stream_) std::setvbuf(stream_, nullptr, _IOFBF, kStreamBuffer);
  return stream_ != nullptr;
}

std::size_t DiskWorkFile::read(void* data, std::size_t size) {
  return stream_ ? std::fread(data, 1, size, stream_) : 0;
}

// The kernel copies between the files where it can, so the bytes do not pass through here.
bool DiskWorkFile::copyTo(std::FILE* out) {
  if (!stream_ || std::fflush(out) != 0) return false;
  int to = ::fileno(out);
  if (to < 0) return copyByBlocks(out);
  int from = ::fileno(stream_);
  while (true) {
    ssize_t sent = ::sendfile(to, from, nullptr, kStreamBuffer * 16);
    if (sent > 0) continue;
    if (sent == 0) return true;
    if (errno == EINTR) continue;
    // Files the kernel cannot copy between (an output opened for appending) take the
    // long way.
    if (errno == EINVAL || errno == ENOSYS) return copyByBlocks(out);
    return false;
  }
}

bool DiskWorkFile::copyByBlocks(std::FILE* out) {
  std::vector<char> block(kStreamBuffer);
  while (true) {
    std::size_t count = std::fread(block.data(), 1, block.size(), stream_);
    if (count > 0 && std::fwrite(block.data(), 1, count, out) != count) return false;
    if (count < block.size()) return std::ferror(stream_) == 0;
  }
}

bool DiskWorkFile::closeForReading() {
  if (!stream_) return true;
  bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  return closed;
}

void DiskWorkFile::remove() {
  used_ = 0;
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  if (path_.empty()) return;
  ::unlink(path_.c_str());
  cleanup::unregisterFile(path_);
  path_.clear();
}

void DiskWorkFile::keep() {
  flushPending();  // what was written is kept whole
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  if (!path_.empty()) cleanup::unregisterFile(path_);
  path_.clear();
}

}  // namespace kz::clike
