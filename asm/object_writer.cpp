#include "asm/object_writer.h"

#include <cstdio>
#include <ctime>
#include <new>
#include <optional>

#include "common/cleanup.h"
#include "common/host_path.h"

namespace kz::assembler {
namespace {

using object::Attribute;
using object::Part;
using object::RecordCode;
using object::Term;

constexpr const char* kProcessorName = "KZEL";

object::Record begin(RecordCode code) { return object::recordOf(code); }

std::size_t part(Part which) { return static_cast<std::size_t>(which); }

// Type letters: A S for an absolute section; Z C, Y C or C for a relocatable one with 8-,
// 16- or 24-bit addresses; then P, D or R for CODE, DATA or ROMDATA.
std::string typeLetters(const sectionEntry& section) {
  std::string letters;
  if (section.absolute) {
    letters = "AS";
  } else if (section.model == MemoryModel::small) {
    letters = "ZC";
  } else if (section.model == MemoryModel::medium) {
    letters = "YC";
  } else {
    letters = "C";
  }
  switch (section.kind) {
    case SectionKind::code:
      return letters + 'P';
    case SectionKind::data:
      return letters + 'D';
    case SectionKind::romData:
      return letters + 'R';
  }
  return letters;
}

// The size code of an external record: 00 for 24 bits, 01 for 16, 02 otherwise.
std::uint64_t externalSizeCode(MemoryModel model) {
  switch (model) {
    case MemoryModel::large:
      return 0;
    case MemoryModel::medium:
      return 1;
    case MemoryModel::small:
      return 2;
  }
  return 0;
}

std::optional<std::time_t> epochFrom(const std::optional<std::string>& text) {
  if (!text || text->empty() || text->size() > 18) return std::nullopt;
  std::time_t seconds = 0;
  for (char c : *text) {
    if (c < '0' || c > '9') return std::nullopt;
    seconds = seconds * 10 + (c - '0');
  }
  return seconds;
}

}  // namespace

ObjectTime assemblyTime(const ProgramEnvironment& environment) {
  std::tm parts{};
  if (auto epoch = epochFrom(environment.lookup("SOURCE_DATE_EPOCH"))) {
    gmtime_r(&*epoch, &parts);
  } else {
    std::time_t now = std::time(nullptr);
    localtime_r(&now, &parts);
  }
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

ObjectWriter::ObjectWriter(const RunOptions& options, SymbolTable& symbols, Reporter& reporter)
    : options_(options),
      symbols_(symbols),
      reporter_(reporter),
      expressions_(symbols, indices_),
      data_(symbols, options, expressions_, reporter) {}

ObjectWriter::~ObjectWriter() { discard(); }

void ObjectWriter::check(object::WriteStatus status) const {
  if (status != object::WriteStatus::ok) reporter_.fatal(Message::objectFileError);
}

void ObjectWriter::write(const object::Record& record) { check(writer_->write(record.bytes())); }

void ObjectWriter::writeLog(const RecordLog& log) {
  log.forEach([&](std::span<const std::uint8_t> record) { check(writer_->write(record)); });
}

void ObjectWriter::open(const ObjectHeader& header) {
  header_ = header;
  if (options_.objectFileName) {
    path_ = withHostSeparators(*options_.objectFileName);
    // Only a regular file is ours to remove: never a device or a pipe the name stands for.
    removable_ = !cleanup::existsAsOtherThanRegularFile(path_);
    // Registered first: an interrupt right after the file appears still removes it.
    if (removable_) registered_ = cleanup::registerFile(path_);
    sink_ = object::FileSink::create(path_);
    if (!sink_) {
      if (registered_) cleanup::unregisterFile(path_);
      registered_ = false;
      reporter_.fatal(Message::cantOpen, *options_.objectFileName);
    }
  }
  try {
    writer_ = std::make_unique<object::RecordWriter>(sink_.get());
  } catch (const std::bad_alloc&) {
    reporter_.fatal(Message::outOfMemory);
  }
  write(begin(RecordCode::moduleBegin).name(kProcessorName).name(header.moduleName));
  write(begin(RecordCode::addressDescriptor)
            .number(object::kBitsPerMau)
            .number(object::kMausPerAddress)
            .letter(object::kLeastSignificantFirst));
  headerAt_ = writer_->offset();
  check(writer_->reserve(object::kPartPointerBytes));
  attributePart();
  environmentPart(header);
}

void ObjectWriter::attributePart() {
  parts_[part(Part::attribute)] = static_cast<std::uint32_t>(writer_->offset());
  auto attribute = [&](Attribute definition) {
    object::Record record = begin(RecordCode::attribute);
    record.letter('N').number(kAttributePartName).number(0).number(definition);
    return record;
  };
  write(begin(RecordCode::name).number(kAttributePartName).name(""));
  write(attribute(Attribute::formatVersion).number(4).number(0));
  write(attribute(Attribute::formatType).number(object::ModuleType::relocatable));
  write(attribute(Attribute::caseSensitivity).number(object::CaseSensitivity::kept));
}

void ObjectWriter::environmentPart(const ObjectHeader& header) {
  parts_[part(Part::environment)] = static_cast<std::uint32_t>(writer_->offset());
  auto attribute = [&](Attribute definition) {
    object::Record record = begin(RecordCode::attribute);
    record.letter('N').number(kEnvironmentPartName).number(0).number(definition);
    return record;
  };
  write(begin(RecordCode::name).number(kEnvironmentPartName).name(""));
  object::Record date = attribute(Attribute::creationDate);
  appendTime(date, header.time);
  write(date);
  write(attribute(Attribute::commandLine).name(header.commandLine));
  object::Record status = attribute(Attribute::executionStatus);
  statusAt_ = writer_->offset() + status.size();
  write(status.number(0));
  write(attribute(Attribute::hostEnvironment).number(object::HostEnvironment::msDos));
  write(attribute(Attribute::toolAndVersion)
            .number(kToolNumber)
            .number(kToolVersion)
            .number(kToolRevision)
            .letter(kToolRevisionLetter));
}

void ObjectWriter::sectionPart() {
  const SectionList& sections = symbols_.sections();
  if (sections.size() == 0) return;
  parts_[part(Part::section)] = static_cast<std::uint32_t>(writer_->offset());
  for (SectionId id = 0; id < sections.size(); ++id) {
    const sectionEntry& section = sections[id];
    std::uint64_t index = ObjectIndices::section(id);
    object::Record type = begin(RecordCode::sectionType);
    type.number(index);
    for (char letter : typeLetters(section)) type.letter(letter);
    write(type.name(section.name));
    if (!section.absolute)
      write(begin(RecordCode::sectionAlignment).number(index).number(section.alignment));
    write(begin(RecordCode::assign)
              .letter('S')
              .number(index)
              .expression({Term::constant(section.size)}));
    if (section.absolute) {
      write(begin(RecordCode::assign)
                .letter('L')
                .number(index)
                .expression({Term::constant(section.startAddress)}));
    }
  }
}

void ObjectWriter::statement(const EmittedStatement& statement) {
  try {
    data_.statement(statement);
  } catch (const std::bad_alloc&) {
    reporter_.fatal(Message::outOfMemory);
  }
}

// Publics in hash-chain order, each with I index, name, attributes and value.
RecordLog ObjectWriter::publicRecords() {
  RecordLog log;
  if (symbols_.publicCount() == 0) return log;  // spares a walk over every symbol
  object::Bytes value;
  symbols_.forEachInChainOrder(ChainSet::symbols, [&](SymbolIndex id, const symbolEntry& symbol) {
    if (!symbol.isPublic || !symbol.isDefined()) return;
    value.clear();
    if (!expressions_.symbolValue(value, id)) return;
    bool plainNumber = !symbol.hasExpression && symbol.section == kNoSection;
    const symbolDebugData& debug = symbols_.debugData(id);
    std::uint64_t index = names_.next();
    std::int32_t extra = plainNumber ? 0 : debug.attributeNumber;
    log.add(begin(RecordCode::publicName).number(index).name(symbol.name).bytes());
    log.add(begin(RecordCode::attribute)
                .letter('I')
                .number(index)
                .number(plainNumber ? object::kUnknownType : symbolTypeCode(debug))
                .number(Attribute::assemblerSymbol)
                .number(static_cast<std::uint64_t>(extra < 0 ? 0 : extra))
                .bytes());
    log.add(begin(RecordCode::assign).letter('I').number(index).raw(value).bytes());
  });
  return log;
}

void ObjectWriter::externalRecords() {
  const auto& externals = indices_.externals();
  for (std::size_t i = 0; i < externals.size(); ++i) {
    const symbolEntry& symbol = symbols_.entry(externals[i]);
    std::uint64_t index = i + 1;
    write(begin(RecordCode::externalName).number(index).name(symbol.name));
    write(begin(RecordCode::attribute)
              .letter('X')
              .number(index)
              .number(object::kUnknownType)
              .omitted()
              .number(externalSizeCode(symbol.externalModel)));
  }
}

void ObjectWriter::complete(std::span<const DebugRecord> debugRecords, int errorCount,
                            int warningCount) {
  if (!writer_ || completed_) return;
  RecordLog publics;
  RecordLog debug;
  try {
    data_.finish();
    applyDebugDirectives(debugRecords, symbols_);
    publics = publicRecords();
    DebugPartBuilder debugPart(symbols_, options_, expressions_, names_);
    debug = debugPart.build({header_.moduleName, header_.sourceName, header_.time, debugRecords});
  } catch (const std::bad_alloc&) {
    reporter_.fatal(Message::outOfMemory);
  }
  sectionPart();
  if (!publics.empty() || !indices_.externals().empty()) {
    parts_[part(Part::external)] = static_cast<std::uint32_t>(writer_->offset());
    writeLog(publics);
    externalRecords();
  }
  parts_[part(Part::debug)] = static_cast<std::uint32_t>(writer_->offset());
  writeLog(debug);
  if (!data_.records().empty()) {
    parts_[part(Part::data)] = static_cast<std::uint32_t>(writer_->offset());
    writeLog(data_.records());
  }
  auto end = static_cast<std::uint32_t>(writer_->offset());
  parts_[part(Part::trailer)] = end;
  parts_[part(Part::moduleEnd)] = end;
  write(begin(RecordCode::moduleEnd));
  using object::ExecutionStatus;
  ExecutionStatus status = errorCount > 0     ? ExecutionStatus::errors
                           : warningCount > 0 ? ExecutionStatus::warnings
                                              : ExecutionStatus::success;
  check(object::patchPartPointers(*writer_, headerAt_, parts_));
  check(writer_->patchByte(statusAt_, static_cast<std::uint8_t>(status)));
  check(writer_->flush());
  completed_ = true;
  if (sink_ && !sink_->close()) reporter_.fatal(Message::cantClose, *options_.objectFileName);
}

void ObjectWriter::keep() {
  if (!completed_) return;
  kept_ = true;
  if (registered_) cleanup::unregisterFile(path_);
  registered_ = false;
}

void ObjectWriter::discard() {
  if (kept_) return;
  writer_.reset();
  if (sink_) {
    sink_->close();
    sink_.reset();
    if (removable_) cleanup::removeRegularFile(path_);
  }
  if (registered_) cleanup::unregisterFile(path_);
  registered_ = false;
}

}  // namespace kz::assembler
