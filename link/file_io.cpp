#include "link/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "common/cleanup.h"
#include "common/host_path.h"

namespace kz::link {
namespace {
constexpr std::size_t kReadBlock = 256 * 1024;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(descriptor);
    return std::nullopt;
  }
  // A regular file is read into a buffer of its size (one byte more, to see its end);
  // anything else grows by blocks. Only the bytes read are ever cleared.
  std::vector<std::uint8_t> bytes(
      S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) + 1 : kReadBlock);
  std::size_t filled = 0;
  while (true) {
    if (filled == bytes.size()) bytes.resize(bytes.size() + std::max(bytes.size(), kReadBlock));
    ssize_t got = ::read(descriptor, bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(descriptor);
      return std::nullopt;
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  ::close(descriptor);
  bytes.resize(filled);
  return bytes;
}

OutputSet::~OutputSet() {
  for (const Pending& entry : pending_) {
    ::unlink(entry.work.c_str());
    cleanup::unregisterFile(entry.work);
  }
}

bool OutputSet::add(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::string work = std::string(directoryOf(path)) + ".lnkzelXXXXXX";
  int descriptor = -1;
  {
    cleanup::SignalsHeld held;
    descriptor = ::mkstemp(work.data());
    if (descriptor < 0) return false;
    if (!cleanup::registerFile(work)) {
      ::close(descriptor);
      ::unlink(work.c_str());
      return false;
    }
  }
  pending_.push_back({work, path});
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      ::close(descriptor);
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  // Outputs get the usual mode of a new file, not the work file's 0600.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(descriptor, 0666 & ~mask);
  return ::close(descriptor) == 0;
}

bool OutputSet::commit(std::string& failedPath) {
  for (const Pending& entry : pending_) {
    if (::rename(entry.work.c_str(), entry.path.c_str()) != 0) {
      failedPath = entry.path;
      return false;
    }
    cleanup::unregisterFile(entry.work);
  }
  pending_.clear();
  return true;
}

}  // namespace kz::link
