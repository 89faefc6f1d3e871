#pragma once
// The text of a generated benchmark program, line by line, with the line count and a
// deterministic pseudo-random source for names and constants.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kz::bench {

class GeneratedText {
 protected:
  explicit GeneratedText(std::uint32_t seed) : state_(seed) {}

  void line(std::string_view text) {
    text_ += text;
    text_ += '\n';
    ++count_;
  }

  std::uint32_t next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }
  std::string number(std::uint32_t below) { return std::to_string(next() % below); }

  std::string text_;
  std::size_t count_ = 0;

 private:
  std::uint32_t state_;
};

}  // namespace kz::bench
