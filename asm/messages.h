#pragma once
// The assembler's numbered messages (asm/messages.def) and their classes.
#include <cstdint>
#include <string>
#include <string_view>

namespace kz::assembler {

enum class Message : std::uint16_t {
#define KZ_MESSAGE(number, name, text) name = number,
#include "asm/messages.def"
#undef KZ_MESSAGE
};

enum class MessageClass { fatal, error, warning };

constexpr int messageNumber(Message message) { return static_cast<int>(message); }

MessageClass messageClassOf(int number);
// The message text; "" for a number without text.
std::string_view messageText(int number);
std::string_view messageText(Message message);
// The text with "%s" replaced by the argument.
std::string formatMessage(int number, std::string_view argument);
std::string formatMessage(Message message, std::string_view argument);

inline constexpr int kFileFatalStatus = 176;
inline constexpr int kCommandLineFatalStatus = 128;
inline constexpr int kInternalFatalStatus = 192;

// Exit status of a fatal message's class.
int fatalExitStatus(int number);
// Throws kz::FatalError carrying the message and the status of its class.
[[noreturn]] void raiseFatal(Message message, std::string_view argument = {});

}  // namespace kz::assembler
