// libFuzzer target: the module reader the linker and librarian share must stop cleanly on
// any input, and what it accepts must hold together (every load inside its section, every
// relocation and constant run where the load says). Build with -DKZ_FUZZ=ON and clang++.
#include <cstddef>
#include <cstdint>

#include "object/module_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  kz::object::ModuleReadResult result = kz::object::readModule(bytes);
  if (!result.module) {
    if (result.failure->offset > size) __builtin_trap();
    return 0;
  }
  const kz::object::Module& module = *result.module;
  if (module.endOffset > size) __builtin_trap();
  for (const kz::object::ModuleLoad& load : module.loads) {
    if (load.section >= module.sections.size()) __builtin_trap();
    const kz::object::ModuleSection& section = module.sections[load.section];
    if (load.offset + load.size * load.repeat > section.size) __builtin_trap();
    if (load.relocation >= 0 &&
        static_cast<std::size_t>(load.relocation) >= module.relocations.size())
      __builtin_trap();
    if (load.relocation < 0 && load.bytesAt + load.size > module.bytes.size()) __builtin_trap();
  }
  return 0;
}
