#include "link/messages.h"

#include <algorithm>
#include <array>

namespace kz::link {
namespace {

struct MessageRow {
  Message message;
  std::string_view text;
};

constexpr std::array kMessages = std::to_array<MessageRow>({
#define KZ_MESSAGE(number, name, text) {Message::name, text},
#include "link/messages.def"
#undef KZ_MESSAGE
});

constexpr bool sortedByNumber() {
  for (std::size_t i = 1; i < kMessages.size(); ++i) {
    if (static_cast<int>(kMessages[i - 1].message) >= static_cast<int>(kMessages[i].message))
      return false;
  }
  return true;
}
static_assert(sortedByNumber(), "message table must stay in number order");

}  // namespace

MessageClass messageClassOf(Message message) {
  int number = static_cast<int>(message);
  if (number < 200) return MessageClass::fatal;
  if (number < 500) return MessageClass::error;
  return MessageClass::warning;
}

std::string_view messageText(Message message) {
  auto found = std::lower_bound(kMessages.begin(), kMessages.end(), message,
                                [](const MessageRow& row, Message wanted) {
                                  return static_cast<int>(row.message) < static_cast<int>(wanted);
                                });
  return found != kMessages.end() && found->message == message ? found->text : "";
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
