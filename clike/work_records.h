#pragma once
// The records the code emitter hands to the body text, in source order; code kept aside
// for later (a jump table's cases) is held encoded: a kind byte, the payload's length as a
// varint and the payload.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "common/byte_copy.h"
#include "common/varint.h"

namespace kz::clike {

// A sourceLine record marks the source line that the following code and labels come from,
// so the body can place its reference.
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

// Encoded records, grown at the end. A record is appended for nearly every line of captured
// code: the room it grows into is not filled first, as a string's would be.
class RecordBuffer {
 public:
  RecordBuffer() = default;
  RecordBuffer(RecordBuffer&& other) noexcept { *this = std::move(other); }
  RecordBuffer& operator=(RecordBuffer&& other) noexcept {
    bytes_ = std::move(other.bytes_);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return {bytes_.get(), size_}; }
  void clear() { size_ = 0; }
  // Drops the bytes from `size` on.
  void truncate(std::size_t size) { size_ = size; }
  // Room for `count` more bytes at the end, which the caller fills.
  char* extend(std::size_t count) {
    if (capacity_ - size_ < count) grow(count);
    char* at = bytes_.get() + size_;
    size_ += count;
    return at;
  }
  void append(std::string_view bytes) {
    if (!bytes.empty()) copyBytes(extend(bytes.size()), bytes.data(), bytes.size());
  }

 private:
  void grow(std::size_t count);

  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

void appendNumber(std::string& bytes, std::uint32_t value);
std::uint32_t decodeNumber(std::string_view bytes);
// Appends one record, encoded.
void appendRecord(RecordBuffer& records, RecordKind kind, std::string_view payload);
// Appends one sourceLine record, encoded, from its fields.
void appendSourceLine(RecordBuffer& records, std::uint8_t depth, std::uint32_t line,
                      std::string_view source);

}  // namespace kz::clike
