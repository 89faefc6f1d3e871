// Placement of struct and union members.
//
// Bit fields are allocated in units of their declared type's size (1, 2 or 4 bytes), filled
// from bit 0 up. A bit field joins the unit the previous bit field opened when
//   - by default: the unit has the size of its type and the rest of the unit holds it;
//   - with -Xw: in addition, it has the same declared type (int and unsigned int differ).
// Otherwise it opens a new unit at the next offset aligned for its type. An ordinary member
// or a bit field of width zero closes the open unit.
#include <algorithm>

#include "cfront/diagnostics.h"
#include "cfront/types.h"

namespace kz::cfront {
namespace {

struct OpenUnit {
  TypeRef type = nullptr;  // nullptr: no unit open
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  std::uint32_t bitsUsed = 0;
};

bool sameDeclaredType(TypeRef a, TypeRef b) {
  if (a->kind != b->kind) return false;
  return a->kind != TypeKind::enumType || a->record == b->record;
}

class Layout {
 public:
  Layout(Record& record, std::uint8_t packing, bool strictSharing, Diagnostics& diagnostics)
      : record_(record),
        packing_(packing),
        strictSharing_(strictSharing),
        diagnostics_(diagnostics) {}

  void run() {
    for (Member& member : record_.members) {
      if (member.isBitField)
        placeBitField(member);
      else
        placeMember(member);
    }
    std::uint32_t alignment = std::max<std::uint32_t>(1, alignment_);
    record_.alignment = static_cast<std::uint8_t>(alignment);
    record_.size = (end_ + alignment - 1) / alignment * alignment;
    record_.complete = true;
  }

 private:
  bool isUnion() const { return record_.kind == TypeKind::unionType; }

  std::uint32_t aligned(std::uint32_t offset, TypeRef type) {
    std::uint32_t alignment = alignmentOf(type, packing_);
    alignment_ = std::max(alignment_, alignment);
    return (offset + alignment - 1) / alignment * alignment;
  }

  void extendTo(std::uint32_t end) { end_ = std::max(end_, end); }

  void placeMember(Member& member) {
    unit_ = OpenUnit{};
    if (isComplete(member.type) && sizeOf(member.type) == 0)
      diagnostics_.report(Message::zeroSizedMember, {member.name});
    member.offset = isUnion() ? 0 : aligned(end_, member.type);
    if (isUnion()) aligned(0, member.type);
    extendTo(member.offset + sizeOf(member.type));
  }

  void placeBitField(Member& member) {
    std::uint32_t size = std::max<std::uint32_t>(1, sizeOf(member.type));
    if (member.bitWidth > size * 8) {
      diagnostics_.report(Message::bitFieldTooLarge, {member.name});
      member.bitWidth = static_cast<std::uint8_t>(size * 8);
    }
    if (member.bitWidth == 0) {
      if (!member.name.empty()) diagnostics_.report(Message::zeroSizeBitField, {member.name});
      unit_ = OpenUnit{};
      member.offset = isUnion() ? 0 : end_;
      return;
    }
    if (isUnion()) {
      member.offset = aligned(0, member.type);
      member.bitOffset = 0;
      extendTo(size);
      return;
    }
    if (!joins(member, size)) {
      unit_.type = member.type;
      unit_.offset = aligned(end_, member.type);
      unit_.size = size;
      unit_.bitsUsed = 0;
      extendTo(unit_.offset + size);
    }
    member.offset = unit_.offset;
    member.bitOffset = static_cast<std::uint8_t>(unit_.bitsUsed);
    unit_.bitsUsed += member.bitWidth;
  }

  bool joins(const Member& member, std::uint32_t size) const {
    if (!unit_.type || unit_.size != size) return false;
    if (unit_.bitsUsed + member.bitWidth > size * 8) return false;
    return !strictSharing_ || sameDeclaredType(unit_.type, member.type);
  }

  Record& record_;
  std::uint8_t packing_;
  bool strictSharing_;
  Diagnostics& diagnostics_;
  OpenUnit unit_;
  std::uint32_t end_ = 0;
  std::uint32_t alignment_ = 1;
};

}  // namespace

void TypeTable::layOut(Record& record, std::uint8_t packing, Diagnostics& diagnostics) {
  std::uint8_t bounded = packing == 2 || packing == 4 ? packing : 1;
  Layout(record, bounded, options_.bitFieldRule, diagnostics).run();
}

}  // namespace kz::cfront
