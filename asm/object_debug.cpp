#include "asm/object_debug.h"

#include <optional>
#include <unordered_map>

namespace kz::assembler {
namespace {

using object::RecordCode;
using object::Term;

using object::Attribute;
using object::BlockType;

constexpr std::int32_t attributeCode(Attribute attribute) {
  return static_cast<std::int32_t>(attribute);
}

object::Record begin(RecordCode code) { return object::recordOf(code); }

bool isString(const DebugRecord& record, std::size_t at) {
  return at < record.operands.size() && record.operands[at].kind == DebugOperandKind::string;
}

bool isNumber(const DebugRecord& record, std::size_t at) {
  return at < record.operands.size() && record.operands[at].kind == DebugOperandKind::number;
}

// SYMBOL_B "name", ...: a function start; SYMBOL_B number, word, ...: a line of a type.
bool startsFunction(const DebugRecord& record) {
  return record.directive == DebugDirective::symbolB && isString(record, 0) &&
         record.section != kNoSection;
}

// A name of the directives as the source defines it: as written, or with the leading `_`
// that the compiler puts before the names it writes.
SymbolIndex findNamed(const SymbolTable& symbols, std::string_view name) {
  SymbolIndex index = symbols.findSymbol(name);
  if (index != kNoSymbol && symbols.entry(index).isDefined()) return index;
  index = symbols.findSymbol("_" + std::string(name));
  if (index != kNoSymbol && symbols.entry(index).isDefined()) return index;
  return kNoSymbol;
}

std::uint8_t sizeAttributeOf(std::int32_t type) {
  if (type >= 32 && type < 64) return 2;  // a pointer
  switch (type) {
    case 2:
    case 3:
      return 1;
    case 4:
    case 5:
      return 2;
    case 6:
    case 7:
    case 8:
    case 9:
      return 3;
    default:
      return 0;
  }
}

// A number of the directives as an operand: negative values are left out (80).
void appendOperandNumber(object::Record& record, std::int32_t value) {
  if (value < 0)
    record.omitted();
  else
    record.number(static_cast<std::uint64_t>(value));
}

}  // namespace

void appendTime(object::Record& record, const ObjectTime& time) {
  for (int field : {time.year, time.month, time.day, time.hour, time.minute, time.second}) {
    record.number(static_cast<std::uint64_t>(field < 0 ? 0 : field));
  }
}

void applyDebugDirectives(std::span<const DebugRecord> records, SymbolTable& symbols) {
  std::unordered_map<std::string, bool> functions;
  for (const DebugRecord& record : records) {
    if (startsFunction(record)) functions[record.operands[0].text] = true;
  }
  for (const DebugRecord& record : records) {
    if (!isString(record, 0) || !isNumber(record, 1)) continue;
    const std::string& name = record.operands[0].text;
    std::int32_t number = record.operands[1].number;
    SymbolIndex index = findNamed(symbols, name);
    if (index == kNoSymbol) continue;
    symbolDebugData& debug = symbols.editDebugData(index);
    if (record.directive == DebugDirective::symbolN) {
      debug.typeIndex = number;
      debug.sizeAttribute = sizeAttributeOf(number);
      debug.hasVariableType = !functions.count(name);
    } else if (record.directive == DebugDirective::symbolA &&
               (number == attributeCode(Attribute::staticVariable) ||
                number == attributeCode(Attribute::externalFunction) ||
                number == attributeCode(Attribute::externalVariable) ||
                number == attributeCode(Attribute::globalVariable))) {
      debug.attributeNumber = number;
    }
  }
}

RecordLog DebugPartBuilder::build(const DebugPartInput& input) {
  bool debugOption = options_.debugLevel.has_value();
  if (debugOption) moduleBlock(input);
  object::Record source = begin(RecordCode::blockBegin);
  source.number(BlockType::assemblerModule).number(0).name(input.sourceName).name("");
  source.number(kToolNumber).name(kToolVersionName);
  appendTime(source, input.time);
  add(source);
  if (debugOption) {
    localSymbols();
    directives(input);
  }
  sectionBlocks();
  add(begin(RecordCode::blockEnd));
  return std::move(log_);
}

std::uint64_t DebugPartBuilder::defineName(std::string_view name) {
  std::uint64_t index = names_.next();
  add(begin(RecordCode::name).number(index).name(name));
  return index;
}

void DebugPartBuilder::moduleBlock(const DebugPartInput& input) {
  bool any = false;
  for (const DebugRecord& record : input.records) {
    any = any || record.directive == DebugDirective::symbolA ||
          record.directive == DebugDirective::symbolB ||
          record.directive == DebugDirective::symbolN ||
          record.directive == DebugDirective::symbolT;
  }
  if (!any) return;
  add(begin(RecordCode::blockBegin)
          .number(BlockType::moduleTypes)
          .number(0)
          .name(input.moduleName));
  for (const DebugRecord& record : input.records) {
    const auto& operands = record.operands;
    if (record.directive != DebugDirective::symbolT || !isNumber(record, 0) ||
        operands[0].number < 0 || operands.size() < 2 ||
        operands[1].kind != DebugOperandKind::word || operands[1].text.empty()) {
      continue;
    }
    // Names first: a type record may only name what a name record defined before it.
    std::vector<std::uint64_t> nameIndex(operands.size(), 0);
    for (std::size_t i = 2; i < operands.size(); ++i) {
      if (operands[i].kind == DebugOperandKind::string && !operands[i].text.empty()) {
        nameIndex[i] = defineName(operands[i].text);
      }
    }
    std::size_t next = 2;
    std::uint64_t typeName = 0;
    if (isString(record, 2)) typeName = nameIndex[next++];
    object::Record type = begin(RecordCode::type);
    type.number(static_cast<std::uint64_t>(operands[0].number)).letter('N').number(typeName);
    const std::string& word = operands[1].text;
    for (char c : word) type.number(static_cast<unsigned char>(c));
    for (std::size_t i = next; i < operands.size(); ++i) {
      switch (operands[i].kind) {
        case DebugOperandKind::string:
          type.number(nameIndex[i]);
          break;
        case DebugOperandKind::number:
          appendOperandNumber(type, operands[i].number);
          break;
        case DebugOperandKind::word:
          type.number(static_cast<unsigned char>(operands[i].text[0]));
          break;
      }
    }
    add(type);
  }
  add(begin(RecordCode::blockEnd));
}

void DebugPartBuilder::localSymbols() {
  symbols_.forEachInChainOrder(ChainSet::symbols, [&](SymbolIndex id, const symbolEntry& symbol) {
    if (!symbol.isDefined() || symbol.isPublic || symbol.multiplyDefined) return;
    object::Bytes& value = startExpression();
    if (!expressions_.symbolValue(value, id)) return;
    std::uint64_t index = defineName(symbol.name);
    add(begin(RecordCode::attribute)
            .letter('N')
            .number(index)
            .number(symbolTypeCode(symbols_.debugData(id)))
            .number(Attribute::assemblerSymbol)
            .number(1)
            .number(object::kLocalSymbolFlag));
    add(begin(RecordCode::assign).letter('N').number(index).raw(value));
  });
}

void DebugPartBuilder::directives(const DebugPartInput& input) {
  auto records = input.records;
  // The files of the line records are named first, at this level, so that every function
  // block sees their names.
  std::unordered_map<std::string, std::uint64_t> files;
  std::string current;
  auto fileOf = [&](const DebugRecord& record) {
    if ((record.directive == DebugDirective::file || record.directive == DebugDirective::line) &&
        isString(record, 0) && !record.operands[0].text.empty()) {
      current = record.operands[0].text;
    }
    return current.empty() ? input.sourceName : current;
  };
  for (const DebugRecord& record : records) {
    std::string file = fileOf(record);
    if (record.directive == DebugDirective::line && record.section != kNoSection &&
        !files.count(file)) {
      files[file] = defineName(file);
    }
  }
  current.clear();
  struct Place {
    SectionId section;
    std::uint32_t location;
  };
  std::optional<Place> functionEnd;
  auto closeFunction = [&] {
    if (!functionEnd) return;
    add(begin(RecordCode::blockEnd).raw(location(functionEnd->section, functionEnd->location)));
    functionEnd.reset();
  };
  for (std::size_t i = 0; i < records.size(); ++i) {
    const DebugRecord& record = records[i];
    std::string file = fileOf(record);
    switch (record.directive) {
      case DebugDirective::file:
        break;
      case DebugDirective::line:
        if (record.section != kNoSection) lineRecord(record, files.at(file));
        break;
      case DebugDirective::symbolA:
        attributeRecord(record);
        break;
      case DebugDirective::symbolB: {
        if (!startsFunction(record)) break;
        closeFunction();
        const std::string& name = record.operands[0].text;
        SymbolIndex symbol = findNamed(symbols_, name);
        bool global = symbol != kNoSymbol && symbols_.entry(symbol).isPublic;
        const sectionEntry& section = symbols_.sections()[record.section];
        std::uint32_t end = (section.absolute ? section.startAddress : 0) + section.size;
        for (std::size_t j = i + 1; j < records.size(); ++j) {
          if (!startsFunction(records[j])) continue;
          if (records[j].section == record.section) end = records[j].location;
          break;
        }
        add(begin(RecordCode::blockBegin)
                .number(global ? BlockType::globalFunction : BlockType::localFunction)
                .number(0)
                .name(name)
                .number(0)
                .number(0)
                .raw(location(record.section, record.location)));
        functionEnd = Place{record.section, end};
        break;
      }
      case DebugDirective::symbolN:
      case DebugDirective::symbolT:
        break;
    }
  }
  closeFunction();
}

// F1 CE f 00 07 line column ..., then E2 CE f address.
void DebugPartBuilder::lineRecord(const DebugRecord& record, std::uint64_t file) {
  object::Record line = begin(RecordCode::attribute);
  line.letter('N').number(file).number(0).number(Attribute::lineNumber);
  for (std::size_t i = isString(record, 0) ? 1 : 0; i < record.operands.size(); ++i) {
    if (record.operands[i].kind == DebugOperandKind::number) {
      appendOperandNumber(line, record.operands[i].number);
    }
  }
  add(line);
  add(begin(RecordCode::assign)
          .letter('N')
          .number(file)
          .raw(location(record.section, record.location)));
}

void DebugPartBuilder::attributeRecord(const DebugRecord& record) {
  if (!isString(record, 0) || !isNumber(record, 1) || record.operands[1].number < 0) return;
  const std::string& text = record.operands[0].text;
  std::int32_t attribute = record.operands[1].number;
  SymbolIndex symbol = findNamed(symbols_, text);
  std::int32_t type = symbol != kNoSymbol ? symbols_.debugData(symbol).typeIndex : -1;
  std::uint64_t index = defineName(text);
  object::Record atn = begin(RecordCode::attribute);
  atn.letter('N').number(index).number(type < 0 ? 0 : static_cast<std::uint64_t>(type));
  atn.number(static_cast<std::uint64_t>(attribute));
  for (std::size_t i = 2; i < record.operands.size(); ++i) {
    if (record.operands[i].kind == DebugOperandKind::number)
      appendOperandNumber(atn, record.operands[i].number);
  }
  add(atn);
  bool needsValue = attribute == attributeCode(Attribute::staticVariable) ||
                    attribute == attributeCode(Attribute::globalVariable) ||
                    attribute == attributeCode(Attribute::assemblerSymbol);
  if (!needsValue || symbol == kNoSymbol) return;
  object::Bytes& value = startExpression();
  if (expressions_.symbolValue(value, symbol)) {
    add(begin(RecordCode::assign).letter('N').number(index).raw(value));
  }
}

void DebugPartBuilder::sectionBlocks() {
  const SectionList& sections = symbols_.sections();
  for (SectionId id = 0; id < sections.size(); ++id) {
    const sectionEntry& section = sections[id];
    std::uint64_t kind = section.kind == SectionKind::code   ? 1
                         : section.kind == SectionKind::data ? 2
                                                             : 3;
    add(begin(RecordCode::blockBegin)
            .number(BlockType::section)
            .number(0)
            .name("")
            .number(kind)
            .number(ObjectIndices::section(id))
            .raw(location(id, section.absolute ? section.startAddress : 0)));
    add(begin(RecordCode::blockEnd).number(section.size));
  }
}

std::span<const std::uint8_t> DebugPartBuilder::location(SectionId section, std::int64_t offset) {
  object::Bytes& expression = startExpression();
  expressions_.location(expression, section, offset);
  return expression;
}

}  // namespace kz::assembler
