#include "driver/messages.h"

#include <algorithm>
#include <array>

namespace kz::driver {
namespace {

struct MessageRow {
  int number;
  std::string_view text;
};

constexpr std::array kMessages = std::to_array<MessageRow>({
#define KZ_MESSAGE(number, name, text) {number, text},
#include "driver/messages.def"
#undef KZ_MESSAGE
});

constexpr bool sortedByNumber() {
  for (std::size_t i = 1; i < kMessages.size(); ++i) {
    if (kMessages[i - 1].number >= kMessages[i].number) return false;
  }
  return true;
}
static_assert(sortedByNumber(), "message table must stay in number order");

const MessageRow* findMessage(int number) {
  auto found = std::lower_bound(
      kMessages.begin(), kMessages.end(), number,
      [](const MessageRow& message, int wanted) { return message.number < wanted; });
  return found != kMessages.end() && found->number == number ? &*found : nullptr;
}

}  // namespace

std::string formatMessage(int number, std::initializer_list<std::string_view> arguments) {
  std::string text = std::to_string(number) + " : ";
  const MessageRow* row = findMessage(number);
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
