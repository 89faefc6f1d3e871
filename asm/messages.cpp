#include "asm/messages.h"

#include "common/fatal_error.h"
#include "common/message_table.h"

namespace kz::assembler {
namespace {

constexpr MessageRow kMessages[] = {
#define KZ_MESSAGE(number, name, text) {number, text},
#include "asm/messages.def"
#undef KZ_MESSAGE
};
static_assert(sortedByNumber(kMessages), "message table must stay in number order");

}  // namespace

MessageClass messageClassOf(int number) {
  if (number < 200) return MessageClass::fatal;
  if (number < 500) return MessageClass::error;
  return MessageClass::warning;
}

std::string_view messageText(int number) {
  const MessageRow* row = findMessage(kMessages, number);
  return row != nullptr ? row->text : std::string_view{};
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
