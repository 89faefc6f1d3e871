#include "clike/operands.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <initializer_list>

namespace kz::clike {
namespace {

constexpr auto kRegister8 =
    std::to_array<std::string_view>({"a", "w", "c", "b", "e", "d", "l", "h"});
constexpr auto kRegister16 = std::to_array<std::string_view>({"wa", "bc", "de", "hl"});

using K = OperandKind;
using M = MemoryMode;

bool is(const Operand& operand, K kind) { return operand.kind == kind; }
bool none(const Operand& operand) { return operand.kind == K::none; }

bool modeIn(const Operand& operand, std::initializer_list<M> modes) {
  if (!operand.isMemory()) return false;
  for (M mode : modes) {
    if (operand.mode == mode) return true;
  }
  return false;
}

bool byteMemory(const Operand& operand, std::initializer_list<M> modes) {
  return !operand.word && modeIn(operand, modes);
}

bool direct(const Operand& operand) {
  return operand.isMemory() && operand.mode == M::direct && !operand.word;
}
bool atHL(const Operand& operand) {
  return operand.isMemory() && operand.mode == M::atHL && !operand.word;
}
bool byteImmediate(const Operand& operand) { return is(operand, K::immediate); }
bool r8(const Operand& operand) { return is(operand, K::register8); }
bool r16(const Operand& operand) { return is(operand, K::register16); }
bool hOrL(const Operand& operand) {
  return r8(operand) && (operand.number == 6 || operand.number == 7);
}

// A bit form: register bit, memory bit in one of the modes, or (DE).g/(HL).g.
bool bitForm(const Operand& operand, std::initializer_list<M> modes) {
  if (!is(operand, K::bit)) return false;
  if (operand.bitRegister) return operand.mode == M::atDE || operand.mode == M::atHL;
  if (!operand.bitInMemory) return true;
  for (M mode : modes) {
    if (operand.mode == mode) return true;
  }
  return false;
}

constexpr std::initializer_list<M> kBitModes = {
    M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC, M::hlIncrement, M::hlDecrement, M::pcPlusA};

bool loadForm(const Operand& d, const Operand& s) {
  if (is(d, K::bankSelector)) return byteImmediate(s);
  if (r16(d) && (is(s, K::immediate) || is(s, K::stackPointer))) return true;
  if (is(d, K::stackPointer)) return r16(s) || is(s, K::immediate);
  if (r16(d) && r16(s)) return true;
  if (r8(d) && (r8(s) || byteImmediate(s))) return true;
  if (r8(d) && s.isMemory() && !s.word) {
    if (hOrL(d) && s.mode == M::hlIncrement) return false;
    return modeIn(s, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC, M::hlIncrement,
                      M::hlDecrement, M::pcPlusA});
  }
  if (r16(d) && s.isMemory() && s.word)
    return modeIn(s, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC, M::pcPlusA});
  if (d.isMemory() && d.word && r16(s))
    return modeIn(d, {M::direct, M::atDE, M::atHL, M::hlDisplacement});
  if (d.isMemory() && !d.word) {
    if (r8(s)) {
      if (hOrL(s) && d.mode == M::hlIncrement) return false;
      return modeIn(
          d, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlIncrement, M::hlDecrement});
    }
    if (byteImmediate(s))
      return modeIn(
          d, {M::direct, M::atHL, M::atDE, M::hlDisplacement, M::hlIncrement, M::hlDecrement});
    if (s.isMemory() && !s.word) {
      if (direct(d) && direct(s)) return true;
      if (direct(d))
        return modeIn(s, {M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC, M::pcPlusA});
      if (atHL(d))
        return modeIn(s, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC, M::pcPlusA});
    }
    return false;
  }
  if (is(d, K::carry))
    return bitForm(s, kBitModes) || (is(s, K::bit) && s.bitInMemory && s.mode == M::direct);
  if (is(s, K::carry))
    return bitForm(d, kBitModes) || (is(d, K::bit) && d.bitInMemory && d.mode == M::direct);
  return false;
}

// A mnemonic as one number, its bytes from the first on, so that the forms below are told
// apart by a switch instead of one comparison after another. Longer words than any
// mnemonic get 0.
constexpr std::uint64_t keyOf(std::string_view mnemonic) {
  if (mnemonic.size() > 8) return 0;
  std::uint64_t key = 0;
  for (char c : mnemonic) key = key << 8 | static_cast<unsigned char>(c);
  return key;
}

