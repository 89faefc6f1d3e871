#pragma once
// The records of work file 1: what compiling produces for the output stage, in source
// order. Each record is a kind byte, the payload's length as a varint and the payload.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "clike/work_files.h"
#include "common/varint.h"

namespace kz::clike {

// The output stage replays them in order; a sourceLine record marks the source line that
// the following code and labels come from, so the output can place its reference.
enum class RecordKind : std::uint8_t {
  asmText = 1,        // lines of an #asm block, copied unchanged
  debugLine = 2,      // a complete debug-information line (macro numbers)
  section = 3,        // SectionRecord fields, then the section name
  functionStart = 4,  // line number (4 bytes, low first), then the function name
  label = 5,          // a label as written ("__0001", "main.loop")
  dataName = 6,       // the name of the data object whose definition follows
  dataBytes = 7,      // initialised bytes of the current object
  dataWord = 8,       // one word value, as text (a number or a name)
  dataSpace = 9,      // reserved bytes: the count, 4 bytes, low first
  codeLine = 10,      // one instruction or table line without its line end
  sourceLine = 11,    // include depth (1 byte), line number (4 bytes), the line's text
  tableText = 12,     // complete lines of a generated jump or case table
};

// The fixed part of a section record.
struct SectionRecord {
  std::uint8_t type = 0;       // class value: io 48, area 49, data 50, const 51, code 52
  std::uint8_t attribute = 0;  // 1 tiny, 2 near, 3 far
  std::uint8_t absolute = 0;
  std::uint32_t address = 0;
};
inline constexpr std::size_t kSectionRecordSize = 7;

std::string encodeNumber(std::uint32_t value);
void appendNumber(std::string& bytes, std::uint32_t value);
std::uint32_t decodeNumber(std::string_view bytes);
// Appends one record, encoded as the work file holds it.
void appendRecord(std::string& records, RecordKind kind, std::string_view payload);

class RecordWriter {
 public:
  explicit RecordWriter(DiskWorkFile& file) : file_(file) {}
  // False when the write failed.
  bool write(RecordKind kind, std::string_view payload) {
    std::uint8_t head[1 + kMaxVarintBytes];
    head[0] = static_cast<std::uint8_t>(kind);
    std::size_t size = 1 + putVarint(head + 1, payload.size());
    return file_.write(head, size) && file_.write(payload.data(), payload.size());
  }
  // Records encoded with appendRecord, written as they are.
  bool writeEncoded(std::string_view records) {
    return file_.write(records.data(), records.size());
  }

 private:
  DiskWorkFile& file_;
};

class RecordReader {
 public:
  explicit RecordReader(DiskWorkFile& file) : file_(file) {}
  // False at the end of the records (or at a record cut short). The payload stays valid
  // until the next call.
  bool next(RecordKind& kind, std::string_view& payload) {
    // Most records are short and lie whole in the buffer: a one-byte length.
    if (end_ - at_ >= 2) {
      const auto* at = reinterpret_cast<const std::uint8_t*>(buffer_.data() + at_);
      if (at[1] < 0x80 && end_ - at_ >= std::size_t{2} + at[1]) {
        kind = static_cast<RecordKind>(at[0]);
        payload = std::string_view(buffer_.data() + at_ + 2, at[1]);
        at_ += std::size_t{2} + at[1];
        return true;
      }
    }
    return nextInGeneral(kind, payload);
  }

 private:
  // Makes at least `size` bytes from at_ on available; false at the end of the file.
  bool nextInGeneral(RecordKind& kind, std::string_view& payload);
  bool fill(std::size_t size) { return end_ - at_ >= size || refill(size); }
  bool refill(std::size_t size);

  DiskWorkFile& file_;
  std::vector<char> buffer_;  // bytes read: at_ up to end_ are not yet taken
  std::size_t at_ = 0;
  std::size_t end_ = 0;
};

}  // namespace kz::clike
