#pragma once
// The linker's and librarian's numbered messages (link/messages.def) and their classes.
#include <string>
#include <string_view>

namespace kz::link {

enum class Message {
#define KZ_MESSAGE(number, name, text) name = number,
#include "link/messages.def"
#undef KZ_MESSAGE
};

enum class MessageClass { fatal, error, warning };

MessageClass messageClassOf(Message message);
std::string_view messageText(Message message);
// The text with "%s" replaced by the argument.
std::string formatMessage(Message message, std::string_view argument);
// "Fatal", "Error" or "Warning".
std::string_view classLabel(MessageClass messageClass);

}  // namespace kz::link
