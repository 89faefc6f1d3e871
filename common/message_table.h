#pragma once
// The text table every program builds from its messages.def: rows in number order, found
// by binary search. Each program keeps its own numbers, texts and formats.
#include <algorithm>
#include <span>
#include <string_view>

namespace kz {

struct MessageRow {
  int number;
  std::string_view text;
};

constexpr bool sortedByNumber(std::span<const MessageRow> rows) {
  for (std::size_t i = 1; i < rows.size(); ++i) {
    if (rows[i - 1].number >= rows[i].number) return false;
  }
  return true;
}

// The row of a number; nullptr for a number without one.
constexpr const MessageRow* findMessage(std::span<const MessageRow> rows, int number) {
  auto found = std::lower_bound(
      rows.begin(), rows.end(), number,
      [](const MessageRow& message, int wanted) { return message.number < wanted; });
  return found != rows.end() && found->number == number ? &*found : nullptr;
}

}  // namespace kz
