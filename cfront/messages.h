#pragma once
// The front end's numbered messages, generated from messages.def: the Message enumeration,
// the text table and the class each number belongs to.
#include <cstdint>
#include <string_view>

#include "common/message_table.h"

namespace kz::cfront {

enum class Message : std::uint16_t {
#define KZ_MESSAGE(number, name, text) name = number,
#include "cfront/messages.def"
#undef KZ_MESSAGE
};

inline constexpr MessageRow kMessageRows[] = {
#define KZ_MESSAGE(number, name, text) {number, text},
#include "cfront/messages.def"
#undef KZ_MESSAGE
};
static_assert(sortedByNumber(kMessageRows),
              "messages.def rows must be in ascending, unique number order");

enum class MessageClass : std::uint8_t { fatal, error, warning, compilerError };

constexpr int numberOf(Message message) { return static_cast<int>(message); }

constexpr MessageClass messageClassOf(int number) {
  if (number < 200) return MessageClass::fatal;
  if (number < 500) return MessageClass::error;
  if (number < 700) return MessageClass::warning;
  return MessageClass::compilerError;
}

constexpr std::string_view classWord(MessageClass messageClass) {
  switch (messageClass) {
    case MessageClass::fatal:
      return "Fatal";
    case MessageClass::error:
      return "Error";
    case MessageClass::warning:
      return "Warning";
    case MessageClass::compilerError:
      return "Compiler Error";
  }
  return {};
}

// The format of a number, or nullptr when the table has none.
constexpr const MessageRow* findMessageRow(int number) { return findMessage(kMessageRows, number); }

static_assert(findMessageRow(163)->text == "Unexpected EOF in commnent");
static_assert(findMessageRow(701)->text == "%s");

}  // namespace kz::cfront
