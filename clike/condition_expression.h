#pragma once
// The condition of #if: a constant expression over the tokens of the directive's line
// (macros expanded), folded with the operators and precedence of the language.
#include <cstdint>
#include <functional>
#include <optional>

#include "clike/diagnostics.h"
#include "clike/token.h"

namespace kz::clike {

class ConditionExpression {
 public:
  // `next` yields the line's tokens and then endOfDirective.
  ConditionExpression(Diagnostics& diagnostics, std::function<Token()> next);

  // The folded value; nothing when the expression is not a constant or an error was
  // reported for it. The rest of the line is read either way.
  std::optional<std::int32_t> evaluate();

 private:
  using Value = std::uint32_t;  // folded with wrap-around, read as signed where it matters

  void advance();
  Value conditional();
  Value binary(int level);
  Value unary();
  Value primary();
  void fail(Message message, std::string_view text = {});
  void syntax();

  Diagnostics& diagnostics_;
  std::function<Token()> next_;
  Token token_;
  bool failed_ = false;
};

}  // namespace kz::clike
