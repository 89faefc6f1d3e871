#pragma once
// The compiler's work files: made unique from a template in the work directory, written
// while compiling, closed, and reopened for reading by the output stage. Each is registered
// for removal on every way the run can end, and removed at the end unless it is kept.
#include <cstdio>
#include <string>
#include <vector>

#include "clike/byte_copy.h"

namespace kz::clike {

class DiskWorkFile {
 public:
  DiskWorkFile() = default;
  ~DiskWorkFile();
  DiskWorkFile(const DiskWorkFile&) = delete;
  DiskWorkFile& operator=(const DiskWorkFile&) = delete;

  // Creates "<directory><prefix>XXXXXX" for writing; false when it cannot be made.
  bool create(const std::string& directory, const std::string& prefix);
  // Records are small: they are gathered here and handed to the stream a block at a time.
  bool write(const void* data, std::size_t size) {
    if (failed_ || !stream_ || size > pending_.size() - used_) return writeBlock(data, size);
    copyBytes(pending_.data() + used_, static_cast<const char*>(data), size);
    used_ += size;
    return true;
  }
  // Closes the file; false when the close (or an earlier write) failed.
  bool closeForWriting();
  // Reopens the closed file from its start; false when it cannot be opened.
  bool openForReading();
  // Bytes read; fewer than asked at the end.
  std::size_t read(void* data, std::size_t size);
  // Appends what is left to read to `out`; false when a read or write failed.
  bool copyTo(std::FILE* out);
  bool closeForReading();

  // Removes the file (closing it first).
  void remove();
  // Leaves the file in place after the run.
  void keep();

  bool exists() const { return !path_.empty(); }
  // A write failed: the file is incomplete.
  bool failed() const { return failed_; }
  const std::string& path() const { return path_; }

 private:
  bool writeBlock(const void* data, std::size_t size);
  bool flushPending();
  bool copyByBlocks(std::FILE* out);

  std::string path_;
  std::vector<char> pending_;  // written bytes not yet handed to the stream: used_ of them
  std::size_t used_ = 0;
  std::FILE* stream_ = nullptr;
  bool failed_ = false;
};

}  // namespace kz::clike
