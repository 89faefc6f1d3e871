#pragma once
// Bytes that must stay in place for the whole run (symbol names, string constants, #asm
// text), kept in large chunks so that storing one costs a copy and no allocation.
#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace kz::clike {

class StringPool {
 public:
  std::string_view store(std::string_view text) {
    if (text.size() > kChunkSize / 4) {
      large_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
      std::copy(text.begin(), text.end(), large_.back().get());
      return {large_.back().get(), text.size()};
    }
    if (used_ + text.size() > kChunkSize || chunks_.empty()) {
      chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
      used_ = 0;
    }
    char* at = chunks_.back().get() + used_;
    std::copy(text.begin(), text.end(), at);
    used_ += text.size();
    return {at, text.size()};
  }

 private:
  static constexpr std::size_t kChunkSize = 64 * 1024;
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::vector<std::unique_ptr<char[]>> large_;
  std::size_t used_ = 0;
};

}  // namespace kz::clike
