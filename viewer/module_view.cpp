#include "viewer/module_view.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "viewer/expression_text.h"
#include "viewer/load_tracker.h"

namespace kz::viewer {
namespace {

using object::Cursor;
using object::Expression;
using object::hexByte;
using object::RecordCode;

constexpr std::size_t kBytesPerLine = 16;
// Deeper blocks are not indented further, so output stays linear in the input.
constexpr std::size_t kMaxIndentedDepth = 16;
constexpr int kOffsetDigits = 6;
// A record needing more bytes at once than this is reported, not buffered: the module
// writers keep records to a few hundred bytes.
constexpr std::size_t kMaxRecordWindow = 4 * 1024 * 1024;
std::string quoted(const std::string& text) {
  std::string result = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      result += static_cast<char>(c);
    } else {
      result += "\\x" + hexByte(c);
    }
  }
  return result + "\"";
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += hexByte(byte);
  }
  return text;
}

std::string offsetText(std::uint64_t offset) { return hexText(offset, kOffsetDigits); }

// A number, or a letter where letter is set.
struct Operand {
  object::Number number;
  std::optional<char> letter;
};

std::string operandsText(const std::vector<Operand>& list) {
  std::string text;
  for (const Operand& operand : list) {
    if (!text.empty()) text += ", ";
    if (operand.letter) {
      text += "'" + std::string(1, *operand.letter) + "'";
    } else {
      text += operand.number.omitted ? "omitted" : numberText(operand.number.value);
    }
  }
  return text;
}

std::string dateText(const std::vector<Operand>& list) {
  unsigned long long field[object::kDateNumbers];
  for (std::size_t i = 0; i < object::kDateNumbers; ++i) field[i] = list[i].number.value;
  char date[160];
  std::snprintf(date, sizeof date, "%04llu-%02llu-%02llu %02llu:%02llu:%02llu", field[0], field[1],
                field[2], field[3], field[4], field[5]);
  return date;
}

struct PartPointer {
  std::uint64_t value = 0;
  std::size_t recordOffset = 0;
};

struct OpenBlock {
  std::uint64_t type = 0;
  std::size_t offset = 0;
};

class ModuleViewer;
using RecordDecoder = std::string (ModuleViewer::*)();

struct RecordHandler {
  RecordCode code;
  RecordDecoder decode;
};

class ModuleViewer {
 public:
  ModuleViewer(std::span<const std::uint8_t> bytes, const ViewOptions& options, std::ostream& out)
      : cursor_(bytes), options_(options), out_(out), knownSize_(bytes.size()) {}
  ModuleViewer(object::ByteSource& source, std::optional<std::uint64_t> knownSize,
               const ViewOptions& options, std::ostream& out)
      : cursor_(source, kMaxRecordWindow, knownSize),
        options_(options),
        out_(out),
        knownSize_(knownSize) {}

  ViewResult run();

  std::string moduleBegin();
  std::string moduleEnd();
  std::string addressDescriptor();
  std::string assign();
  std::string loadRelocated();
  std::string loadConstant();
  std::string setSection();
  std::string sectionType();
  std::string sectionAlignment();
  std::string publicName();
  std::string externalName();
  std::string comment();
  std::string localName();
  std::string attribute();
  std::string type();
  std::string weakExternal();
  std::string repeat();
  std::string blockBegin();
  std::string blockEnd();
  std::string context();

 private:
  void readRecord();
  void printRecord(std::size_t start, std::uint8_t code, const std::string& summary);
  void printHeadings(std::size_t start);
  void checkModuleEnd();
  ViewResult result(std::size_t recordStart, std::uint8_t code);

  std::string number(std::string_view what);
  std::string namedIndex(char letter, std::string_view what,
                         std::map<std::uint64_t, std::string>* table);
  std::vector<Operand> operandList(bool allowLetters);
  std::string operands(bool allowLetters);
  std::string symbolAttribute(char letter);
  std::string attributeOperands(std::uint64_t attribute);
  std::string dateOperands();
  std::string blockFields(std::uint64_t blockType);
  std::string assignPartPointer(std::size_t recordStart);
  void addConstantRun(std::span<const std::uint8_t> run);
  void addDetail(const std::string& text);

