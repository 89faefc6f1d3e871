#pragma once
// Spellings made during a run (stringized arguments, pasted tokens, __LINE__ numbers): copied
// into large blocks that live as long as the store, so tokens may point into them.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace kz::cfront {

class SpellingStore {
 public:
  static constexpr std::size_t kBlockSize = 64 * 1024;
  // The first block is this small and each next one twice as large up to kBlockSize, so that a
  // short run takes none of the heap's zone of large blocks.
  static constexpr std::size_t kFirstBlockSize = 4 * 1024;

  std::string_view keep(std::string_view text) {
    if (text.size() > left_) {
      if (text.size() > nextBlockSize_ / 4) {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
        return copyTo(blocks_.back().get(), text);
      }
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(nextBlockSize_));
      free_ = blocks_.back().get();
      left_ = nextBlockSize_;
      nextBlockSize_ = std::min(kBlockSize, 2 * nextBlockSize_);
    }
    std::string_view kept = copyTo(free_, text);
    free_ += text.size();
    left_ -= text.size();
    return kept;
  }

 private:
  static std::string_view copyTo(char* place, std::string_view text) {
    if (!text.empty()) std::memcpy(place, text.data(), text.size());
    return {place, text.size()};
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;
  std::size_t left_ = 0;
  std::size_t nextBlockSize_ = kFirstBlockSize;
};

}  // namespace kz::cfront
