#pragma once
// Output held back while what must stand before it is made (a symbol line waits for the string
// objects its data refers to). A held stream stays in memory up to a bound; past that it goes on
// in the TP work file, which one held stream at a time may use; the others stay in memory.
#include <cstdint>
#include <string>
#include <string_view>

#include "cfront/diagnostics.h"
#include "cfront/line_sink.h"
#include "common/work_file.h"

namespace kz::cfront {

// The TP work file. A failed seek is 123, a failed write 125, a short read back 124.
class SpillFile {
 public:
  static constexpr std::size_t kCopyBlock = 16 * 1024;

  SpillFile(WorkFile& file, Diagnostics& diagnostics) : file_(file), diagnostics_(diagnostics) {}

  // False while another held stream has it.
  bool claim();
  void release() { claimed_ = false; }
  void append(std::string_view bytes);
  // Writes what was appended since the claim to `out`, and forgets it.
  void copyTo(LineSink& out);

 private:
  void seek(std::uint64_t position);

  WorkFile& file_;
  Diagnostics& diagnostics_;
  bool claimed_ = false;
  std::uint64_t used_ = 0;
};

class HeldOutput : public LineSink {
 public:
  static constexpr std::size_t kMemoryBytes = 256 * 1024;

  // spill: none keeps everything in memory.
  explicit HeldOutput(SpillFile* spill, std::size_t memoryBytes = kMemoryBytes)
      : spill_(spill), memoryBytes_(memoryBytes) {}
  ~HeldOutput() override;
  HeldOutput(const HeldOutput&) = delete;
  HeldOutput& operator=(const HeldOutput&) = delete;

  void write(std::string_view text) override;
  // Everything held, in order, to `out`; the stream is empty afterwards.
  void copyTo(LineSink& out);
  bool spilled() const { return spilled_; }

 private:
  SpillFile* spill_;
  std::size_t memoryBytes_;
  bool spilled_ = false;
  std::string memory_;
};

}  // namespace kz::cfront