bool aluForm(std::uint64_t mnemonic, const Operand& d, const Operand& s) {
  bool withCarry = mnemonic == keyOf("addc") || mnemonic == keyOf("subb");
  if (mnemonic == keyOf("xor") && is(d, K::carry)) return bitForm(s, kBitModes) && !s.bitRegister;
  if (d.isA()) {
    if (byteImmediate(s) || r8(s)) return true;
    std::initializer_list<M> modes = {M::direct,  M::atDE,        M::atHL,        M::hlDisplacement,
                                      M::hlPlusC, M::hlIncrement, M::hlDecrement, M::pcPlusA};
    return byteMemory(s, modes);
  }
  if (d.isWA() && r16(s)) return true;
  if (r8(d) && (s.isA() || byteImmediate(s))) return true;
  if (r16(d) && is(s, K::immediate)) return true;
  if (d.isMemory() && !d.word) {
    if (atHL(s)) {
      if (withCarry)
        return modeIn(d, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC, M::pcPlusA});
      return modeIn(d, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC, M::pcPlusA});
    }
    if (byteImmediate(s))
      return modeIn(d, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC, M::hlIncrement,
                        M::hlDecrement, M::pcPlusA});
  }
  return false;
}

}  // namespace

bool Operand::usesHL() const {
  if (kind == K::register8) return number == 6 || number == 7;
  if (kind == K::register16) return number == 3;
  if (kind == K::memory || (kind == K::bit && bitInMemory))
    return mode == M::atHL || mode == M::hlDisplacement || mode == M::hlPlusC ||
           mode == M::hlIncrement || mode == M::hlDecrement;
  if (kind == K::bit) return !bitInMemory && (number == 6 || number == 7);
  return false;
}

std::uint8_t registerBits(const Operand& operand) {
  if (r8(operand)) return static_cast<std::uint8_t>(1u << (operand.number & 7));
  if (r16(operand)) return static_cast<std::uint8_t>(3u << (2 * (operand.number & 3)));
  return 0;
}

std::string_view register8Name(int number) {
  return kRegister8[static_cast<std::size_t>(number & 7)];
}
std::string_view register16Name(int number) {
  return kRegister16[static_cast<std::size_t>(number & 3)];
}

namespace {

Operand makeRegister8(int number) {
  Operand operand;
  operand.kind = K::register8;
  operand.number = number;
  operand.text = register8Name(number);
  return operand;
}

Operand makeRegister16(int number) {
  Operand operand;
  operand.kind = K::register16;
  operand.number = number;
  operand.word = true;
  operand.text = register16Name(number);
  return operand;
}

// Registers are operands of nearly every instruction: each is made once and copied.
const std::array<Operand, 8> kRegister8Operands = {
    makeRegister8(0), makeRegister8(1), makeRegister8(2), makeRegister8(3),
    makeRegister8(4), makeRegister8(5), makeRegister8(6), makeRegister8(7)};
const std::array<Operand, 4> kRegister16Operands = {makeRegister16(0), makeRegister16(1),
                                                    makeRegister16(2), makeRegister16(3)};

}  // namespace

Operand register8Operand(int number) {
  if (number >= 0 && number < 8) return kRegister8Operands[static_cast<std::size_t>(number)];
  return makeRegister8(number);
}

Operand register16Operand(int number) {
  if (number >= 0 && number < 4) return kRegister16Operands[static_cast<std::size_t>(number)];
  return makeRegister16(number);
}

