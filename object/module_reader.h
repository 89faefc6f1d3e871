#pragma once
// A relocatable or absolute module as the linker needs it: its sections, public and
// external symbols, local symbol values, and the data part as a list of loads, each a run
// of constant bytes or one relocated field. The debug part is checked for its shape and
// otherwise skipped. Every failure carries the file offset and a reason.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "object/cursor.h"
#include "object/ieee695.h"

namespace kz::object {

enum class SectionKind : std::uint8_t { code, data, romData };

// Address size of a relocatable section: its type letters Z (8 bits), Y (16) or none (24).
enum class AddressSize : std::uint8_t { bits8, bits16, bits24 };

struct ModuleSection {
  std::uint64_t index = 0;
  std::string name;
  SectionKind kind = SectionKind::code;
  bool absolute = false;
  AddressSize addressSize = AddressSize::bits24;
  std::uint64_t size = 0;
  std::uint64_t alignment = 1;           // in MAUs, a power of two
  std::optional<std::uint64_t> page;     // the section may not cross a multiple of this
  std::optional<std::uint64_t> address;  // L n: the base of an absolute section
  std::size_t recordOffset = 0;
};

struct ModuleSymbol {
  std::uint64_t index = 0;
  std::string name;
  Expression value;  // empty when the module never assigns one
  std::size_t recordOffset = 0;
};

// A relocated field of the data part.
struct ModuleRelocation {
  FieldCheck check = FieldCheck::unsignedField;
  Expression value;
  std::uint32_t width = kMausPerAddress;  // MAUs
};

// One load of the data part: `size` MAUs at `offset` from the start of the section,
// repeated `repeat` times one after the other. Constant bytes live in Module::bytes.
struct ModuleLoad {
  std::uint32_t section = 0;  // position in Module::sections
  std::uint64_t offset = 0;
  std::uint64_t repeat = 1;
  std::uint32_t size = 0;
  std::uint64_t bytesAt = 0;     // constant: first byte in Module::bytes
  std::int64_t relocation = -1;  // relocated: position in Module::relocations
  std::size_t recordOffset = 0;
};

struct Module {
  std::string processor;
  std::string name;
  std::optional<ModuleType> type;  // from the format-type attribute
  std::vector<ModuleSection> sections;
  std::vector<ModuleSymbol> publics;
  std::vector<ModuleSymbol> externals;
  std::vector<ModuleSymbol> locals;  // N variables with a value (E2 CE)
  std::vector<ModuleLoad> loads;
  std::vector<ModuleRelocation> relocations;
  Bytes bytes;
  std::optional<Expression> startAddress;  // G, from the trailer part
  // Year, month, day, hour, minute, second of the environment part, when given.
  std::optional<std::array<std::uint64_t, kDateNumbers>> creationDate;
  std::size_t endOffset = 0;  // one past the module end (E1)

  // Index in the module -> position in the vectors above.
  std::unordered_map<std::uint64_t, std::size_t> sectionPositions, publicPositions,
      externalPositions, localPositions;

  // Positions in the vectors above for an index the module uses; nothing when unknown.
  std::optional<std::size_t> sectionAt(std::uint64_t index) const;
  std::optional<std::size_t> externalAt(std::uint64_t index) const;
  std::optional<std::size_t> publicAt(std::uint64_t index) const;
  std::optional<std::size_t> localAt(std::uint64_t index) const;
};

struct ModuleReadResult {
  std::optional<Module> module;
  std::optional<ReadFailure> failure;
};

// Reads one module that begins at `start` of bytes; bytes after its end are left alone
// (a library holds modules one after another). Offsets in failures are file offsets.
ModuleReadResult readModule(std::span<const std::uint8_t> bytes, std::size_t start = 0);

std::string_view sectionKindName(SectionKind kind);  // "CODE", "DATA", "ROMDATA"

}  // namespace kz::object
