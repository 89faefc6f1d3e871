#include "common/file_mapping.h"

#include <sys/mman.h>
#include <unistd.h>

#include <utility>

namespace kz {

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
  if (this != &other) {
    unmap();
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
  }
  return *this;
}

bool FileMapping::map(int fd, std::size_t size) {
  if (size == 0) return false;
  void* region = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
  if (region == MAP_FAILED) return false;
  unmap();
  data_ = static_cast<char*>(region);
  length_ = size;
  return true;
}

void FileMapping::unmap() {
  if (data_) ::munmap(data_, length_);
  data_ = nullptr;
  length_ = 0;
}

std::size_t FileMapping::roomAfter(std::size_t size) {
  auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return (size + page - 1) / page * page - size;
}

}  // namespace kz
