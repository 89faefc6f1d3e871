#include "object/record_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kz::object {

Record recordOf(RecordCode code) {
  Record record;
  record.byte(static_cast<std::uint8_t>(code));
  return record;
}
namespace {

std::span<const std::uint8_t> asBytes(const std::uint8_t& value) { return {&value, 1}; }

}  // namespace

std::string_view describe(WriteStatus status) {
  switch (status) {
    case WriteStatus::ok:
      return "ok";
    case WriteStatus::writeFailed:
      return "write failed";
    case WriteStatus::seekFailed:
      return "seek failed";
    case WriteStatus::outsideOutput:
      return "patch outside the written bytes";
  }
  return "unknown";
}

// ---- FileSink

std::unique_ptr<FileSink> FileSink::create(const std::string& path) {
  int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) return nullptr;
  return std::unique_ptr<FileSink>(new FileSink(descriptor, path));
}

FileSink::~FileSink() { close(); }

bool FileSink::close() {
  if (descriptor_ < 0) return true;
  int result = ::close(descriptor_);
  descriptor_ = -1;
  return result == 0;
}

WriteStatus FileSink::append(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    ssize_t written = descriptor_ < 0 ? -1 : ::write(descriptor_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return WriteStatus::writeFailed;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return WriteStatus::ok;
}

WriteStatus FileSink::overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    ssize_t written = descriptor_ < 0 ? -1
                                      : ::pwrite(descriptor_, bytes.data(), bytes.size(),
                                                 static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == ESPIPE || errno == EINVAL)) return WriteStatus::seekFailed;
    if (written <= 0) return WriteStatus::writeFailed;
    bytes = bytes.subspan(static_cast<std::size_t>(written));
    offset += static_cast<std::uint64_t>(written);
  }
  return WriteStatus::ok;
}

// ---- MemorySink

WriteStatus MemorySink::append(std::span<const std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return WriteStatus::ok;
}

WriteStatus MemorySink::overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (offset > bytes_.size() || bytes.size() > bytes_.size() - offset)
    return WriteStatus::seekFailed;
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  return WriteStatus::ok;
}

// ---- Record

Record& Record::byte(std::uint8_t value) {
  bytes_.push_back(value);
  return *this;
}

Record& Record::raw(std::span<const std::uint8_t> bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

Record& Record::number(std::uint64_t value) {
  appendNumber(bytes_, value);
  return *this;
}

Record& Record::omitted() {
  appendOmitted(bytes_);
  return *this;
}

Record& Record::name(std::string_view text) {
  appendName(bytes_, text);
  return *this;
}

Record& Record::letter(char value) {
  appendLetter(bytes_, value);
  return *this;
}

Record& Record::term(const Term& value) {
  appendTerm(bytes_, value);
  return *this;
}

Record& Record::expression(std::span<const Term> terms) {
  appendExpression(bytes_, terms);
  return *this;
}

// ---- RecordWriter

RecordWriter::RecordWriter(ByteSink* sink) : sink_(sink) { buffer_.reserve(kBufferSize); }

Record& RecordWriter::begin(RecordCode code) {
  record_.clear();
  return record_.byte(static_cast<std::uint8_t>(code));
}

WriteStatus RecordWriter::end() {
  WriteStatus status = commit(record_.bytes());
  record_.clear();
  return status;
}

WriteStatus RecordWriter::reserve(std::size_t count) {
  Bytes zeros(count, 0);
  return commit(zeros);
}

WriteStatus RecordWriter::fail(WriteStatus status) {
  if (status_ == WriteStatus::ok) status_ = status;
  return status_;
}

WriteStatus RecordWriter::flush() {
  if (status_ != WriteStatus::ok) return status_;
  if (sink_ != nullptr && !buffer_.empty()) {
    WriteStatus status = sink_->append(buffer_);
    if (status != WriteStatus::ok) return fail(status);
  }
  flushed_ += buffer_.size();
  buffer_.clear();
  return WriteStatus::ok;
}

WriteStatus RecordWriter::commit(std::span<const std::uint8_t> bytes) {
  if (status_ != WriteStatus::ok) return status_;
  if (buffer_.size() + bytes.size() > kBufferSize && flush() != WriteStatus::ok) return status_;
  if (bytes.size() <= kBufferSize) {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return WriteStatus::ok;
  }
  // Larger than the whole buffer: straight to the sink, still in one piece.
  if (sink_ != nullptr) {
    WriteStatus status = sink_->append(bytes);
    if (status != WriteStatus::ok) return fail(status);
  }
  flushed_ += bytes.size();
  return WriteStatus::ok;
}

WriteStatus RecordWriter::patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (status_ != WriteStatus::ok) return status_;
  if (offset > this->offset() || bytes.size() > this->offset() - offset)
    return fail(WriteStatus::outsideOutput);
  std::uint64_t inFile =
      offset < flushed_ ? std::min<std::uint64_t>(bytes.size(), flushed_ - offset) : 0;
  if (inFile > 0 && sink_ != nullptr) {
    WriteStatus status = sink_->overwrite(offset, bytes.first(static_cast<std::size_t>(inFile)));
    if (status != WriteStatus::ok) return fail(status);
  }
  auto inBuffer = bytes.subspan(static_cast<std::size_t>(inFile));
  if (!inBuffer.empty()) {
    std::size_t at = static_cast<std::size_t>(offset + inFile - flushed_);
    std::copy(inBuffer.begin(), inBuffer.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(at));
  }
  return WriteStatus::ok;
}

// ---- Data records

WriteStatus writeConstantData(RecordWriter& writer, RecordCode code,
                              std::span<const std::uint8_t> data) {
  while (!data.empty()) {
    auto run = data.first(std::min(data.size(), kMaxLoadCount));
    writer.begin(code).number(run.size()).raw(run);
    if (WriteStatus status = writer.end(); status != WriteStatus::ok) return status;
    data = data.subspan(run.size());
  }
  return writer.status();
}

WriteStatus writeRepeatedByte(RecordWriter& writer, RecordCode code, std::uint8_t value,
                              std::uint64_t count) {
  writer.begin(RecordCode::repeat).number(count);
  if (WriteStatus status = writer.end(); status != WriteStatus::ok) return status;
  return writeConstantData(writer, code, asBytes(value));
}

WriteStatus patchPartPointers(RecordWriter& writer, std::uint64_t headerOffset,
                              const PartOffsets& offsets) {
  auto bytes = encodePartPointers(offsets);
  return writer.patch(headerOffset, bytes);
}

}  // namespace kz::object
