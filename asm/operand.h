#pragma once
// Instruction operands: the descriptor the encoder works on, and the parser that builds one
// from the tokens of an operand.
//
// operand   := register [ '.' bit ] | condition | memory [ '.' ( bit | register ) ] | expression
// memory    := '[' ( DE | HL | HL '+' | '-' HL | HL '+' C | PC '+' A
//                  | ( HL | SP ) ( '+' | '-' ) expression | expression ) ']'
// where '[' ']' are the memory brackets the lexer makes of an operand that is exactly one
// parenthesised group.
#include <cstdint>
#include <span>
#include <vector>

#include "asm/expr.h"
#include "asm/expr_parser.h"
#include "asm/reporter.h"
#include "asm/symbols.h"
#include "asm/token.h"

namespace kz::assembler {

enum class AddressingClass : std::uint8_t {
  invalid,           // the operand could not be parsed; its statement does not encode
  registerName,      // A..H, WA..HL, SP, PC, CF, PSW, RBS
  registerIndirect,  // (DE) (HL)
  baseDisplacement,  // (HL+d) (SP+d)
  baseIndex,         // (HL+C) (PC+A)
  postIncrement,     // (HL+)
  preDecrement,      // (-HL)
  immediate,         // a bare expression
  direct,            // (x)
  bitIndirect,       // (DE).g (HL).g
  condition,         // T F EQ Z NE NZ CS LT CC GE LE GT
};

// How an operand's bytes are written (the byte layouts merge the first byte of a merging
// kind into the byte written just before it).
enum class OperandKind : std::uint8_t {
  none,               // implied by the opcode: no bytes
  reg,                // 8-bit register number 0..7, merged
  pair,               // register-pair number 0..3, merged
  bitRegister,        // g, then 2 for (DE) / 3 for (HL) on its second use, merged
  condition,          // condition code, merged
  vector,             // 4-bit value 0..15, merged
  shortRelative,      // 5-bit displacement -16..15, merged
  relative,           // 8-bit displacement -128..127
  byte,               // 8-bit value
  word,               // 16-bit value, low byte first
  triple,             // 24-bit value, low byte first
  memory,             // source prefix (merged), then the mode's address or displacement
  destinationMemory,  // destination prefix (merged), then the same bytes
};

bool isMergingKind(OperandKind kind);

// Memory modes: the index of an operand's prefix in the prefix table (source 2m,
// destination 2m+1).
inline constexpr int kNoMemoryMode = -1;
enum MemoryMode : int {
  directByte = 0,       // (x)
  directWord = 1,       // 16-bit address
  pointerDE = 2,        // (DE)
  pointerHL = 3,        // (HL)
  hlDisplacement = 4,   // (HL+d)
  hlIndexC = 5,         // (HL+C)
  hlPostIncrement = 6,  // (HL+)
  hlPreDecrement = 7,   // (-HL)
  spDisplacement = 10,  // (SP+d)
  pcIndexA = 12,        // (PC+A)
};

struct Operand {
  AddressingClass addressing = AddressingClass::invalid;
  // Register (its Register value) of a register name, or the base register of a memory
  // operand; the Condition value of a condition.
  std::int32_t reg = -1;
  // The index register of (HL+C)/(PC+A), or the bit-number register g of (DE).g/(HL).g.
  std::int32_t secondReg = -1;
  bool hasBitSuffix = false;
  ExprTree bitExpr;
  exprValue bitValue;                    // set by the encoder
  ExprTree valueExpr;                    // immediate, direct address or displacement
  exprValue value;                       // set by the encoder: kind, value and the forward mark
  int memoryMode = kNoMemoryMode;        // chosen by the encoder
  OperandKind kind = OperandKind::none;  // chosen by the form classifier

  bool isValid() const { return addressing != AddressingClass::invalid; }
  // A fresh operand that keeps its expression trees' storage.
  void reset();
  bool hasValue() const { return valueExpr.valid(); }
  bool isMemory() const;  // any parenthesised form except (DE).g/(HL).g
};

// The memory mode of a memory operand (kNoMemoryMode for any other).
int memoryModeOf(const Operand& operand);

class OperandCursor;

// Malformed operands are reported in pass 1 only (230 for a register where none may stand,
// 200 for anything else) and come back invalid in every pass; errors inside expressions are
// the expression parser's. In pass 1 each identifier token gets the symbol it was found as
// (Token::bind), so the token file can store indices.
class OperandParser {
 public:
  OperandParser(ExprParser& expressions, Reporter& reporter)
      : expressions_(expressions), reporter_(reporter) {}

  // operands := [ operand { ',' operand } ]
  // `tokens` is the operand field: everything after the mnemonic, up to the line end. The
  // operands live in the parser and stay valid until its next parseList.
  std::span<Operand> parseList(std::span<Token> tokens, Pass pass);

 private:
  void parseOne(OperandCursor& tokens, Pass pass, Operand& operand);
  bool parseRegisterOperand(OperandCursor& tokens, Operand& operand, Pass pass);
  bool parseMemory(OperandCursor& tokens, Operand& operand, Pass pass);
  bool parseRegisterMemory(OperandCursor& tokens, Operand& operand, Pass pass);
  bool parseMemoryBitSuffix(OperandCursor& tokens, Operand& operand, Pass pass);
  bool parseExpression(OperandCursor& tokens, ExprTree& tree, Pass pass);
  bool reject(Message message, Pass pass);

  ExprParser& expressions_;
  Reporter& reporter_;
  std::vector<Operand> operands_;  // reused from statement to statement
};

}  // namespace kz::assembler
