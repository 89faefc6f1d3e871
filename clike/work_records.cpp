#include "clike/work_records.h"

#include <cstring>

#include "common/varint.h"

namespace kz::clike {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;

}  // namespace

std::string encodeNumber(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  return bytes;
}

std::uint32_t decodeNumber(std::string_view bytes) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i)
    value |= std::uint32_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
  return value;
}

bool RecordWriter::write(RecordKind kind, std::string_view payload) {
  std::uint8_t head[1 + kMaxVarintBytes];
  head[0] = static_cast<std::uint8_t>(kind);
  std::size_t size = 1 + putVarint(head + 1, payload.size());
  return file_.write(head, size) && file_.write(payload.data(), payload.size());
}

bool RecordReader::fill() {
  buffer_.erase(0, at_);
  at_ = 0;
  std::size_t old = buffer_.size();
  buffer_.resize(old + kReadBlock);
  std::size_t count = file_.read(buffer_.data() + old, kReadBlock);
  buffer_.resize(old + count);
  return count > 0;
}

bool RecordReader::take(void* data, std::size_t size) {
  while (buffer_.size() - at_ < size) {
    if (!fill()) return false;
  }
  std::memcpy(data, buffer_.data() + at_, size);
  at_ += size;
  return true;
}

bool RecordReader::next(RecordKind& kind, std::string& payload) {
  std::uint8_t byte;
  if (!take(&byte, 1)) return false;
  kind = static_cast<RecordKind>(byte);
  std::uint64_t length = 0;
  for (unsigned shift = 0; shift < 64; shift += 7) {
    if (!take(&byte, 1)) return false;
    length |= std::uint64_t{byte & 0x7Fu} << shift;
    if (byte < 0x80) break;
  }
  payload.resize(length);
  return length == 0 || take(payload.data(), length);
}

}  // namespace kz::clike
