#pragma once
// A work file whose seeks fail, for the paths that must turn a failed rewind into a message.
#include <cstdint>
#include <string>
#include <utility>

#include "common/work_file.h"

namespace kz::testing {

class UnseekableWorkFile final : public WorkFile {
 public:
  UnseekableWorkFile(std::string name, bool inMemory)
      : WorkFile(std::move(name)), inMemory_(inMemory) {}
  bool write(const void*, std::size_t) override { return true; }
  std::size_t read(void*, std::size_t) override { return 0; }
  bool seek(std::uint64_t) override { return false; }
  std::uint64_t tell() const override { return 0; }
  std::uint64_t size() const override { return 0; }
  bool failed() const override { return false; }
  bool discard() override { return true; }
  bool inMemory() const override { return inMemory_; }

 private:
  bool inMemory_;
};

}  // namespace kz::testing
