#pragma once
// The assembler's numbered messages and their classes.
#include <string>
#include <string_view>

namespace kz::assembler {

enum class MessageClass { fatal, error, warning };

MessageClass messageClassOf(int number);
// The message text; "" for a number without text.
std::string_view messageText(int number);
// The text with "%s" replaced by the argument.
std::string formatMessage(int number, std::string_view argument);

}  // namespace kz::assembler
