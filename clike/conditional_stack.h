#pragma once
// The open #if, #ifdef and #ifndef levels. Each level keeps one state byte: bit 0 while its
// current branch is compiled, bit 7 once its #else has been seen. Levels opened inside a
// skipped branch are only counted, so every level on the stack has a compiled parent.
#include <array>
#include <cstdint>

namespace kz::clike {

class ConditionalStack {
 public:
  static constexpr int kMaxLevels = 16;
  static constexpr std::uint8_t kCompiling = 0x01;
  static constexpr std::uint8_t kElseSeen = 0x80;

  enum class ElseResult : std::uint8_t { noLevel, secondElse, nowCompiling, nowSkipping };
  enum class EndResult : std::uint8_t { noLevel, closed };

  // Opens a level; false when all 16 are in use.
  bool open(bool condition) {
    if (size_ == kMaxLevels) return false;
    levels_[size_++] = condition ? kCompiling : 0;
    return true;
  }

  ElseResult elseBranch() {
    if (size_ == 0) return ElseResult::noLevel;
    std::uint8_t& state = levels_[size_ - 1];
    if (state & kElseSeen) return ElseResult::secondElse;
    state = static_cast<std::uint8_t>((state ^ kCompiling) | kElseSeen);
    return state & kCompiling ? ElseResult::nowCompiling : ElseResult::nowSkipping;
  }

  EndResult close() {
    if (size_ == 0) return EndResult::noLevel;
    --size_;
    return EndResult::closed;
  }

  int size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::uint8_t top() const { return size_ ? levels_[size_ - 1] : kCompiling; }

 private:
  std::array<std::uint8_t, kMaxLevels> levels_{};
  int size_ = 0;
};

}  // namespace kz::clike