Operand immediateOperand(std::int32_t value) {
  Operand operand;
  operand.kind = K::immediate;
  operand.constant = true;
  operand.value = value;
  char digits[16];
  operand.text = std::string_view(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  return operand;
}

Operand symbolicImmediate(std::string_view text) {
  Operand operand;
  operand.kind = K::immediate;
  operand.word = true;
  operand.text = text;
  return operand;
}

Operand memoryOperand(MemoryMode mode, std::string_view text, bool word) {
  Operand operand;
  operand.kind = K::memory;
  operand.mode = mode;
  operand.word = word;
  operand.text = text;
  return operand;
}

OperandText addressText(std::string_view name, std::int32_t offset) {
  OperandText text = "_";
  text += name;
  if (offset == 0) return text;
  char digits[16];
  digits[0] = '+';
  char* end = std::to_chars(digits + 1, digits + sizeof digits, offset).ptr;
  text += offset > 0 ? std::string_view(digits, end - digits)
                     : std::string_view(digits + 1, end - digits - 1);
  return text;
}

Operand displacementOperand(std::int32_t displacement, bool word) {
  char text[32];
  std::snprintf(text, sizeof text, "(hl%+ld)", static_cast<long>(displacement));
  Operand operand = memoryOperand(M::hlDisplacement, text, word);
  operand.value = displacement;
  return operand;
}

bool addressIntoByte(const Operand& target, const Operand& value) {
  return is(value, K::immediate) && !value.constant && value.word && !target.word &&
         (r8(target) || target.isMemory());
}

std::optional<Operand> lowByte(const Operand& word) {
  if (r16(word)) return register8Operand(word.number * 2);
  if (!word.isMemory() || !word.word) return std::nullopt;
  Operand low = word;
  low.word = false;
  return low;
}

std::optional<Operand> highByte(const Operand& word) {
  if (r16(word)) return register8Operand(word.number * 2 + 1);
  if (!word.isMemory() || !word.word) return std::nullopt;
  switch (word.mode) {
    case M::direct:
      return memoryOperand(
          M::direct, std::string(word.text.view().substr(0, word.text.size() - 1)) + "+1)", false);
    case M::atHL:
      return displacementOperand(1, false);
    case M::hlDisplacement:
      if (word.value >= 127) return std::nullopt;
      return displacementOperand(word.value + 1, false);
    default:
      return std::nullopt;
  }
}

bool hasForm(std::string_view m) {
  switch (keyOf(m)) {
    case keyOf("nop"):
    case keyOf("reti"):
    case keyOf("ret"):
    case keyOf("swi"):
    case keyOf("retn"):
    case keyOf("di"):
    case keyOf("ei"):
      return true;
    default:
      return false;
  }
}

bool hasForm(std::string_view m, const Operand& x) {
  std::uint64_t key = keyOf(m);
  switch (key) {
    case keyOf("swap"):
    case keyOf("daa"):
    case keyOf("das"):
    case keyOf("shlc"):
    case keyOf("shrc"):
    case keyOf("rolc"):
    case keyOf("rorc"):
      return r8(x);
    case keyOf("push"):
    case keyOf("pop"):
      return r16(x) || is(x, K::statusWord);
    case keyOf("inc"):
    case keyOf("dec"):
      if (r8(x) || r16(x) || direct(x) || atHL(x)) return true;
      return byteMemory(
          x, {M::atDE, M::hlDisplacement, M::hlPlusC, M::hlIncrement, M::hlDecrement, M::pcPlusA});
    case keyOf("clr"):
    case keyOf("set"):
    case keyOf("cpl"):
    case keyOf("test"):
      if (is(x, K::carry)) return key != keyOf("test");
      if (key == keyOf("clr") && (direct(x) || atHL(x))) return true;
      if (!is(x, K::bit)) return false;
      if (x.bitInMemory && !x.bitRegister && x.mode == M::direct) return true;
      return bitForm(x, kBitModes);
    case keyOf("call"):
    case keyOf("jp"):
    case keyOf("j"):
      return is(x, K::immediate) || r16(x) ||
             byteMemory(x,
                        {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC, M::pcPlusA});
    case keyOf("callv"):
    case keyOf("callp"):
      return is(x, K::immediate);
    default:
      return false;
  }
}

bool hasForm(std::string_view m, const Operand& d, const Operand& s) {
  if (none(d) && none(s)) return hasForm(m);
  if (none(s)) return hasForm(m, d);
  std::uint64_t key = keyOf(m);
  switch (key) {
    case keyOf("ld"):
      return loadForm(d, s);
    case keyOf("ldw"):
      return modeIn(d, {M::direct, M::atHL}) && is(s, K::immediate);
    case keyOf("add"):
    case keyOf("sub"):
    case keyOf("addc"):
    case keyOf("subb"):
    case keyOf("and"):
    case keyOf("or"):
    case keyOf("xor"):
    case keyOf("cmp"):
      return aluForm(key, d, s);
    case keyOf("mul"):
      return r8(d) && r8(s) && d.number % 2 == 1 && s.number == d.number - 1;
    case keyOf("div"):
      return r16(d) && d.number != 1 && r8(s) && s.number == 2;
    case keyOf("xch"):
      if (r8(d) && r8(s)) return true;
      if (r16(d) && r16(s)) return true;
      if (r8(d) && s.isMemory() && !s.word) {
        if (hOrL(d) && s.mode == M::hlIncrement) return false;
        return modeIn(s, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC,
                          M::hlIncrement, M::hlDecrement, M::pcPlusA});
      }
      return false;
    case keyOf("rold"):
    case keyOf("rord"):
      return d.isA() && byteMemory(s, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC,
                                       M::hlIncrement, M::hlDecrement});
    case keyOf("mcmp"):
      return byteImmediate(s) &&
             byteMemory(d, {M::direct, M::atDE, M::atHL, M::hlDisplacement, M::hlPlusC,
                            M::hlIncrement, M::hlDecrement, M::pcPlusA});
    case keyOf("j"):
      return is(d, K::condition) && is(s, K::immediate);
    default:
      return false;
  }
}

}  // namespace kz::clike
