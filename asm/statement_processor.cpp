#include "asm/statement_processor.h"

#include <algorithm>
#include <cctype>

namespace kz::assembler {
namespace {

constexpr std::uint32_t kMaxSecondAlign = 32768;

bool isPunct(const Token& token, char c) {
  return token.kind == TokenKind::punct && token.punct == c;
}

bool isWord(const Token& token, ReservedClass wordClass) {
  return token.kind == TokenKind::reserved && token.wordClass == wordClass;
}

template <class Enum>
bool isWord(const Token& token, ReservedClass wordClass, Enum value) {
  return isWord(token, wordClass) && token.value == valueOf(value);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

std::optional<SectionKind> sectionKindOf(const Token& token) {
  // A kind word is never entered as a symbol, so a bound token is not one.
  if (token.kind != TokenKind::identifier || token.isBound()) return std::nullopt;
  if (equalsIgnoringCase(token.text(), "CODE")) return SectionKind::code;
  if (equalsIgnoringCase(token.text(), "DATA")) return SectionKind::data;
  if (equalsIgnoringCase(token.text(), "ROMDATA")) return SectionKind::romData;
  return std::nullopt;
}

bool isPowerOfTwo(std::int64_t value) { return value > 0 && (value & (value - 1)) == 0; }

std::uint32_t nextPowerOfTwo(std::int64_t value) {
  std::uint32_t power = 1;
  while (power < value && power < (1u << 31)) power <<= 1;
  return power;
}

std::uint32_t roundUp(std::uint32_t value, std::uint32_t multiple) {
  return multiple <= 1 ? value : (value + multiple - 1) / multiple * multiple;
}

bool startsControlWord(const Token& token) {
  return token.kind == TokenKind::identifier && !token.isBound() && token.text().size() > 1 &&
         token.text()[0] == '$';
}

}  // namespace

StatementProcessor::StatementProcessor(const RunOptions& options, Reporter& reporter,
                                       SymbolTable& symbols)
    : options_(options),
      reporter_(reporter),
      symbols_(symbols),
      parser_(symbols, reporter),
      mutedParser_(symbols, muted_),
      evaluator_(symbols, reporter),
      mutedEvaluator_(symbols, muted_),
      encoder_(symbols, reporter, options),
      operandParser_(parser_, reporter),
      mutedOperandParser_(mutedParser_, muted_) {}

void StatementProcessor::beginPass(Pass pass, int repetition) {
  pass_ = pass;
  repetition_ = repetition;
  moved_ = false;
  endSeen_ = false;
  anyStatement_ = false;
  lastFileIndex_ = 0;
  lastLine_ = 0;
  current_ = kNoSection;
  openedThisPass_.assign(symbols_.sections().size(), false);
  sectionSeen_ = false;
  moduleName_.clear();
  moduleNamed_ = false;
  listingState_ = {};
  saveStack_.clear();
  title_.clear();
  if (pass == Pass::final) debugRecords_.clear();
  encoder_.beginPass(pass);
}

void StatementProcessor::finishPass() {
  reporter_.beginStatement(lastFileIndex_, lastLine_);
  if (pass_ == Pass::first) {
    if (!anyStatement_)
      reporter_.reportWarning(Message::sourceEmpty);
    else if (!endSeen_)
      reporter_.reportWarning(Message::noEnd);
  }
  if (pass_ == Pass::sizing && repetition_ == kLastSizingRepetition && !endSeen_) {
    reporter_.reportWarning(Message::optimizationsLost);
  }
  if (pass_ == Pass::sizing) markOverlappingSections();
}

void StatementProcessor::skipSizingPasses() {
  sizingSkipped_ = true;
  markOverlappingSections();
}

// --- messages ---

void StatementProcessor::formError(Message message, std::string_view argument) {
  statement_.failed = true;
  if (pass_ == Pass::first)
    reporter_.reportError(message, argument);
  else
    reporter_.markStatementFailed();
}

void StatementProcessor::warnOnce(Message message) {
  if (pass_ == Pass::first) reporter_.reportWarning(message);
}

bool StatementProcessor::requireNoName(const std::optional<NameField>& name) {
  if (!name) return true;
  formError(Message::illegalLabel);
  return false;
}

bool StatementProcessor::requireEnd(std::span<Token> tokens, std::size_t position) {
  if (position >= tokens.size()) return true;
  formError(Message::syntaxError);
  return false;
}

// --- values ---

ExprContext StatementProcessor::context(bool forwardAllowed, bool externalAllowed) const {
  ExprContext result;
  result.locationSection = current_;
  result.location = current_ == kNoSection
                        ? 0
                        : static_cast<std::int32_t>(symbols_.sections()[current_].locationCounter);
  result.forwardAllowed = forwardAllowed;
  result.externalAllowed = externalAllowed;
  return result;
}

std::optional<exprValue> StatementProcessor::expression(TokenCursor& cursor, bool forwardAllowed,
                                                        bool externalAllowed) {
  ExprTree& tree = expressionTree_;
  parser().parse(cursor, pass_, tree);
  if (!tree.valid()) {
    statement_.failed = true;
    if (pass_ != Pass::first) reporter_.markStatementFailed();
    return std::nullopt;
  }
  exprValue value = evaluator().evaluate(tree, pass_, context(forwardAllowed, externalAllowed));
  if (!value.isValid()) return std::nullopt;
  return value;
}

std::optional<std::int32_t> StatementProcessor::absoluteValue(TokenCursor& cursor) {
  auto value = expression(cursor, false, false);
  if (!value) return std::nullopt;
  if (!value->isAbsolute()) {
    formError(Message::absoluteExpected);
    return std::nullopt;
  }
  return value->value;
}

// ORG: a place in the current section is a location too.
std::optional<std::int32_t> StatementProcessor::locationValue(TokenCursor& cursor) {
  auto value = expression(cursor, false, false);
  if (!value) return std::nullopt;
  if (value->kind == ValueKind::relocatable && value->section == current_ &&
      current_ != kNoSection) {
    return value->value;
  }
  if (!value->isAbsolute()) {
    formError(Message::absoluteExpected);
    return std::nullopt;
  }
  return value->value;
}

// --- location ---

// A statement that only moves the location counter must move it alike in every pass: one
// that failed in pass 1 moves nothing, in any pass.
bool StatementProcessor::movesLocationDespiteError() {
  if (!reporter_.statementHasError()) return true;
  statement_.failed = true;
  return false;
}

void StatementProcessor::defineCodeLabel(std::string_view name) {
  // Control may reach a label from anywhere: what the instruction before it left in the jump
  // status flag is no longer known there.
  encoder_.forgetJumpFlag();
  SymbolValue value;
  if (current_ != kNoSection) {
    value.section = current_;
    value.value = static_cast<std::int32_t>(symbols_.sections()[current_].locationCounter);
  }
  DefineOutcome outcome = defineName(name, DefinitionKind::label, value);
  if (outcome.moved) moved_ = true;
  if (outcome.symbol == kNoSymbol && pass_ == Pass::first) statement_.failed = true;
}

// In pass 1 the defined symbol is bound to the name field, so that the token file stores the
// symbol's index; later passes then define it without a lookup by name.
DefineOutcome StatementProcessor::defineName(std::string_view name, DefinitionKind kind,
                                             const SymbolValue& value) {
  bool bound = nameToken_ && nameToken_->isBound();
  if (pass_ != Pass::first && bound)
    return symbols_.redefineLabel(nameToken_->boundSymbol(), value);
  DefineOutcome outcome = symbols_.defineLabel(name, kind, value, pass_);
  if (pass_ == Pass::first && nameToken_ && outcome.symbol != kNoSymbol)
    nameToken_->bind(outcome.symbol);
  return outcome;
}

void StatementProcessor::advance(std::uint32_t bytes) {
  if (current_ == kNoSection || bytes == 0) return;
  // Code after data, storage or a gap does not follow the instruction before it.
  if (statement_.kind != StatementKind::instruction) encoder_.forgetJumpFlag();
  sectionEntry& section = symbols_.sections()[current_];
  std::uint64_t next = std::uint64_t{section.locationCounter} + bytes;
  if (next > std::uint64_t{kMaxLocation} + 1 && pass_ == Pass::final &&
      section.locationCounter <= kMaxLocation + 1) {
    reporter_.reportError(Message::locationOverflow);
  }
  section.locationCounter = static_cast<std::uint32_t>(std::min<std::uint64_t>(next, 0xFFFFFFFFu));
  std::uint32_t base = section.absolute ? section.startAddress : 0;
  section.size = std::max(section.size, section.locationCounter - base);
}

bool StatementProcessor::advanceUnits(std::uint64_t count, std::uint64_t unit) {
  std::uint64_t bytes = count * unit;  // both below 2^32
  std::uint64_t counter =
      current_ == kNoSection ? 0 : symbols_.sections()[current_].locationCounter;
  advance(static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, 0xFFFFFFFFu)));
  return counter + bytes <= std::uint64_t{kMaxLocation} + 1;
}

