#include "common/work_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "common/cleanup.h"

namespace kz {
namespace {

// Bytes in blocks of fixed size: the store never holds more than it was given (a growing
// vector would keep up to twice that) and never moves what it holds.
class MemoryFile final : public WorkFile {
 public:
  explicit MemoryFile(std::string name) : WorkFile(std::move(name)) {}

  bool write(const void* data, std::size_t size) override {
    const auto* from = static_cast<const unsigned char*>(data);
    try {
      while (size > 0) {
        std::size_t block = position_ / kBlockSize;
        if (block == blocks_.size())
          blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(kBlockSize));
        std::size_t offset = position_ % kBlockSize;
        std::size_t count = std::min(size, kBlockSize - offset);
        std::memcpy(blocks_[block].get() + offset, from, count);
        from += count;
        size -= count;
        position_ += count;
        size_ = std::max(size_, position_);
      }
    } catch (const std::bad_alloc&) {
      failed_ = true;
      return false;
    }
    return true;
  }

  std::size_t read(void* data, std::size_t size) override {
    auto* to = static_cast<unsigned char*>(data);
    std::size_t total = 0;
    while (total < size && position_ < size_) {
      std::size_t offset = position_ % kBlockSize;
      std::size_t count = std::min({size - total, kBlockSize - offset, size_ - position_});
      std::memcpy(to + total, blocks_[position_ / kBlockSize].get() + offset, count);
      total += count;
      position_ += count;
    }
    return total;
  }

  bool seek(std::uint64_t position) override {
    if (position > size_ || position < released_) return false;
    position_ = static_cast<std::size_t>(position);
    return true;
  }

  std::uint64_t tell() const override { return position_; }
  std::uint64_t size() const override { return size_; }
  bool failed() const override { return failed_; }
  void releaseBefore(std::uint64_t position) override {
    std::size_t keptBlock = std::min(static_cast<std::size_t>(position), position_) / kBlockSize;
    for (std::size_t block = released_ / kBlockSize; block < keptBlock; ++block) {
      blocks_[block].reset();
    }
    released_ = std::max(released_, keptBlock * kBlockSize);
  }
  bool discard() override {
    blocks_.clear();
    position_ = size_ = released_ = 0;
    return true;
  }
  bool inMemory() const override { return true; }

 private:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 16;

  std::vector<std::unique_ptr<unsigned char[]>> blocks_;
  std::size_t position_ = 0;
  std::size_t size_ = 0;
  std::size_t released_ = 0;  // the blocks before it are freed
  bool failed_ = false;
};

constexpr std::size_t kDiskBufferSize = 1 << 16;

class DiskFile final : public WorkFile {
 public:
  DiskFile(std::string name, std::FILE* stream) : WorkFile(std::move(name)), stream_(stream) {
    std::setvbuf(stream_, nullptr, _IOFBF, kDiskBufferSize);
  }
  ~DiskFile() override { discard(); }

  bool write(const void* data, std::size_t size) override {
    if (!stream_ || std::fwrite(data, 1, size, stream_) != size) return fail();
    return true;
  }

  std::size_t read(void* data, std::size_t size) override {
    if (!stream_) return 0;
    std::size_t count = std::fread(data, 1, size, stream_);
    if (count < size && std::ferror(stream_)) fail();
    return count;
  }

  bool seek(std::uint64_t position) override {
    if (!stream_ || std::fseek(stream_, static_cast<long>(position), SEEK_SET) != 0) return fail();
    return true;
  }

  std::uint64_t tell() const override {
    long position = stream_ ? std::ftell(stream_) : -1;
    return position < 0 ? 0 : static_cast<std::uint64_t>(position);
  }

  std::uint64_t size() const override {
    if (!stream_) return 0;
    long here = std::ftell(stream_);
    std::fseek(stream_, 0, SEEK_END);
    long end = std::ftell(stream_);
    std::fseek(stream_, here, SEEK_SET);
    return end < 0 ? 0 : static_cast<std::uint64_t>(end);
  }

  bool failed() const override { return failed_; }

  bool discard() override {
    if (!stream_) return true;
    bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    std::remove(name().c_str());
    cleanup::unregisterFile(name());
    return closed;
  }

  bool inMemory() const override { return false; }

 private:
  bool fail() {
    failed_ = true;
    return false;
  }

  std::FILE* stream_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<WorkFile> createMemoryFile(std::string name) {
  return std::make_unique<MemoryFile>(std::move(name));
}

std::unique_ptr<WorkFile> createDiskWorkFile(const std::string& directory,
                                             const std::string& prefix) {
  std::string path = directory + prefix + "XXXXXX";
  std::vector<char> buffer(path.begin(), path.end());
  buffer.push_back('\0');
  int fd = -1;
  {
    cleanup::SignalsHeld held;  // an interrupt must not find the file made but not registered
    fd = ::mkstemp(buffer.data());
    if (fd < 0) return nullptr;
    path.assign(buffer.data());
    if (!cleanup::registerFile(path)) {
      ::close(fd);
      ::unlink(path.c_str());
      return nullptr;
    }
  }
  std::FILE* stream = ::fdopen(fd, "w+b");
  if (!stream) {
    ::close(fd);
    ::unlink(path.c_str());
    cleanup::unregisterFile(path);
    return nullptr;
  }
  return std::make_unique<DiskFile>(std::move(path), stream);
}

}  // namespace kz
