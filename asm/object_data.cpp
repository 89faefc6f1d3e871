#include "asm/object_data.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kz::assembler {
namespace {

constexpr int kInvalidRelocatable = 204;
constexpr std::size_t kMaxLengthBytes = 10;

std::size_t putLength(std::uint8_t* to, std::size_t length) {
  std::size_t size = 0;
  for (; length >= 0x80; length >>= 7) to[size++] = static_cast<std::uint8_t>(length | 0x80);
  to[size++] = static_cast<std::uint8_t>(length);
  return size;
}

}  // namespace

void RecordLog::add(std::span<const std::uint8_t> record) {
  std::uint8_t length[kMaxLengthBytes];
  std::size_t lengthSize = putLength(length, record.size());
  Chunk& chunk = chunkWithRoom(lengthSize + record.size());
  std::uint8_t* at = chunk.bytes.get() + chunk.used;
  std::memcpy(at, length, lengthSize);
  if (!record.empty()) std::memcpy(at + lengthSize, record.data(), record.size());
  chunk.used += lengthSize + record.size();
  ++count_;
}

RecordLog::Chunk& RecordLog::chunkWithRoom(std::size_t size) {
  if (!chunks_.empty()) {
    Chunk& last = chunks_.back();
    if (last.capacity - last.used >= size) return last;
  }
  std::size_t capacity = std::max(size, kChunkSize);
  chunks_.push_back({std::make_unique_for_overwrite<std::uint8_t[]>(capacity), capacity, 0});
  return chunks_.back();
}

std::uint8_t symbolTypeCode(const symbolDebugData& debug) {
  switch (debug.sizeAttribute) {
    case 1:
      return 0x03;
    case 2:
      return 0x05;
    case 3:
      return 0x07;
    default:
      return 0x0F;
  }
}

void DataPartBuilder::statement(const EmittedStatement& statement) {
  if (statement.section == kNoSection || statement.section >= symbols_.sections().size()) return;
  switch (statement.kind) {
    case StatementKind::instruction:
      instruction(statement);
      return;
    case StatementKind::data:
      data(statement);
      return;
    case StatementKind::storage:
    case StatementKind::origin:
    case StatementKind::align:
      skipped(statement);
      return;
    default:
      return;
  }
}

// The bytes before a field are constants, the field a relocation record of its own, the
// bytes after it constants again. A failed statement stands as its zero bytes.
void DataPartBuilder::instruction(const EmittedStatement& statement) {
  if (!statement.instruction) return;
  const EncodedInstruction& encoded = *statement.instruction;
  auto bytes = encoded.view();
  if (bytes.empty()) return;
  place(statement.section, statement.location);
  std::array<const FieldRecord*, kMaxFieldRecords> linkerFields{};
  std::size_t count = 0;
  if (!statement.failed && !encoded.failed) {
    for (const FieldRecord& field : encoded.fieldRecords()) {
      if (field.forLinker) linkerFields[count++] = &field;
    }
    for (std::size_t i = 1; i < count; ++i) {  // by offset; at most three
      for (std::size_t j = i; j > 0 && linkerFields[j - 1]->offset > linkerFields[j]->offset; --j) {
        std::swap(linkerFields[j - 1], linkerFields[j]);
      }
    }
  }
  std::size_t position = 0;
  bool reported = false;
  for (const FieldRecord* field : std::span(linkerFields.data(), count)) {
    if (field->offset < position || field->offset >= bytes.size()) continue;
    constants(bytes.subspan(position, field->offset - position));
    auto item = fieldRelocation(*field, statement.section, expressions_);
    std::size_t width = item ? item->width : field->widthCode;
    width = std::min(width, bytes.size() - field->offset);
    relocated(item, bytes.subspan(field->offset, width), reported);
    position = field->offset + width;
  }
  constants(bytes.subspan(position));
}

