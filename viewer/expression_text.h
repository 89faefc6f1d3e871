#pragma once
// Readable text for the numbers and postfix expressions of an object module, using the
// names the module gives its sections and symbols: "R(CODE)+0x12", "X(putc)".
#include <cstdint>
#include <map>
#include <string>

#include "object/ieee695.h"

namespace kz::viewer {

// Names met so far in a module, by index.
struct ModuleNames {
  std::map<std::uint64_t, std::string> sections;   // ST records: R, P, S, L variables
  std::map<std::uint64_t, std::string> publics;    // NI records: I variables
  std::map<std::uint64_t, std::string> externals;  // NX records: X variables
  std::map<std::uint64_t, std::string> locals;     // NN records: N variables

  // "R(CODE)", or "R3" when the index has no name.
  std::string variableText(char letter, std::uint64_t index) const;
  // "CODE", or "section 3".
  std::string sectionText(std::uint64_t index) const;
};

// Decimal up to 9, else hexadecimal with 0x.
std::string numberText(std::uint64_t value);
std::string hexText(std::uint64_t value, int digits);

// Infix when every operator's operand count is known and the expression leaves exactly
// one value; otherwise the terms in postfix order, marked as such.
std::string expressionText(const object::Expression& expression, const ModuleNames& names);
std::string postfixText(const object::Expression& expression, const ModuleNames& names);

}  // namespace kz::viewer
