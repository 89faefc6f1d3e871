#pragma once
// The constant expression of #if and #elif, evaluated over its expanded tokens as the
// target computes: every value acts as long (32 bits) or unsigned long. Identifiers that
// remain after expansion are 0.
#include <cstdint>
#include <span>

#include "cfront/diagnostics.h"
#include "cfront/settings.h"
#include "cfront/token.h"

namespace kz::cfront {

class ConditionEvaluator {
 public:
  ConditionEvaluator(std::span<const Token> tokens, Diagnostics& diagnostics,
                     const RunOptions& options);

  // The truth of the expression; an empty or malformed one is false (malformed: 216).
  bool evaluate();

  struct Value {
    std::uint32_t bits = 0;
    bool isUnsigned = false;
    bool truth() const { return bits != 0; }
  };

 private:
  Value conditional(bool live);
  Value binary(int minimumPrecedence, bool live);
  Value unary(bool live);
  Value primary(bool live);
  Value apply(std::string_view op, Value left, Value right, bool live);
  const Token* peek() const { return at_ < tokens_.size() ? &tokens_[at_] : nullptr; }
  bool accept(std::string_view spelling);
  [[noreturn]] void syntaxError() const;

  std::span<const Token> tokens_;
  std::size_t at_ = 0;
  Diagnostics& diagnostics_;
  const RunOptions& options_;
};

}  // namespace kz::cfront
