// libFuzzer harness: the viewer must stop cleanly on any input, and reading as it goes
// (in pieces of any size) must say exactly what reading the whole input says. Build with
// -DKZ_FUZZ=ON and clang++, then run build/tests/fuzz_viewer [corpus directory].
#include <cstddef>
#include <cstdint>
#include <sstream>

#include "object/byte_source.h"
#include "object/library.h"
#include "viewer/library_view.h"
#include "viewer/module_view.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  kz::viewer::ViewOptions options;
  std::size_t piece = 1;
  if (size > 0) {
    options.selection = static_cast<kz::viewer::Selection>(data[size - 1] % 3);
    options.rawBytes = (data[size - 1] & 0x10) != 0;
    piece = 1 + (data[size - 1] >> 5) * 3;
  }
  if (kz::object::looksLikeLibrary(bytes)) {
    std::ostringstream text;
    kz::viewer::LibraryViewResult library = kz::viewer::viewLibrary(bytes, options, text);
    if (!library.ok() && library.failure->offset > size) __builtin_trap();
  }
  std::ostringstream out;
  kz::viewer::ViewResult result = kz::viewer::viewModule(bytes, options, out);
  if (!result.ok() && result.failure->offset > size) __builtin_trap();

  kz::object::SpanSource source(bytes, piece);
  std::ostringstream streamedOut;
  kz::viewer::ViewResult streamed = kz::viewer::viewModule(source, size, options, streamedOut);
  if (streamedOut.str() != out.str() || streamed.ok() != result.ok()) __builtin_trap();
  if (!result.ok() && (streamed.failure->offset != result.failure->offset ||
                       streamed.failure->reason != result.failure->reason))
    __builtin_trap();
  return 0;
}
