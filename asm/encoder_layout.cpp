#include "asm/encoder_layout.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kz::assembler {

namespace {

// One step of a byte layout. "Field" writes an operand by its kind; a merging kind ORs its
// first byte into the byte written just before.
enum class Step : std::uint8_t {
  done,
  opcode1,
  opcode2,  // only when the opcode is two bytes long
  field0,
  field1,
  again0,  // the second use of a bit register: 2 for (DE), 3 for (HL)
  again1,
  opcode1WithBit0,  // the first opcode byte OR the bit number of operand 0
  opcode1WithBit1,
  opcode2WithBit0,
  opcode2WithBit1,
  bit0IntoLast,        // OR the bit number of operand 0, if it has one, into the last byte
  field1IfCondition0,  // field 1 only when operand 0 is a condition
  skipOverJump,        // 03: the displacement of J form [6] over the JP that follows
};

constexpr std::size_t kMaxSteps = 5;

struct LayoutSteps {
  ByteLayout layout;
  std::array<Step, kMaxSteps> steps;
};

using enum Step;
using L = ByteLayout;
// clang-format off
constexpr LayoutSteps kLayouts[] = {
    {L::opcodeOnly,                       {opcode1, opcode2}},
    {L::operandInside,                    {opcode1, field0, opcode2}},
    {L::operandAfter,                     {opcode1, opcode2, field0}},
    {L::bitInOpcode,                      {opcode1WithBit0, opcode2, field0}},
    {L::bitInSecondOpcode,                {opcode1, field0, opcode2WithBit0}},
    {L::registerRepeated,                 {opcode1, field0, opcode2, again0}},
    {L::bitIntoLast,                      {opcode1, field0, opcode2, bit0IntoLast}},
    {L::twoOperands,                      {opcode1, field0, opcode2, field1}},
    {L::twoOperandsReversed,              {opcode1, field1, opcode2, field0}},
    {L::conditionalOperand,               {opcode1, field0, opcode2, field1IfCondition0}},
    {L::secondBitInOpcode,                {opcode1WithBit1, opcode2, field1}},
    {L::registerRepeatedThenOperand,      {opcode1, field0, opcode2, again0, field1}},
    {L::reversedRegisterRepeated,         {opcode1, field1, opcode2, again1, field0}},
    {L::bitInSecondOpcodeThenOperand,     {opcode1, field0, opcode2WithBit0, field1}},
    {L::reversedBitInSecondOpcode,        {opcode1, field1, opcode2WithBit1, field0}},
    {L::secondOperandAfter,               {opcode1, opcode2, field1}},
    {L::jumpOverJp,                     {opcode1, field0, skipOverJump, opcode2, field1}},
};
// clang-format on

constexpr bool layoutsInOrder() {
  for (std::size_t i = 0; i < std::size(kLayouts); ++i) {
    if (static_cast<std::size_t>(kLayouts[i].layout) != i) return false;
  }
  return std::size(kLayouts) == kByteLayouts;
}
static_assert(layoutsInOrder());

struct Range {
  std::int64_t low;
  std::int64_t high;
  bool contains(std::int64_t value) const { return value >= low && value <= high; }
};

constexpr Range kByteRange{-256, 255};
constexpr Range kWordRange{-65536, 65535};
constexpr Range kTripleRange{0, 0xFFFFFF};
constexpr Range kNibbleRange{0, 15};
constexpr Range kDisplacementRange{-128, 127};
constexpr Range kShortRelativeRange{-16, 15};
constexpr Range kBitRange{0, 7};

Range memoryFieldRange(int mode) {
  if (mode == directByte) return kByteRange;
  if (mode == directWord) return kWordRange;
  return kDisplacementRange;
}

// CALLV: a vector number 0..15, or the address of a vector slot (an even address in
// FFC0..FFDE or C0..DE) converted to its number.
std::optional<std::int64_t> vectorNumber(std::int64_t value) {
  if (value >= 0 && value <= 15) return value;
  for (std::int64_t base : {0xFFC0, 0xC0}) {
    if (value >= base && value <= base + 0x1E && value % 2 == 0) return (value - base) / 2;
  }
  return std::nullopt;
}

// CALLP: a page address FF00..FFFF, or its low byte.
std::optional<std::int64_t> pageOffset(std::int64_t value) {
  if (value >= 0xFF00 && value <= 0xFFFF) return value & 0xFF;
  if (value >= 0 && value <= 0xFF) return value;
  return std::nullopt;
}

// One run of a layout.
class Emission {
 public:
  Emission(const LayoutRequest& request, const SymbolTable& symbols, Reporter& reporter,
           EncodedInstruction& result)
      : request_(request),
        form_(request.entry.forms[request.form]),
        symbols_(symbols),
        reporter_(reporter),
        result_(result) {
    result_.start(request.entry.code, request.form);
  }

