#include "cfront/literals.h"

#include <cstdlib>

#include "cfront/constants.h"

namespace kz::cfront {
namespace {

bool isDigitCharacter(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void StringLiteralBuffer::clear() {
  bytes_.clear();
  wide_ = false;
  started_ = false;
}

void StringLiteralBuffer::add(std::uint32_t value, std::uint8_t count) {
  if (wide_) count = count > 2 ? count : 2;
  for (int shift = 8 * (count - 1); shift >= 0; shift -= 8)
    bytes_ += static_cast<char>((value >> shift) & 0xFF);
  if (bytes_.size() > kCapacity) diagnostics_.report(Message::stringTooLarge);
}

void StringLiteralBuffer::append(std::string_view spelling) {
  bool wide = !spelling.empty() && spelling.front() == 'L';
  if (wide) spelling.remove_prefix(1);
  if (!started_) wide_ = wide;
  started_ = true;
  if (!spelling.empty() && spelling.front() == '"') spelling.remove_prefix(1);
  if (!spelling.empty() && spelling.back() == '"') spelling.remove_suffix(1);
  for (std::size_t at = 0; at < spelling.size();) {
    if (spelling[at] == '\n') {
      diagnostics_.report(Message::newlineInString);
      return;
    }
    DecodedCharacter c = decodeCharacter(spelling, at, options_, diagnostics_);
    if (c.bytes != 0) add(c.value, c.bytes);
  }
}

FloatingValue parseFloatingConstant(std::string_view text, Diagnostics& diagnostics) {
  FloatingValue result;
  std::size_t at = 0;
  while (at < text.size() && isDigitCharacter(text[at])) ++at;
  bool point = at < text.size() && text[at] == '.';
  if (point) ++at;
  while (at < text.size() && isDigitCharacter(text[at])) ++at;
  std::size_t mantissaEnd = at;
  bool exponent = at < text.size() && (text[at] == 'e' || text[at] == 'E');
  std::size_t numberEnd = at;
  if (exponent) {
    char letter = text[at++];
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    std::size_t digits = at;
    while (at < text.size() && isDigitCharacter(text[at])) ++at;
    if (at == digits) {
      diagnostics.report(Message::unexpectedExponent, {static_cast<int>(letter)});
    } else {
      numberEnd = at;
    }
  }
  if (mantissaEnd == 0 || (mantissaEnd == 1 && point) || (!point && !exponent)) {
    result.valid = false;
    return result;
  }
  std::string_view suffix = text.substr(at);
  if (suffix == "f" || suffix == "F") {
    result.type = TypeKind::floatType;
  } else if (suffix == "l" || suffix == "L") {
    result.type = TypeKind::longDouble;
  } else if (!suffix.empty()) {
    result.valid = false;
    return result;
  }
  // strtod, unlike from_chars, gives infinity for a value too large, which 510 then reports.
  std::string number(text.substr(0, numberEnd));
  result.value = std::strtod(number.c_str(), nullptr);
  return result;
}

}  // namespace kz::cfront
