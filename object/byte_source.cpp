#include "object/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kz::object {

std::size_t SpanSource::read(std::uint8_t* into, std::size_t size) {
  std::size_t count = std::min({size, piece_, bytes_.size() - offset_});
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset_), count, into);
  offset_ += count;
  return count;
}

FileSource::~FileSource() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

std::optional<std::string> FileSource::open(const std::string& path) {
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return std::strerror(errno);
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    int error = errno;
    ::close(descriptor);
    return std::strerror(error);
  }
  if (S_ISDIR(status.st_mode)) {
    directory_ = true;
    ::close(descriptor);
    return std::strerror(EISDIR);
  }
  if (S_ISREG(status.st_mode)) regularSize_ = static_cast<std::uint64_t>(status.st_size);
  descriptor_ = descriptor;
  return std::nullopt;
}

std::size_t FileSource::read(std::uint8_t* into, std::size_t size) {
  if (descriptor_ < 0 || error_) return 0;
  std::size_t total = 0;
  // A pipe hands over what it has; keep reading until the block is full or the input ends,
  // so the caller sees the large blocks it asked for.
  while (total < size) {
    ssize_t got = ::read(descriptor_, into + total, size - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error_ = std::strerror(errno);
      break;
    }
    if (got == 0) break;
    total += static_cast<std::size_t>(got);
  }
  return total;
}

}  // namespace kz::object