  Cursor cursor_;
  const ViewOptions& options_;
  std::ostream& out_;
  ModuleNames names_;
  std::array<std::optional<PartPointer>, object::kPartCount> pointers_;
  std::vector<bool> recordStarts_;  // one bit per byte read: a record begins there
  std::optional<std::uint64_t> knownSize_;
  std::vector<OpenBlock> blocks_;
  std::vector<std::string> details_;
  LoadTracker loads_;
  std::uint64_t mausPerAddress_ = object::kMausPerAddress;
  LoadPosition detailPosition_;
  bool dataRecord_ = false;
  bool begun_ = false;
  bool ended_ = false;
  std::size_t moduleEndOffset_ = 0;
};

// clang-format off
constexpr RecordHandler kHandlers[] = {
    {RecordCode::moduleBegin,       &ModuleViewer::moduleBegin},
    {RecordCode::moduleEnd,         &ModuleViewer::moduleEnd},
    {RecordCode::assign,            &ModuleViewer::assign},
    {RecordCode::loadRelocated,     &ModuleViewer::loadRelocated},
    {RecordCode::setSection,        &ModuleViewer::setSection},
    {RecordCode::sectionType,       &ModuleViewer::sectionType},
    {RecordCode::sectionAlignment,  &ModuleViewer::sectionAlignment},
    {RecordCode::publicName,        &ModuleViewer::publicName},
    {RecordCode::externalName,      &ModuleViewer::externalName},
    {RecordCode::comment,           &ModuleViewer::comment},
    {RecordCode::addressDescriptor, &ModuleViewer::addressDescriptor},
    {RecordCode::loadConstant,      &ModuleViewer::loadConstant},
    {RecordCode::name,              &ModuleViewer::localName},
    {RecordCode::attribute,         &ModuleViewer::attribute},
    {RecordCode::type,              &ModuleViewer::type},
    {RecordCode::weakExternal,      &ModuleViewer::weakExternal},
    {RecordCode::repeat,            &ModuleViewer::repeat},
    {RecordCode::blockBegin,        &ModuleViewer::blockBegin},
    {RecordCode::blockEnd,          &ModuleViewer::blockEnd},
    {RecordCode::context,           &ModuleViewer::context},
};
// clang-format on
static_assert(std::size(kHandlers) == std::size(object::kRecords));

const RecordHandler* findHandler(std::uint8_t code) {
  for (const RecordHandler& handler : kHandlers) {
    if (static_cast<std::uint8_t>(handler.code) == code) return &handler;
  }
  return nullptr;
}

// ---- The record loop

ViewResult ModuleViewer::run() {
  if (cursor_.atEnd()) {
    if (cursor_.failed()) return result(0, 0);
    return {object::ReadFailure{0, "empty file"}};
  }
  if (cursor_.peek() != static_cast<std::uint8_t>(RecordCode::moduleBegin)) {
    return {object::ReadFailure{0, "not an IEEE-695 module: it begins with byte " +
                                       hexByte(*cursor_.peek()) + ", not E0 (module begin)"}};
  }
  std::size_t start = 0;
  std::uint8_t code = 0;
  while (!ended_ && !cursor_.failed() && out_) {
    start = cursor_.offset();
    cursor_.releaseBefore(start);
    if (cursor_.atEnd()) {
      cursor_.fail("end of data before the module end (E1)");
      break;
    }
    code = *cursor_.peek();
    readRecord();
  }
  if (!cursor_.failed() && ended_) checkModuleEnd();
  return result(start, code);
}

