#include "common/write_over.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kz {

int openToWriteOver(const std::string& path, int flags) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666);
}

bool cutWhereWritingEnded(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return true;
  off_t end = ::lseek(fd, 0, SEEK_CUR);
  return end >= 0 && (info.st_size <= end || ::ftruncate(fd, end) == 0);
}

}  // namespace kz
