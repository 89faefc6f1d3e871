// Calls of functions with their register arguments, and the instruction functions.
#include "clike/mnemonics.h"
#include "clike/parser.h"

namespace kz::clike {
namespace {

Operand parameterOperand(std::int32_t registerValue) {
  if (registerValue < 32) return register8Operand(registerValue - 16);
  return register16Operand((registerValue - 32) / 2);
}

}  // namespace

void Parser::generateCall(int at) {
  const Node& n = nodes_[at];
  const Node& callee = nodes_[n.a];
  if (callee.kind != NodeKind::name) {
    diagnostics_.reportError(Message::noFunction, callee.text);
    return;
  }
  SymbolEntry& function = *callee.symbol;
  if (function.declared && function.type.isFunctionPointer()) {
    generatePointerCall(at);
    return;
  }
  if (!function.declared || !function.type.isFunction()) {
    if (!function.declared) {
      diagnostics_.reportError(Message::noPrototype, function.name);
      // Entered as an external function without parameters, so the next call is quiet.
      function.declared = true;
      function.kind = SymbolKind::external;
      function.type = Type{};
      function.type.base = BaseType::shortType;
      Derivation derivation;
      derivation.kind = DerivationKind::function;
      derivation.function = &functions_.emplace_back();
      functions_.back().prototype = true;
      function.type.derivations.push_back(derivation);
      function.area = Area::function;
    } else {
      diagnostics_.reportError(Message::noFunction, function.name);
      return;
    }
  }
  const FunctionInfo* info = function.type.derivations.front().function;
  if (!info || !info->prototype) {
    diagnostics_.reportError(Message::noPrototype, function.name);
  } else if (static_cast<std::size_t>(n.count) < info->parameters.size()) {
    diagnostics_.reportError(Message::argumentMissing, function.name);
  } else if (static_cast<std::size_t>(n.count) > info->parameters.size()) {
    diagnostics_.reportError(Message::tooManyArguments, function.name);
  } else {
    // Each argument into its register; a later argument may not read a register that an
    // earlier one has been loaded into.
    std::vector<Operand> written;
    std::uint8_t loaded = 0;  // registers that earlier arguments went into
    int argument = n.first;
    for (const Parameter& parameter : info->parameters) {
      Operand target = parameterOperand(parameter.registerValue);
      if (!plainOperand(argument, function.name) ||
          !convert(ValueType::of(parameter.type), argument, ConversionUse::assignment))
        return;
      std::optional<Operand> value = operandOf(argument, OperandUse{target.usesHL(), loaded});
      if (!value) return;
      for (const Operand& earlier : written) {
        if (value->text == earlier.text || (value->usesHL() && earlier.usesHL()) ||
            (value->kind == OperandKind::register16 && earlier.kind == OperandKind::register8 &&
             earlier.number / 2 == value->number) ||
            (value->kind == OperandKind::register8 && earlier.kind == OperandKind::register16 &&
             value->number / 2 == earlier.number)) {
          diagnostics_.reportError(Message::orderNotKept, function.name);
          return;
        }
      }
      if (value->text != target.text) loadConverted(target, *value, function.name);
      written.push_back(target);
      loaded |= registerBits(target);
      argument = nodes_[argument].next;
    }
  }
  if (&function == function_) diagnostics_.reportWarning(Message::recursiveCall, function.name);
  useSymbol(function);
  emitter_.instruction("call", symbolicImmediate(asmName(function)));
}

// A call through a function pointer: a pointer has no parameter list, so nothing can be
// passed to it (531, and the arguments are not evaluated).
void Parser::generatePointerCall(int at) {
  const Node& n = nodes_[at];
  SymbolEntry& pointer = *nodes_[n.a].symbol;
  if (n.count > 0) diagnostics_.reportWarning(Message::argumentNotAllowedWarning, pointer.name);
  std::optional<Operand> target = objectOperand(n.a, {});
  if (!target) return;
  target->word = false;  // the form names the word's first byte
  emitChecked("call", *target, Operand{}, pointer.name);
}

// Operands of calls and instruction functions are single operands (297 for an expression).
bool Parser::plainOperand(int at, std::string_view why) {
  const Node& n = nodes_[at];
  std::int32_t ignored = 0;
  switch (n.kind) {
    case NodeKind::binary:
    case NodeKind::assign:
    case NodeKind::increment:
    case NodeKind::instruction:
    case NodeKind::conditional:
      if (foldConstant(nodes_, at, ignored)) return true;
      diagnostics_.reportError(Message::expressionNotAllowed, why);
      return false;
    case NodeKind::call:
      diagnostics_.reportError(Message::expressionNotAllowed, why);
      return false;
    default:
      return true;
  }
}

// An instruction function: PUSH(rr), XCH(a, b), CMP(a, b), CLR(bit), J(label), ...
void Parser::generateInstruction(int at) {
  const Node& n = nodes_[at];
  std::string_view mnemonic = mnemonicOf(n.op);
  std::vector<int> arguments;
  for (int argument = n.first; argument >= 0; argument = nodes_[argument].next)
    arguments.push_back(argument);
  if (mnemonic == "calld") {
    // The assembler has no such instruction.
    diagnostics_.reportError(Message::unexecutableOperation, "CALLD");
    return;
  }
  if (mnemonic == "j" || mnemonic == "call") {
    int targetAt = arguments.empty() ? -1 : arguments.back();
    if (arguments.size() < 1 || arguments.size() > 2 ||
        (mnemonic == "call" && arguments.size() != 1)) {
      diagnostics_.reportError(
          arguments.size() < 1 ? Message::argumentMissing : Message::tooManyArguments, mnemonic);
      return;
    }
    Operand target;
    const Node& targetNode = nodes_[targetAt];
    if (targetNode.kind == NodeKind::name && mnemonic == "j" &&
        (!targetNode.symbol->declared || labels_.count(targetNode.symbol))) {
      target = symbolicImmediate(userLabel(*targetNode.symbol, false));
    } else {
      std::optional<Operand> operand = operandOf(targetAt, {});
      if (!operand) return;
      target = *operand;
    }
    if (arguments.size() == 2) {
      const Node& condition = nodes_[arguments[0]];
      if (condition.kind != NodeKind::condition || condition.value == 12) {
        diagnostics_.reportError(Message::invalidConditionalExpression, condition.text);
        return;
      }
      Operand cc;
      cc.kind = OperandKind::condition;
      std::string text(condition.text);
      for (char& c : text) c = static_cast<char>(c - 'A' + 'a');
      cc.text = text;
      emitChecked("j", cc, target, mnemonic);
      return;
    }
    emitChecked(mnemonic, target, Operand{}, mnemonic);
    return;
  }
  std::vector<Operand> operands;
  for (int argument : arguments) {
    if (!plainOperand(argument, mnemonic)) return;
    bool hl = false;
    for (const Operand& earlier : operands) hl = hl || earlier.usesHL();
    std::optional<Operand> operand = operandOf(argument, OperandUse{hl});
    if (!operand) return;
    operands.push_back(*operand);
  }
  if (mnemonic == "push" || mnemonic == "pop") {
    if (operands.size() == 1 && operands[0].kind == OperandKind::register16 && false) {
    }
  }
  bool written = false;
  if (operands.empty()) {
    written = emitChecked(mnemonic, Operand{}, Operand{}, mnemonic);
  } else if (operands.size() == 1) {
    written = emitChecked(mnemonic, operands[0], Operand{}, mnemonic);
  } else if (operands.size() == 2) {
    written = emitChecked(mnemonic, operands[0], operands[1], mnemonic);
  } else {
    diagnostics_.reportError(Message::tooManyArguments, mnemonic);
  }
  if (!written) return;
  if (mnemonic == "push") {
    pushDepth_ += 2;
    deepestPush_ = std::max(deepestPush_, pushDepth_);
  } else if (mnemonic == "pop" && pushDepth_ >= 2) {
    pushDepth_ -= 2;
  }
}

}  // namespace kz::clike
