#include "asm/jump.h"

#include <new>

namespace kz::assembler {

namespace {

// Entry: form (bits 0-2) | distance (bits 3-4) | grownBack (bit 5) | known (bit 6).
constexpr std::uint8_t kGrownBackBit = 1u << 5;
constexpr std::uint8_t kKnownBit = 1u << 6;

// The long form of a conditional J branches around a JP: on F with JRS T, on T with JRS F,
// on any other condition with JR on the inverted condition.
JumpForm longConditionalForm(std::int32_t condition) {
  if (condition == valueOf(Condition::t)) return jumpSkipFalse;
  if (condition == valueOf(Condition::f)) return jumpSkipTrue;
  return jumpSkipCond;
}

JumpForm conditionalForm(std::int32_t condition, DistanceClass distance) {
  switch (distance) {
    case DistanceClass::short5:
      if (condition == valueOf(Condition::t)) return jumpShortTrue;
      if (condition == valueOf(Condition::f)) return jumpShortFalse;
      return jumpRelativeCond;
    case DistanceClass::short8:
      return jumpRelativeCond;
    default:
      return longConditionalForm(condition);
  }
}

JumpForm unconditionalForm(DistanceClass distance, JumpFlagState flag, bool optimise) {
  if (distance == DistanceClass::far) return jumpLong;
  if (distance == DistanceClass::short5 && optimise) {
    if (flag == JumpFlagState::knownSet) return jumpShortTrue;
    if (flag == JumpFlagState::knownClear) return jumpShortFalse;
  }
  return jumpRelative;
}

DistanceClass measure(const JumpTarget& target, const JumpRecord& previous, Pass pass,
                      bool optimise) {
  if (!target.reachable) return DistanceClass::far;
  if (!optimise && target.ahead) return DistanceClass::far;
  // A target ahead still has the value of the previous repetition: measure it against the
  // statement's previous location, so code that changed before the J does not count twice.
  bool measureInPreviousLayout = target.ahead && pass == Pass::sizing && previous.known;
  return distanceClassOf(measureInPreviousLayout ? target.previous : target.current);
}

}  // namespace

int jumpFormSize(JumpForm form) {
  static constexpr int kSizes[] = {1, 1, 2, 2, 4, 4, 5, 3};
  return kSizes[form];
}

DistanceClass distanceClassOf(std::int64_t displacement) {
  if (displacement >= -16 && displacement <= 15) return DistanceClass::short5;
  if (displacement >= -128 && displacement <= 127) return DistanceClass::short8;
  return DistanceClass::far;
}

void JumpFlagTracker::apply(FlagEffect effect) {
  switch (effect) {
    case FlagEffect::knownSet:
      state_ = JumpFlagState::knownSet;
      break;
    case FlagEffect::knownClear:
      state_ = JumpFlagState::knownClear;
      break;
    case FlagEffect::unchanged:
      break;
    case FlagEffect::unknown:
      state_ = JumpFlagState::unknown;
      break;
  }
}

JumpForm selectJumpForm(const JumpShape& shape, DistanceClass distance, JumpFlagState flag,
                        bool optimise) {
  return shape.conditional ? conditionalForm(shape.condition, distance)
                           : unconditionalForm(distance, flag, optimise);
}

JumpWorkArea::JumpWorkArea(const Reporter& reporter) : reporter_(reporter) {
  block_.reset(new (std::nothrow) std::uint8_t[kBytes]);
  if (!block_) reporter_.fatal(Message::optimizationTableOverflow);
}

JumpRecord JumpWorkArea::next(Pass pass) {
  if (pass == Pass::first) {
    if (used_ == kCapacity) reporter_.fatal(Message::optimizationTableOverflow);
    block_[used_] = 0;
    cursor_ = ++used_;
    return {};
  }
  // A later pass meets exactly the J statements of pass 1, in the same order.
  if (cursor_ == used_) reporter_.fatal(Message::internalError);
  std::uint8_t entry = block_[cursor_++];
  JumpRecord record;
  record.form = static_cast<JumpForm>(entry & 0x07);
  record.distance = static_cast<DistanceClass>((entry >> 3) & 0x03);
  record.grownBack = (entry & kGrownBackBit) != 0;
  record.known = (entry & kKnownBit) != 0;
  return record;
}

void JumpWorkArea::store(const JumpRecord& record) {
  block_[cursor_ - 1] = static_cast<std::uint8_t>(
      record.form | static_cast<int>(record.distance) << 3 |
      (record.grownBack ? kGrownBackBit : 0) | (record.known ? kKnownBit : 0));
}

JumpRecord chooseJump(const JumpShape& shape, const JumpTarget& target, const JumpRecord& previous,
                      Pass pass, JumpFlagState flag, bool optimise) {
  if (pass == Pass::final && previous.known) return previous;
  JumpRecord record;
  record.known = true;
  record.distance = measure(target, previous, pass, optimise);
  if (previous.known && pass != Pass::first) {
    record.grownBack = previous.grownBack || record.distance > previous.distance;
    if (previous.grownBack && record.distance < previous.distance)
      record.distance = previous.distance;
  }
  record.form = selectJumpForm(shape, record.distance, flag, optimise);
  return record;
}

}  // namespace kz::assembler
