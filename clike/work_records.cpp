#include "clike/work_records.h"

#include <algorithm>

namespace kz::clike {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;

}  // namespace

std::string encodeNumber(std::uint32_t value) {
  std::string bytes;
  appendNumber(bytes, value);
  return bytes;
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

void appendRecord(std::string& records, RecordKind kind, std::string_view payload) {
  std::uint8_t head[1 + kMaxVarintBytes];
  records.append(reinterpret_cast<const char*>(head), recordHead(head, kind, payload.size()));
  records += payload;
}

bool RecordReader::refill(std::size_t size) {
  std::size_t left = end_ - at_;
  std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(at_),
            buffer_.begin() + static_cast<std::ptrdiff_t>(end_), buffer_.begin());
  at_ = 0;
  end_ = left;
  if (buffer_.size() < std::max(kReadBlock, size)) buffer_.resize(std::max(kReadBlock, size));
  while (end_ < size) {
    std::size_t count = file_.read(buffer_.data() + end_, buffer_.size() - end_);
    if (count == 0) return false;
    end_ += count;
  }
  return true;
}

bool RecordReader::nextInGeneral(RecordKind& kind, std::string_view& payload) {
  // The head is at most 11 bytes; near the end of the file fewer may be left.
  fill(1 + kMaxVarintBytes);
  std::size_t left = end_ - at_;
  if (left == 0) return false;
  const auto* at = reinterpret_cast<const std::uint8_t*>(buffer_.data() + at_);
  kind = static_cast<RecordKind>(at[0]);
  std::uint64_t length = 0;
  std::size_t used = 1;
  for (unsigned shift = 0;; shift += 7) {
    if (used == left || shift >= 64) return false;
    std::uint8_t byte = at[used++];
    length |= std::uint64_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) break;
  }
  if (length > buffer_.max_size() / 2) return false;
  at_ += used;
  if (!fill(static_cast<std::size_t>(length))) return false;
  payload = std::string_view(buffer_.data() + at_, static_cast<std::size_t>(length));
  at_ += static_cast<std::size_t>(length);
  return true;
}

}  // namespace kz::clike