void StatementProcessor::emit() {
  if (pass_ == Pass::final && sink_) sink_->statement(statement_);
}

// --- statements ---

StatementOutcome StatementProcessor::process(int fileIndex, long line, std::span<Token> tokens,
                                             bool failedBefore) {
  StatementOutcome outcome;
  if (pass_ != Pass::first) {
    reporter_.beginStatement(fileIndex, line);
    if (failedBefore) reporter_.markStatementFailed();
  }
  lastFileIndex_ = fileIndex;
  lastLine_ = line;
  statement_.reset(fileIndex, line, current_,
                   current_ == kNoSection ? 0 : symbols_.sections()[current_].locationCounter);
  statement_.failed = reporter_.statementHasError();
  if (tokens.empty()) {
    emit();
    return outcome;
  }
  anyStatement_ = true;
  std::optional<NameField> name;
  std::size_t keyword = 0;
  nameToken_ = nullptr;
  if (tokens[0].kind == TokenKind::identifier && !startsControlWord(tokens[0])) {
    bool colon = tokens.size() > 1 && isPunct(tokens[1], ':');
    name = NameField{identifierName(tokens[0], symbols_), colon};
    nameToken_ = &tokens[0];
    keyword = colon ? 2 : 1;
  }
  if (keyword == tokens.size()) {
    if (name->colon)
      defineCodeLabel(name->name);
    else
      formError(Message::syntaxError);
  } else {
    dispatch(name, tokens, keyword, outcome);
  }
  endExpressions();
  emit();
  return outcome;
}

