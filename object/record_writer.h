#pragma once
// Writing an object module: one record at a time is built in a Record, then committed to
// an 8192-byte output buffer. A record that does not fit flushes the buffer first, so a
// record is never split across two writes. Offsets are counted even when nothing is
// written (no sink: a syntax-only run), and bytes already committed can be patched, in
// the buffer or, once flushed, in the file.
//
// Failures are reported through WriteStatus and are sticky: after the first one, every
// later call returns it without writing. The caller maps them to its diagnostics.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "object/ieee695.h"

namespace kz::object {

enum class WriteStatus : std::uint8_t {
  ok,
  writeFailed,    // a failed or short write
  seekFailed,     // the file cannot be positioned for a patch
  outsideOutput,  // a patch of bytes that were never committed
};

std::string_view describe(WriteStatus status);

// Where committed bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual WriteStatus append(std::span<const std::uint8_t> bytes) = 0;
  // Rewrites bytes already appended; offset + size never exceeds what was appended.
  virtual WriteStatus overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
};

// A file created (or truncated) for writing. Patches write at an offset without moving
// the append position.
class FileSink final : public ByteSink {
 public:
  // nullptr when the file cannot be created; errno tells why.
  static std::unique_ptr<FileSink> create(const std::string& path);
  ~FileSink() override;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  WriteStatus append(std::span<const std::uint8_t> bytes) override;
  WriteStatus overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
  // False when closing failed. Closing twice is harmless.
  bool close();
  const std::string& path() const { return path_; }

 private:
  FileSink(int descriptor, std::string path) : descriptor_(descriptor), path_(std::move(path)) {}
  int descriptor_;
  std::string path_;
};

class MemorySink final : public ByteSink {
 public:
  WriteStatus append(std::span<const std::uint8_t> bytes) override;
  WriteStatus overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// One record under construction. Each call appends one element.
class Record {
 public:
  Record& byte(std::uint8_t value);
  Record& raw(std::span<const std::uint8_t> bytes);
  Record& number(std::uint64_t value);
  // A code of one of the format's enums (Attribute, BlockType, ModuleType, ...).
  template <class Code>
  requires std::is_enum_v<Code> Record& number(Code code) {
    return number(static_cast<std::uint64_t>(code));
  }
  Record& omitted();
  Record& name(std::string_view text);
  Record& letter(char value);
  Record& term(const Term& value);
  Record& expression(std::span<const Term> terms);
  Record& expression(std::initializer_list<Term> terms) {
    return expression(std::span<const Term>(terms));
  }

  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  void clear() { bytes_.clear(); }

 private:
  Bytes bytes_;
};

// A record that begins with its code byte.
Record recordOf(RecordCode code);

class RecordWriter {
 public:
  static constexpr std::size_t kBufferSize = 8192;

  // Without a sink nothing is written; offsets and patch checks work the same.
  explicit RecordWriter(ByteSink* sink);

  // Starts a new record with its code, dropping any record not yet ended.
  Record& begin(RecordCode code);
  Record& record() { return record_; }
  [[nodiscard]] WriteStatus end();
  // Commits a record built elsewhere, code byte first, as end() commits one built here.
  [[nodiscard]] WriteStatus write(std::span<const std::uint8_t> record) { return commit(record); }

  // Commits count zero bytes, to be patched later (the part pointers).
  [[nodiscard]] WriteStatus reserve(std::size_t count);
  // Overwrites committed bytes: in the buffer while they are there, else in the file.
  [[nodiscard]] WriteStatus patch(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  [[nodiscard]] WriteStatus patchByte(std::uint64_t offset, std::uint8_t value) {
    return patch(offset, std::span<const std::uint8_t>(&value, 1));
  }
  // Writes the buffer out; call it once at the end, before closing the sink.
  [[nodiscard]] WriteStatus flush();

  // Bytes committed so far: the file offset of the next record.
  std::uint64_t offset() const { return flushed_ + buffer_.size(); }
  // File offset that the next byte appended to the current record will have.
  std::uint64_t nextByteOffset() const { return offset() + record_.size(); }
  WriteStatus status() const { return status_; }
  bool writing() const { return sink_ != nullptr; }

 private:
  WriteStatus commit(std::span<const std::uint8_t> bytes);
  WriteStatus fail(WriteStatus status);

  ByteSink* sink_;
  Bytes buffer_;
  std::uint64_t flushed_ = 0;
  Record record_;
  WriteStatus status_ = WriteStatus::ok;
};

// Constant bytes as records of at most kMaxLoadCount bytes each: code, count, bytes.
// code is loadConstant (absolute sections) or loadRelocated (relocatable sections).
[[nodiscard]] WriteStatus writeConstantData(RecordWriter& writer, RecordCode code,
                                            std::span<const std::uint8_t> data);
// "F7 count" and a one-byte load: count copies of value.
[[nodiscard]] WriteStatus writeRepeatedByte(RecordWriter& writer, RecordCode code,
                                            std::uint8_t value, std::uint64_t count);
// Writes the eight part pointers over the bytes reserved at headerOffset.
[[nodiscard]] WriteStatus patchPartPointers(RecordWriter& writer, std::uint64_t headerOffset,
                                            const PartOffsets& offsets);

}  // namespace kz::object
