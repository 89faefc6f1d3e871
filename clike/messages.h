#pragma once
// The compiler's numbered messages, generated from messages.def: the Message enumeration,
// the text table and the class each number belongs to.
#include <array>
#include <cstdint>
#include <string_view>

namespace kz::clike {

enum class Message : std::uint16_t {
#define KZ_MESSAGE(number, name, text) name = number,
#include "clike/messages.def"
#undef KZ_MESSAGE
};

enum class MessageClass : std::uint8_t { fatal, error, warning };

struct MessageRow {
  Message message;
  std::string_view text;
};

inline constexpr auto kMessageRows = std::to_array<MessageRow>({
#define KZ_MESSAGE(number, name, text) {Message::name, text},
#include "clike/messages.def"
#undef KZ_MESSAGE
});

constexpr int numberOf(Message message) { return static_cast<int>(message); }

constexpr bool rowsAscending() {
  for (std::size_t i = 1; i < kMessageRows.size(); ++i) {
    if (numberOf(kMessageRows[i - 1].message) >= numberOf(kMessageRows[i].message)) return false;
  }
  return true;
}
static_assert(rowsAscending(), "messages.def rows must be in ascending, unique number order");

// The text of a message; a binary search over the ascending rows.
constexpr std::string_view messageText(Message message) {
  std::size_t low = 0, high = kMessageRows.size();
  while (low < high) {
    std::size_t middle = (low + high) / 2;
    if (numberOf(kMessageRows[middle].message) < numberOf(message))
      low = middle + 1;
    else
      high = middle;
  }
  return low < kMessageRows.size() && kMessageRows[low].message == message ? kMessageRows[low].text
                                                                           : std::string_view{};
}
static_assert(messageText(Message::includeNestTooDeep) == "Include nest too deep");
static_assert(messageText(Message::preprocessorSyntaxError) == "Syntax error");

constexpr MessageClass messageClassOf(Message message) {
  int number = numberOf(message);
  if (number < 200) return MessageClass::fatal;
  if (number < 500) return MessageClass::error;
  return MessageClass::warning;
}

// Register warnings: reported only on request and counted apart.
constexpr bool isRegisterWarning(Message message) {
  return numberOf(message) >= 500 && numberOf(message) <= 510;
}

}  // namespace kz::clike
