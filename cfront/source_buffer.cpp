#include "cfront/source_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <utility>

#include "cfront/source_text.h"

namespace kz::cfront {

SourceBuffer::SourceBuffer(SourceBuffer&& other) noexcept
    : owned_(std::move(other.owned_)),
      mapped_(std::exchange(other.mapped_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapLength_(std::exchange(other.mapLength_, 0)) {}

SourceBuffer& SourceBuffer::operator=(SourceBuffer&& other) noexcept {
  if (this != &other) {
    unmap();
    owned_ = std::move(other.owned_);
    mapped_ = std::exchange(other.mapped_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapLength_ = std::exchange(other.mapLength_, 0);
  }
  return *this;
}

SourceBuffer::~SourceBuffer() { unmap(); }

void SourceBuffer::unmap() {
  if (mapped_) ::munmap(mapped_, mapLength_);
  mapped_ = nullptr;
}

// Cleaning may add a newline, and a zero byte follows the text: both go into the zeros that
// fill the last page past the end of the file, so a file that ends within two bytes of a page
// boundary is not mapped.
bool SourceBuffer::map(int fd, std::size_t size) {
  auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  if (size == 0 || size % page == 0 || size % page > page - 2) return false;
  std::size_t length = (size + page - 1) / page * page;
  void* region = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
  if (region == MAP_FAILED) return false;
  unmap();
  owned_.clear();
  mapped_ = static_cast<char*>(region);
  size_ = size;
  mapLength_ = length;
  return true;
}

void SourceBuffer::clean(bool kanji) {
  if (!mapped_) {
    cleanSourceInPlace(owned_, kanji);
    return;
  }
  size_ = cleanSourceText(mapped_, size_, kanji);
  if (mapped_[size_] != '\0') mapped_[size_] = '\0';
}

}  // namespace kz::cfront
