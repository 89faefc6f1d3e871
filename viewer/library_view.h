#pragma once
// A library in the viewer: its index as a module, then the list of members, then each
// member as a module of its own (offsets counted from the member's start).
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "object/cursor.h"
#include "viewer/module_view.h"

namespace kz::viewer {

// Where reading stopped, with offsets from the start of the file.
struct LibraryViewResult {
  std::optional<object::ReadFailure> failure;
  std::string where;  // "" for the index, else the member's name
  bool ok() const { return !failure.has_value(); }
};

LibraryViewResult viewLibrary(std::span<const std::uint8_t> bytes, const ViewOptions& options,
                              std::ostream& out);

}  // namespace kz::viewer
