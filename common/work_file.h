#pragma once
// Work files: an in-memory byte store and a disk file behind one interface, so a pass can
// write records and replay them without knowing where they live. Operations report failure
// through their result; the caller chooses the diagnostic (memory: out of memory, disk:
// open/read/write/seek failures).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kz {

class WorkFile {
 public:
  virtual ~WorkFile() = default;

  virtual bool write(const void* data, std::size_t size) = 0;
  // Returns the number of bytes read; fewer than asked means end of file (or failure,
  // see failed()).
  virtual std::size_t read(void* data, std::size_t size) = 0;
  virtual bool seek(std::uint64_t position) = 0;
  virtual std::uint64_t tell() const = 0;
  virtual std::uint64_t size() const = 0;
  virtual bool failed() const = 0;
  // Lets go of the bytes before `position` (at most the current position) for a reader that
  // never goes back: reading on works as before, a seek to a released byte fails. Memory
  // files free their whole blocks before it; other files keep everything.
  virtual void releaseBefore(std::uint64_t /*position*/) {}
  // Closes and removes the file. Returns false when the close failed.
  virtual bool discard() = 0;

  virtual bool inMemory() const = 0;
  const std::string& name() const { return name_; }

 protected:
  explicit WorkFile(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
};

std::unique_ptr<WorkFile> createMemoryFile(std::string name);

// Creates a unique disk file "<directory><prefix>XXXXXX" (mode 0600) and registers it for
// removal on abnormal exit. Returns nullptr when the file cannot be created.
std::unique_ptr<WorkFile> createDiskWorkFile(const std::string& directory,
                                             const std::string& prefix);

}  // namespace kz
