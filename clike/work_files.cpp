#include "clike/work_files.h"

#include <unistd.h>

#include <vector>

#include "common/cleanup.h"

namespace kz::clike {
namespace {

constexpr std::size_t kStreamBuffer = 64 * 1024;

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
  std::setvbuf(stream_, nullptr, _IOFBF, kStreamBuffer);
  path_ = made;
  return true;
}

bool DiskWorkFile::write(const void* data, std::size_t size) {
  if (!stream_ || std::fwrite(data, 1, size, stream_) != size) failed_ = true;
  return !failed_;
}

bool DiskWorkFile::closeForWriting() {
  if (!stream_) return !failed_;
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

bool DiskWorkFile::closeForReading() {
  if (!stream_) return true;
  bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  return closed;
}

void DiskWorkFile::remove() {
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  if (path_.empty()) return;
  ::unlink(path_.c_str());
  cleanup::unregisterFile(path_);
  path_.clear();
}

void DiskWorkFile::keep() {
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  if (!path_.empty()) cleanup::unregisterFile(path_);
  path_.clear();
}

}  // namespace kz::clike
