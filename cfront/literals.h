#pragma once
// The values of string literals and floating constants from their spellings.
#include <cstddef>
#include <string>
#include <string_view>

#include "cfront/diagnostics.h"
#include "cfront/settings.h"
#include "cfront/types.h"

namespace kz::cfront {

// Collects the bytes of one string literal, adjacent literals appended to it, as the parser
// reads them: clear() at the first piece, append() for each, then bytes() for the node.
// A wide literal holds two bytes per character, most significant first. The first piece
// decides whether the whole literal is wide.
class StringLiteralBuffer {
 public:
  // The bytes one literal may have, its concatenated pieces together, terminator excluded.
  static constexpr std::size_t kCapacity = 4096;

  StringLiteralBuffer(const RunOptions& options, Diagnostics& diagnostics)
      : options_(options), diagnostics_(diagnostics) {}

  void clear();
  // One spelling with its quotes and an optional L; 206 for a newline in it, 150 (fatal)
  // when the collected bytes pass kCapacity.
  void append(std::string_view spelling);

  std::string_view bytes() const { return bytes_; }
  bool wide() const { return wide_; }

 private:
  void add(std::uint32_t value, std::uint8_t count);

  const RunOptions& options_;
  Diagnostics& diagnostics_;
  std::string bytes_;
  bool wide_ = false;
  bool started_ = false;
};

struct FloatingValue {
  double value = 0;
  TypeKind type = TypeKind::doubleType;  // floatType, doubleType or longDouble by suffix
  bool valid = true;                     // false: the spelling is no floating constant
};

// A floating constant's spelling: digits with a '.' and/or an exponent, an optional f/F or
// l/L suffix; 207 for an exponent without digits.
FloatingValue parseFloatingConstant(std::string_view text, Diagnostics& diagnostics);

}  // namespace kz::cfront
