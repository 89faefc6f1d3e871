#pragma once
// Where a reader's bytes come from when it reads as it goes: an open file, a pipe or a
// device, read in large blocks, so an input of any size is never held whole in memory.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kz::object {

inline constexpr std::size_t kSourceBlock = 256 * 1024;

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to size bytes into `into`; 0 at the end of the input or after a read error.
  virtual std::size_t read(std::uint8_t* into, std::size_t size) = 0;
  // Why reading stopped early; nothing at a plain end.
  virtual std::optional<std::string> error() const = 0;
};

// The bytes of a span, handed out in pieces of at most `piece` bytes (tests use small
// pieces to cross every block boundary).
class SpanSource final : public ByteSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> bytes, std::size_t piece = kSourceBlock)
      : bytes_(bytes), piece_(piece == 0 ? 1 : piece) {}
  std::size_t read(std::uint8_t* into, std::size_t size) override;
  std::optional<std::string> error() const override { return std::nullopt; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t piece_;
  std::size_t offset_ = 0;
};

// A file opened for reading. Regular files know their size up front; pipes and devices
// do not.
class FileSource final : public ByteSource {
 public:
  FileSource() = default;
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  // Opens path; on failure returns the system's reason. A directory is refused as
  // unreadable (isDirectory() then tells it apart from a name that cannot be opened).
  std::optional<std::string> open(const std::string& path);
  std::size_t read(std::uint8_t* into, std::size_t size) override;
  std::optional<std::string> error() const override { return error_; }

  // The size of a regular file when it was opened; nothing for a pipe or device.
  std::optional<std::uint64_t> regularSize() const { return regularSize_; }
  bool isDirectory() const { return directory_; }

 private:
  int descriptor_ = -1;
  std::optional<std::uint64_t> regularSize_;
  std::optional<std::string> error_;
  bool directory_ = false;
};

}  // namespace kz::object
