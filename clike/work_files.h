#pragma once
// The compiler's work files: made unique from a template in the work directory, written
// while compiling, closed, and reopened for reading by the output stage. Each is registered
// for removal on every way the run can end, and removed at the end unless it is kept.
//
// The bytes are held in memory blocks up to a limit, so that a file read back whole does
// not pass through the disk twice; past the limit everything goes to the file on disk. A
// file kept for inspection gets every byte written, wherever it was held.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_copy.h"

namespace kz::clike {

class DiskWorkFile {
 public:
  static constexpr std::size_t kDefaultMemoryLimit = 64 * 1024 * 1024;

  explicit DiskWorkFile(std::size_t memoryLimit = kDefaultMemoryLimit)
      : memoryLimit_(memoryLimit) {}
  ~DiskWorkFile();
  DiskWorkFile(const DiskWorkFile&) = delete;
  DiskWorkFile& operator=(const DiskWorkFile&) = delete;

  // Creates "<directory><prefix>XXXXXX" for writing; false when it cannot be made.
  bool create(const std::string& directory, const std::string& prefix);
  // Records are small: they are gathered in a block and the block is handed on when full.
  bool write(const void* data, std::size_t size) {
    if (size > capacity_ - used_) return writeBlock(data, size);
    copyBytes(block_ + used_, static_cast<const char*>(data), size);
    used_ += size;
    return true;
  }
  // Room for `size` bytes to be put in place, or nullptr when the current block has less
  // (write takes them then). `wrote` counts them once they are there.
  char* room(std::size_t size) { return size <= capacity_ - used_ ? block_ + used_ : nullptr; }
  void wrote(std::size_t size) { used_ += size; }
  // Ends writing; false when the close (or an earlier write) failed.
  bool closeForWriting();
  // Reads from the start again; false when the file cannot be opened.
  bool openForReading();
  // Bytes read; fewer than asked at the end.
  std::size_t read(void* data, std::size_t size);
  // Appends what is left to read to `out`; false when a read or write failed.
  bool copyTo(std::FILE* out);
  bool closeForReading();

  // Removes the file (closing it first).
  void remove();
  // Leaves the file in place after the run, holding every byte written.
  void keep();

  bool exists() const { return !path_.empty(); }
  // A write failed: the file is incomplete.
  bool failed() const { return failed_; }
  // The bytes went past the memory limit and are on disk.
  bool onDisk() const { return onDisk_; }
  const std::string& path() const { return path_; }

 private:
  bool writeBlock(const void* data, std::size_t size);
  void startBlock();
  bool moveToDisk();
  bool flushPending();
  bool writeHeld(std::FILE* out);
  bool copyByBlocks(std::FILE* out);
  void releaseBlocks();

  std::size_t memoryLimit_;
  std::string path_;
  // Bytes held in memory: whole blocks, then used_ bytes of the last one (block_). On disk,
  // block_ gathers the bytes not yet handed to the stream.
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* block_ = nullptr;
  std::size_t used_ = 0;
  std::size_t capacity_ = 0;
  bool writing_ = false;
  bool onDisk_ = false;
  // Reading what memory holds: the block and the offset in it.
  std::size_t readBlock_ = 0;
  std::size_t readAt_ = 0;
  bool reading_ = false;
  std::FILE* stream_ = nullptr;
  bool failed_ = false;
};

}  // namespace kz::clike
