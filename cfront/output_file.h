#pragma once
// The one output stream of a run (the preprocessed text or the intermediate file): a named
// file or standard output, written in large blocks. A failed write is fatal 125.
#include <string>
#include <string_view>

#include "cfront/diagnostics.h"

namespace kz::cfront {

class OutputFile {
 public:
  // 64 KiB: a larger block saves no write that matters, and on a large input it was what
  // took the heap into one more 2 MiB page.
  static constexpr std::size_t kBlockSize = 64 * 1024;

  explicit OutputFile(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // A named file (created, or written over and cut to its new length when closed) or, with
  // an empty name, standard output. A pipe without a reader is not waited for. False when it
  // cannot be opened.
  bool open(const std::string& name);
  void write(std::string_view text) {
    if (text.size() > buffer_.capacity() - buffer_.size()) makeRoom(text.size());
    buffer_.append(text);
    if (buffer_.size() >= kBlockSize) flush();
  }
  void put(char c) {
    if (buffer_.size() == buffer_.capacity()) makeRoom(1);
    buffer_ += c;
    if (buffer_.size() >= kBlockSize) flush();
  }
  void flush();
  // The abort path: what is buffered still goes to standard output or a device; a file is
  // removed instead, so only its buffer is dropped.
  void abandon();
  // Flushes and closes; fatal 125 when the last write fails, 120 when the close does.
  void close();
  // A named regular file this run created or wrote over, which an aborted run removes.
  const std::string& path() const { return path_; }

 private:
  // The buffer starts smaller than a block, so that a short output takes none of the heap's
  // zone of large blocks.
  void makeRoom(std::size_t more);

  Diagnostics& diagnostics_;
  std::string buffer_;
  std::string path_;
  int fd_ = -1;
  bool ownsDescriptor_ = false;
};

}  // namespace kz::cfront
