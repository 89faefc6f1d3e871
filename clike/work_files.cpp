#include "clike/work_files.h"

#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "common/cleanup.h"

namespace kz::clike {
namespace {

constexpr std::size_t kBlockSize = 1024 * 1024;
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
  // Writes are gathered in blocks and handed over a block at a time.
  std::setvbuf(stream_, nullptr, _IONBF, 0);
  path_ = made;
  writing_ = true;
  return true;
}

void DiskWorkFile::startBlock() {
  blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
  block_ = blocks_.back().get();
  used_ = 0;
  capacity_ = kBlockSize;
}

// What does not fit the current block: in memory a new block takes the rest, up to the
// limit; on disk the block goes to the stream first, and a piece larger than the block goes
// straight after it.
bool DiskWorkFile::writeBlock(const void* data, std::size_t size) {
  if (!writing_) failed_ = true;
  if (failed_) return false;
  const char* from = static_cast<const char*>(data);
  while (size > 0) {
    std::size_t room = capacity_ - used_;
    if (room == 0) {
      if (!onDisk_) {
        if (blocks_.size() * kBlockSize < memoryLimit_) {
          startBlock();
        } else if (!moveToDisk()) {
          return false;
        }
        continue;
      }
      if (!flushPending()) return false;
      if (size >= capacity_) {
        if (std::fwrite(from, 1, size, stream_) != size) failed_ = true;
        return !failed_;
      }
      continue;
    }
    std::size_t piece = std::min(room, size);
    std::memcpy(block_ + used_, from, piece);
    used_ += piece;
    from += piece;
    size -= piece;
  }
  return true;
}

// The blocks held so far go to the disk file; the last one gathers what follows.
bool DiskWorkFile::moveToDisk() {
  if (!writeHeld(stream_)) {
    failed_ = true;
    return false;
  }
  if (blocks_.empty()) startBlock();
  blocks_.erase(blocks_.begin(), blocks_.end() - 1);
  block_ = blocks_.back().get();
  used_ = 0;
  onDisk_ = true;
  return true;
}

bool DiskWorkFile::flushPending() {
  if (stream_ && used_ > 0 && std::fwrite(block_, 1, used_, stream_) != used_) failed_ = true;
  used_ = 0;
  return !failed_;
}

// The bytes held in memory from the reading position on.
bool DiskWorkFile::writeHeld(std::FILE* out) {
  for (; readBlock_ < blocks_.size(); ++readBlock_, readAt_ = 0) {
    std::size_t size = readBlock_ + 1 == blocks_.size() ? used_ : kBlockSize;
    if (size > readAt_ &&
        std::fwrite(blocks_[readBlock_].get() + readAt_, 1, size - readAt_, out) != size - readAt_)
      return false;
  }
  readAt_ = 0;
  return true;
}

bool DiskWorkFile::closeForWriting() {
  if (!writing_) return !failed_;
  writing_ = false;
  if (onDisk_) flushPending();
  capacity_ = used_;  // a later write takes the slow way, which refuses it
  bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  return closed && !failed_;
}

bool DiskWorkFile::openForReading() {
  if (path_.empty()) return false;
  readBlock_ = 0;
  readAt_ = 0;
  if (!onDisk_) {
    reading_ = true;
    return true;
  }
  stream_ = std::fopen(path_.c_str(), "rb");
  if (stream_) std::setvbuf(stream_, nullptr, _IOFBF, kStreamBuffer);
  return stream_ != nullptr;
}

std::size_t DiskWorkFile::read(void* data, std::size_t size) {
  if (!reading_) return stream_ ? std::fread(data, 1, size, stream_) : 0;
  char* to = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < size && readBlock_ < blocks_.size()) {
    std::size_t end = readBlock_ + 1 == blocks_.size() ? used_ : kBlockSize;
    std::size_t piece = std::min(end - readAt_, size - done);
    std::memcpy(to + done, blocks_[readBlock_].get() + readAt_, piece);
    done += piece;
    readAt_ += piece;
    if (readAt_ == end && readBlock_ + 1 < blocks_.size()) {
      ++readBlock_;
      readAt_ = 0;
    } else if (readAt_ == end) {
      break;
    }
  }
  return done;
}

// The kernel copies between the files where it can, so the bytes do not pass through here.
bool DiskWorkFile::copyTo(std::FILE* out) {
  if (reading_) return writeHeld(out);
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
  reading_ = false;
  if (!stream_ || writing_) return true;
  bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  return closed;
}

void DiskWorkFile::releaseBlocks() {
  blocks_.clear();
  block_ = nullptr;
  used_ = 0;
  capacity_ = 0;
  reading_ = false;
}

void DiskWorkFile::remove() {
  releaseBlocks();
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  writing_ = false;
  if (path_.empty()) return;
  ::unlink(path_.c_str());
  cleanup::unregisterFile(path_);
  path_.clear();
}

void DiskWorkFile::keep() {
  // What was written is kept whole: what memory holds goes to the file now.
  if (onDisk_) {
    if (writing_) flushPending();
  } else if (!path_.empty()) {
    if (!writing_ && stream_) std::fclose(stream_);
    if (!writing_) stream_ = std::fopen(path_.c_str(), "wb");
    readBlock_ = 0;
    readAt_ = 0;
    if (stream_) writeHeld(stream_);
  }
  releaseBlocks();
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  writing_ = false;
  if (!path_.empty()) cleanup::unregisterFile(path_);
  path_.clear();
}

}  // namespace kz::clike
