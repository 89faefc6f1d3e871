#pragma once
// Form selection of the J pseudo-instruction: distance classes, the jump-flag state, and the
// work area that keeps each J's choice from one sizing repetition to the next.
//
// A J's size depends on label values that move while sizes settle. Pass 1 takes the long
// form for a target it cannot see yet. Each sizing repetition measures again: a target
// behind has its value of this repetition; a target ahead still has the value of the
// previous one, so it is measured from where the J stood then (its location less what the
// J statements before it in its section have grown in this repetition). A J that had to
// grow again after shrinking is never shrunk later, so repetitions cannot oscillate. The
// final pass encodes the form the last repetition chose.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "asm/instruction_tables.h"
#include "asm/reporter.h"
#include "asm/symbols.h"

namespace kz::assembler {

enum class DistanceClass : std::uint8_t { short5 = 0, short8 = 1, far = 2 };

// d = target - (location + 2): class 0 for -16..15, 1 for -128..127, 2 otherwise.
DistanceClass distanceClassOf(std::int64_t displacement);

enum class JumpFlagState : std::uint8_t { unknown, knownSet, knownClear };

class JumpFlagTracker {
 public:
  JumpFlagState state() const { return state_; }
  void apply(FlagEffect effect);
  void forget() { state_ = JumpFlagState::unknown; }

 private:
  JumpFlagState state_ = JumpFlagState::unknown;
};

// What decides a J's form besides its distance class.
struct JumpShape {
  bool conditional = false;
  std::int32_t condition = 0;  // Condition value, for a conditional J
};

// The form of J or J cc for a distance class.
JumpForm selectJumpForm(const JumpShape& shape, DistanceClass distance, JumpFlagState flag,
                        bool optimise);

// Bytes of each J form.
int jumpFormSize(JumpForm form);

// One J statement as the work area keeps it between passes.
struct JumpRecord {
  JumpForm form = jumpLong;
  DistanceClass distance = DistanceClass::far;
  bool grownBack = false;  // shrank, then had to grow: may only grow from now on
  bool known = false;      // false: nothing recorded yet (the statement failed so far)
};

// The optimisation work area: one byte per J statement, in statement order, in a fixed
// block of 16384 bytes. Every pass walks it from the start; pass 1 appends.
class JumpWorkArea {
 public:
  static constexpr std::size_t kBytes = 16384;
  static constexpr std::size_t kCapacity = kBytes;

  // Fatal 156 when the block cannot be had.
  explicit JumpWorkArea(const Reporter& reporter);

  void rewind() { cursor_ = 0; }
  // The next statement's record (a fresh one in pass 1). Fatal 156 past the capacity.
  JumpRecord next(Pass pass);
  // Stores the record of the statement that next() last returned.
  void store(const JumpRecord& record);
  std::size_t size() const { return used_; }

 private:
  const Reporter& reporter_;
  std::unique_ptr<std::uint8_t[]> block_;
  std::size_t used_ = 0;
  std::size_t cursor_ = 0;
};

// Where a J's target lies, seen from the statement.
struct JumpTarget {
  bool reachable = false;     // same section (or both absolute), value known
  bool ahead = false;         // the target lies after the statement
  std::int64_t current = 0;   // target - (location + 2)
  std::int64_t previous = 0;  // target - (the statement's previous location + 2)
};

// The record of a J for this pass. The final pass keeps the form of the last repetition.
JumpRecord chooseJump(const JumpShape& shape, const JumpTarget& target, const JumpRecord& previous,
                      Pass pass, JumpFlagState flag, bool optimise);

}  // namespace kz::assembler
