#pragma once
// The hash of a name, computed once per identifier and used by the macro table and the
// symbol table alike.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "common/fnv1a.h"

namespace kz::clike {

inline std::uint64_t hashName(std::string_view name) {
  std::uint64_t hash = fnv1a(name);
  return hash ^ (hash >> 29);
}

// Only the first 31 characters of a name tell names apart.
inline constexpr std::size_t kSignificantNameLength = 31;

inline std::string_view significantPart(std::string_view name) {
  return name.substr(0, std::min(name.size(), kSignificantNameLength));
}

}  // namespace kz::clike
