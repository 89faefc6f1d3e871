#pragma once
// The drivers' numbered messages (driver/messages.def).
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kz::driver {

enum class Message : std::uint16_t {
#define KZ_MESSAGE(number, name, text) name = number,
#include "driver/messages.def"
#undef KZ_MESSAGE
};

constexpr int messageNumber(Message message) { return static_cast<int>(message); }

// "NNN : text", each "%s" of the text replaced by the next argument. A number without a
// row shows the first argument as its text.
std::string formatMessage(int number, std::initializer_list<std::string_view> arguments);
std::string formatMessage(Message message, std::initializer_list<std::string_view> arguments);

}  // namespace kz::driver
