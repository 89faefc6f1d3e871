#pragma once
// A stdio stream whose text is kept in memory, for the messages and output a test looks at.
#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace kz::testing {

class CapturedStream {
 public:
  CapturedStream() : stream_(::open_memstream(&buffer_, &size_)) {}
  ~CapturedStream() {
    std::fclose(stream_);
    std::free(buffer_);
  }
  CapturedStream(const CapturedStream&) = delete;
  CapturedStream& operator=(const CapturedStream&) = delete;
  std::FILE* stream() { return stream_; }
  std::string text() {
    std::fflush(stream_);
    return std::string(buffer_, size_);
  }

 private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* stream_;
};

}  // namespace kz::testing