ViewResult ModuleViewer::result(std::size_t recordStart, std::uint8_t code) {
  if (!cursor_.failed()) return {};
  object::ReadFailure failure = *cursor_.failure();
  const object::RecordInfo* info = object::findRecord(code);
  if (!ended_ && info != nullptr && failure.offset != recordStart) {
    failure.reason +=
        " (in the " + std::string(info->mnemonic) + " record at " + offsetText(recordStart) + ")";
  }
  return {failure};
}

void ModuleViewer::readRecord() {
  std::size_t start = cursor_.offset();
  std::uint8_t code = *cursor_.byte("a record code");
  const RecordHandler* handler = findHandler(code);
  if (handler == nullptr) {
    cursor_.fail(start, "byte " + hexByte(code) + " (" +
                            std::string(object::elementRange(code).meaning) +
                            ") where a record code was expected");
    return;
  }
  details_.clear();
  dataRecord_ = false;
  std::string summary = (this->*handler->decode)();
  if (cursor_.failed()) return;
  if (recordStarts_.size() <= start) recordStarts_.resize(start + 1);
  recordStarts_[start] = true;
  printRecord(start, code, summary);
}

void ModuleViewer::printRecord(std::size_t start, std::uint8_t code, const std::string& summary) {
  bool selected = options_.selection == Selection::everything ||
                  (options_.selection == Selection::dataOnly) == dataRecord_;
  if (!selected) return;
  printHeadings(start);
  const object::RecordInfo& info = *object::findRecord(code);
  std::size_t depth = code == static_cast<std::uint8_t>(RecordCode::blockBegin) ? blocks_.size() - 1
                                                                                : blocks_.size();
  depth = std::min(depth, kMaxIndentedDepth);
  out_ << offsetText(start) << "  " << hexByte(code) << ' ' << info.mnemonic << "  "
       << std::string(2 * depth, ' ') << info.meaning << (summary.empty() ? "" : ": ") << summary
       << '\n';
  for (const std::string& line : details_) out_ << "          " << line << '\n';
  if (options_.rawBytes) {
    auto bytes = cursor_.recordBytes(start);
    for (std::size_t at = 0; at < bytes.size(); at += kBytesPerLine) {
      out_ << "          | "
           << hexBytes(bytes.subspan(at, std::min(kBytesPerLine, bytes.size() - at))) << '\n';
    }
  }
}

void ModuleViewer::printHeadings(std::size_t start) {
  std::string heading;
  for (std::size_t part = 0; part < object::kPartCount; ++part) {
    if (!pointers_[part] || pointers_[part]->value != start || start == 0) continue;
    heading += heading.empty() ? "-- " : ", ";
    heading += "W" + std::to_string(part) + " " + std::string(object::kPartNames[part]);
  }
  if (!heading.empty()) out_ << heading << '\n';
}

void ModuleViewer::checkModuleEnd() {
  if (!cursor_.atEnd()) {
    if (!knownSize_ || *knownSize_ < cursor_.offset()) {
      cursor_.fail("data after the module end");
      return;
    }
    std::uint64_t count = *knownSize_ - cursor_.offset();
    cursor_.fail(std::to_string(count) + (count == 1 ? " byte" : " bytes") +
                 " after the module end");
    return;
  }
  if (!blocks_.empty()) {
    cursor_.fail(blocks_.back().offset, "block begun here is not ended before the module end");
    return;
  }
  for (std::size_t part = 0; part < object::kPartCount; ++part) {
    if (!pointers_[part] || pointers_[part]->value == 0) continue;
    const PartPointer& pointer = *pointers_[part];
    std::string name = "W" + std::to_string(part) + " = " + offsetText(pointer.value);
    bool atRecord = pointer.value < recordStarts_.size() && recordStarts_[pointer.value];
    if (!atRecord) {
      cursor_.fail(pointer.recordOffset, name + ", which is not the offset of a record");
      return;
    }
    if (part == static_cast<std::size_t>(object::Part::moduleEnd) &&
        pointer.value != moduleEndOffset_) {
      cursor_.fail(pointer.recordOffset,
                   name + ", but the module end is at " + offsetText(moduleEndOffset_));
      return;
    }
  }
}

