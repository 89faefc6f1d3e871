#include "clike/token_dump.h"

#include <string>

namespace kz::clike {
namespace {

std::string escaped(std::string_view text) {
  std::string result = "\"";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      result += '\\';
      result += c;
    } else if (c == '\n') {
      result += "\\n";
    } else if (c == '\t') {
      result += "\\t";
    } else if (byte < 32 || byte > 126) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02x", byte);
      result += code;
    } else {
      result += c;
    }
  }
  return result + '"';
}

}  // namespace

void dumpToken(std::FILE* out, const Token& token) {
  std::string line = std::to_string(token.depth) + ":" + std::to_string(token.line) + " ";
  line += tokenClassName(token.kind);
  line += " " + std::to_string(token.value);
  bool quoted = token.kind == TokenClass::string || token.kind == TokenClass::asmBlock;
  if (quoted)
    line += " " + escaped(token.text);
  else if (!token.text.empty())
    line += " " + std::string(token.text);
  line += '\n';
  std::fputs(line.c_str(), out);
}

}  // namespace kz::clike
