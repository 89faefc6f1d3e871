#pragma once
// Libraries of object modules. A library is a module of processor "LIBRARY" that holds
// only an index, followed by its members, each a complete module:
//
//   E0 "LIBRARY" name   EC 08 02 CC
//   per member m = 1, 2, ...: F0 (32+m) member-name   E2 CE (32+m) 84 <offset, 4 bytes>
//   per public symbol s:      E8 (32+s) symbol-name   E2 C9 (32+s) CE (32+m)
//   E1
//   member 1, member 2, ...  (offsets count from the start of the file)
//
// So the linker finds the member that defines a symbol from the index alone, and the
// viewer shows the index as an ordinary module.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "object/cursor.h"
#include "object/ieee695.h"

namespace kz::object {

inline constexpr std::string_view kLibraryProcessor = "LIBRARY";
inline constexpr std::uint64_t kFirstLibraryIndex = 33;

struct LibraryMember {
  std::string name;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

struct Library {
  std::string name;
  std::vector<LibraryMember> members;
  std::vector<std::pair<std::string, std::size_t>> symbols;  // name, member position
  std::unordered_map<std::string, std::size_t> memberOfSymbol;
  std::size_t indexEnd = 0;  // one past the index module's end
};

struct LibraryReadResult {
  std::optional<Library> library;
  std::optional<ReadFailure> failure;
};

// Whether the bytes begin like a library (a module begin naming processor LIBRARY).
bool looksLikeLibrary(std::span<const std::uint8_t> bytes);

LibraryReadResult readLibrary(std::span<const std::uint8_t> bytes);

struct LibraryInput {
  std::string name;
  std::span<const std::uint8_t> bytes;
  std::vector<std::string> publics;
};

// The whole library file. Symbols must be unique across members (the caller checks).
Bytes writeLibrary(std::string_view name, const std::vector<LibraryInput>& members);

}  // namespace kz::object