// ---- Elements

std::string ModuleViewer::number(std::string_view what) {
  auto value = cursor_.number(what);
  if (!value) return {};
  return value->omitted ? "omitted" : numberText(value->value);
}

// An index number, with the name the module gave it when there is one. With a table,
// the name read next is stored under the index.
std::string ModuleViewer::namedIndex(char letter, std::string_view what,
                                     std::map<std::uint64_t, std::string>* table) {
  auto index = cursor_.number(what);
  if (!index) return {};
  if (table == nullptr) return names_.variableText(letter, index->value);
  auto text = cursor_.name(std::string(what) + "'s name");
  if (!text) return {};
  (*table)[index->value] = *text;
  return std::string(1, letter) + std::to_string(index->value) + " " + quoted(*text);
}

// Numbers (and letters) up to the next element of another kind.
std::vector<Operand> ModuleViewer::operandList(bool allowLetters) {
  std::vector<Operand> list;
  while (cursor_.nextStartsNumber() ||
         (allowLetters && cursor_.nextIs(object::ElementKind::letter))) {
    Operand operand;
    if (cursor_.nextStartsNumber()) {
      auto value = cursor_.number("an operand");
      if (!value) break;
      operand.number = *value;
    } else {
      operand.letter = cursor_.letter("an operand").value_or('?');
    }
    list.push_back(operand);
  }
  return list;
}

std::string ModuleViewer::operands(bool allowLetters) {
  return operandsText(operandList(allowLetters));
}

// ---- Header records

std::string ModuleViewer::moduleBegin() {
  if (begun_) {
    cursor_.fail(cursor_.offset() - 1, "a second module begin inside the module");
    return {};
  }
  begun_ = true;
  auto processor = cursor_.name("the processor name");
  auto module = cursor_.name("the module name");
  if (!module) return {};
  return "processor " + quoted(*processor) + ", module " + quoted(*module);
}

std::string ModuleViewer::moduleEnd() {
  ended_ = true;
  moduleEndOffset_ = cursor_.offset() - 1;
  return {};
}

std::string ModuleViewer::addressDescriptor() {
  auto bits = cursor_.number("the bits per MAU");
  auto maus = cursor_.number("the MAUs per address");
  if (!maus) return {};
  mausPerAddress_ = maus->value;
  std::string text = std::to_string(bits->value) + " bits per MAU, " + std::to_string(maus->value) +
                     " MAUs per address";
  if (!cursor_.nextIs(object::ElementKind::letter)) return text;
  char order = cursor_.letter("the byte order").value_or('?');
  if (order == object::kLeastSignificantFirst) return text + ", least significant MAU first";
  if (order == object::kMostSignificantFirst) return text + ", most significant MAU first";
  return text + ", order letter '" + std::string(1, order) + "'";
}

std::string ModuleViewer::assign() {
  std::size_t start = cursor_.offset() - 1;
  auto letter = cursor_.letter("the variable of an assignment");
  if (!letter) return {};
  if (*letter == 'W') return assignPartPointer(start);
  std::uint64_t index = 0;
  if (object::variableHasIndex(*letter)) {
    auto number = cursor_.number("the variable's index");
    if (!number) return {};
    index = number->value;
  }
  auto value = cursor_.expression("the assigned value");
  if (!value) return {};
  if (*letter == 'P') {
    dataRecord_ = true;
    loads_.assignLoadPointer(index, *value);
  }
  return names_.variableText(*letter, index) + " = " + expressionText(*value, names_);
}

