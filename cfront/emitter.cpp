#include "cfront/emitter.h"

#include <exception>
#include <string>

namespace kz::cfront {
namespace {

// Section kinds as the symbol lines number them.
constexpr int kCodeSection = 0;
constexpr int kDataSection = 1;
constexpr int kAreaSection = 2;
constexpr int kConstSection = 3;
constexpr int kIoSection = 4;

// Attribute bits of a function's symbol line.
constexpr std::uint32_t kInterruptBit = 0x1;
constexpr std::uint32_t kRegbankBit = 0x2;
constexpr std::uint32_t kCallvBit = 0x4;
constexpr std::uint32_t kAdeclBit = 0x8;

int memoryClass(SizeWord memory) { return static_cast<int>(memory); }

std::string cut(std::string_view text, std::size_t length) {
  return std::string(text.substr(0, length));
}

}  // namespace

Emitter::Emitter(LineSink& out, TypeLines& types, TypeTable& typeTable, Diagnostics& diagnostics,
                 const RunOptions& options, const FunctionMarks* marks,
                 const SectionTable* sections)
    : stream_(out),
      types_(types),
      typeTable_(typeTable),
      diagnostics_(diagnostics),
      options_(options),
      marks_(marks),
      sections_(sections) {}

Emitter::~Emitter() {
  try {
    handOn();
  } catch (const std::exception&) {
    // the run is ending with a fatal message already
  }
}

void Emitter::handOn() {
  if (text_.empty()) return;
  stream_.write(text_.text());
  text_.clear();
}

// A record of a pragma at file scope goes out at once: the parser hands over each external
// declaration before it reads on. One inside a function body waits for the body's statements.
void Emitter::pragmaRecord(std::string_view record, std::optional<std::uint32_t> bodyLine) {
  if (bodyLine) {
    heldRecords_.emplace_back(*bodyLine, record);
    return;
  }
  text_.append(record);
  handOn();
}

void Emitter::placeHeldRecords(std::uint32_t beforeLine) {
  std::size_t placed = 0;
  while (placed < heldRecords_.size() && heldRecords_[placed].first < beforeLine)
    text_.append(heldRecords_[placed++].second);
  heldRecords_.erase(heldRecords_.begin(), heldRecords_.begin() + static_cast<long>(placed));
}

void Emitter::line(std::string_view text) {
  text_.append(text);
  endLine();
}

std::uint32_t Emitter::typeIndex(TypeRef type) {
  return types_.indexInStretch(type ? type : typeTable_.basic(TypeKind::intType), text_);
}

Emitter::Deeper::Deeper(Emitter& emitter) : depth_(emitter.depth_) {
  if (++depth_ > kMaxExpressionDepth) emitter.diagnostics_.report(Message::parserStackOverflow);
}

std::uint32_t Emitter::newLabel() {
  if (labels_ >= kMaxLabels) diagnostics_.report(Message::tooManyInternalLabels);
  return ++labels_;
}

std::uint32_t Emitter::nextTemporary() {
  if (temporaries_ >= kMaxTemporaries)
    diagnostics_.report(Message::tooManyInternalVariables, {"TEMP-INDEX"});
  return ++temporaries_;
}

// The temporary's number is written once, in its line; the operand copies the digits.
Operand Emitter::newTemporary(TypeRef type) {
  std::uint32_t number = nextTemporary();
  std::uint32_t index = type ? typeIndex(type) : 0;  // its lines stand before the temporary's
  char* line = text_.room(2 * kLongestDecimal + 4);
  line[0] = '\t';
  line[1] = 'T';
  char* end = decimalDigitsFrom(line + 2, number);
  Operand temporary('T', std::string_view(line + 2, static_cast<std::size_t>(end - line - 2)),
                    type);
  *end++ = ',';
  text_.commit(type ? decimalDigitsFrom(end, index) : end);
  if (!type) text_.append("<<Type Undefined>>");
  endLine();
  return temporary;
}

// True the first time a symbol's line is written.
bool Emitter::markDeclared(const Symbol* symbol) {
  if (symbol->lineWritten) return false;
  symbol->lineWritten = true;
  if (symbol->scopeDepth > 0) localDeclared_.push_back(symbol);
  return true;
}

// "\t@_name,"name",": the assembler name and the C name as symbol lines begin.
void Emitter::symbolNames(std::string_view name) {
  std::string_view shortened = name.substr(0, 31);
  text_.append("\t@_").append(shortened).append(",\"").append(shortened).append("\",");
}

// Out of line and kept: with link-time optimisation and profile feedback, GCC 12 dropped the
// in-line body from zc1_check, which constructs no emitter, while a call to it remained.
[[gnu::used]] void SwitchableSink::write(std::string_view text) { target_->write(text); }

// The symbol line ends, and the data held back follows it: from memory through the buffer, or,
// when it went on in the TP work file, from there straight to the stream, after the buffer.
void Emitter::symbolLineEnds(HeldOutput& data) {
  endLine();
  if (!data.spilled()) {
    data.copyTo(text_);
    return;
  }
  handOn();
  data.copyTo(stream_);
}

void Emitter::topLevel(const TopLevel& item) {
  declaration(item);
  handOn();
}

void Emitter::declaration(const TopLevel& item) {
  // After an error the trees may be incomplete; a run with errors writes no more records.
  if (diagnostics_.errorCount() > 0) return;
  Symbol* symbol = item.symbol;
  if (!item.body) placeHeldRecords(~std::uint32_t{0});  // of a body that was never handed on
  if (!symbol) {
    if (item.declaredType) typeIndex(item.declaredType);
    return;
  }
  if (item.body) {
    function(item);
    return;
  }
  switch (symbol->kind) {
    case SymbolKind::typedefName:
      types_.declareTypedef(symbol->name, symbol->type, text_);
      break;
    case SymbolKind::function:
      declareFunction(symbol);
      break;
    case SymbolKind::object:
      if (symbol->storage == StorageClass::staticClass)
        declareStatic(symbol, item.initializer);
      else
        declareGlobal(symbol, item.initializer,
                      symbol->storage != StorageClass::externClass || item.initializer != nullptr);
      break;
    default:
      break;
  }
}

// An object without a memory size of its own takes the current size of its section.
int Emitter::memoryOf(const Symbol* symbol, int section) const {
  if (symbol->memoryGiven || !sections_ || section == kIoSection)
    return memoryClass(symbol->memory);
  return memoryClass(sections_->currentSize(static_cast<SectionKind>(section)));
}

int Emitter::stringMemory() const {
  if (!sections_) return memoryClass(SizeWord::near);
  return memoryClass(sections_->currentSize(SectionKind::constant));
}

int Emitter::sectionOf(const Symbol* symbol, bool initialised) const {
  if (symbol->isIo) return kIoSection;
  if (symbol->type && symbol->type->isConst()) return kConstSection;
  return initialised ? kDataSection : kAreaSection;
}

// "\t@asm,"name",type,class,size,memory,section": class 4 defined here, 6 external.
// A later definition of an object declared before repeats its line with class 4.
void Emitter::declareGlobal(Symbol* symbol, const Initializer* init, bool definition) {
  bool first = markDeclared(symbol);
  if (!first && !definition) return;
  std::uint32_t type = typeIndex(symbol->type);
  int section = sectionOf(symbol, init != nullptr);
  int memory = memoryOf(symbol, section);
  HeldOutput data(spill_);
  holdData(symbol->type, init, data);
  symbolNames(symbol->name);
  text_.number(type).append(definition ? ",4," : ",6,").number(sizeOf(symbol->type)).put(',');
  text_.signedNumber(memory).put(',').signedNumber(section);
  symbolLineEnds(data);
  if (symbol->ioAddress >= 0) {
    text_.append("\t,a").signedNumber(symbol->ioAddress);
    endLine();
  }
}

// "\t@asm,"name",type,class,section,attributes,0": class 5 static, 6 external.
void Emitter::declareFunction(Symbol* symbol) {
  if (!markDeclared(symbol)) return;
  checkInlineConvention(symbol);
  std::uint32_t type = typeIndex(symbol->type);
  symbolNames(symbol->name);
  text_.number(type).append(symbol->linkage == Linkage::internal ? ",5," : ",6,");
  text_.number(kCodeSection).put(',').number(attributeBits(symbol)).append(",0");
  endLine();
}

// "\tS<n>,"name",type,3,size,memory,section": a static object, block or file scope.
void Emitter::declareStatic(Symbol* symbol, const Initializer* init) {
  if (!markDeclared(symbol) && !init) return;
  if (symbol->index == 0) symbol->index = ++statics_;
  std::uint32_t type = typeIndex(symbol->type);
  int section = sectionOf(symbol, init != nullptr);
  int memory = memoryOf(symbol, section);
  HeldOutput data(spill_);
  holdData(symbol->type, init, data);
  text_.append(makingBuiltins() ? "\t@..S" : "\tS").number(symbol->index).append(",\"");
  text_.append(symbol->name.substr(0, 31)).append("\",").number(type);
  text_.append(makingBuiltins() ? ",5," : ",3,").number(sizeOf(symbol->type)).put(',');
  text_.signedNumber(memory).put(',').signedNumber(section);
  symbolLineEnds(data);
}

// "\tI<n>,"name",type,1 or 2 (register),size".
void Emitter::declareAutomatic(Symbol* symbol) {
  symbol->index = ++automatics_;
  std::uint32_t type = typeIndex(symbol->type);
  text_.append("\tI").number(symbol->index).append(",\"").append(symbol->name.substr(0, 31));
  text_.append("\",").number(type).put(',');
  text_.put(symbol->storage == StorageClass::registerClass ? '2' : '1').put(',');
  text_.number(sizeOf(symbol->type));
  endLine();
}

// A function marked inline before it was declared is checked when it first appears.
void Emitter::checkInlineConvention(const Symbol* function) {
  if (marks_ && marks_->isInline(function->name) && !mayBeInline(*function))
    diagnostics_.report(Message::illegalInlineFunctionType, {cut(function->name, 31)});
}

std::uint32_t Emitter::attributeBits(const Symbol* function) const {
  const FunctionInfo* info = function->type ? function->type->function : nullptr;
  if (!info) return 0;
  std::uint32_t bits = 0;
  switch (info->convention) {
    case CallConvention::interrupt:
    case CallConvention::interruptN:
      bits |= kInterruptBit;
      break;
    case CallConvention::regbank:
    case CallConvention::regbankN:
      bits |= kRegbankBit;
      break;
    case CallConvention::adecl:
      bits |= kAdeclBit;
      break;
    default:
      break;
  }
  if (info->callv) bits |= kCallvBit;
  return bits;
}

bool Emitter::keptInStore(const Symbol* function) const {
  return library_ && marks_ && marks_->isInline(function->name) && mayBeInline(*function);
}

// An inline function's records go to the store instead of the output; when it was not
// declared before, its symbol line is written where it is first used, as for a function
// defined elsewhere.
void Emitter::function(const TopLevel& item) {
  Symbol* symbol = item.symbol;
  bool firstDeclared = markDeclared(symbol);
  if (firstDeclared) checkInlineConvention(symbol);
  typeIndex(symbol->type);  // the types of the signature belong to the file
  if (!keptInStore(symbol)) {
    handOn();  // the bodies are told apart by what reaches the stream between these calls
    if (bodies_) bodies_->bodyBegins(cut(symbol->name, 31));
    functionRecords(item);
    handOn();
    if (bodies_) bodies_->bodyEnds();
    return;
  }
  handOn();
  StringSink kept;
  LineSink* output = stream_.redirect(&kept);
  try {
    functionRecords(item);
  } catch (...) {
    text_.clear();  // goes with the body it belongs to
    stream_.redirect(output);
    throw;
  }
  handOn();
  stream_.redirect(output);
  library_->keepInlineBody(symbol->name, kept.text());
  if (firstDeclared) symbol->lineWritten = false;
}

void Emitter::functionRecords(const TopLevel& item) {
  Symbol* symbol = item.symbol;
  function_ = symbol;
  automatics_ = 0;
  loops_.clear();
  switches_.clear();
  userLabels_.clear();
  lastWasJump_ = false;
  if (int mark = marks_ ? marks_->disinterruptOf(symbol->name) : 0) {
    text_.append("DISINT,").signedNumber(mark - 1);
    endLine();
  }
  line("{,1");
  text_.append("BEGIN,").append(symbol->name.substr(0, 31));
  endLine();
  types_.enterFunctionBody();
  std::uint32_t type = types_.writeDefinedFunction(symbol->type, symbol->name, text_);
  symbolNames(symbol->name);
  text_.number(type).append(symbol->linkage == Linkage::internal ? ",5,1," : ",6,1,");
  text_.number(attributeBits(symbol)).append(",0");
  endLine();
  std::uint32_t position = 0;
  for (Symbol* parameter : item.parameters) {
    parameter->index = ++position;
    std::uint32_t size = (sizeOf(parameter->type) + 1) & ~1u;
    std::uint32_t parameterType = typeIndex(parameter->type);  // its lines come first
    text_.append("\t,\"").append(parameter->name.substr(0, 31)).append("\",");
    text_.number(parameterType).put(',').number(size);
    endLine();
  }
  const FunctionInfo* info = symbol->type ? symbol->type->function : nullptr;
  if (info && info->variadic) line("\t,\"\",0,0");
  endLabel_ = newLabel();
  endUsed_ = false;
  for (const Stmt* inner : item.body->statements()) {
    placeHeldRecords(inner->spot.line);
    statement(inner);
  }
  placeHeldRecords(~std::uint32_t{0});
  checkReturnAtEnd(symbol, info ? info->returnType : nullptr);
  if (endUsed_) label(endLabel_);
  types_.leaveFunctionBody();
  text_.append("END,").append(symbol->name.substr(0, 31));
  endLine();
  line("},1");
  // The symbols of the body are taken back with the body: their places may be used again.
  for (const Symbol* local : localDeclared_) local->lineWritten = false;
  localDeclared_.clear();
  function_ = nullptr;
}

// A body copied in place of its calls has nowhere to take a missing value from: an error for
// inline and builtin functions, a warning for the others.
void Emitter::checkReturnAtEnd(const Symbol* function, TypeRef returnType) {
  if (lastWasJump_ || !returnType || returnType->isVoid()) return;
  bool copied = makingBuiltins() ||
                (marks_ && (marks_->isInline(function->name) || marks_->isBuiltin(function->name)));
  if (copied)
    diagnostics_.report(Message::noReturnValueError, {cut(function->name, 31)});
  else
    diagnostics_.warnAt(1, Message::noReturnValue, {cut(function->name, 31)});
}

Operand Emitter::operandOf(const Symbol* symbol) {
  TypeRef type = symbol->type;
  switch (symbol->kind) {
    case SymbolKind::registerVariable:
      return {(sizeOf(type) == 1 ? "GB" : "GW") + std::to_string(symbol->registerCode), type};
    case SymbolKind::flagVariable:
      return {"GF" + std::string(1, static_cast<char>(symbol->registerCode)), type};
    case SymbolKind::enumConstant:
      return constantOf(symbol->enumValue, type);
    case SymbolKind::function:
      declareFunction(const_cast<Symbol*>(symbol));
      return Operand("@_", symbol->name.substr(0, 31), type);
    case SymbolKind::parameter:
      return Operand('P', symbol->index, type);
    default:
      break;
  }
  if (symbol->storage == StorageClass::staticClass) {
    if (makingBuiltins()) return {"@..S" + std::to_string(symbol->index), type};
    return Operand('S', symbol->index, type);
  }
  if (symbol->scopeDepth == 0 || symbol->storage == StorageClass::externClass) {
    declareGlobal(const_cast<Symbol*>(symbol), nullptr, false);
    return Operand("@_", symbol->name.substr(0, 31), type);
  }
  return Operand('I', symbol->index, type);
}

}  // namespace kz::cfront
