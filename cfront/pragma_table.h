#pragma once
// The #pragma keywords, looked up by the first word of a pragma's operand. The pragmas act
// on the compiler's state and records; the handler is given the keyword and the operand's
// remaining tokens, already macro-expanded.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "cfront/token.h"

namespace kz::cfront {

enum class PragmaId : std::uint8_t {
  opt,
  externSize,
  disinterrupt,
  builtinFile,
  builtinOn,
  builtinOff,
  inlineFunctions,
  io,
  adecl,
  cdecl,
  checkStack,
  loopOpt,
  pack,
  section,
  define,
};

struct PragmaRow {
  std::string_view keyword;
  PragmaId id;
};

inline constexpr auto kPragmaTable = std::to_array<PragmaRow>({
    {"opt", PragmaId::opt},
    {"extern", PragmaId::externSize},
    {"disinterrupt", PragmaId::disinterrupt},
    {"builtin_file", PragmaId::builtinFile},
    {"builtin_on", PragmaId::builtinOn},
    {"builtin_off", PragmaId::builtinOff},
    {"inline", PragmaId::inlineFunctions},
    {"io", PragmaId::io},
    {"adecl", PragmaId::adecl},
    {"cdecl", PragmaId::cdecl},
    {"check_stack", PragmaId::checkStack},
    {"loop_opt", PragmaId::loopOpt},
    {"pack", PragmaId::pack},
    {"section", PragmaId::section},
    {"define", PragmaId::define},
});
static_assert(kPragmaTable.size() == 15);

constexpr std::optional<PragmaId> findPragma(std::string_view keyword) {
  for (const PragmaRow& row : kPragmaTable) {
    if (row.keyword == keyword) return row.id;
  }
  return std::nullopt;
}

class PragmaHandler {
 public:
  virtual ~PragmaHandler() = default;
  // operand: the tokens after the keyword; keyword: the keyword token, for positions.
  virtual void handlePragma(PragmaId id, const Token& keyword, std::span<const Token> operand) = 0;
};

}  // namespace kz::cfront