std::string ModuleViewer::assignPartPointer(std::size_t recordStart) {
  auto part = cursor_.number("the part number");
  auto value = cursor_.expression("the part offset");
  if (!value) return {};
  std::string text = "W" + std::to_string(part->value) + " = ";
  bool plainNumber = value->size() == 1 && value->front().kind == object::TermKind::number;
  text += plainNumber ? offsetText(value->front().value) : expressionText(*value, names_);
  if (part->value >= object::kPartCount) return text;
  if (plainNumber) pointers_[part->value] = PartPointer{value->front().value, recordStart};
  bool absent = plainNumber && value->front().value == 0;
  return text + " (" + std::string(object::kPartNames[part->value]) + (absent ? ": none)" : ")");
}

std::string ModuleViewer::sectionType() {
  auto index = cursor_.number("the section index");
  std::string letters;
  while (cursor_.nextIs(object::ElementKind::letter)) {
    letters += (letters.empty() ? "" : " ") +
               std::string(1, cursor_.letter("a type letter").value_or('?'));
  }
  auto name = cursor_.name("the section name");
  if (!name) return {};
  names_.sections[index->value] = *name;
  std::string extra = operands(false);
  return std::to_string(index->value) + " " + quoted(*name) + ", type " +
         (letters.empty() ? "none" : letters) + (extra.empty() ? "" : ", then " + extra);
}

std::string ModuleViewer::sectionAlignment() {
  auto index = cursor_.number("the section index");
  if (!index) return {};
  std::string text = names_.sectionText(index->value);
  if (cursor_.nextStartsNumber()) text += ", alignment " + number("the alignment");
  if (cursor_.nextStartsNumber()) text += ", page size " + number("the page size");
  return text;
}

std::string ModuleViewer::publicName() {
  return namedIndex('I', "the public symbol index", &names_.publics);
}
std::string ModuleViewer::externalName() {
  return namedIndex('X', "the external symbol index", &names_.externals);
}
std::string ModuleViewer::localName() { return namedIndex('N', "the name index", &names_.locals); }
std::string ModuleViewer::context() {
  std::map<std::uint64_t, std::string> contexts;
  return namedIndex('C', "the context index", &contexts);
}

std::string ModuleViewer::comment() {
  std::string level = number("the comment level");
  auto text = cursor_.name("the comment text");
  if (!text) return {};
  return "level " + level + " " + quoted(*text);
}

std::string ModuleViewer::weakExternal() {
  std::string symbol = namedIndex('X', "the external symbol index", nullptr);
  std::string size = number("the default size");
  std::string text = symbol + ", default size " + size;
  if (cursor_.nextStartsNumber()) text += ", default value " + number("the default value");
  return text;
}

// ---- Attributes and types

std::string ModuleViewer::attribute() {
  auto letter = cursor_.letter("the attribute kind");
  if (!letter) return {};
  if (*letter != 'N') return symbolAttribute(*letter);
  std::string item = namedIndex('N', "the name index", nullptr);
  std::string typeIndex = number("the type index");
  auto definition = cursor_.number("the attribute definition");
  if (!definition) return {};
  const object::AttributeInfo* info = object::findAttribute(definition->value);
  std::string text = item + ", type " + typeIndex + ", " + std::to_string(definition->value);
  if (info != nullptr) text += " " + std::string(info->meaning);
  std::string rest = attributeOperands(definition->value);
  return text + (rest.empty() ? "" : ": " + rest);
}

// ATI (public) and ATX (external): symbol, type index, then their own fields.
std::string ModuleViewer::symbolAttribute(char letter) {
  std::string text = namedIndex(letter, "the symbol index", nullptr);
  text += ", type " + number("the type index");
  if (letter == 'I' && cursor_.nextStartsNumber()) {
    auto definition = cursor_.number("the attribute definition");
    const object::AttributeInfo* info =
        definition ? object::findAttribute(definition->value) : nullptr;
    text += ", " + std::to_string(definition.value_or(object::Number{}).value);
    if (info != nullptr) text += " " + std::string(info->meaning);
  }
  std::string rest = operands(true);
  return rest.empty() ? text : text + ": " + rest;
}

