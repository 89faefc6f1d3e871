#include "asm/object_data.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kz::assembler {
namespace {

// The fields the linker completes, by offset (at most three); none for a failed statement.
std::span<const FieldRecord* const> linkerFields(
    const EmittedStatement& statement, std::array<const FieldRecord*, kMaxFieldRecords>& fields) {
  const EncodedInstruction& encoded = *statement.instruction;
  if (statement.failed || encoded.failed) return {};
  std::size_t count = 0;
  for (const FieldRecord& field : encoded.fieldRecords()) {
    if (field.forLinker) fields[count++] = &field;
  }
  for (std::size_t i = 1; i < count; ++i) {
    for (std::size_t j = i; j > 0 && fields[j - 1]->offset > fields[j]->offset; --j) {
      std::swap(fields[j - 1], fields[j]);
    }
  }
  return std::span(fields.data(), count);
}

}  // namespace

void RecordLog::add(std::span<const std::uint8_t> record) {
  std::uint8_t length[kMaxVarintBytes];
  std::size_t lengthSize = putVarint(length, record.size());
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
  auto bytes = statement.instruction->view();
  if (bytes.empty()) return;
  place(statement.section, statement.location);
  std::array<const FieldRecord*, kMaxFieldRecords> fields;
  std::size_t position = 0;
  bool reported = false;
  for (const FieldRecord* field : linkerFields(statement, fields)) {
    if (field->offset < position || field->offset >= bytes.size()) continue;
    constants(bytes.subspan(position, field->offset - position));
    auto written = relocatedField(*field, statement.section);
    std::size_t width =
        std::min<std::size_t>(written.value_or(field->widthCode), bytes.size() - field->offset);
    if (!written) unwritable(bytes.subspan(field->offset, width), reported);
    position = field->offset + width;
  }
  constants(bytes.subspan(position));
}

// DB ... DL and DFB ... DFL: each copy of the items as constant records, values for the
// linker as relocation records of the item's width. (The repeat record is for fill bytes.)
void DataPartBuilder::data(const EmittedStatement& statement) {
  if (statement.failed || statement.bytes.empty() || statement.repeat == 0) return;
  place(statement.section, statement.location);
  std::span<const std::uint8_t> bytes = statement.bytes;
  if (statement.dataFields.empty()) {
    repeatedConstants(bytes, statement.repeat);
    return;
  }
  bool reported = false;
  for (std::uint32_t copy = 0; copy < statement.repeat; ++copy) {
    std::size_t position = 0;
    for (const DataField& field : statement.dataFields) {
      if (field.offset < position || field.offset + field.width > bytes.size()) continue;
      constants(bytes.subspan(position, field.offset - position));
      if (!relocatedData(field)) unwritable(bytes.subspan(field.offset, field.width), reported);
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
  std::array<std::uint8_t, kLongestPlainRun> bytes;
  bytes.fill(*fill);
  constants(std::span(bytes).first(statement.skipped));
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

void DataPartBuilder::setLoadPointer(SectionId section, std::uint32_t location) {
  flushRun();
  object::Bytes& record = startRecord(object::RecordCode::assign);
  object::appendLetter(record, 'P');
  object::appendNumber(record, ObjectIndices::section(section));
  expressions_.location(record, section, location);
  records_.add(record);
  loadSection_ = section;
  loadLocation_ = location;
  constantCode_ = symbols_.sections()[section].absolute ? object::RecordCode::loadConstant
                                                        : object::RecordCode::loadRelocated;
}

void DataPartBuilder::constants(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    std::size_t take = std::min(bytes.size(), object::kMaxLoadCount - runLength_);
    std::memcpy(run_.data() + kRunHeader + runLength_, bytes.data(), take);
    runLength_ += take;
    loadLocation_ += static_cast<std::uint32_t>(take);
    bytes = bytes.subspan(take);
    if (runLength_ == object::kMaxLoadCount) flushRun();
  }
}

void DataPartBuilder::repeatedConstants(std::span<const std::uint8_t> bytes, std::uint32_t repeat) {
  if (bytes.size() != 1) {
    for (std::uint32_t copy = 0; copy < repeat; ++copy) constants(bytes);
    return;
  }
  // One byte many times: whole records at a time, not byte by byte.
  std::array<std::uint8_t, object::kMaxLoadCount> block;
  block.fill(bytes[0]);
  for (std::uint32_t left = repeat; left > 0;) {
    std::uint32_t take = std::min<std::uint32_t>(left, block.size());
    constants(std::span(block).first(take));
    left -= take;
  }
}

void DataPartBuilder::flushRun() {
  static_assert(object::kMaxLoadCount <= object::kMaxShortNumber, "a count takes one byte");
  if (runLength_ == 0) return;
  run_[0] = static_cast<std::uint8_t>(constantCode_);
  run_[1] = static_cast<std::uint8_t>(runLength_);
  records_.add(std::span(run_).first(kRunHeader + runLength_));
  runLength_ = 0;
}

void DataPartBuilder::repeatedByte(std::uint8_t value, std::uint64_t count) {
  flushRun();
  object::appendNumber(startRecord(object::RecordCode::repeat), count);
  records_.add(record_);
  object::Bytes& load = startRecord(constantCode_);
  object::appendNumber(load, 1);
  load.push_back(value);
  records_.add(load);
  loadLocation_ += static_cast<std::uint32_t>(count);
}

std::optional<std::uint32_t> DataPartBuilder::relocatedField(const FieldRecord& field,
                                                             SectionId section) {
  object::Bytes& record = startRecord(object::RecordCode::loadRelocated);
  auto width = appendFieldRelocation(record, field, section, expressions_);
  if (width) addRelocation(*width);
  return width;
}

bool DataPartBuilder::relocatedData(const DataField& field) {
  constexpr auto kCheck = object::FieldCheck::unsignedField;
  object::Bytes& record = startRecord(object::RecordCode::loadRelocated);
  object::openRelocationItem(record, kCheck);
  if (!expressions_.value(record, field.value)) return false;
  object::closeRelocationItem(record, kCheck, field.width);
  addRelocation(field.width);
  return true;
}

void DataPartBuilder::addRelocation(std::uint32_t width) {
  flushRun();
  records_.add(record_);
  loadLocation_ += width;
}

void DataPartBuilder::unwritable(std::span<const std::uint8_t> bytes, bool& reported) {
  if (!reported) reporter_.reportError(Message::invalidRelocatable);
  reported = true;
  constants(bytes);
}

}  // namespace kz::assembler
