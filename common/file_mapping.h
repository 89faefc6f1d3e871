#pragma once
// An open regular file mapped privately for reading and writing in place: its pages stay the
// system's file cache, not fresh memory, and only a page a byte is written to is copied. The
// bytes from the file's end to the end of its last page read as zeros and may be written too.
// A file cut shorter while it is mapped raises SIGBUS at the first byte past its new end (the
// programs' signal handlers end the run cleanly then).
#include <cstddef>

namespace kz {

class FileMapping {
 public:
  FileMapping() = default;
  FileMapping(FileMapping&& other) noexcept { *this = static_cast<FileMapping&&>(other); }
  FileMapping& operator=(FileMapping&& other) noexcept;
  ~FileMapping() { unmap(); }

  // Maps the first `size` bytes of the open file `fd`; false when it cannot, and then nothing
  // is mapped.
  bool map(int fd, std::size_t size);
  void unmap();
  char* data() const { return data_; }
  bool mapped() const { return data_ != nullptr; }
  // The bytes past the first `size` that a mapping of `size` bytes gives: to the end of the
  // last page.
  static std::size_t roomAfter(std::size_t size);

 private:
  char* data_ = nullptr;
  std::size_t length_ = 0;
};

}  // namespace kz
