#pragma once
// Spellings made during a run (stringized arguments, pasted tokens, __LINE__ numbers): copied
// into large blocks that live as long as the store, so tokens may point into them.
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace kz::cfront {

class SpellingStore {
 public:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  std::string_view keep(std::string_view text) {
    if (text.size() > left_) {
      std::size_t size = text.size() > kBlockSize / 4 ? text.size() : kBlockSize;
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
      if (size != kBlockSize) return copyTo(blocks_.back().get(), text);
      free_ = blocks_.back().get();
      left_ = size;
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
};

}  // namespace kz::cfront
