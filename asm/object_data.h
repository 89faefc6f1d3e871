#pragma once
// The data part of an object module, built from the statements of the final pass: the load
// pointer set where the data of a section begins or continues after a gap, constant bytes in
// records of at most 127 (repeated data too), a record of its own for each value the linker
// completes, and the skipped bytes of sections whose kind has a fill value.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "asm/object_expressions.h"
#include "asm/reporter.h"
#include "asm/run_options.h"
#include "asm/statement_output.h"
#include "common/varint.h"
#include "object/ieee695.h"
#include "object/record_writer.h"

namespace kz::assembler {

// Records built in memory before their part can be written, each kept whole. They lie one
// after another in chunks of kChunkSize bytes, each behind its length as a varint; a record
// that does not fit a chunk gets one of its own.
class RecordLog {
 public:
  static constexpr std::size_t kChunkSize = std::size_t{1} << 16;

  void add(std::span<const std::uint8_t> record);
  bool empty() const { return count_ == 0; }
  std::size_t size() const { return count_; }
  template <class Visit>
  void forEach(Visit&& visit) const {
    for (const Chunk& chunk : chunks_) {
      const std::uint8_t* at = chunk.bytes.get();
      const std::uint8_t* end = at + chunk.used;
      while (at < end) {
        auto length = static_cast<std::size_t>(takeVarint(at));
        visit(std::span<const std::uint8_t>(at, length));
        at += length;
      }
    }
  }

 private:
  struct Chunk {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t capacity = 0;
    std::size_t used = 0;
  };

  Chunk& chunkWithRoom(std::size_t size);

  std::vector<Chunk> chunks_;
  std::size_t count_ = 0;
};

// The type code of a public or local symbol record: 03, 05 or 07 for a size attribute of
// 1, 2 or 3 bytes, else 0F.
std::uint8_t symbolTypeCode(const symbolDebugData& debug);

class DataPartBuilder {
 public:
  // Longer runs of a fill byte (-F) are a repeat record; data is always constant records.
  static constexpr std::uint64_t kLongestPlainRun = 10;

  DataPartBuilder(const SymbolTable& symbols, const RunOptions& options,
                  ExpressionBuilder& expressions, Reporter& reporter)
      : symbols_(symbols), options_(options), expressions_(expressions), reporter_(reporter) {}

  void statement(const EmittedStatement& statement);
  // Writes the constant bytes still pending.
  void finish() { flushRun(); }
  const RecordLog& records() const { return records_; }

 private:
  // A constant record starts with its code and its count, one byte each.
  static constexpr std::size_t kRunHeader = 2;

  void instruction(const EmittedStatement& statement);
  void data(const EmittedStatement& statement);
  void skipped(const EmittedStatement& statement);
  std::optional<std::uint8_t> fillFor(SectionId section) const;

  // Sets the load pointer unless the data continues where the last load ended.
  void place(SectionId section, std::uint32_t location) {
    if (section != loadSection_ || location != loadLocation_) setLoadPointer(section, location);
  }
  void setLoadPointer(SectionId section, std::uint32_t location);
  void constants(std::span<const std::uint8_t> bytes);
  void repeatedConstants(std::span<const std::uint8_t> bytes, std::uint32_t repeat);
  void repeatedByte(std::uint8_t value, std::uint64_t count);
  // A relocation record for the field; its width, or nothing when its value cannot be written.
  std::optional<std::uint32_t> relocatedField(const FieldRecord& field, SectionId section);
  // The same for a data item: false when its value cannot be written.
  bool relocatedData(const DataField& field);
  // Adds the relocation record built in record_, after the constants before it.
  void addRelocation(std::uint32_t width);
  // Error 204, once per statement, and the bytes as they are.
  void unwritable(std::span<const std::uint8_t> bytes, bool& reported);
  void flushRun();
  // One buffer serves record after record.
  object::Bytes& startRecord(object::RecordCode code) {
    record_.assign(1, static_cast<std::uint8_t>(code));
    return record_;
  }

  const SymbolTable& symbols_;
  const RunOptions& options_;
  ExpressionBuilder& expressions_;
  Reporter& reporter_;
  RecordLog records_;
  object::Bytes record_;
  SectionId loadSection_ = kNoSection;
  std::uint32_t loadLocation_ = 0;
  object::RecordCode constantCode_ = object::RecordCode::loadRelocated;
  // The constant bytes not yet written, behind room for the code and count of their record.
  std::array<std::uint8_t, kRunHeader + object::kMaxLoadCount> run_{};
  std::size_t runLength_ = 0;
};

}  // namespace kz::assembler