// A sign directly after a binary operator is error 206 at the end of the statement, unless
// the statement has drawn an error already.
void StatementProcessor::endExpressions() {
  if (pass_ == Pass::first && parser_.hasDeferredError()) {
    statement_.failed = true;
    if (!reporter_.statementHasError()) parser_.endStatement();
  }
  parser_.forgetDeferredError();
  mutedParser_.forgetDeferredError();
}

void StatementProcessor::dispatch(const std::optional<NameField>& name, std::span<Token> tokens,
                                  std::size_t keyword, StatementOutcome& outcome) {
  const Token& word = tokens[keyword];
  std::span<Token> operands = tokens.subspan(keyword + 1);
  statement_.kind = StatementKind::directive;
  if (startsControlWord(word)) {
    formError(Message::illegalControl);
    return;
  }
  if (word.kind != TokenKind::reserved) {
    formError(name && !name->colon ? Message::illegalLabel : Message::syntaxError);
    return;
  }
  bool plainName = name && !name->colon;
  switch (word.wordClass) {
    case ReservedClass::mnemonic:
      if (plainName) {
        formError(Message::illegalLabel);
        return;
      }
      if (name) defineCodeLabel(name->name);
      instruction(tokens, keyword);
      return;
    case ReservedClass::dataDefinition:
    case ReservedClass::floatData:
      if (name && name->colon) {
        formError(Message::illegalLabel);
        return;
      }
      if (name) defineCodeLabel(name->name);
      if (word.wordClass == ReservedClass::floatData)
        floatData(static_cast<FloatData>(word.value), operands);
      else
        dataStatement(static_cast<DataDirective>(word.value), operands);
      return;
    case ReservedClass::moduleSection:
      switch (static_cast<ModuleSectionWord>(word.value)) {
        case ModuleSectionWord::section:
        case ModuleSectionWord::equ:
          if (!plainName) {
            formError(name ? Message::illegalLabel : Message::syntaxError);
            return;
          }
          if (word.value == valueOf(ModuleSectionWord::section))
            sectionStatement(name->name, operands);
          else
            equStatement(name->name, operands);
          return;
        default:
          break;
      }
      if (!requireNoName(name)) return;
      switch (static_cast<ModuleSectionWord>(word.value)) {
        case ModuleSectionWord::module:
          moduleStatement(operands);
          return;
        case ModuleSectionWord::publicDecl:
          publicStatement(operands);
          return;
        case ModuleSectionWord::externDecl:
          externStatement(operands);
          return;
        case ModuleSectionWord::end:
          endStatement(operands);
          return;
        default:
          return;
      }
    case ReservedClass::location:
      if (!requireNoName(name)) return;
      if (word.value == valueOf(LocationWord::org))
        orgStatement(operands);
      else if (word.value == valueOf(LocationWord::align))
        alignStatement(operands);
      else
        formError(Message::syntaxError);
      return;
    case ReservedClass::control:
      if (!requireNoName(name)) return;
      control(static_cast<Control>(word.value), operands);
      return;
    case ReservedClass::include:
      if (!requireNoName(name)) return;
      includeStatement(operands, outcome);
      return;
    case ReservedClass::debugDirective:
      if (!requireNoName(name)) return;
      debugDirective(static_cast<DebugDirective>(word.value), operands);
      return;
    default:
      formError(plainName ? Message::illegalLabel : Message::syntaxError);
      return;
  }
}

