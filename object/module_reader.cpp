#include "object/module_reader.h"

#include <algorithm>
#include <array>
#include <unordered_map>

namespace kz::object {
namespace {

constexpr std::string_view kSectionKindNames[] = {"CODE", "DATA", "ROMDATA"};
// Blocks nest at most this deep; the assembler writes two levels.
constexpr std::size_t kMaxBlockDepth = 64;

bool isPowerOfTwo(std::uint64_t value) { return value != 0 && (value & (value - 1)) == 0; }

class ModuleReader {
 public:
  ModuleReader(std::span<const std::uint8_t> bytes, std::size_t start) : cursor_(bytes, start) {}

  ModuleReadResult run();

 private:
  void record();
  void moduleBegin();
  void addressDescriptor();
  void assign();
  void sectionType();
  void sectionAlignment();
  void symbolName(std::vector<ModuleSymbol>& table,
                  std::unordered_map<std::uint64_t, std::size_t>& at, std::string_view what);
  void attribute();
  void operands(bool allowLetters);
  void typeRecord();
  void blockBegin();
  void blockEnd();
  void loadConstant();
  void loadRelocated();
  void setSection(std::uint64_t index, std::size_t recordStart);
  void addLoad(ModuleLoad load);
  ModuleSection* section(std::uint64_t index, std::size_t recordStart);
  ModuleSymbol& symbol(std::vector<ModuleSymbol>& table,
                       std::unordered_map<std::uint64_t, std::size_t>& at, std::uint64_t index,
                       std::size_t recordStart);
  std::optional<std::uint64_t> constantValue(const Expression& value, std::size_t recordStart,
                                             std::string_view what);

