#pragma once
// The compiler's numbered messages, generated from messages.def: the Message enumeration,
// the text table and the class each number belongs to.
#include <cstdint>
#include <string_view>

#include "common/message_table.h"

namespace kz::clike {

enum class Message : std::uint16_t {
#define KZ_MESSAGE(number, name, text) name = number,
#include "clike/messages.def"
#undef KZ_MESSAGE
};

enum class MessageClass : std::uint8_t { fatal, error, warning };

inline constexpr MessageRow kMessageRows[] = {
#define KZ_MESSAGE(number, name, text) {number, text},
#include "clike/messages.def"
#undef KZ_MESSAGE
};
static_assert(sortedByNumber(kMessageRows),
              "messages.def rows must be in ascending, unique number order");

constexpr int numberOf(Message message) { return static_cast<int>(message); }

inline std::string_view messageText(Message message) {
  const MessageRow* row = findMessage(kMessageRows, numberOf(message));
  return row ? row->text : std::string_view{};
}

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
