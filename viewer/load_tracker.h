#pragma once
// The load pointers of a module's sections as its data part moves them: set by P
// assignments, advanced by every load (times a pending repeat).
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "object/ieee695.h"
#include "viewer/expression_text.h"

namespace kz::viewer {

// An address in an absolute section, or an offset from the base of a relocatable one;
// unknown when the load pointer was set by an expression of another shape.
struct LoadPosition {
  std::optional<std::uint64_t> address;
  bool relative = false;
};

// "+0012" (relocatable), "8000" (absolute) or "????".
std::string positionText(const LoadPosition& position);

class LoadTracker {
 public:
  // Takes numbers, "R n" and "R n offset +"; other values leave the position unknown.
  void assignLoadPointer(std::uint64_t section, const object::Expression& value);
  void selectSection(std::uint64_t section) { currentSection_ = section; }
  void repeatNextLoad(std::uint64_t count) { repeatCount_ = count; }

  // Where the next load of the current section goes.
  LoadPosition position() const;
  // Moves the current section past a load of mauCount MAUs and describes the load:
  // "4 MAUs x 3 into CODE at +0000".
  std::string completeLoad(std::uint64_t mauCount, const ModuleNames& names);

 private:
  std::map<std::uint64_t, LoadPosition> positions_;
  std::optional<std::uint64_t> currentSection_;
  std::optional<std::uint64_t> repeatCount_;
};

}  // namespace kz::viewer
