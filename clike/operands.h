#pragma once
// The operands of generated instructions and the forms the processor has for them: each
// instruction the generator writes is first checked against these forms, so an operation
// without an instruction is reported instead of written.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kz::clike {

enum class OperandKind : std::uint8_t {
  none,
  register8,   // number 0..7: A W C B E D L H
  register16,  // number 0..3: WA BC DE HL
  stackPointer,
  bankSelector,  // RBS
  statusWord,    // PSW
  carry,         // CF
  immediate,
  memory,     // mode below
  bit,        // a register or memory byte with a bit number (or bit register)
  condition,  // a condition code name
};

// Memory modes, numbered as the instruction encodings number them.
enum class MemoryMode : std::uint8_t {
  direct = 0,  // (x), the tiny area
  atDE = 2,
  atHL = 3,
  hlDisplacement = 4,
  hlPlusC = 5,
  hlIncrement = 6,
  hlDecrement = 7,
  pcPlusA = 12,
};

// The assembler text of an operand, kept in the operand itself: operands are made, copied
// and dropped for every instruction, and a string of their own would cost more than the
// text. The room holds far more than the longest text the compiler makes, a statement
// label (a function's name, a dot and the label's name, of at most 31 significant
// characters each).
class OperandText {
 public:
  static constexpr std::size_t kRoom = 127;

  OperandText() = default;
  OperandText(std::string_view text) { assign(text); }  // NOLINT: text converts freely
  OperandText(const char* text) { assign(text); }       // NOLINT
  OperandText& operator=(std::string_view text) {
    assign(text);
    return *this;
  }
  OperandText& operator=(const char* text) {
    assign(text);
    return *this;
  }
  OperandText& operator+=(std::string_view more) {
    std::size_t piece = std::min(more.size(), kRoom - size_);
    if (piece != 0) std::memcpy(bytes_ + size_, more.data(), piece);
    size_ = static_cast<std::uint8_t>(size_ + piece);
    return *this;
  }

  std::string_view view() const { return std::string_view(bytes_, size_); }
  operator std::string_view() const { return view(); }  // NOLINT
  std::string str() const { return std::string(view()); }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  friend bool operator==(const OperandText& a, const OperandText& b) {
    return a.view() == b.view();
  }
  friend bool operator==(const OperandText& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const OperandText& a, const char* b) { return a.view() == b; }

 private:
  void assign(std::string_view text) {
    size_ = static_cast<std::uint8_t>(std::min(text.size(), kRoom));
    if (size_ != 0) std::memmove(bytes_, text.data(), size_);  // the text may be this one's
  }

  std::uint8_t size_ = 0;
  char bytes_[kRoom];
};

struct Operand {
  OperandKind kind = OperandKind::none;
  int number = 0;  // register number; for bits of a register the register
  MemoryMode mode = MemoryMode::direct;
  bool word = false;      // a 16-bit access or value
  bool constant = false;  // an immediate whose value is known
  std::int32_t value = 0;
  bool bitInMemory = false;  // bit: the byte is memory (mode), else register `number`
  bool bitRegister = false;  // bit: the number is in register bitNumber (0..7)
  int bitNumber = 0;
  OperandText text;  // assembler text, complete ("a", "(hl+)", "(_x).3", "_f")

  bool isA() const { return kind == OperandKind::register8 && number == 0; }
  bool isWA() const { return kind == OperandKind::register16 && number == 0; }
  bool isHL() const { return kind == OperandKind::register16 && number == 3; }
  bool isMemory() const { return kind == OperandKind::memory; }
  bool usesHL() const;  // reads or writes H, L or HL, also as an address
};

Operand register8Operand(int number);
Operand register16Operand(int number);
Operand immediateOperand(std::int32_t value);
Operand symbolicImmediate(std::string_view text);  // a name's address, "_x+2"
Operand memoryOperand(MemoryMode mode, std::string_view text, bool word);
// The address of the program's name `name` with a signed offset: "_x+2", "_x-1", "_x".
OperandText addressText(std::string_view name, std::int32_t offset);
// (HL+d): `value` holds d.
Operand displacementOperand(std::int32_t displacement, bool word);

// A name's address stored into a byte: the assembler has no low byte of an address.
bool addressIntoByte(const Operand& target, const Operand& value);

// The byte at the low or the high address of a 16-bit operand (the low and high register
// of a pair), when it has a form of its own.
std::optional<Operand> lowByte(const Operand& word);
std::optional<Operand> highByte(const Operand& word);

// Bit n for each 8-bit register n (A W C B E D L H) a register operand is made of.
std::uint8_t registerBits(const Operand& operand);

std::string_view register8Name(int number);
std::string_view register16Name(int number);

// Whether the processor has the instruction `mnemonic first,second` (second absent for one
// operand, both absent for none).
bool hasForm(std::string_view mnemonic, const Operand& first, const Operand& second);
bool hasForm(std::string_view mnemonic, const Operand& only);
bool hasForm(std::string_view mnemonic);

}  // namespace kz::clike