std::string ModuleViewer::attributeOperands(std::uint64_t attribute) {
  const object::AttributeInfo* info = object::findAttribute(attribute);
  auto layout = info != nullptr ? info->operands : object::AttributeOperands::numbers;
  if (layout == object::AttributeOperands::name) {
    auto text = cursor_.name("the attribute's text");
    return text ? quoted(*text) : std::string();
  }
  if (layout == object::AttributeOperands::twoNumbersAndName) {
    std::string text = number("the attribute's first operand");
    text += ", " + number("the attribute's count");
    if (cursor_.nextStartsName()) {
      text += ", " + quoted(cursor_.name("the attribute's name").value_or(""));
    }
    return text;
  }
  std::vector<Operand> list = operandList(true);
  if (attribute == static_cast<std::uint64_t>(object::Attribute::creationDate) &&
      list.size() == object::kDateNumbers)
    return dateText(list);
  std::string text = operandsText(list);
  if (list.empty() || list[0].letter) return text;
  std::string_view meaning = object::attributeValueMeaning(attribute, list[0].number.value);
  return meaning.empty() ? text : text + " (" + std::string(meaning) + ")";
}

// Up to six numbers: year, month, day, hour, minute, second.
std::string ModuleViewer::dateOperands() {
  std::vector<Operand> list = operandList(false);
  return list.size() == object::kDateNumbers ? dateText(list) : operandsText(list);
}

std::string ModuleViewer::type() {
  std::string index = number("the type index");
  auto letter = cursor_.letter("the letter of a type record");
  std::string item = namedIndex('N', "the type's name index", nullptr);
  auto code = cursor_.number("the type code");
  if (!code) return {};
  std::string codeText = code->value >= 0x21 && code->value < 0x7F
                             ? "'" + std::string(1, static_cast<char>(code->value)) + "'"
                             : numberText(code->value);
  std::string rest = operands(true);
  return index + " " + std::string(1, *letter ? *letter : '?') + " " + item + ", code " + codeText +
         (rest.empty() ? "" : ": " + rest);
}

// ---- Debug blocks

std::string ModuleViewer::blockBegin() {
  std::size_t start = cursor_.offset() - 1;
  auto type = cursor_.number("the block type");
  std::string size = number("the block size");
  auto name = cursor_.name("the block name");
  if (!name) return {};
  std::string fields = blockFields(type->value);
  if (cursor_.failed()) return {};
  blocks_.push_back({type->value, start});
  const object::BlockInfo* info = object::findBlock(type->value);
  std::string text = std::to_string(type->value) +
                     (info != nullptr ? " " + std::string(info->meaning) : "") + " " +
                     quoted(*name) + ", size " + size;
  return fields.empty() ? text : text + ", " + fields;
}

std::string ModuleViewer::blockFields(std::uint64_t blockType) {
  using object::BlockType;
  switch (static_cast<BlockType>(blockType)) {
    case BlockType::globalFunction:
    case BlockType::localFunction: {
      std::string text = "stack " + number("the stack space");
      text += ", return type " + number("the return type");
      auto startAddress = cursor_.expression("the start address");
      return startAddress ? text + ", start " + expressionText(*startAddress, names_)
                          : std::string();
    }
    case BlockType::sourceFile:
      return dateOperands();
    case BlockType::assemblerModule: {
      auto second = cursor_.name("the object name");
      std::string text =
          "object " + quoted(second.value_or("")) + ", tool " + number("the tool number");
      if (cursor_.nextStartsName())
        text += ", version " + quoted(cursor_.name("the version name").value_or(""));
      std::string date = dateOperands();
      return date.empty() ? text : text + ", date " + date;
    }
    case BlockType::section: {
      std::string text = "kind " + number("the section kind");
      text += ", " + names_.sectionText(
                         cursor_.number("the section index").value_or(object::Number{}).value);
      auto startAddress = cursor_.expression("the section start");
      if (!startAddress) return {};
      auto mapping = object::takeTrailingWidth(*startAddress);
      text += ", start " + expressionText(*startAddress, names_);
      return mapping ? text + ", mapping " + numberText(*mapping) : text;
    }
    default:
      return {};
  }
}

