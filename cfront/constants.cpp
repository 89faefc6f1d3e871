#include "cfront/constants.h"

#include "cfront/lexer.h"
#include "cfront/source_text.h"

namespace kz::cfront {
namespace {

// \a \b \f \n \r \t \v and their values.
constexpr std::string_view kEscapeLetters = "abfnrtv";
constexpr std::uint32_t kEscapeValues[] = {7, 8, 12, 10, 13, 9, 11};

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

IntegerType typeOf(std::uint64_t value, bool unsignedSuffix, bool longSuffix, bool decimal,
                   const RunOptions& options) {
  if (longSuffix)
    return unsignedSuffix || value >= 2147483648u ? IntegerType::unsignedLong
                                                  : IntegerType::longType;
  if (options.smallConstants && value < 256)
    return unsignedSuffix || value >= 128 ? IntegerType::unsignedChar : IntegerType::signedChar;
  if (unsignedSuffix) return value <= 65535 ? IntegerType::unsignedInt : IntegerType::unsignedLong;
  if (value <= 32767) return IntegerType::intType;
  if (!decimal && value <= 65535) return IntegerType::unsignedInt;
  return value <= 2147483647 ? IntegerType::longType : IntegerType::unsignedLong;
}

}  // namespace

DecodedCharacter decodeCharacter(std::string_view text, std::size_t& at, const RunOptions& options,
                                 Diagnostics& diagnostics) {
  auto c = static_cast<unsigned char>(text[at++]);
  if (options.kanjiText && isShiftJisLead(c) && at < text.size()) {
    return {static_cast<std::uint32_t>((c << 8) | static_cast<unsigned char>(text[at++])), 2};
  }
  if (c != '\\' || at >= text.size()) return {c, 1};
  char e = text[at++];
  if (std::size_t letter = kEscapeLetters.find(e); e != 0 && letter != std::string_view::npos)
    return {kEscapeValues[letter], 1};
  switch (e) {
    case '"':
    case '\'':
    case '?':
    case '\\':
      return {static_cast<unsigned char>(e), 1};
    case 'x': {
      std::uint64_t value = 0;
      int digits = 0;
      std::size_t start = at;
      while (at < text.size() && digitValue(text[at]) < 16) {
        value = (value << 4) | static_cast<unsigned>(digitValue(text[at++]));
        if (value != 0) ++digits;
        value &= 0xFFFFFFFFFFull;
      }
      if (at == start) {
        diagnostics.report(Message::illegalHexConstant);
        return {0, 0};
      }
      if (digits > 8)
        diagnostics.report(Message::hexEscapeOutOfRange,
                           {static_cast<long long>(value & 0xFFFFFFFFu)});
      auto low = static_cast<std::uint32_t>(value);
      std::uint8_t bytes = low > 0xFFFFFF ? 4 : low > 0xFFFF ? 3 : low > 0xFF ? 2 : 1;
      return {low, bytes};
    }
    default:
      if (e >= '0' && e <= '7') {
        std::uint32_t value = static_cast<std::uint32_t>(e - '0');
        for (int more = 0; more < 2 && at < text.size() && text[at] >= '0' && text[at] <= '7';
             ++more)
          value = value * 8 + static_cast<std::uint32_t>(text[at++] - '0');
        return {value, 1};
      }
      diagnostics.report(Message::illegalEscapeCharacter, {static_cast<int>(e)});
      return {static_cast<unsigned char>(e), 1};
  }
}

IntegerConstant parseIntegerConstant(std::string_view text, const RunOptions& options,
                                     Diagnostics& diagnostics) {
  IntegerConstant result;
  std::size_t at = 0;
  int base = 10;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    at = 2;
  } else if (!text.empty() && text[0] == '0') {
    base = 8;
  }
  std::uint64_t value = 0;
  bool tooBig = false;
  std::size_t digitsStart = at;
  for (; at < text.size(); ++at) {
    int digit = digitValue(text[at]);
    if (base != 16 && text[at] >= 'a') digit = 99;
    if (digit >= base) {
      if (base == 8 && digit < 10) {
        diagnostics.report(Message::illegalDigit, {static_cast<int>(text[at]), 8});
        while (at < text.size() && isDigit(text[at])) ++at;
      }
      break;
    }
    value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
    if (value > 4294967295u) {
      tooBig = true;
      value &= 0xFFFFFFFFFull;
    }
  }
  if (base == 16 && at == digitsStart) {
    diagnostics.report(Message::illegalHexConstant);
    value = 0;
  }
  bool unsignedSuffix = false;
  bool longSuffix = false;
  for (; at < text.size(); ++at) {
    char c = text[at];
    if ((c == 'u' || c == 'U') && !unsignedSuffix) {
      unsignedSuffix = true;
    } else if ((c == 'l' || c == 'L') && !longSuffix) {
      longSuffix = true;
    } else {
      result.valid = false;
      return result;
    }
  }
  if (tooBig) {
    diagnostics.report(Message::constantTooBig);
    value = 0;
  }
  result.value = static_cast<std::uint32_t>(value);
  result.type = typeOf(value, unsignedSuffix, longSuffix, base == 10, options);
  return result;
}

IntegerConstant parseCharacterConstant(std::string_view text, const RunOptions& options,
                                       Diagnostics& diagnostics) {
  IntegerConstant result;
  if (!text.empty() && text[0] == 'L') text.remove_prefix(1);
  std::size_t end = text.size() >= 2 && text.back() == '\'' ? text.size() - 1 : text.size();
  std::size_t at = 1;
  std::uint32_t value = 0;
  int count = 0;
  while (at < end) {
    bool kanji = options.kanjiText && isShiftJisLead(static_cast<unsigned char>(text[at]));
    std::uint32_t c = decodeCharacter(text.substr(0, end), at, options, diagnostics).value;
    if (kanji) {  // a double-byte character is two characters of the constant
      value = (value << 8) | (c >> 8);
      ++count;
    } else if (c > 255) {
      diagnostics.report(Message::tooBigForCharacter);
    }
    value = (value << 8) | (c & 0xFF);
    ++count;
  }
  if (count == 0) {
    diagnostics.report(Message::emptyCharacterConstant);
    return result;
  }
  if (count > 2) {
    diagnostics.report(Message::tooManyCharacters);
  }
  if (count == 1 && !options.unsignedChar) {
    result.value = static_cast<std::uint32_t>(
        static_cast<std::int32_t>(static_cast<std::int8_t>(value & 0xFF)));
    result.type = options.smallConstants ? IntegerType::signedChar : IntegerType::intType;
    return result;
  }
  result.value = value;
  result.type = typeOf(value, false, false, true, options);
  return result;
}

}  // namespace kz::cfront
