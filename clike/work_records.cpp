#include "clike/work_records.h"

#include <algorithm>
#include <cstring>

namespace kz::clike {

void RecordBuffer::grow(std::size_t count) {
  constexpr std::size_t kFirstRoom = 256;
  std::size_t room = std::max({2 * capacity_, size_ + count, kFirstRoom});
  auto bytes = std::make_unique_for_overwrite<char[]>(room);
  if (size_ != 0) std::memcpy(bytes.get(), bytes_.get(), size_);
  bytes_ = std::move(bytes);
  capacity_ = room;
}

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

void appendRecord(RecordBuffer& records, RecordKind kind, std::string_view payload) {
  if (payload.size() >= 0x80) {
    std::uint8_t head[1 + kMaxVarintBytes];
    std::size_t headSize = recordHead(head, kind, payload.size());
    char* to = records.extend(headSize + payload.size());
    std::memcpy(to, head, headSize);
    std::memcpy(to + headSize, payload.data(), payload.size());
    return;
  }
  // A length of one byte: nearly every record, put in one piece.
  char* to = records.extend(2 + payload.size());
  to[0] = static_cast<char>(kind);
  to[1] = static_cast<char>(payload.size());
  copyBytes(to + 2, payload.data(), payload.size());
}

// A record for nearly every source line of captured code: put in place, not gathered first.
void appendSourceLine(RecordBuffer& records, std::uint8_t depth, std::uint32_t line,
                      std::string_view source) {
  constexpr std::size_t kFields = 5;  // the depth and the line number
  std::size_t size = kFields + source.size();
  if (size >= 0x80) {
    std::string payload(1, static_cast<char>(depth));
    appendNumber(payload, line);
    payload += source;
    appendRecord(records, RecordKind::sourceLine, payload);
    return;
  }
  char* to = records.extend(2 + size);
  to[0] = static_cast<char>(RecordKind::sourceLine);
  to[1] = static_cast<char>(size);
  to[2] = static_cast<char>(depth);
  for (int i = 0; i < 4; ++i) to[3 + i] = static_cast<char>(line >> (8 * i));
  copyBytes(to + 2 + kFields, source.data(), source.size());
}

}  // namespace kz::clike