  void run();

 private:
  Operand& operand(int index) { return request_.operands[index]; }
  bool hasOperand(int index) const {
    return static_cast<std::size_t>(index) < request_.operands.size();
  }
  void append(std::uint8_t byte) { result_.bytes[result_.size++] = byte; }
  void merge(std::uint8_t bits) { result_.bytes[result_.size - 1] |= bits; }
  void appendLittleEndian(std::int64_t value, int count) {
    for (int i = 0; i < count; ++i) append(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  // nullptr before the final pass, which alone keeps field records.
  FieldRecord* addRecord(int index, FieldUse use, int offset, int width, const exprValue& value);
  void report(Message message) { reporter_.reportError(message); }
  void warnOutOfRange() { reporter_.reportWarning(Message::valueOutOfRange); }
  std::int64_t checked(const exprValue& value, Range range);

  void step(Step step);
  void field(int index, bool again);
  void orBit(int index);
  void registerField(const Operand& op, bool again);
  void conditionField(const Operand& op);
  void valueField(int index, int width, Range range);
  void memoryField(int index);
  void nibbleField(int index);
  void pageField(int index);
  void relativeField(int index, bool shortForm);
  bool needsLinker(const exprValue& value) const { return !value.isAbsolute(); }
  bool sizedForCallTable(const exprValue& value) const;

  const LayoutRequest& request_;
  const InstructionForm& form_;
  const SymbolTable& symbols_;
  Reporter& reporter_;
  EncodedInstruction& result_;
};

void Emission::run() {
  for (Step s : kLayouts[static_cast<std::size_t>(form_.layout)].steps) {
    if (s == done) break;
    step(s);
  }
  for (std::size_t i = 0; i < result_.fieldCount; ++i) {
    result_.fields[i].lastByteOffset = static_cast<std::uint8_t>(result_.size - 1);
  }
}

void Emission::step(Step s) {
  switch (s) {
    case opcode1:
      append(form_.firstByte());
      break;
    case opcode2:
      if (form_.length == 2) append(form_.secondByte());
      break;
    case field0:
      field(0, false);
      break;
    case field1:
      field(1, false);
      break;
    case again0:
      field(0, true);
      break;
    case again1:
      field(1, true);
      break;
    case opcode1WithBit0:
    case opcode1WithBit1:
      append(form_.firstByte());
      orBit(s == opcode1WithBit0 ? 0 : 1);
      break;
    case opcode2WithBit0:
    case opcode2WithBit1:
      append(form_.secondByte());
      orBit(s == opcode2WithBit0 ? 0 : 1);
      break;
    case bit0IntoLast:
      orBit(0);
      break;
    case field1IfCondition0:
      if (hasOperand(0) && operand(0).addressing == AddressingClass::condition) field(1, false);
      break;
    case skipOverJump:
      if (request_.entry.code == Mnemonic::j && request_.form == jumpSkipCond) append(0x03);
      break;
    case done:
      break;
  }
}

FieldRecord* Emission::addRecord(int index, FieldUse use, int offset, int width,
                                 const exprValue& value) {
  if (!request_.finalPass) return nullptr;
  FieldRecord& record = result_.fields[result_.fieldCount++];
  record.operand = static_cast<std::uint8_t>(index);
  record.use = use;
  record.offset = static_cast<std::uint8_t>(offset);
  record.widthCode = static_cast<std::uint8_t>(width);
  record.forLinker = needsLinker(value);
  record.targetExternal = value.kind == ValueKind::external;
  record.targetInOtherSection =
      value.kind == ValueKind::relocatable && value.section != request_.place.section;
  record.value = value;
  record.lastByteOffset = 0;
  record.baseOpcode = 0;
  record.pcRelative = false;
  return &record;
}

// The value to store; out of range in the final pass is warning 501 (the caller truncates).
std::int64_t Emission::checked(const exprValue& value, Range range) {
  if (request_.finalPass && value.isAbsolute() && !range.contains(value.value)) warnOutOfRange();
  return value.value;
}

void Emission::field(int index, bool again) {
  if (!hasOperand(index)) return;
  Operand& op = operand(index);
  switch (op.kind) {
    case OperandKind::none:
      return;
    case OperandKind::reg:
    case OperandKind::pair:
    case OperandKind::bitRegister:
      registerField(op, again);
      return;
    case OperandKind::condition:
      conditionField(op);
      return;
    case OperandKind::vector:
      nibbleField(index);
      return;
    case OperandKind::shortRelative:
      relativeField(index, true);
      return;
    case OperandKind::relative:
      relativeField(index, false);
      return;
    case OperandKind::byte:
      if (request_.entry.code == Mnemonic::callp) {
        pageField(index);
      } else {
        valueField(index, 1, kByteRange);
      }
      return;
    case OperandKind::word:
      valueField(index, 2, kWordRange);
      return;
    case OperandKind::triple:
      valueField(index, 3, kTripleRange);
      return;
    case OperandKind::memory:
    case OperandKind::destinationMemory:
      memoryField(index);
      return;
  }
}

// r, rr, and the bit register g of (DE).g/(HL).g; used again, the pointer: DE 2, HL 3.
void Emission::registerField(const Operand& op, bool again) {
  bool bitRegisterFirstUse = op.kind == OperandKind::bitRegister && !again;
  merge(registerInfo(bitRegisterFirstUse ? op.secondReg : op.reg).number);
}

// J form [6] branches around its JP on the inverted condition.
void Emission::conditionField(const Operand& op) {
  const ConditionInfo& condition = conditionInfo(op.reg);
  bool inverted = request_.entry.code == Mnemonic::j && request_.form == jumpSkipCond;
  merge(inverted ? conditionInfo(valueOf(condition.inverse)).code : condition.code);
}

void Emission::orBit(int index) {
  if (!hasOperand(index) || !operand(index).hasBitSuffix) return;
  const exprValue& bit = operand(index).bitValue;
  std::uint8_t base = result_.bytes[result_.size - 1];
  std::int64_t number = checked(bit, kBitRange);
  if (bit.isAbsolute()) merge(static_cast<std::uint8_t>(number & 7));
  if (FieldRecord* record = addRecord(index, FieldUse::bitNumber, result_.size - 1, 1, bit)) {
    record->baseOpcode = base;
  }
}

void Emission::valueField(int index, int width, Range range) {
  const exprValue& value = operand(index).value;
  int offset = result_.size;
  appendLittleEndian(checked(value, range), width);
  addRecord(index, FieldUse::value, offset, width, value);
}

// Prefix (merged), then the address or displacement bytes of the mode.
void Emission::memoryField(int index) {
  Operand& op = operand(index);
  merge(memoryPrefix(op.memoryMode, op.kind == OperandKind::destinationMemory));
  int width = memoryFieldBytes(op.memoryMode);
  if (width == 0) return;
  int offset = result_.size;
  appendLittleEndian(checked(op.value, memoryFieldRange(op.memoryMode)), width);
  addRecord(index, FieldUse::value, offset, width, op.value);
}

// LD RBS,n and CALLV: four bits merged into the byte before.
void Emission::nibbleField(int index) {
  const exprValue& value = operand(index).value;
  bool callVector = request_.entry.code == Mnemonic::callv;
  std::int64_t number = value.value;
  if (callVector && value.isAbsolute()) {
    std::optional<std::int64_t> vector = vectorNumber(value.value);
    if (!vector && request_.finalPass) report(Message::illegalCallOperand);
    number = vector.value_or(0);
  } else if (callVector) {
    if (!sizedForCallTable(value) && request_.finalPass) report(Message::illegalCallOperand);
    number = 0;
  } else {
    number = checked(value, kNibbleRange);
  }
  if (value.isAbsolute()) merge(static_cast<std::uint8_t>(number & 0x0F));
  addRecord(index, callVector ? FieldUse::callVector : FieldUse::bankNumber, result_.size - 1, 1,
            value);
}

void Emission::pageField(int index) {
  const exprValue& value = operand(index).value;
  std::int64_t offset = 0;
  if (value.isAbsolute()) {
    std::optional<std::int64_t> page = pageOffset(value.value);
    if (!page && request_.finalPass) report(Message::illegalCallOperand);
    offset = page.value_or(value.value);
  } else if (!sizedForCallTable(value) && request_.finalPass) {
    report(Message::illegalCallOperand);
  }
  append(static_cast<std::uint8_t>(offset));
  addRecord(index, FieldUse::callPage, result_.size - 1, 1, value);
}

// A relocatable or external CALLV/CALLP operand must be a 9- to 16-bit quantity: an address
// in a MEDIUM section, or an external declared MEDIUM. The linker checks what an
// expression of several terms comes to.
bool Emission::sizedForCallTable(const exprValue& value) const {
  switch (value.kind) {
    case ValueKind::relocatable:
      return symbols_.sections()[value.section].model == MemoryModel::medium;
    case ValueKind::external:
      return symbols_.entry(value.symbol).externalModel == MemoryModel::medium;
    default:
      return true;
  }
}

// target - (location + 2), checked against -16..15 or -128..127 (227). A target outside the
// statement's reach is left to the linker.
void Emission::relativeField(int index, bool shortForm) {
  const exprValue& target = operand(index).value;
  bool inReach = isTargetInReach(target, request_.place, request_.sectionAbsolute);
  std::int64_t displacement = 0;
  if (inReach) {
    displacement = static_cast<std::int64_t>(target.value) -
                   (static_cast<std::int64_t>(request_.place.location) + 2);
    Range range = shortForm ? kShortRelativeRange : kDisplacementRange;
    if (request_.finalPass && !range.contains(displacement)) report(Message::relativeOutOfRange);
  }
  std::uint8_t base = result_.bytes[result_.size - 1];
  int offset = result_.size - 1;
  if (shortForm) {
    merge(static_cast<std::uint8_t>(displacement & 0x1F));
  } else {
    offset = result_.size;
    append(static_cast<std::uint8_t>(displacement & 0xFF));
  }
  FieldRecord* record =
      addRecord(index, shortForm ? FieldUse::shortRelative : FieldUse::relative, offset, 1, target);
  if (!record) return;
  record->pcRelative = true;
  record->forLinker = !inReach;
  record->targetInOtherSection = !inReach && target.kind != ValueKind::external;
  if (shortForm) record->baseOpcode = base;
}

}  // namespace

bool isTargetInReach(const exprValue& target, const InstructionPlace& place, bool sectionAbsolute) {
  if (target.forwardReference) return false;
  if (target.kind == ValueKind::relocatable) return target.section == place.section;
  return target.isAbsolute() && sectionAbsolute;
}

void InstructionWriter::write(const LayoutRequest& request, EncodedInstruction& result) {
  Emission(request, symbols_, reporter_, result).run();
}

}  // namespace kz::assembler
