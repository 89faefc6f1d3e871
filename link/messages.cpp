#include "link/messages.h"

#include "common/message_table.h"

namespace kz::link {
namespace {

constexpr MessageRow kMessages[] = {
#define KZ_MESSAGE(number, name, text) {number, text},
#include "link/messages.def"
#undef KZ_MESSAGE
};
static_assert(sortedByNumber(kMessages), "message table must stay in number order");

}  // namespace

MessageClass messageClassOf(Message message) {
  int number = static_cast<int>(message);
  if (number < 200) return MessageClass::fatal;
  if (number < 500) return MessageClass::error;
  return MessageClass::warning;
}

std::string_view messageText(Message message) {
  const MessageRow* row = findMessage(kMessages, static_cast<int>(message));
  return row ? row->text : "";
}

std::string formatMessage(Message message, std::string_view argument) {
  std::string text(messageText(message));
  auto at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, argument);
  return text;
}

std::string_view classLabel(MessageClass messageClass) {
  switch (messageClass) {
    case MessageClass::fatal:
      return "Fatal";
    case MessageClass::error:
      return "Error";
    case MessageClass::warning:
      return "Warning";
  }
  return "";
}

}  // namespace kz::link
