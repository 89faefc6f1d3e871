#pragma once
// The debug directives FILE, LINE, SYMBOL_A, SYMBOL_B, SYMBOL_N and SYMBOL_T: their operands
// are kept as written for the object writer's debug part. An operand is a string, a number
// with an optional sign, or a word (such as the "nc", "O", "Z" and "xc" of type lines).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "asm/reserved_words.h"
#include "asm/sections.h"
#include "asm/symbols.h"
#include "asm/token.h"

namespace kz::assembler {

enum class DebugOperandKind : std::uint8_t { string, number, word };

struct DebugOperand {
  DebugOperandKind kind = DebugOperandKind::number;
  std::string text;  // string bytes, or the word
  std::int32_t number = 0;
};

struct DebugRecord {
  DebugDirective directive = DebugDirective::file;
  std::vector<DebugOperand> operands;
  int fileIndex = 0;
  long line = 0;
  SectionId section = kNoSection;  // where the directive stood
  std::uint32_t location = 0;
};

// Parses the operand list after the directive word. Nothing when it is malformed (the
// caller reports error 200).
std::optional<std::vector<DebugOperand>> parseDebugOperands(std::span<const Token> tokens,
                                                            const SymbolTable& symbols);

}  // namespace kz::assembler