void StatementProcessor::instruction(std::span<Token> tokens, std::size_t keyword) {
  std::span<Token> operandTokens = tokens.subspan(keyword + 1);
  OperandParser& operandParser = pass_ == Pass::first ? operandParser_ : mutedOperandParser_;
  std::span<Operand> operands = operandParser.parseList(operandTokens, pass_);
  // Reported before the encoder runs, so that pass 1 already sizes the statement as failed.
  endExpressions();
  InstructionPlace place;
  place.section = current_;
  place.location = statement_.location;
  EncodedInstruction& encoded = pass_ == Pass::final ? statement_.instruction.fill() : sized_;
  encoder_.encode(tokens[keyword].value, operands, place, encoded);
  statement_.kind = StatementKind::instruction;
  statement_.failed = statement_.failed || encoded.failed || reporter_.statementHasError();
  advance(encoded.size);
}

// name SECTION kind [model] [ABS = expression] | [ALIGN = expression [, expression]]
void StatementProcessor::sectionStatement(std::string_view name, std::span<Token> operands) {
  statement_.kind = StatementKind::section;
  SectionDefinition definition = symbols_.defineSection(name, pass_);
  if (definition.section == kNoSection) {
    statement_.failed = true;
    return;
  }
  TokenCursor cursor(operands);
  std::optional<SectionKind> kind;
  if (!operands.empty()) kind = sectionKindOf(operands[0]);
  if (!kind) {
    formError(operands.empty() ? Message::syntaxError : Message::invalidSectionAttribute);
    reopenSection(definition.section, false);
    return;
  }
  cursor.advance();
  std::optional<MemoryModel> model;
  if (isWord(cursor.current(), ReservedClass::memoryModel)) {
    model = static_cast<MemoryModel>(cursor.current().value);
    cursor.advance();
  }
  std::optional<std::int32_t> start;
  std::optional<std::int32_t> alignment;
  std::optional<std::int32_t> secondAlignment;
  bool attributesOk = true;
  auto valueAfterEquals = [&](std::optional<std::int32_t>& slot, std::int32_t fallback) {
    cursor.advance();
    if (!isPunct(cursor.current(), '=')) {
      formError(Message::syntaxError);
      attributesOk = false;
      return;
    }
    cursor.advance();
    slot = absoluteValue(cursor).value_or(fallback);
  };
  while (attributesOk && cursor.current().kind != TokenKind::lineEnd) {
    if (!start && isWord(cursor.current(), ReservedClass::location, LocationWord::abs)) {
      valueAfterEquals(start, 0);
    } else if (!alignment &&
               isWord(cursor.current(), ReservedClass::location, LocationWord::align)) {
      valueAfterEquals(alignment, 1);
      if (attributesOk && isPunct(cursor.current(), ',')) {
        cursor.advance();
        secondAlignment = absoluteValue(cursor).value_or(1);
      }
    } else {
      break;
    }
  }
  if (attributesOk && start && model) {
    formError(Message::syntaxError);
    attributesOk = false;
  }
  if (attributesOk && cursor.current().kind != TokenKind::lineEnd) {
    formError(Message::syntaxError);
    attributesOk = false;
  }
  bool modelAllowed = !model || *model == MemoryModel::medium ||
                      (*kind == SectionKind::data && *model == MemoryModel::small);
  if (attributesOk && !modelAllowed) formError(Message::illegalSectionDirective);

  sectionEntry& section = symbols_.sections()[definition.section];
  if (pass_ == Pass::first && definition.created) {
    section.kind = *kind;
    if (model && modelAllowed) section.model = *model;
    if (start) {
      std::uint32_t address = static_cast<std::uint32_t>(*start);
      if (*start < 0 || address > kMaxLocation) {
        reporter_.reportError(Message::locationOverflow);
        address &= kMaxLocation;
      }
      section.absolute = true;
      section.startAddress = address;
    }
    if (alignment) {
      if (!isPowerOfTwo(*alignment)) reporter_.reportWarning(Message::invalidAlign);
      section.alignment = *alignment <= 0 ? 1 : nextPowerOfTwo(*alignment);
    }
    if (secondAlignment &&
        (*secondAlignment < 1 || static_cast<std::uint32_t>(*secondAlignment) > kMaxSecondAlign)) {
      reporter_.reportWarning(Message::invalidAlign);
    }
    if (section.absolute) section.startAddress = roundUp(section.startAddress, section.alignment);
    section.fileIndex = reporter_.fileIndex();
    section.line = reporter_.line();
  } else if (pass_ == Pass::first) {
    bool differs =
        section.kind != *kind || (model && section.model != *model) ||
        (start &&
         (!section.absolute || section.startAddress != static_cast<std::uint32_t>(*start))) ||
        (alignment && section.alignment != nextPowerOfTwo(std::max<std::int32_t>(*alignment, 1)));
    if (differs) reporter_.reportWarning(Message::differentAttribute);
  }
  reopenSection(definition.section, definition.created);
}

