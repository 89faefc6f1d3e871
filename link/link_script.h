#pragma once
// The link command file language (docs/linker.md): memory regions, where sections go,
// the start symbol, symbol definitions, the CALLV vector table and the CALLP page, and
// further inputs. One statement per line; '#' or ';' starts a comment.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/diagnostics.h"
#include "object/module_reader.h"

namespace kz::link {

inline constexpr std::uint64_t kCallvTable = 0xFFC0;  // 16 vectors of two bytes
inline constexpr std::uint64_t kCallvTableSize = 32;
inline constexpr std::uint64_t kCallpPage = 0xFF00;  // CALLP n calls FF00 + n
inline constexpr std::uint64_t kCallpPageEnd = 0xFFBF;

enum class RegionKind : std::uint8_t { rom, ram };

struct Region {
  std::string name;
  std::uint64_t start = 0;
  std::uint64_t end = 0;  // last address, inclusive
  RegionKind kind = RegionKind::rom;
  std::string file;
  std::size_t line = 0;
  std::uint64_t size() const { return end - start + 1; }
};

// A section by name, or every section of a kind that no rule names.
struct PlacementTarget {
  bool byKind = false;
  std::string name;
  object::SectionKind kind = object::SectionKind::code;
  std::string text() const;
};

enum class PlacementPurpose : std::uint8_t { ordinary, vectorTable, callPage };

struct Placement {
  std::vector<PlacementTarget> targets;
  std::optional<std::string> region;     // PLACE ... IN region
  std::optional<std::uint64_t> address;  // PLACE ... AT address
  std::uint64_t alignment = 1;
  PlacementPurpose purpose = PlacementPurpose::ordinary;
  std::string file;
  std::size_t line = 0;
  bool used = false;
};

// DEFINE name = number | symbol [(+|-) number]
struct SymbolDefinition {
  std::string name;
  std::optional<std::string> symbol;
  std::int64_t offset = 0;
  std::string file;
  std::size_t line = 0;
};

struct LinkScript {
  std::vector<Region> regions;
  std::vector<Placement> placements;
  std::optional<std::string> startSymbol;
  std::string startFile;
  std::size_t startLine = 0;
  std::vector<SymbolDefinition> definitions;
  std::vector<std::string> inputs;
  std::vector<std::string> libraries;

  const Region* findRegion(std::string_view name) const;
};

// Adds the statements of one command file to script; syntax problems are reported as
// errors naming the file and line, and the line is skipped.
void parseLinkScript(std::string_view text, const std::string& file, LinkScript& script,
                     Diagnostics& diagnostics);

// Checks what needs the whole script: region overlaps and names, placements naming regions.
void checkLinkScript(LinkScript& script, Diagnostics& diagnostics);

// "0x8000", "32768", "8000H"; nothing when the text is no number.
std::optional<std::uint64_t> parseNumber(std::string_view text);

}  // namespace kz::link
