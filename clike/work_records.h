#pragma once
// The records of work file 1: what compiling produces for the output stage, in source
// order. Each record is a kind byte, the payload's length as a varint and the payload.
#include <cstdint>
#include <string>
#include <string_view>

#include "clike/work_files.h"

namespace kz::clike {

enum class RecordKind : std::uint8_t {
  asmText = 1,    // lines of an #asm block, copied unchanged
  debugLine = 2,  // a complete debug-information line (macro numbers)
};

class RecordWriter {
 public:
  explicit RecordWriter(DiskWorkFile& file) : file_(file) {}
  // False when the write failed.
  bool write(RecordKind kind, std::string_view payload);

 private:
  DiskWorkFile& file_;
};

class RecordReader {
 public:
  explicit RecordReader(DiskWorkFile& file) : file_(file) {}
  // False at the end of the records (or at a record cut short).
  bool next(RecordKind& kind, std::string& payload);

 private:
  bool fill();
  bool take(void* data, std::size_t size);

  DiskWorkFile& file_;
  std::string buffer_;
  std::size_t at_ = 0;
};

}  // namespace kz::clike
