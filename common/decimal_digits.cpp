#include "common/decimal_digits.h"

namespace kz::decimal {

char* longFrom(char* first, std::uint64_t value) {
  char* end = first + decimalLength(value);
  decimalDigitsBefore(end, value);
  return end;
}

}  // namespace kz::decimal
