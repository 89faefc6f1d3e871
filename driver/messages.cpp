#include "driver/messages.h"

#include "common/message_table.h"

namespace kz::driver {
namespace {

constexpr MessageRow kMessages[] = {
#define KZ_MESSAGE(number, name, text) {number, text},
#include "driver/messages.def"
#undef KZ_MESSAGE
};
static_assert(sortedByNumber(kMessages), "message table must stay in number order");

}  // namespace

std::string formatMessage(int number, std::initializer_list<std::string_view> arguments) {
  std::string text = std::to_string(number) + " : ";
  const MessageRow* row = findMessage(kMessages, number);
  if (row == nullptr) {
    if (arguments.size() > 0) text += *arguments.begin();
    return text;
  }
  const std::string_view* next = arguments.begin();
  std::string_view pattern = row->text;
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    if (pattern.compare(at, 2, "%s") == 0) {
      if (next != arguments.end()) text += *next++;
      ++at;
    } else {
      text += pattern[at];
    }
  }
  return text;
}

std::string formatMessage(Message message, std::initializer_list<std::string_view> arguments) {
  return formatMessage(messageNumber(message), arguments);
}

}  // namespace kz::driver