  Cursor cursor_;
  Module module_;
  std::unordered_map<std::uint64_t, std::size_t>& sectionAt_ = module_.sectionPositions;
  std::unordered_map<std::uint64_t, std::size_t>& publicAt_ = module_.publicPositions;
  std::unordered_map<std::uint64_t, std::size_t>& externalAt_ = module_.externalPositions;
  std::unordered_map<std::uint64_t, std::size_t>& localAt_ = module_.localPositions;
  std::vector<std::uint64_t> blocks_;
  std::optional<std::size_t> currentSection_;
  std::unordered_map<std::size_t, std::uint64_t> loadPointers_;  // by section position
  std::optional<std::uint64_t> repeat_;
  std::uint64_t mausPerAddress_ = kMausPerAddress;
  bool begun_ = false;
  bool ended_ = false;
};

ModuleReadResult ModuleReader::run() {
  std::size_t start = cursor_.offset();
  if (cursor_.atEnd()) return {std::nullopt, ReadFailure{start, "empty file"}};
  if (cursor_.peek() != static_cast<std::uint8_t>(RecordCode::moduleBegin)) {
    return {std::nullopt, ReadFailure{start, "not an IEEE-695 module: it begins with byte " +
                                                 hexByte(*cursor_.peek()) + ", not E0"}};
  }
  while (!ended_ && !cursor_.failed()) {
    if (cursor_.atEnd()) {
      cursor_.fail("end of data before the module end (E1)");
      break;
    }
    record();
  }
  if (!cursor_.failed() && !blocks_.empty()) cursor_.fail("a debug block is not ended");
  if (!cursor_.failed()) {
    for (const ModuleSection& section : module_.sections) {
      if (section.absolute && !section.address)
        cursor_.fail(section.recordOffset, "absolute section " + section.name + " has no address");
    }
  }
  if (cursor_.failed()) return {std::nullopt, cursor_.failure()};
  module_.endOffset = cursor_.offset();
  return {std::move(module_), std::nullopt};
}

void ModuleReader::record() {
  std::size_t start = cursor_.offset();
  auto code = cursor_.byte("a record code");
  if (!code) return;
  switch (static_cast<RecordCode>(*code)) {
    case RecordCode::moduleBegin:
      if (begun_) {
        cursor_.fail(start, "a second module begin inside the module");
        return;
      }
      begun_ = true;
      return moduleBegin();
    case RecordCode::moduleEnd:
      ended_ = true;
      return;
    case RecordCode::addressDescriptor:
      return addressDescriptor();
    case RecordCode::assign:
      return assign();
    case RecordCode::sectionType:
      return sectionType();
    case RecordCode::sectionAlignment:
      return sectionAlignment();
    case RecordCode::publicName:
      return symbolName(module_.publics, publicAt_, "the public symbol");
    case RecordCode::externalName:
      return symbolName(module_.externals, externalAt_, "the external symbol");
    case RecordCode::name:
      return symbolName(module_.locals, localAt_, "the name");
    case RecordCode::attribute:
      return attribute();
    case RecordCode::type:
      return typeRecord();
    case RecordCode::comment:
      cursor_.number("the comment level");
      cursor_.name("the comment text");
      return;
    case RecordCode::context:
      cursor_.number("the context index");
      cursor_.name("the context name");
      return;
    case RecordCode::weakExternal:
      cursor_.number("the external symbol index");
      cursor_.number("the default size");
      if (cursor_.nextStartsNumber()) cursor_.number("the default value");
      return;
    case RecordCode::blockBegin:
      return blockBegin();
    case RecordCode::blockEnd:
      return blockEnd();
    case RecordCode::setSection: {
      auto index = cursor_.number("the section index");
      if (index) setSection(index->value, start);
      return;
    }
    case RecordCode::loadConstant:
      return loadConstant();
    case RecordCode::loadRelocated:
      return loadRelocated();
    case RecordCode::repeat: {
      auto count = cursor_.number("the repeat count");
      if (count) repeat_ = count->value;
      return;
    }
  }
  cursor_.fail(start, "byte " + hexByte(*code) + " (" + std::string(elementRange(*code).meaning) +
                          ") where a record code was expected");
}

void ModuleReader::moduleBegin() {
  auto processor = cursor_.name("the processor name");
  auto name = cursor_.name("the module name");
  if (!name) return;
  module_.processor = *processor;
  module_.name = *name;
}

void ModuleReader::addressDescriptor() {
  std::size_t start = cursor_.offset() - 1;
  auto bits = cursor_.number("the bits per MAU");
  auto maus = cursor_.number("the MAUs per address");
  if (!maus) return;
  if (cursor_.nextIs(ElementKind::letter)) {
    auto order = cursor_.letter("the byte order");
    if (order && *order != kLeastSignificantFirst)
      cursor_.fail(start, "only the least significant MAU first order (L) is supported");
  }
  if (bits->value != kBitsPerMau || maus->value == 0 || maus->value > 4)
    cursor_.fail(start, "address descriptor of " + std::to_string(bits->value) + " bits per MAU, " +
                            std::to_string(maus->value) + " MAUs per address is not supported");
  mausPerAddress_ = maus->value;
}

ModuleSection* ModuleReader::section(std::uint64_t index, std::size_t recordStart) {
  auto found = sectionAt_.find(index);
  if (found == sectionAt_.end()) {
    cursor_.fail(recordStart,
                 "section " + std::to_string(index) + " is used before its type record");
    return nullptr;
  }
  return &module_.sections[found->second];
}

ModuleSymbol& ModuleReader::symbol(std::vector<ModuleSymbol>& table,
                                   std::unordered_map<std::uint64_t, std::size_t>& at,
                                   std::uint64_t index, std::size_t recordStart) {
  auto [found, inserted] = at.try_emplace(index, table.size());
  if (inserted) table.push_back({index, {}, {}, recordStart});
  return table[found->second];
}

std::optional<std::uint64_t> ModuleReader::constantValue(const Expression& value,
                                                         std::size_t recordStart,
                                                         std::string_view what) {
  if (value.size() == 1 && value[0].kind == TermKind::number) return value[0].value;
  cursor_.fail(recordStart, std::string(what) + " is not a number");
  return std::nullopt;
}

void ModuleReader::assign() {
  std::size_t start = cursor_.offset() - 1;
  auto letter = cursor_.letter("the variable of an assignment");
  if (!letter) return;
  std::uint64_t index = 0;
  if (variableHasIndex(*letter)) {
    auto number = cursor_.number("the variable's index");
    if (!number) return;
    index = number->value;
  }
  auto value = cursor_.expression("the assigned value");
  if (!value) return;
  switch (*letter) {
    case 'W':
      return;  // part pointers: the records are read in order, so they are not needed
    case 'S':
      if (ModuleSection* target = section(index, start)) {
        if (auto size = constantValue(*value, start, "a section size")) target->size = *size;
      }
      return;
    case 'L':
      if (ModuleSection* target = section(index, start)) {
        if (auto base = constantValue(*value, start, "a section address")) target->address = *base;
      }
      return;
    case 'I':
      symbol(module_.publics, publicAt_, index, start).value = std::move(*value);
      return;
    case 'N':
      symbol(module_.locals, localAt_, index, start).value = std::move(*value);
      return;
    case 'G':
      module_.startAddress = std::move(*value);
      return;
    case 'P': {
      ModuleSection* target = section(index, start);
      if (target == nullptr) return;
      std::size_t position = sectionAt_[index];
      std::uint64_t offset = 0;
      // R n, R n k +, or (absolute sections) the address as a number.
      const Expression& v = *value;
      bool base = !v.empty() && v[0] == Term::sectionBase(index);
      if (v.size() == 1 && base) {
        offset = 0;
      } else if (v.size() == 3 && base && v[1].kind == TermKind::number && !v[1].negative &&
                 v[2] == Term::function(Function::add)) {
        offset = v[1].value;
      } else if (v.size() == 1 && v[0].kind == TermKind::number && target->absolute &&
                 target->address && v[0].value >= *target->address) {
        offset = v[0].value - *target->address;
      } else {
        cursor_.fail(start, "the load pointer of section " + target->name +
                                " is not its base plus an offset");
        return;
      }
      currentSection_ = position;
      loadPointers_[position] = offset;
      return;
    }
    default:
      cursor_.fail(start, "assignment to variable " + std::string(1, *letter) +
                              ", which a module does not assign");
      return;
  }
}

// ST: index, letters, name. A: absolute; Z/Y: 8/16-bit addresses; C: combined by name;
// the last letter P, D or R is the kind.
void ModuleReader::sectionType() {
  std::size_t start = cursor_.offset() - 1;
  auto index = cursor_.number("the section index");
  std::string letters;
  while (cursor_.nextIs(ElementKind::letter))
    letters += cursor_.letter("a type letter").value_or('?');
  auto name = cursor_.name("the section name");
  if (!name) return;
  operands(false);
  if (sectionAt_.count(index->value) != 0) {
    cursor_.fail(start, "section " + std::to_string(index->value) + " is typed twice");
    return;
  }
  ModuleSection entry;
  entry.index = index->value;
  entry.name = *name;
  entry.recordOffset = start;
  if (letters == "ASP" || letters == "ASD" || letters == "ASR") {
    entry.absolute = true;
    entry.addressSize = AddressSize::bits16;
  } else if (letters.size() == 3 && (letters[0] == 'Z' || letters[0] == 'Y') && letters[1] == 'C') {
    entry.addressSize = letters[0] == 'Z' ? AddressSize::bits8 : AddressSize::bits16;
  } else if (letters.size() != 2 || letters[0] != 'C') {
    cursor_.fail(start, "section type letters '" + letters + "' are not supported");
    return;
  }
  switch (letters.back()) {
    case 'P':
      entry.kind = SectionKind::code;
      break;
    case 'D':
      entry.kind = SectionKind::data;
      break;
    case 'R':
      entry.kind = SectionKind::romData;
      break;
    default:
      cursor_.fail(start, "section type letters '" + letters + "' are not supported");
      return;
  }
  sectionAt_[entry.index] = module_.sections.size();
  module_.sections.push_back(std::move(entry));
}

void ModuleReader::sectionAlignment() {
  std::size_t start = cursor_.offset() - 1;
  auto index = cursor_.number("the section index");
  if (!index) return;
  ModuleSection* target = section(index->value, start);
  if (target == nullptr) return;
  if (cursor_.nextStartsNumber()) {
    auto alignment = cursor_.number("the alignment");
    if (!alignment) return;
    if (!alignment->omitted) {
      if (!isPowerOfTwo(alignment->value) || alignment->value > 0x10000) {
        cursor_.fail(start, "alignment " + std::to_string(alignment->value) +
                                " is not a power of two up to 65536");
        return;
      }
      target->alignment = alignment->value;
    }
  }
  if (cursor_.nextStartsNumber()) {
    auto page = cursor_.number("the page size");
    if (page && !page->omitted && page->value > 1) target->page = page->value;
  }
}

void ModuleReader::symbolName(std::vector<ModuleSymbol>& table,
                              std::unordered_map<std::uint64_t, std::size_t>& at,
                              std::string_view what) {
  std::size_t start = cursor_.offset() - 1;
  auto index = cursor_.number(std::string(what) + "'s index");
  auto name = cursor_.name(std::string(what) + "'s name");
  if (!name) return;
  ModuleSymbol& entry = symbol(table, at, index->value, start);
  if (!entry.name.empty()) {
    cursor_.fail(start, std::string(what) + " " + std::to_string(index->value) + " is named twice");
    return;
  }
  entry.name = *name;
  entry.recordOffset = start;
}

void ModuleReader::operands(bool allowLetters) {
  while (cursor_.nextStartsNumber() || (allowLetters && cursor_.nextIs(ElementKind::letter))) {
    if (cursor_.nextStartsNumber()) {
      cursor_.number("an operand");
    } else {
      cursor_.letter("an operand");
    }
  }
}

void ModuleReader::attribute() {
  auto letter = cursor_.letter("the attribute kind");
  if (!letter) return;
  auto index = cursor_.number("the symbol index");
  cursor_.number("the type index");
  if (*letter != 'N') {
    operands(true);
    return;
  }
  auto definition = cursor_.number("the attribute definition");
  if (!definition) return;
  const AttributeInfo* info = findAttribute(definition->value);
  auto layout = info != nullptr ? info->operands : AttributeOperands::numbers;
  if (layout == AttributeOperands::name) {
    cursor_.name("the attribute's text");
    return;
  }
  if (layout == AttributeOperands::twoNumbersAndName) {
    cursor_.number("the attribute's first operand");
    cursor_.number("the attribute's count");
    if (cursor_.nextStartsName()) cursor_.name("the attribute's name");
    return;
  }
  if (definition->value == static_cast<std::uint64_t>(Attribute::creationDate)) {
    std::array<std::uint64_t, kDateNumbers> date{};
    std::size_t count = 0;
    while (cursor_.nextStartsNumber()) {
      auto value = cursor_.number("a date number");
      if (value && count < date.size()) date[count] = value->value;
      ++count;
    }
    if (count == date.size()) module_.creationDate = date;
    return;
  }
  if (definition->value == static_cast<std::uint64_t>(Attribute::formatType) &&
      cursor_.nextStartsNumber()) {
    auto type = cursor_.number("the format type");
    if (type && type->value >= 1 && type->value <= 4 && index)
      module_.type = static_cast<ModuleType>(type->value);
  }
  operands(true);
}

void ModuleReader::typeRecord() {
  cursor_.number("the type index");
  cursor_.letter("the letter of a type record");
  cursor_.number("the type's name index");
  cursor_.number("the type code");
  operands(true);
}

void ModuleReader::blockBegin() {
  auto type = cursor_.number("the block type");
  cursor_.number("the block size");
  cursor_.name("the block name");
  if (cursor_.failed()) return;
  switch (static_cast<BlockType>(type->value)) {
    case BlockType::globalFunction:
    case BlockType::localFunction:
      cursor_.number("the stack space");
      cursor_.number("the return type");
      cursor_.expression("the start address");
      break;
    case BlockType::sourceFile:
      operands(false);
      break;
    case BlockType::assemblerModule:
      cursor_.name("the object name");
      cursor_.number("the tool number");
      if (cursor_.nextStartsName()) cursor_.name("the version name");
      operands(false);
      break;
    case BlockType::section:
      cursor_.number("the section kind");
      cursor_.number("the section index");
      cursor_.expression("the section start");
      break;
    default:
      break;
  }
  if (blocks_.size() >= kMaxBlockDepth) {
    cursor_.fail("debug blocks nested more than " + std::to_string(kMaxBlockDepth) + " deep");
    return;
  }
  blocks_.push_back(type->value);
}

void ModuleReader::blockEnd() {
  if (blocks_.empty()) {
    cursor_.fail(cursor_.offset() - 1, "block end without a block begin");
    return;
  }
  const BlockInfo* info = findBlock(blocks_.back());
  blocks_.pop_back();
  if (info != nullptr && info->endCarriesExpression) cursor_.expression("the block's end value");
}

void ModuleReader::setSection(std::uint64_t index, std::size_t recordStart) {
  if (section(index, recordStart) == nullptr) return;
  currentSection_ = sectionAt_[index];
  loadPointers_.try_emplace(*currentSection_, 0);
}

void ModuleReader::addLoad(ModuleLoad load) {
  const ModuleSection& target = module_.sections[load.section];
  std::uint64_t span = load.size * load.repeat;
  if (load.repeat != 0 && span / load.repeat != load.size) span = UINT64_MAX;
  if (span > target.size || load.offset > target.size - span) {
    cursor_.fail(load.recordOffset, "data beyond the end of section " + target.name + " (size " +
                                        std::to_string(target.size) + ")");
    return;
  }
  loadPointers_[load.section] = load.offset + span;
  if (load.size > 0 && load.repeat > 0) module_.loads.push_back(load);
}

void ModuleReader::loadConstant() {
  std::size_t start = cursor_.offset() - 1;
  auto count = cursor_.number("the byte count");
  auto run = cursor_.bytes(count.value_or(Number{}).value, "the loaded bytes");
  if (!run) return;
  if (!currentSection_) {
    cursor_.fail(start, "data before any load pointer is set");
    return;
  }
  ModuleLoad load;
  load.section = static_cast<std::uint32_t>(*currentSection_);
  load.offset = loadPointers_[*currentSection_];
  load.repeat = repeat_.value_or(1);
  repeat_.reset();
  load.size = static_cast<std::uint32_t>(run->size());
  load.bytesAt = module_.bytes.size();
  load.recordOffset = start;
  module_.bytes.insert(module_.bytes.end(), run->begin(), run->end());
  addLoad(load);
}

void ModuleReader::loadRelocated() {
  std::size_t start = cursor_.offset() - 1;
  if (!currentSection_) {
    cursor_.fail(start, "data before any load pointer is set");
    return;
  }
  // A repeat applies to the first item of the record only.
  std::uint64_t repeat = repeat_.value_or(1);
  repeat_.reset();
  while (cursor_.nextStartsNumber() || cursor_.nextIs(ElementKind::bracket)) {
    ModuleLoad load;
    load.section = static_cast<std::uint32_t>(*currentSection_);
    load.offset = loadPointers_[*currentSection_];
    load.repeat = repeat;
    load.recordOffset = start;
    repeat = 1;
    if (cursor_.nextStartsNumber()) {
      auto count = cursor_.number("the byte count");
      auto run = cursor_.bytes(count.value_or(Number{}).value, "the loaded bytes");
      if (!run) return;
      load.size = static_cast<std::uint32_t>(run->size());
      load.bytesAt = module_.bytes.size();
      module_.bytes.insert(module_.bytes.end(), run->begin(), run->end());
    } else {
      std::size_t itemStart = cursor_.offset();
      auto item = cursor_.relocationItem();
      if (!item) return;
      std::uint64_t width = item->widthInMaus.value_or(mausPerAddress_);
      if (width == 0 || width > 4) {
        cursor_.fail(itemStart, "a relocated field of " + std::to_string(width) + " MAUs");
        return;
      }
      load.size = static_cast<std::uint32_t>(width);
      load.relocation = static_cast<std::int64_t>(module_.relocations.size());
      load.recordOffset = itemStart;
      module_.relocations.push_back(
          {item->check, std::move(item->value), static_cast<std::uint32_t>(width)});
    }
    addLoad(load);
    if (cursor_.failed()) return;
  }
}

}  // namespace

namespace {
std::optional<std::size_t> lookUp(const std::unordered_map<std::uint64_t, std::size_t>& at,
                                  std::uint64_t index) {
  auto found = at.find(index);
  if (found == at.end()) return std::nullopt;
  return found->second;
}
}  // namespace

std::optional<std::size_t> Module::sectionAt(std::uint64_t index) const {
  return lookUp(sectionPositions, index);
}
std::optional<std::size_t> Module::externalAt(std::uint64_t index) const {
  return lookUp(externalPositions, index);
}
std::optional<std::size_t> Module::publicAt(std::uint64_t index) const {
  return lookUp(publicPositions, index);
}
std::optional<std::size_t> Module::localAt(std::uint64_t index) const {
  return lookUp(localPositions, index);
}

ModuleReadResult readModule(std::span<const std::uint8_t> bytes, std::size_t start) {
  ModuleReader reader(bytes, start);
  return reader.run();
}

std::string_view sectionKindName(SectionKind kind) {
  return kSectionKindNames[static_cast<std::size_t>(kind)];
}

}  // namespace kz::object
