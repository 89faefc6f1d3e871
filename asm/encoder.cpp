#include "asm/encoder.h"

#include "asm/encoder_layout.h"

namespace kz::assembler {

namespace {

// Expression errors met while a sizing pass measures a J are not this pass's to report: the
// final pass reports them.
class SilentReporter final : public Reporter {
 public:
  void reportError(Message, std::string_view) override {}
  void reportWarning(Message, std::string_view) override {}
};

bool anyInvalid(std::span<const Operand> operands) {
  for (const Operand& op : operands) {
    if (!op.isValid()) return true;
  }
  return false;
}

bool matchesRegister(const Operand& op) {
  return op.addressing == AddressingClass::registerName && !op.hasBitSuffix;
}

bool matches(const OperandPattern& pattern, const Operand& op, ModeSet modes) {
  switch (pattern.shape) {
    case Shape::specificRegister:
      return matchesRegister(op) && op.reg == pattern.which;
    case Shape::byteRegister:
      return matchesRegister(op) && isByteRegister(op.reg);
    case Shape::registerPair:
      return matchesRegister(op) && isRegisterPair(op.reg);
    case Shape::immediate:
      return op.addressing == AddressingClass::immediate;
    case Shape::direct:
      return op.addressing == AddressingClass::direct && !op.hasBitSuffix;
    case Shape::pointerHL:
      return memoryModeOf(op) == pointerHL && !op.hasBitSuffix;
    case Shape::memory:
      return !op.hasBitSuffix && containsMode(modes, memoryModeOf(op));
    case Shape::bitRegister:
      return op.addressing == AddressingClass::registerName && op.hasBitSuffix &&
             isByteRegister(op.reg);
    case Shape::bitDirect:
      return op.addressing == AddressingClass::direct && op.hasBitSuffix;
    case Shape::bitMemory:
      return op.hasBitSuffix && containsMode(modes, memoryModeOf(op));
    case Shape::bitIndirect:
      return op.addressing == AddressingClass::bitIndirect;
    case Shape::anyCondition:
      return op.addressing == AddressingClass::condition;
    case Shape::specificCondition:
      return op.addressing == AddressingClass::condition && op.reg == pattern.which;
  }
  return false;
}

bool isHOrL(const Operand& op) {
  return matchesRegister(op) && (op.reg == valueOf(Register::h) || op.reg == valueOf(Register::l));
}

bool restrictionHolds(Restriction restriction, std::span<const Operand> operands) {
  if (restriction != Restriction::noPostIncrementWithHOrL) return true;
  bool postIncrement = false;
  bool highOrLow = false;
  for (const Operand& op : operands) {
    postIncrement = postIncrement || op.addressing == AddressingClass::postIncrement;
    highOrLow = highOrLow || isHOrL(op);
  }
  return !(postIncrement && highOrLow);
}

void assignKind(Operand& op, OperandKind kind) {
  op.kind = kind;
  op.memoryMode = memoryModeOf(op);
}

// Operand kinds of the J forms: [target] or [condition, target].
void assignJumpKinds(std::span<Operand> operands, JumpForm form) {
  static constexpr OperandKind kTargetKind[] = {
      OperandKind::shortRelative, OperandKind::shortRelative, OperandKind::relative,
      OperandKind::relative,      OperandKind::word,          OperandKind::word,
      OperandKind::word,          OperandKind::word,
  };
  assignKind(operands.back(), kTargetKind[form]);
  if (operands.size() == 2) {
    bool conditionWritten = form == jumpRelativeCond || form == jumpSkipCond;
    assignKind(operands[0], conditionWritten ? OperandKind::condition : OperandKind::none);
  }
}

int firstExistingForm(const MnemonicEntry& entry) {
  for (std::size_t i = 0; i < entry.forms.size(); ++i) {
    if (entry.forms[i].exists()) return static_cast<int>(i);
  }
  return 0;
}

}  // namespace

struct Encoder::Statement {
  const MnemonicEntry* entry;  // the mnemonic encoded: CALL for CAL, JP for J with a non-immediate
  std::span<Operand> operands;
  InstructionPlace place;
  bool sectionAbsolute;
};

Encoder::Encoder(const SymbolTable& symbols, Reporter& reporter, const RunOptions& options)
    : symbols_(symbols), reporter_(reporter), optimise_(!options.noOptimize), workArea_(reporter) {}

void Encoder::beginPass(Pass pass) {
  pass_ = pass;
  jumpFlag_.forget();
  workArea_.rewind();
  layoutChanged_ = false;
  jumpGrowth_.clear();
}

// How much the J statements met so far in this pass have grown in `section` since the
// previous pass (negative when they shrank).
std::int64_t& Encoder::jumpGrowth(SectionId section) {
  if (section >= jumpGrowth_.size()) jumpGrowth_.resize(section + 1, 0);
  return jumpGrowth_[section];
}

void Encoder::encode(std::int32_t mnemonic, std::span<Operand> operands,
                     const InstructionPlace& place, EncodedInstruction& result) {
  const MnemonicEntry* written = findMnemonic(mnemonic);
  if (written == nullptr) reporter_.fatal(Message::internalError);
  if (!checkPlacement(place)) {
    jumpFlag_.forget();
    result.start(written->code, -1);
    result.failed = true;
    return;
  }
  Statement statement{&resolve(*written, operands), operands, place,
                      symbols_.sections()[place.section].absolute};
  if (statement.entry->code == Mnemonic::j) return encodeJump(statement, result);

  bool failed = reporter_.statementHasError() || anyInvalid(operands);
  if (!failed) failed = !evaluateOperands(statement);
  ClassifiedShape* remembered = nullptr;
  int form = classify(statement, remembered);
  if (failed) return failedStatement(statement, form, result);
  if (form < 0) {
    reportInPass1(countFits(statement) ? Message::typeMismatch : Message::operandCount);
    return failedStatement(statement, form, result);
  }
  if (pass_ != Pass::final && remembered != nullptr && remembered->size != 0) {
    result.start(statement.entry->code, form);
    result.size = remembered->size;
  } else {
    InstructionWriter(symbols_, reporter_)
        .write({*statement.entry, form, operands, place, statement.sectionAbsolute,
                pass_ == Pass::final},
               result);
    if (remembered != nullptr) remembered->size = result.size;
  }
  jumpFlag_.apply(statement.entry->effectOf(form));
}

// 215 outside any section, 504 in a DATA section (pass 1).
bool Encoder::checkPlacement(const InstructionPlace& place) {
  if (place.section == kNoSection) {
    if (pass_ == Pass::first) reporter_.reportError(Message::noSectionDefinition);
    return false;
  }
  if (pass_ == Pass::first && symbols_.sections()[place.section].kind == SectionKind::data) {
    reporter_.reportWarning(Message::instructionInDataSection);
  }
  return true;
}

// CAL is CALL; J with one operand that is not a bare expression is JP.
const MnemonicEntry& Encoder::resolve(const MnemonicEntry& entry,
                                      std::span<Operand> operands) const {
  if (entry.code == Mnemonic::cal) return mnemonicEntry(Mnemonic::call);
  if (entry.code == Mnemonic::j && operands.size() == 1 &&
      operands[0].addressing != AddressingClass::immediate) {
    return mnemonicEntry(Mnemonic::jp);
  }
  return entry;
}

// Pass 1 and the final pass evaluate every operand; the sizing passes need no value.
bool Encoder::evaluateOperands(Statement& statement) {
  if (pass_ == Pass::sizing) return true;
  for (Operand& op : statement.operands) {
    if (op.hasValue()) op.value = evaluate(op.valueExpr, statement, false);
    if (op.hasBitSuffix) op.bitValue = evaluate(op.bitExpr, statement, false);
  }
  return !reporter_.statementHasError() && valuesUsable(statement);
}

exprValue Encoder::evaluate(const ExprTree& tree, const Statement& statement, bool silent) {
  SilentReporter silentReporter;
  Evaluator evaluator(symbols_, silent ? static_cast<Reporter&>(silentReporter) : reporter_);
  ExprContext context;
  context.locationSection = statement.place.section;
  context.location = static_cast<std::int32_t>(statement.place.location);
  return evaluator.evaluate(tree, pass_, context);
}

// A floating-point value cannot be an instruction operand (230, pass 1).
bool Encoder::valuesUsable(const Statement& statement) {
  for (const Operand& op : statement.operands) {
    bool usable = op.value.isValid() && op.bitValue.isValid() &&
                  op.value.kind != ValueKind::floating && op.bitValue.kind != ValueKind::floating;
    if (!usable) {
      reportInPass1(Message::typeMismatch);
      return false;
    }
  }
  return true;
}

// What classification depends on: the mnemonic and, per operand, its addressing class,
// register and bit suffix (the memory mode follows from those). 0 when the statement is
// not worth remembering.
std::uint64_t shapeKey(const MnemonicEntry& entry, std::span<const Operand> operands) {
  if (operands.size() > 2) return 0;
  std::uint64_t key = (static_cast<std::uint64_t>(valueOf(entry.code)) << 2) | operands.size();
  for (const Operand& op : operands) {
    std::uint64_t reg = static_cast<std::uint8_t>(op.reg);
    std::uint64_t shape =
        (static_cast<std::uint64_t>(op.addressing) << 9) | (reg << 1) | (op.hasBitSuffix ? 1 : 0);
    key = (key << 13) | shape;
  }
  return key | (std::uint64_t{1} << 63);
}

// The first pattern of the class whose form exists for the mnemonic and whose operands
// match; assigns the operand kinds. -1 when none matches.
int Encoder::classify(const Statement& statement, ClassifiedShape*& remembered) const {
  std::span<Operand> operands = statement.operands;
  std::uint64_t key = shapeKey(*statement.entry, operands);
  if (key == 0) return classifyUncached(statement);
  ClassifiedShape& slot = shapeCache_[(key * 0x9E3779B97F4A7C15u) >> (64 - kShapeCacheBits)];
  remembered = &slot;
  if (slot.key != key) {
    slot.key = key;
    slot.size = 0;
    slot.form = classifyUncached(statement);
    for (std::size_t i = 0; i < operands.size(); ++i) slot.kinds[i] = operands[i].kind;
    return slot.form;
  }
  if (slot.form >= 0) {
    for (std::size_t i = 0; i < operands.size(); ++i) assignKind(operands[i], slot.kinds[i]);
  }
  return slot.form;
}

int Encoder::classifyUncached(const Statement& statement) const {
  const MnemonicEntry& entry = *statement.entry;
  std::span<Operand> operands = statement.operands;
  if (anyInvalid(operands)) return -1;
  for (const FormPattern& pattern : classifierPatterns(entry.classifierClass)) {
    const InstructionForm& form = entry.forms[pattern.form];
    if (!form.exists() || pattern.operandCount != operands.size()) continue;
    if (!operands.empty() && !matches(pattern.first, operands[0], form.memoryModes)) continue;
    if (operands.size() > 1 && !matches(pattern.second, operands[1], form.memoryModes)) continue;
    if (!restrictionHolds(pattern.restriction, operands)) continue;
    if (!operands.empty()) assignKind(operands[0], pattern.first.kind);
    if (operands.size() > 1) assignKind(operands[1], pattern.second.kind);
    return pattern.form;
  }
  return -1;
}

// Whether some form of the mnemonic's class takes this many operands (else 231).
bool Encoder::countFits(const Statement& statement) const {
  for (const FormPattern& pattern : classifierPatterns(statement.entry->classifierClass)) {
    if (pattern.operandCount == statement.operands.size()) return true;
  }
  return false;
}

// J target | J cc , target
void Encoder::encodeJump(Statement& statement, EncodedInstruction& result) {
  std::span<Operand> operands = statement.operands;
  if (operands.empty() || operands.size() > 2) {
    reportInPass1(Message::operandCount);
    return failedStatement(statement, jumpShortTrue, result);
  }
  JumpRecord previous = workArea_.next(pass_);
  Operand& target = operands.back();
  bool shapeFits = target.addressing == AddressingClass::immediate &&
                   (operands.size() == 1 || operands[0].addressing == AddressingClass::condition);
  bool failed = reporter_.statementHasError() || anyInvalid(operands);
  if (!failed && !shapeFits) {
    reportInPass1(Message::typeMismatch);
    failed = true;
  }
  if (!failed) {
    target.value = evaluate(target.valueExpr, statement, pass_ == Pass::sizing);
    failed = pass_ == Pass::sizing
                 ? !target.value.isValid() || target.value.kind == ValueKind::floating
                 : reporter_.statementHasError() || !valuesUsable(statement);
  }
  if (failed)
    return failedStatement(statement, previous.known ? previous.form : jumpShortTrue, result);

  std::int64_t& grown = jumpGrowth(statement.place.section);
  JumpTarget where;
  where.reachable = isTargetInReach(target.value, statement.place, statement.sectionAbsolute);
  if (where.reachable) {
    std::int64_t value = target.value.value;
    std::int64_t location = statement.place.location;
    where.ahead = value > location;
    where.current = value - (location + 2);
    where.previous = value - (location - grown + 2);
  }
  JumpShape shape{operands.size() == 2, operands.size() == 2 ? operands[0].reg : 0};
  JumpRecord record = chooseJump(shape, where, previous, pass_, jumpFlag_.state(), optimise_);
  if (pass_ == Pass::sizing && previous.known)
    grown += jumpFormSize(record.form) - jumpFormSize(previous.form);
  if (pass_ == Pass::sizing && (!previous.known || record.form != previous.form))
    layoutChanged_ = true;
  workArea_.store(record);

  assignJumpKinds(operands, record.form);
  InstructionWriter(symbols_, reporter_)
      .write({*statement.entry, record.form, operands, statement.place, statement.sectionAbsolute,
              pass_ == Pass::final},
             result);
  jumpFlag_.apply(statement.entry->effectOf(record.form));
}

// As many zero bytes as the opcode of the form (the mnemonic's first form when none matched).
void Encoder::failedStatement(const Statement& statement, int form, EncodedInstruction& result) {
  const MnemonicEntry& entry = *statement.entry;
  if (form < 0) form = firstExistingForm(entry);
  result.start(entry.code, -1);
  result.failed = true;
  result.size = entry.forms[form].length;
  jumpFlag_.forget();
}

// 230 and 231 are pass-1 messages; later passes meet the same statement failing silently.
void Encoder::reportInPass1(Message message) {
  if (pass_ == Pass::first) reporter_.reportError(message);
}

}  // namespace kz::assembler
