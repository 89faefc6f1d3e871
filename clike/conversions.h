#pragma once
// What the code generator knows of the type of a value, and the rules for converting a
// value to the type of the place it goes to: the messages a conversion raises, in the
// order they are given. The rules know nothing of instructions; whether the processor can
// widen or narrow a particular operand is the generator's question.
#include <cstdint>
#include <vector>

#include "clike/messages.h"
#include "clike/types.h"

namespace kz::clike {

// Whether a number fits a place of `size` bytes, read as signed or as unsigned.
constexpr bool fitsSize(std::int32_t value, std::uint32_t size) {
  if (size >= 4) return true;
  if (size == 0) return value == 0;
  std::int64_t top = (std::int64_t{1} << (8 * size)) - 1;
  std::int64_t bottom = -(std::int64_t{1} << (8 * size - 1));
  return value >= bottom && value <= top;
}

// A value refers to its type instead of holding a copy: the type belongs to a symbol, a
// member, a parameter or the expression table, and outlives the value.
struct ValueType {
  bool known = false;     // registers without a declared type and memory forms have none
  bool constant = false;  // a number known now (`value`)
  bool isVoid = false;    // the result of a void function
  std::int32_t value = 0;
  std::uint32_t size = 1;  // bytes

  // Meaningful when `known`; a number's is unsigned char or unsigned short.
  const Type& type() const { return *type_; }

  static ValueType untyped(std::uint32_t size);
  // A number's type is unsigned char when it fits a byte, else unsigned short.
  static ValueType number(std::int32_t value) {
    ValueType result;
    result.constant = true;
    result.value = value;
    result.size = fitsSize(value, 1) ? 1 : 2;
    result.type_ = result.size == 1 ? &kByteNumber : &kWordNumber;
    return result;
  }
  static ValueType of(const Type& type);
  static ValueType of(Type&& type) = delete;  // the value would outlive its type

 private:
  static const Type kNoType;
  static const Type kByteNumber;
  static const Type kWordNumber;
  const Type* type_ = &kNoType;
};

enum class ConversionUse : std::uint8_t {
  assignment,  // the value is stored: a change of size is done and warned about
  operation,   // an operand of an instruction: sizes must agree
  cast,        // written by the program: a change of size is silent
};

std::vector<Message> conversionMessages(const ValueType& target, const ValueType& value,
                                        ConversionUse use);

}  // namespace kz::clike
