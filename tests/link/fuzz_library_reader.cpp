// libFuzzer target: the library index reader. Accepted members must lie inside the file,
// in order, and every indexed symbol must name one of them.
#include <cstddef>
#include <cstdint>

#include "object/library.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  kz::object::LibraryReadResult result = kz::object::readLibrary(bytes);
  if (!result.library) {
    if (result.failure->offset > size) __builtin_trap();
    return 0;
  }
  std::uint64_t previous = 0;
  for (const kz::object::LibraryMember& member : result.library->members) {
    if (member.offset < previous || member.offset + member.size > size) __builtin_trap();
    previous = member.offset + member.size;
  }
  for (const auto& [symbol, member] : result.library->memberOfSymbol) {
    if (member >= result.library->members.size()) __builtin_trap();
  }
  return 0;
}
