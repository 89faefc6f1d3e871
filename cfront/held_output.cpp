#include "cfront/held_output.h"

namespace kz::cfront {

bool SpillFile::claim() {
  if (claimed_) return false;
  claimed_ = true;
  used_ = 0;
  return true;
}

void SpillFile::seek(std::uint64_t position) {
  if (!file_.seek(position)) diagnostics_.report(Message::cannotSeekTemporary);
}

void SpillFile::append(std::string_view bytes) {
  seek(used_);
  if (!file_.write(bytes.data(), bytes.size())) diagnostics_.report(Message::outputProblem);
  used_ += bytes.size();
}

void SpillFile::copyTo(LineSink& out) {
  seek(0);
  std::string block(kCopyBlock, '\0');
  for (std::uint64_t left = used_; left > 0;) {
    std::size_t wanted = left < kCopyBlock ? static_cast<std::size_t>(left) : kCopyBlock;
    std::size_t read = file_.read(block.data(), wanted);
    if (read < wanted) diagnostics_.report(Message::inputProblem);
    out.write(std::string_view(block.data(), read));
    left -= read;
  }
  used_ = 0;
}

HeldOutput::~HeldOutput() {
  if (spilled_) spill_->release();
}

void HeldOutput::write(std::string_view text) {
  memory_.append(text);
  if (memory_.size() < memoryBytes_) return;
  if (!spilled_) spilled_ = spill_ && spill_->claim();
  if (!spilled_) return;
  spill_->append(memory_);
  memory_.clear();
}

void HeldOutput::copyTo(LineSink& out) {
  if (spilled_) {
    spill_->copyTo(out);
    spill_->release();
    spilled_ = false;
  }
  out.write(memory_);
  memory_.clear();
}

}  // namespace kz::cfront
