#pragma once
// Preprocessing tokens with their positions: what the preprocessor hands to the tokenizer
// of the parser and to the preprocess-only writer.
#include <cstdint>
#include <string_view>

namespace kz::cfront {

enum class TokenKind : std::uint8_t {
  identifier,
  number,
  character,  // 'x' and L'x'
  string,     // "x" and L"x"
  punctuator,
  other,    // a character that starts no token
  comment,  // only when comments are kept
  newline,
  endOfFile,
  directiveLine,  // a line the preprocess-only output carries as it is (#pragma)
  placemarker,    // an empty argument next to ##, gone before the result leaves expansion
  endOfList,      // the end of a token list being expanded on its own
};

namespace token_flag {
inline constexpr std::uint8_t kLeadingSpace = 0x01;  // white space or a comment before it
inline constexpr std::uint8_t kNoExpand = 0x02;      // a macro name that may not expand again
inline constexpr std::uint8_t kFromMacro = 0x04;     // made by a macro expansion
inline constexpr std::uint8_t kLineStart = 0x08;     // first token of its line
}  // namespace token_flag

struct Token {
  std::string_view text;  // the spelling; stays valid for the whole run
  std::uint32_t line = 0;
  std::uint32_t column = 0;
  std::uint32_t hideSet = 0;  // the macros this token came out of (see HideSets)
  std::uint16_t file = 0;     // index into the preprocessor's file names
  TokenKind kind = TokenKind::endOfFile;
  std::uint8_t flags = 0;

  bool is(std::string_view spelling) const {
    return (kind == TokenKind::punctuator || kind == TokenKind::identifier) && text == spelling;
  }
  bool has(std::uint8_t flag) const { return (flags & flag) != 0; }
};

}  // namespace kz::cfront
