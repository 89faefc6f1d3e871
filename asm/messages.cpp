#include "asm/messages.h"

#include <algorithm>
#include <array>

#include "common/fatal_error.h"

namespace kz::assembler {
namespace {

struct MessageRow {
  int number;
  std::string_view text;
};

constexpr std::array kMessages = std::to_array<MessageRow>({
#define KZ_MESSAGE(number, name, text) {number, text},
#include "asm/messages.def"
#undef KZ_MESSAGE
});

constexpr bool sortedByNumber() {
  for (std::size_t i = 1; i < kMessages.size(); ++i) {
    if (kMessages[i - 1].number >= kMessages[i].number) return false;
  }
  return true;
}
static_assert(sortedByNumber(), "message table must stay in number order");

}  // namespace

MessageClass messageClassOf(int number) {
  if (number < 200) return MessageClass::fatal;
  if (number < 500) return MessageClass::error;
  return MessageClass::warning;
}

std::string_view messageText(int number) {
  auto found = std::lower_bound(
      kMessages.begin(), kMessages.end(), number,
      [](const MessageRow& message, int wanted) { return message.number < wanted; });
  return found != kMessages.end() && found->number == number ? found->text : std::string_view{};
}

std::string_view messageText(Message message) { return messageText(messageNumber(message)); }

std::string formatMessage(int number, std::string_view argument) {
  std::string_view text = messageText(number);
  std::string result(text);
  auto placeholder = result.find("%s");
  if (placeholder != std::string::npos) result.replace(placeholder, 2, argument);
  return result;
}

std::string formatMessage(Message message, std::string_view argument) {
  return formatMessage(messageNumber(message), argument);
}

int fatalExitStatus(int number) {
  if (number >= messageNumber(Message::cantOpen) && number <= messageNumber(Message::cantSeek))
    return kFileFatalStatus;
  if (number >= messageNumber(Message::noSourceFile) &&
      number <= messageNumber(Message::nestedCommandFile))
    return kCommandLineFatalStatus;
  return kInternalFatalStatus;
}

void raiseFatal(Message message, std::string_view argument) {
  int number = messageNumber(message);
  throw FatalError(number, std::string(argument), fatalExitStatus(number));
}

}  // namespace kz::assembler