// DB ... DL and DFB ... DFL: each copy of the items, values for the linker as relocation
// records of the item's width. A lone repeated byte uses the repeat record.
void DataPartBuilder::data(const EmittedStatement& statement) {
  if (statement.failed || statement.bytes.empty() || statement.repeat == 0) return;
  place(statement.section, statement.location);
  std::span<const std::uint8_t> bytes = statement.bytes;
  if (statement.dataFields.empty()) {
    if (bytes.size() == 1 && statement.repeat > kLongestPlainRun) {
      repeatedByte(bytes[0], statement.repeat);
      return;
    }
    for (std::uint32_t copy = 0; copy < statement.repeat; ++copy) constants(bytes);
    return;
  }
  bool reported = false;
  for (std::uint32_t copy = 0; copy < statement.repeat; ++copy) {
    std::size_t position = 0;
    for (const DataField& field : statement.dataFields) {
      if (field.offset < position || field.offset + field.width > bytes.size()) continue;
      constants(bytes.subspan(position, field.offset - position));
      std::optional<FieldRelocation> item;
      if (auto value = expressions_.value(field.value)) {
        item = FieldRelocation{object::FieldCheck::unsignedField, std::move(*value), field.width};
      }
      relocated(item, bytes.subspan(field.offset, field.width), reported);
      position = field.offset + field.width;
    }
    constants(bytes.subspan(position));
  }
}

// DS..., ORG and ALIGN: written only when the section's kind has a fill value.
void DataPartBuilder::skipped(const EmittedStatement& statement) {
  if (statement.skipped == 0) return;
  auto fill = fillFor(statement.section);
  if (!fill) return;
  place(statement.section, statement.location);
  if (statement.skipped > kLongestPlainRun) {
    repeatedByte(*fill, statement.skipped);
    return;
  }
  std::vector<std::uint8_t> bytes(statement.skipped, *fill);
  constants(bytes);
}

std::optional<std::uint8_t> DataPartBuilder::fillFor(SectionId section) const {
  const FillSettings& fill = options_.fill;
  std::optional<int> value;
  switch (symbols_.sections()[section].kind) {
    case SectionKind::code:
      value = fill.code;
      break;
    case SectionKind::data:
      value = fill.data;
      break;
    case SectionKind::romData:
      value = fill.romData;
      break;
  }
  if (!value) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

void DataPartBuilder::place(SectionId section, std::uint32_t location) {
  if (section == loadSection_ && location == loadLocation_) return;
  flushRun();
  object::Record& record = scratchRecord();
  record.byte(static_cast<std::uint8_t>(object::RecordCode::assign))
      .letter('P')
      .number(ObjectIndices::section(section))
      .expression(expressions_.location(section, location));
  addRecord(record);
  loadSection_ = section;
  loadLocation_ = location;
  constantCode_ = symbols_.sections()[section].absolute ? object::RecordCode::loadConstant
                                                        : object::RecordCode::loadRelocated;
}

void DataPartBuilder::constants(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    std::size_t take = std::min(bytes.size(), object::kMaxLoadCount - run_.size());
    run_.insert(run_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
    loadLocation_ += static_cast<std::uint32_t>(take);
    bytes = bytes.subspan(take);
    if (run_.size() == object::kMaxLoadCount) flushRun();
  }
}

void DataPartBuilder::flushRun() {
  if (run_.empty()) return;
  object::Record& record = scratchRecord();
  record.byte(static_cast<std::uint8_t>(constantCode_)).number(run_.size()).raw(run_);
  addRecord(record);
  run_.clear();
}

void DataPartBuilder::repeatedByte(std::uint8_t value, std::uint64_t count) {
  flushRun();
  object::Record repeat;
  repeat.byte(static_cast<std::uint8_t>(object::RecordCode::repeat)).number(count);
  addRecord(repeat);
  object::Record load;
  load.byte(static_cast<std::uint8_t>(constantCode_)).number(1).byte(value);
  addRecord(load);
  loadLocation_ += static_cast<std::uint32_t>(count);
}

void DataPartBuilder::relocated(const std::optional<FieldRelocation>& item,
                                std::span<const std::uint8_t> bytes, bool& reported) {
  if (!item) {
    if (!reported) reporter_.reportError(kInvalidRelocatable);
    reported = true;
    constants(bytes);
    return;
  }
  flushRun();
  object::Record& record = scratchRecord();
  record.byte(static_cast<std::uint8_t>(object::RecordCode::loadRelocated))
      .relocation(item->check, item->body, item->width);
  addRecord(record);
  loadLocation_ += item->width;
}

}  // namespace kz::assembler