void StatementProcessor::reopenSection(SectionId id, bool /*created*/) {
  if (openedThisPass_.size() <= id) openedThisPass_.resize(id + 1, false);
  sectionEntry& section = symbols_.sections()[id];
  if (!openedThisPass_[id]) {
    openedThisPass_[id] = true;
    section.locationCounter = section.absolute ? section.startAddress : 0;
    section.size = 0;
    if (pass_ == Pass::final && overlapping_.size() > id && overlapping_[id])
      reporter_.reportError(Message::absoluteSectionError);
  }
  if (current_ != id) encoder_.forgetJumpFlag();
  current_ = id;
  sectionSeen_ = true;
  statement_.section = id;
  statement_.location = section.locationCounter;
}

void StatementProcessor::markOverlappingSections() {
  const SectionList& sections = symbols_.sections();
  overlapping_.assign(sections.size(), false);
  for (SectionId later = 0; later < sections.size(); ++later) {
    const sectionEntry& b = sections[later];
    if (!b.absolute || b.size == 0) continue;
    for (SectionId earlier = 0; earlier < later; ++earlier) {
      const sectionEntry& a = sections[earlier];
      if (!a.absolute || a.size == 0) continue;
      std::uint64_t aEnd = std::uint64_t{a.startAddress} + a.size;
      std::uint64_t bEnd = std::uint64_t{b.startAddress} + b.size;
      if (a.startAddress < bEnd && b.startAddress < aEnd) overlapping_[later] = true;
    }
  }
}

