#pragma once
// What the final pass hands on for each statement: the bytes it places in its section, the
// values the linker must fill in, and what the listing shows. The object writer and the
// listing both read this one record; tests read it too.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "asm/encoder.h"
#include "asm/expr.h"
#include "asm/sections.h"

namespace kz::assembler {

enum class StatementKind : std::uint8_t {
  empty,        // nothing assembled (comment, blank, or a failed statement without bytes)
  instruction,  // instruction bytes and field records
  data,         // DB ... DL, DF..., FDATA...: bytes (repeated `repeat` times)
  storage,      // DS...: `skipped` bytes reserved
  origin,       // ORG: `skipped` bytes jumped over
  align,        // ALIGN: `skipped` bytes jumped over
  section,      // SECTION: the section becomes current
  equate,       // EQU: `value`
  directive,    // any other directive or control
};

// A value inside the bytes of a data statement that only the linker can complete.
struct DataField {
  std::uint32_t offset = 0;  // within one copy of `bytes`
  std::uint8_t width = 1;    // bytes: 1, 2, 3 or 4, low byte first
  exprValue value;
};

// An optional value whose storage outlives its emptying: filling it again reuses what is
// there instead of building a fresh value. The filler sets every part it means to be read.
template <class T>
class ReusableSlot {
 public:
  T& fill() {
    engaged_ = true;
    return value_;
  }
  void reset() { engaged_ = false; }
  explicit operator bool() const { return engaged_; }
  const T& operator*() const { return value_; }
  const T* operator->() const { return &value_; }

 private:
  T value_{};
  bool engaged_ = false;
};

enum class ListingControl : std::uint8_t { none, title, eject, list, nolist, save, restore };

struct EmittedStatement {
  int fileIndex = 0;
  long line = 0;
  StatementKind kind = StatementKind::empty;
  SectionId section = kNoSection;
  std::uint32_t location = 0;  // the section's location counter before the statement
  std::vector<std::uint8_t> bytes;
  std::uint32_t repeat = 1;   // DF...: how many times `bytes` follow one another
  std::uint32_t skipped = 0;  // storage, ORG and ALIGN
  std::vector<DataField> dataFields;
  ReusableSlot<EncodedInstruction> instruction;
  std::optional<exprValue> value;  // EQU
  ListingControl control = ListingControl::none;
  std::string title;    // $TITLE
  bool failed = false;  // the statement drew an error and was not assembled

  std::uint32_t size() const { return static_cast<std::uint32_t>(bytes.size()) * repeat + skipped; }

  // A fresh statement that keeps the storage of its buffers (one per line in every pass).
  void reset(int newFileIndex, long newLine, SectionId newSection, std::uint32_t newLocation) {
    fileIndex = newFileIndex;
    line = newLine;
    kind = StatementKind::empty;
    section = newSection;
    location = newLocation;
    bytes.clear();
    repeat = 1;
    skipped = 0;
    dataFields.clear();
    instruction.reset();
    value.reset();
    control = ListingControl::none;
    title.clear();
    failed = false;
  }
};

class StatementSink {
 public:
  virtual ~StatementSink() = default;
  virtual void statement(const EmittedStatement& statement) = 0;
  virtual void includeEntered(int /*fileIndex*/) {}
  virtual void includeLeft() {}
};

}  // namespace kz::assembler