std::string ModuleViewer::blockEnd() {
  if (blocks_.empty()) {
    cursor_.fail(cursor_.offset() - 1, "block end without a block begin");
    return {};
  }
  OpenBlock block = blocks_.back();
  blocks_.pop_back();
  const object::BlockInfo* info = object::findBlock(block.type);
  std::string text = "of block " + std::to_string(block.type) + " at " + offsetText(block.offset);
  if (info == nullptr || !info->endCarriesExpression) return text;
  auto value = cursor_.expression(
      block.type == static_cast<std::uint64_t>(object::BlockType::section) ? "the section size"
                                                                           : "the end address");
  if (!value) return {};
  return text +
         (block.type == static_cast<std::uint64_t>(object::BlockType::section) ? ", size "
                                                                               : ", end ") +
         expressionText(*value, names_);
}

// ---- Data part

std::string ModuleViewer::setSection() {
  auto index = cursor_.number("the section index");
  if (!index) return {};
  dataRecord_ = true;
  loads_.selectSection(index->value);
  return names_.sectionText(index->value);
}

std::string ModuleViewer::repeat() {
  auto count = cursor_.number("the repeat count");
  if (!count) return {};
  dataRecord_ = true;
  loads_.repeatNextLoad(count->value);
  return "next load " + std::to_string(count->value) + " times";
}

void ModuleViewer::addDetail(const std::string& text) {
  details_.push_back(positionText(detailPosition_) + "  " + text);
}

void ModuleViewer::addConstantRun(std::span<const std::uint8_t> run) {
  for (std::size_t at = 0; at < run.size(); at += kBytesPerLine) {
    std::size_t count = std::min(kBytesPerLine, run.size() - at);
    addDetail(hexBytes(run.subspan(at, count)));
    if (detailPosition_.address) *detailPosition_.address += count;
  }
}

std::string ModuleViewer::loadConstant() {
  dataRecord_ = true;
  detailPosition_ = loads_.position();
  auto count = cursor_.number("the byte count");
  if (!count) return {};
  auto run = cursor_.bytes(count->value, "the loaded bytes");
  if (!run) return {};
  addConstantRun(*run);
  return loads_.completeLoad(run->size(), names_);
}

std::string ModuleViewer::loadRelocated() {
  dataRecord_ = true;
  detailPosition_ = loads_.position();
  std::uint64_t mauCount = 0;
  while (cursor_.nextStartsNumber() || cursor_.nextIs(object::ElementKind::bracket)) {
    if (cursor_.nextStartsNumber()) {
      auto count = cursor_.number("the byte count");
      if (!count) return {};
      auto run = cursor_.bytes(count->value, "the loaded bytes");
      if (!run) return {};
      addConstantRun(*run);
      mauCount += run->size();
      continue;
    }
    auto item = cursor_.relocationItem();
    if (!item) return {};
    std::uint64_t width = item->widthInMaus.value_or(mausPerAddress_);
    std::string widthText = std::to_string(width) + (width == 1 ? " MAU" : " MAUs");
    addDetail("relocation, " + std::string(object::bracketInfo(item->check).meaning) + ", " +
              widthText + ": " + expressionText(item->value, names_));
    if (detailPosition_.address) *detailPosition_.address += width;
    mauCount += width;
  }
  return loads_.completeLoad(mauCount, names_);
}

}  // namespace

ViewResult viewModule(std::span<const std::uint8_t> bytes, const ViewOptions& options,
                      std::ostream& out) {
  ModuleViewer viewer(bytes, options, out);
  return viewer.run();
}

ViewResult viewModule(object::ByteSource& source, std::optional<std::uint64_t> knownSize,
                      const ViewOptions& options, std::ostream& out) {
  ModuleViewer viewer(source, knownSize, options, out);
  return viewer.run();
}

}  // namespace kz::viewer