// MODULE name
void StatementProcessor::moduleStatement(std::span<Token> operands) {
  if (operands.size() != 1 || operands[0].kind != TokenKind::identifier) {
    formError(Message::syntaxError);
    return;
  }
  if (sectionSeen_) {
    warnOnce(Message::invalidDirective);
    return;
  }
  if (moduleNamed_) {
    warnOnce(Message::duplicatedModule);
    return;
  }
  const std::string& name = operands[0].text();
  if (name.size() > kMaxModuleName) {
    formError(Message::syntaxError);
    return;
  }
  symbols_.defineModule(name, pass_);
  moduleName_ = name;
  moduleNamed_ = true;
}

// PUBLIC name {, name}
void StatementProcessor::publicStatement(std::span<Token> operands) {
  for (std::size_t i = 0; i < operands.size(); i += 2) {
    if (operands[i].kind != TokenKind::identifier ||
        (i + 1 < operands.size() && !isPunct(operands[i + 1], ','))) {
      formError(Message::syntaxError);
      return;
    }
    if (pass_ != Pass::final)
      symbols_.declarePublic(operands[i].text(), pass_);
    else if (sizingSkipped_)
      symbols_.checkPublicDefined(operands[i].text());
  }
  if (operands.empty() || isPunct(operands.back(), ',')) formError(Message::syntaxError);
}

// EXTERN [model] name {, name}
void StatementProcessor::externStatement(std::span<Token> operands) {
  MemoryModel model = MemoryModel::medium;
  std::size_t first = 0;
  if (!operands.empty() && isWord(operands[0], ReservedClass::memoryModel)) {
    model = static_cast<MemoryModel>(operands[0].value);
    first = 1;
    if (model == MemoryModel::large) {
      formError(Message::invalidSectionAttribute);
      return;
    }
  }
  if (first >= operands.size() || isPunct(operands.back(), ',')) {
    formError(Message::syntaxError);
    return;
  }
  for (std::size_t i = first; i < operands.size(); i += 2) {
    if (operands[i].kind != TokenKind::identifier ||
        (i + 1 < operands.size() && !isPunct(operands[i + 1], ','))) {
      formError(Message::syntaxError);
      return;
    }
    if (pass_ == Pass::first) symbols_.declareExternal(operands[i].text(), model, pass_);
  }
}

// name EQU expression
void StatementProcessor::equStatement(std::string_view name, std::span<Token> operands) {
  statement_.kind = StatementKind::equate;
  TokenCursor cursor(operands);
  auto value = expression(cursor, true, true);
  if (cursor.current().kind != TokenKind::lineEnd) formError(Message::syntaxError);
  exprValue defined = value.value_or(exprValue{});
  if (pass_ == Pass::first && defined.forwardReference) forwardEquate_ = true;
  if (defined.kind == ValueKind::floating) {
    formError(Message::absoluteExpected);
    defined = exprValue{};
  }
  DefineOutcome outcome = defineName(name, DefinitionKind::value, symbolValueOf(defined));
  if (outcome.moved) moved_ = true;
  statement_.value = defined;
}

// ORG expression
void StatementProcessor::orgStatement(std::span<Token> operands) {
  statement_.kind = StatementKind::origin;
  if (!movesLocationDespiteError()) return;
  if (current_ == kNoSection) {
    formError(Message::noSectionDefinition);
    return;
  }
  TokenCursor cursor(operands);
  auto value = locationValue(cursor);
  if (!value || !requireEnd(operands, cursor.position())) return;
  sectionEntry& section = symbols_.sections()[current_];
  std::uint32_t target = static_cast<std::uint32_t>(*value);
  if (*value < 0 || target < section.locationCounter) {
    if (pass_ != Pass::sizing) reporter_.reportError(Message::locationBackwards);
    statement_.failed = true;
    return;
  }
  statement_.skipped = target - section.locationCounter;
  advance(statement_.skipped);
}

