// Function bodies and statements: blocks, if/else, loops, jumps, labels, switch, depend and
// the table call.
#include <algorithm>

#include "clike/fatal.h"
#include "clike/mnemonics.h"
#include "clike/parser.h"

namespace kz::clike {
namespace {

constexpr int kContinue = 48;
constexpr int kBreak = 49;
constexpr int kGoto = 43;
constexpr int kDepend = 51;

Operand label(std::string_view text) { return symbolicImmediate(text); }

// Puts the text of a switch's dispatch and table together, in a buffer the parser keeps.
class TableText {
 public:
  explicit TableText(RecordBuffer& buffer) : buffer_(buffer) { buffer.clear(); }
  // The text put; it stays in the buffer until the buffer is used again.
  std::string_view finish() const { return buffer_.view(); }

  void put(std::string_view piece) {
    copyBytes(buffer_.extend(piece.size()), piece.data(), piece.size());
  }
  // "\tdb\t0x%lx\n".
  void byteLine(long value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    char line[6 + 2 * sizeof(long) + 1] = {'\t', 'd', 'b', '\t', '0', 'x'};
    char digits[2 * sizeof(long)];
    std::size_t count = 0;
    auto bits = static_cast<unsigned long>(value);
    do {
      digits[count++] = kDigits[bits & 0xFu];
      bits >>= 4;
    } while (bits != 0);
    std::size_t size = 6;
    while (count > 0) line[size++] = digits[--count];
    line[size++] = '\n';
    put(std::string_view(line, size));
  }
  void wordLine(std::string_view value) {
    put("\tdw\t");
    put(value);
    put("\n");
  }
  // The search of the table: W counts its entries, each a value byte and a word with the
  // address of its case; the word after the last entry is the default's.
  void searchLoop(std::string_view loop, std::string_view found) {
    put("\tld\tw,(hl+)\n");
    put(loop);
    put(":\n\tcmp\ta,(hl+)\n\tj\tt,");
    put(found);
    put("\n\tinc\thl\n\tinc\thl\n\tdec\tw\n\tj\tnz,");
    put(loop);
    put("\n");
    put(found);
    put(":\n\tj\t(hl)\n");
  }

