#include "clike/work_records.h"

#include "common/byte_copy.h"

namespace kz::clike {

void appendNumber(std::string& bytes, std::uint32_t value) {
  char four[4];
  for (int i = 0; i < 4; ++i) four[i] = static_cast<char>(value >> (8 * i));
  bytes.append(four, 4);
}

std::uint32_t decodeNumber(std::string_view bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i)
    value |= std::uint32_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
  return value;
}

namespace {

// The kind byte and the payload's length.
std::size_t recordHead(std::uint8_t* head, RecordKind kind, std::size_t size) {
  head[0] = static_cast<std::uint8_t>(kind);
  return 1 + putVarint(head + 1, size);
}

}  // namespace

void appendRecord(std::string& records, RecordKind kind, std::string_view payload) {
  if (payload.size() >= 0x80) {
    std::uint8_t head[1 + kMaxVarintBytes];
    records.append(reinterpret_cast<const char*>(head), recordHead(head, kind, payload.size()));
    records += payload;
    return;
  }
  // A length of one byte: nearly every record, put in one piece.
  std::size_t at = records.size();
  records.resize(at + 2 + payload.size());
  char* to = records.data() + at;
  to[0] = static_cast<char>(kind);
  to[1] = static_cast<char>(payload.size());
  copyBytes(to + 2, payload.data(), payload.size());
}

}  // namespace kz::clike