// ALIGN expression
void StatementProcessor::alignStatement(std::span<Token> operands) {
  statement_.kind = StatementKind::align;
  if (!movesLocationDespiteError()) return;
  TokenCursor cursor(operands);
  auto value = absoluteValue(cursor);
  if (!value || !requireEnd(operands, cursor.position())) return;
  if (!isPowerOfTwo(*value)) warnOnce(Message::invalidAlign);
  std::uint32_t alignment = *value <= 0 ? 1 : nextPowerOfTwo(*value);
  if (current_ == kNoSection) {
    formError(Message::noSectionDefinition);
    return;
  }
  std::uint32_t counter = symbols_.sections()[current_].locationCounter;
  statement_.skipped = roundUp(counter, alignment) - counter;
  advance(statement_.skipped);
}

// END
void StatementProcessor::endStatement(std::span<Token> operands) {
  endSeen_ = true;
  // Sizes still moved after ten repetitions: this one's sizes are final.
  if (pass_ == Pass::sizing && repetition_ == kLastSizingRepetition)
    reporter_.reportWarning(Message::optimizationsLost);
  if (!operands.empty()) warnOnce(Message::textAfterEnd);
}

// $TITLE string | $EJECT | $LIST | $NOLIST | $SAVE | $RESTORE
void StatementProcessor::control(Control which, std::span<Token> operands) {
  bool takesString = which == Control::title;
  if (takesString ? (operands.size() != 1 || operands[0].kind != TokenKind::string)
                  : !operands.empty()) {
    formError(Message::syntaxError);
    return;
  }
  switch (which) {
    case Control::title: {
      if (options_.ignoreTitles) return;
      if (!options_.listingOn) {
        warnOnce(Message::ignoredTitle);
        return;
      }
      std::string text = operands[0].text();
      if (text.size() > kMaxTitle) {
        warnOnce(Message::tooLongTitle);
        text.resize(kMaxTitle);
      }
      title_ = text;
      statement_.title = std::move(text);
      statement_.control = ListingControl::title;
      return;
    }
    case Control::eject:
      if (!options_.listingOn || !options_.paged) {
        warnOnce(Message::ignoredEject);
        return;
      }
      statement_.control = ListingControl::eject;
      return;
    case Control::list:
    case Control::nolist:
      listingState_.listing = which == Control::list;
      statement_.control = which == Control::list ? ListingControl::list : ListingControl::nolist;
      return;
    case Control::save:
      if (saveStack_.size() >= kSaveDepth) {
        warnOnce(Message::saveStackOverflow);
        return;
      }
      saveStack_.push_back(listingState_);
      statement_.control = ListingControl::save;
      return;
    case Control::restore:
      if (saveStack_.empty()) {
        warnOnce(Message::saveStackOverflow);
        return;
      }
      listingState_ = saveStack_.back();
      saveStack_.pop_back();
      statement_.control = ListingControl::restore;
      return;
  }
}

// $INCLUDE "name" | <name>
void StatementProcessor::includeStatement(std::span<Token> operands, StatementOutcome& outcome) {
  if (operands.size() != 1 || operands[0].kind != TokenKind::string) {
    formError(Message::syntaxError);
    return;
  }
  if (pass_ != Pass::first || statement_.failed) return;
  IncludeForm form = operands[0].punct == '<' ? IncludeForm::angled : IncludeForm::quoted;
  outcome.include = IncludeRequest{operands[0].text(), form};
}

void StatementProcessor::debugDirective(DebugDirective which, std::span<Token> operands) {
  auto parsed = parseDebugOperands(operands, symbols_);
  if (!parsed) {
    formError(Message::syntaxError);
    return;
  }
  if (pass_ != Pass::final) return;
  DebugRecord record;
  record.directive = which;
  record.operands = std::move(*parsed);
  record.fileIndex = statement_.fileIndex;
  record.line = statement_.line;
  record.section = current_;
  record.location = statement_.location;
  debugRecords_.push_back(std::move(record));
}

}  // namespace kz::assembler
