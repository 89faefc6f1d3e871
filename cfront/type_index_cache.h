#pragma once
// The type indices the emitter has asked for, by type. An index either holds to the end of
// the file (a file-scope type whose lines are all written) or only to the end of the stretch
// it was asked in: the current function body, or the file scope between two bodies.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cfront/types.h"

namespace kz::cfront {

class TypeIndexCache {
 public:
  // 0 when the type has no index that holds here.
  std::uint32_t find(TypeRef type) const {
    if (slots_.empty()) return 0;
    for (std::size_t at = slotOf(type);; at = (at + 1) & mask_) {
      const Slot& slot = slots_[at];
      if (slot.type == type)
        return slot.stretch == kLasting || slot.stretch == stretch_ ? slot.index : 0;
      if (!slot.type) return 0;
    }
  }
  void remember(TypeRef type, std::uint32_t index, bool lasting);
  // A function body begins or ends: what holds only within a stretch is forgotten.
  void newStretch() { ++stretch_; }

 private:
  static constexpr std::uint32_t kLasting = 0;
  struct Slot {
    TypeRef type = nullptr;
    std::uint32_t index = 0;
    std::uint32_t stretch = 0;
  };

  std::size_t slotOf(TypeRef type) const {
    auto bits = reinterpret_cast<std::uintptr_t>(type);
    return static_cast<std::size_t>((bits >> 4) * 0x9E3779B97F4A7C15ull >> 32) & mask_;
  }
  void grow();

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t used_ = 0;
  std::uint32_t stretch_ = 1;
};

}  // namespace kz::cfront