 private:
  RecordBuffer& buffer_;
};

}  // namespace

Parser::Control& Parser::openControl(ControlKind kind) {
  if (controlCount_ >= kMaxControls) raiseFatal(Message::controlNestTooDeep);
  Control& control = controls_[static_cast<std::size_t>(controlCount_++)];
  control.reopen(kind);
  return control;
}

Parser::Control* Parser::innermost(bool forContinue) {
  for (int i = controlCount_ - 1; i >= 0; --i) {
    Control& control = controls_[static_cast<std::size_t>(i)];
    if (!forContinue || control.kind == ControlKind::loop) return &control;
  }
  return nullptr;
}

std::string Parser::userLabel(SymbolEntry& name, bool define) {
  LabelInfo& info = labels_[&name];
  if (info.text.empty()) info.text = std::string(function_->name) + "." + std::string(name.name);
  if (define) {
    if (info.defined) diagnostics_.reportError(Message::symbolAlreadyDefined, name.name);
    info.defined = true;
  } else if (!info.defined && info.line == 0) {
    info.line = last_.line;
  }
  return info.text;
}

// function-body: compound-statement
void Parser::functionBody(SymbolEntry& function) {
  function_ = &function;
  labels_.clear();
  controlCount_ = 0;
  pushDepth_ = 0;
  deepestPush_ = 0;
  if (debugInfo_) emitter_.debugLinesHere(debugInfo_->symbolLines(function));
  emitter_.functionStart(asmName(function), peek().line);
  compoundStatement();
  markLine(last_);
  if (options_.modeR == 1) {
    std::string_view last = emitter_.lastMnemonic();
    if (last != "ret" && last != "reti" && last != "retn") emitter_.instruction("ret");
  }
  emitter_.flush();
  for (const auto& [name, info] : labels_) {
    if (info.defined) continue;
    bool elsewhere = std::find(otherFunctionLabels_.begin(), otherFunctionLabels_.end(), name) !=
                     otherFunctionLabels_.end();
    diagnostics_.reportError(elsewhere ? Message::targetOutOfFunction : Message::targetNotLabel,
                             name->name);
  }
  for (const auto& [name, info] : labels_) {
    if (info.defined) otherFunctionLabels_.push_back(name);
  }
  function.stackUse = static_cast<std::uint16_t>(2 + deepestPush_);
  function_ = nullptr;
}

// compound-statement: "{" { local-declaration | statement } "}"
void Parser::compoundStatement() {
  Nesting guard(*this);
  if (!expect(TokenClass::openBrace)) return;
  std::size_t registersBefore = localRegisters_.size();  // typed for this block only
  while (!at(TokenClass::closeBrace) && !at(TokenClass::endOfInput)) {
    if (startsDeclaration() || unknownTypeName(false)) {
      localDeclaration();
    } else {
      statement();
    }
    if (recovering_) recoverTo(true);
  }
  localRegisters_.resize(registersBefore);
  expect(TokenClass::closeBrace);
}

// local-declaration: "register" type-words register { "," register } ";"
// Functions keep no data of their own: a register may be given a type for the block, any
// other local object is error 234. A register gets its value from a statement, not here
// (error 219), so that no value is dropped unseen.
void Parser::localDeclaration() {
  Specifiers s = declarationSpecifiers();
  do {
    Declarator d = declarator();
    if (!d.registerName) {
      diagnostics_.reportError(Message::cantDefineLocal, d.name ? d.name->name : "");
    } else if (at(TokenClass::assign)) {
      diagnostics_.reportError(Message::initializationNotAllowed, d.nameToken.text);
    } else {
      localRegisters_.push_back({d.nameToken.value, typeOf(s, d)});
    }
    if (accept(TokenClass::assign)) {
      nodes_.clear();
      assignmentExpression();
    }
  } while (accept(TokenClass::comma));
  expect(TokenClass::semicolon);
  nodes_.clear();
}

// statement: compound | if | while | do | for | jump | switch | depend | case | default |
//            label ":" statement | table-call | instruction-statement | expression ";" | ";"
void Parser::statement() {
  Nesting guard(*this);
  const Token& token = peek();
  markLine(token);
  nodes_.clear();
  switch (token.kind) {
    case TokenClass::openBrace:
      compoundStatement();
      break;
    case TokenClass::keywordIf:
      ifStatement();
      break;
    case TokenClass::keywordElse:
      take();
      diagnostics_.reportError(Message::invalidElse);
      break;
    case TokenClass::keywordWhile:
      whileStatement();
      break;
    case TokenClass::keywordDo:
      doStatement();
      break;
    case TokenClass::keywordFor:
      forStatement();
      break;
    case TokenClass::jumpStatement:
      jumpStatement();
      break;
    case TokenClass::switchDepend:
      switchStatement(token.value == kDepend);
      break;
    case TokenClass::keywordCase:
      caseLabel();
      break;
    case TokenClass::keywordDefault:
      defaultLabel();
      break;
    case TokenClass::semicolon:
      take();
      break;
    case TokenClass::pragma:
      pragmaLine();
      break;
    case TokenClass::instructionStatement: {
      Token word = take();
      emitter_.instruction(mnemonicOf(word.value));
      expect(TokenClass::semicolon);
      break;
    }
    case TokenClass::instructionFunction:
      if (token.value == 47 && peekSecond().kind == TokenClass::openBracket) {
        tableCall();
        break;
      }
      expressionStatement();
      break;
    case TokenClass::identifier:
      if (peekSecond().kind == TokenClass::colon) {
        labelStatement();
        break;
      }
      expressionStatement();
      break;
    default:
      expressionStatement();
      break;
  }
  if (!recovering_) diagnostics_.syntaxRecovered();
}

void Parser::expressionStatement() {
  int at = expression();
  if (at < 0) return;
  if (!expect(TokenClass::semicolon)) return;
  checkNames(at);
  generateStatement(at);
}

// label: name ":" statement
void Parser::labelStatement() {
  Token name = take();
  take();  // :
  if (name.symbol->declared && !labels_.count(name.symbol) && name.symbol->kind != SymbolKind::none)
    diagnostics_.reportError(Message::symbolAlreadyDefined, name.symbol->name);
  emitter_.label(userLabel(*name.symbol, true));
  if (at(TokenClass::closeBrace)) return;
  statement();
}

// if: "if" "(" expression ")" statement [ "else" statement ]
void Parser::ifStatement() {
  take();
  if (!expect(TokenClass::openParen)) return;
  int condition = expression();
  if (condition < 0 || !expect(TokenClass::closeParen)) return;
  checkNames(condition);
  std::string elseLabel = emitter_.newLabel();
  conditionJump(condition, elseLabel, false);
  statement();
  if (at(TokenClass::keywordElse)) {
    markLine(take());
    std::string endLabel = emitter_.newLabel();
    emitter_.instruction("j", label(endLabel));
    emitter_.label(elseLabel);
    statement();
    emitter_.label(endLabel);
  } else {
    emitter_.label(elseLabel);
  }
}

// while: "while" "(" expression ")" statement
void Parser::whileStatement() {
  take();
  if (!expect(TokenClass::openParen)) return;
  int condition = expression();
  if (condition < 0 || !expect(TokenClass::closeParen)) return;
  checkNames(condition);
  Control& control = openControl(ControlKind::loop);
  std::string top = emitter_.newLabel();
  control.continueLabel = top;
  control.breakLabel = emitter_.newLabel();
  std::string breakLabel = control.breakLabel;
  emitter_.label(top);
  conditionJump(condition, breakLabel, false);
  statement();
  emitter_.instruction("j", label(top));
  emitter_.label(breakLabel);
  closeControl();
}

// do: "do" statement "while" "(" expression ")" ";"
void Parser::doStatement() {
  take();
  Control& control = openControl(ControlKind::loop);
  std::string top = emitter_.newLabel();
  control.continueLabel = emitter_.newLabel();
  control.breakLabel = emitter_.newLabel();
  std::string next = control.continueLabel, breakLabel = control.breakLabel;
  emitter_.label(top);
  statement();
  closeControl();
  markLine(peek());
  if (!expect(TokenClass::keywordWhile) || !expect(TokenClass::openParen)) return;
  nodes_.clear();
  int condition = expression();
  if (condition < 0 || !expect(TokenClass::closeParen)) return;
  checkNames(condition);
  emitter_.label(next);
  conditionJump(condition, top, true);
  emitter_.label(breakLabel);
  expect(TokenClass::semicolon);
}

// for: "for" "(" [ expression ] ";" [ expression ] ";" [ expression ] ")" statement
void Parser::forStatement() {
  take();
  if (!expect(TokenClass::openParen)) return;
  if (!at(TokenClass::semicolon)) {
    int init = expression();
    if (init < 0) return;
    checkNames(init);
    generateStatement(init);
  }
  if (!expect(TokenClass::semicolon)) return;
  nodes_.clear();
  int condition = at(TokenClass::semicolon) ? -1 : expression();
  if (!expect(TokenClass::semicolon)) return;
  checkNames(condition);
  // The step is written after the body, so its tree is kept aside.
  emitter_.beginCapture();
  std::string step = emitter_.newLabel();
  emitter_.label(step);
  if (!at(TokenClass::closeParen)) {
    int next = expression();
    checkNames(next);
    if (next >= 0) generateStatement(next);
  }
  CodeEmitter::Captured stepCode = emitter_.endCapture();
  if (!expect(TokenClass::closeParen)) return;
  Control& control = openControl(ControlKind::loop);
  std::string top = emitter_.newLabel();
  control.continueLabel = step;
  control.breakLabel = emitter_.newLabel();
  std::string breakLabel = control.breakLabel;
  emitter_.label(top);
  if (condition >= 0) conditionJump(condition, breakLabel, false);
  statement();
  emitter_.replay(std::move(stepCode));
  emitter_.instruction("j", label(top));
  emitter_.label(breakLabel);
  closeControl();
}

// jump: "return" [ expression ] ";" | "goto" name ";" | "break" ";" | "continue" ";"
void Parser::jumpStatement() {
  Token word = take();
  if (word.value == kBreak || word.value == kContinue) {
    Control* control = innermost(word.value == kContinue);
    if (!control) {
      diagnostics_.reportError(Message::invalidBreakContinue, word.text);
    } else {
      emitter_.instruction(
          "j", label(word.value == kBreak ? control->breakLabel : control->continueLabel));
    }
    expect(TokenClass::semicolon);
    return;
  }
  if (word.value == kGoto) {
    if (at(TokenClass::identifier)) {
      SymbolEntry& name = *take().symbol;
      bool label_ = labels_.count(&name) > 0;
      if (!label_ && name.declared && name.kind != SymbolKind::none) {
        diagnostics_.reportError(Message::targetNotLabel, name.name);
      } else {
        criticalUse(name, Message::criticalJump);
        emitter_.instruction("j", label(userLabel(name, false)));
      }
    } else {
      diagnostics_.reportError(Message::targetAddressInvalid, peek().text);
      int ignored = expression();
      (void)ignored;
    }
    expect(TokenClass::semicolon);
    return;
  }
  // return
  Type result = function_ ? function_->type.inner() : Type{};
  bool isVoid = result.base == BaseType::voidType && result.derivations.empty();
  if (!at(TokenClass::semicolon)) {
    int value = expression();
    if (value < 0) return;
    checkNames(value);
    if (isVoid) {
      diagnostics_.reportWarning(Message::voidWithValue);
    } else {
      generateReturnValue(value, result);
    }
  } else if (!isVoid) {
    diagnostics_.reportWarning(Message::returnValueExpected);
  }
  expect(TokenClass::semicolon);
  emitter_.instruction("ret");
}

// switch: "switch" "(" expression ")" statement   depend: "depend" "(" "A" ")" statement
void Parser::switchStatement(bool depend) {
  Token word = take();
  if (!expect(TokenClass::openParen)) return;
  int selector = expression();
  if (selector < 0 || !expect(TokenClass::closeParen)) return;
  checkNames(selector);
  std::optional<Operand> value = operandOf(selector, {});
  if (!value) return;
  Operand a = register8Operand(0);
  if (!value->isA()) {
    if (depend) {
      diagnostics_.reportError(Message::nonOperatableOperand, value->text);
      return;
    }
    load(a, *value, word.text);
  }
  Token dispatchToken = last_;
  // Each open switch holds its body back until its dispatch is written.
  int openSwitches = 0;
  for (int i = 0; i < controlCount_; ++i)
    openSwitches += controls_[static_cast<std::size_t>(i)].kind != ControlKind::loop;
  bool tooDeep = openSwitches >= kMaxSwitches;
  if (tooDeep) diagnostics_.reportError(Message::statementNestTooDeep, word.text);
  Control& control = openControl(depend ? ControlKind::dependBlock : ControlKind::switchBlock);
  control.breakLabel = emitter_.newLabel();
  std::size_t index = static_cast<std::size_t>(controlCount_ - 1);
  emitter_.beginCapture();
  statement();
  CodeEmitter::Captured body = emitter_.endCapture();
  Control finished = std::move(controls_[index]);
  closeControl();
  if (tooDeep) return;  // the body was checked; nothing is written
  markLine(dispatchToken);
  if (finished.cases.empty()) diagnostics_.reportError(Message::caseExpected);
  std::string end = finished.breakLabel;
  if (depend) {
    emitter_.instruction("shlc", a);
    emitter_.codeLine("\tj\t(pc+a)");
    TableText text(dispatchText_);
    for (const Case& c : finished.cases) text.wordLine(c.label);
    emitter_.tableText(text.finish());
  } else {
    std::string table = emitter_.newLabel();
    const std::string& otherwise = finished.defaultLabel.empty() ? end : finished.defaultLabel;
    TableText text(dispatchText_);
    if (options_.optS == 1) {
      usesSwitchRoutine_ = true;
      emitter_.codeLine("\tcall\t__switch");
      emitter_.flush();
    } else {
      std::string loop = emitter_.newLabel();
      std::string found = emitter_.newLabel();
      // The first line takes the switch's source reference; the search loop after it is
      // the same text in every switch but for its labels, and goes out with the table.
      emitter_.instruction("ld", register16Operand(3), label(table));
      text.searchLoop(loop, found);
    }
    text.put(table);
    text.byteLine(static_cast<long>(finished.cases.size()));
    for (const Case& c : finished.cases) {
      text.byteLine(c.value);
      text.wordLine(c.label);
    }
    text.wordLine(otherwise);
    emitter_.tableText(text.finish());
  }
  // Under -O u a break that ends the last case is a jump to the label right after it.
  std::string_view last;
  if (options_.optUnit == 1 && body.lastCodeLine(last)) {
    std::string jump = "\tj\t" + end;
    if (last.starts_with(jump) && last.find_first_not_of(" \t", jump.size()) == std::string::npos)
      body.dropLast();
  }
  emitter_.replay(std::move(body));
  emitter_.label(end);
}

// case: "case" constant-expression ":"
void Parser::caseLabel() {
  Token word = take();
  nodes_.clear();
  std::int32_t value = 0;
  bool constant = constantExpression(value);
  expect(TokenClass::colon);
  Control* control = nullptr;
  for (int i = controlCount_ - 1; i >= 0; --i) {
    if (controls_[static_cast<std::size_t>(i)].kind != ControlKind::loop) {
      control = &controls_[static_cast<std::size_t>(i)];
      break;
    }
  }
  if (!control) {
    diagnostics_.reportError(Message::illegalCase, word.text);
    return;
  }
  bool depend = control->kind == ControlKind::dependBlock;
  if (!constant || value < -128 || value > 255 ||
      (depend && value != static_cast<std::int32_t>(control->cases.size()))) {
    diagnostics_.reportError(Message::illegalCase, word.text);
    return;
  }
  for (const Case& c : control->cases) {
    if ((c.value & 0xFF) == (value & 0xFF)) {
      diagnostics_.reportError(Message::caseValueUsed, std::to_string(value));
      return;
    }
  }
  if (control->cases.size() >= static_cast<std::size_t>(kMaxCases)) {
    diagnostics_.reportError(Message::tooManyCases);
    return;
  }
  std::string text = emitter_.newLabel();
  control->cases.push_back({value & 0xFF, text});
  emitter_.label(text);
}

// default: "default" ":"
void Parser::defaultLabel() {
  Token word = take();
  expect(TokenClass::colon);
  Control* control = nullptr;
  for (int i = controlCount_ - 1; i >= 0; --i) {
    if (controls_[static_cast<std::size_t>(i)].kind != ControlKind::loop) {
      control = &controls_[static_cast<std::size_t>(i)];
      break;
    }
  }
  if (!control || control->kind != ControlKind::switchBlock || !control->defaultLabel.empty()) {
    diagnostics_.reportError(Message::illegalDefault, word.text);
    return;
  }
  control->defaultLabel = emitter_.newLabel();
  emitter_.label(control->defaultLabel);
}

// table-call: "CALL" "[" function { "," function } "]" "(" "A" ")" ";"
void Parser::tableCall() {
  take();
  take();  // [
  std::vector<std::string> names;
  do {
    if (!at(TokenClass::identifier)) {
      syntaxError();
      return;
    }
    SymbolEntry& name = *take().symbol;
    if (!name.declared || !name.type.isFunction()) {
      diagnostics_.reportError(Message::noFunction, name.name);
    } else {
      criticalUse(name, Message::criticalCall);
      useSymbol(name);
    }
    names.push_back(asmName(name));
  } while (accept(TokenClass::comma));
  if (!expect(TokenClass::closeBracket) || !expect(TokenClass::openParen)) return;
  if (!(at(TokenClass::register8) && peek().value == 16)) {
    diagnostics_.reportError(Message::nonOperatableOperand, peek().text);
  }
  take();
  if (!expect(TokenClass::closeParen) || !expect(TokenClass::semicolon)) return;
  std::string end = emitter_.newLabel();
  emitter_.instruction("shlc", register8Operand(0));
  emitter_.codeLine("\tadd\ta,2");
  emitter_.codeLine("\tcall\t(pc+a)");
  emitter_.codeLine("\tjr\t" + end);
  emitter_.flush();
  std::string text;
  for (const std::string& name : names) text += "\tdw\t" + name + "\n";
  emitter_.tableText(text);
  emitter_.label(end);
}

}  // namespace kz::clike
