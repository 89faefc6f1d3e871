// libFuzzer harness: the viewer must stop cleanly on any input. Build with
// -DKZ_FUZZ=ON and clang++, then run build/tests/fuzz_viewer [corpus directory].
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "viewer/module_view.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  kz::viewer::ViewOptions options;
  if (size > 0) {
    options.selection = static_cast<kz::viewer::Selection>(data[size - 1] % 3);
    options.rawBytes = (data[size - 1] & 0x10) != 0;
  }
  std::ostringstream out;
  kz::viewer::ViewResult result = kz::viewer::viewModule(bytes, options, out);
  if (!result.ok() && result.failure->offset > size) __builtin_trap();
  return 0;
}
