// Names the program marks critical with `#pragma critical`: every call, jump and access
// that a statement makes to one of them is a warning naming it.
#include "clike/parser.h"

namespace kz::clike {
namespace {

constexpr std::int32_t kJump = 43;
constexpr std::int32_t kCallVector = 44;
constexpr std::int32_t kCall = 47;

bool callsItsTarget(std::int32_t op) { return op >= kCallVector && op <= kCall; }

bool isCode(const SymbolEntry& symbol) {
  return symbol.type.isFunction() ||
         (symbol.type.base == BaseType::entryType && symbol.type.derivations.empty());
}

}  // namespace

// pragma-line: "#pragma" ( section-pragma | "critical" name { [ "," ] name } )
void Parser::pragmaLine() {
  if (peekSecond().kind == TokenClass::keywordSection) {
    if (!function_) {
      sectionPragma();
      return;
    }
    take();
    diagnostics_.reportError(Message::preprocessorSyntaxError, take().text);
    while (!at(TokenClass::endOfDirective) && !at(TokenClass::endOfInput)) take();
    accept(TokenClass::endOfDirective);
    return;
  }
  take();                  // pragma
  Token keyword = take();  // critical
  bool named = false, afterName = false;
  while (!at(TokenClass::endOfDirective) && !at(TokenClass::endOfInput)) {
    Token word = take();
    if (word.kind == TokenClass::comma && afterName) {
      afterName = false;
      continue;
    }
    if (word.kind != TokenClass::identifier) {
      diagnostics_.reportError(Message::preprocessorSyntaxError,
                               word.text.empty() ? keyword.text : word.text);
      named = true;  // one message for the line
      break;
    }
    word.symbol->critical = true;
    criticalNames_ = true;
    named = afterName = true;
  }
  if (!named) diagnostics_.reportError(Message::preprocessorSyntaxError, keyword.text);
  while (!at(TokenClass::endOfDirective) && !at(TokenClass::endOfInput)) take();
  accept(TokenClass::endOfDirective);
}

void Parser::criticalUse(const SymbolEntry& symbol, Message message) {
  if (symbol.critical) diagnostics_.reportWarning(message, symbol.name);
}

void Parser::checkNamesIn(int at) {
  if (at < 0) return;  // the depth is bounded by the node table
  const Node& n = nodes_[at];
  switch (n.kind) {
    case NodeKind::name:
      if (!isCode(*n.symbol)) criticalUse(*n.symbol, Message::criticalAccess);
      return;
    case NodeKind::address:
    case NodeKind::sizeOf:
      return;  // no access
    case NodeKind::call:
      if (n.a >= 0 && nodes_[n.a].kind == NodeKind::name)
        criticalUse(*nodes_[n.a].symbol, Message::criticalCall);
      else
        checkNamesIn(n.a);
      for (int argument = n.first; argument >= 0; argument = nodes_[argument].next)
        checkNamesIn(argument);
      return;
    case NodeKind::instruction:
      for (int argument = n.first; argument >= 0; argument = nodes_[argument].next) {
        const Node& operand = nodes_[argument];
        bool target = operand.next < 0 && (n.op == kJump || callsItsTarget(n.op));
        if (target && operand.kind == NodeKind::name)
          criticalUse(*operand.symbol,
                      n.op == kJump ? Message::criticalJump : Message::criticalCall);
        else
          checkNamesIn(argument);
      }
      return;
    default:
      break;
  }
  for (int operand : {n.a, n.b, n.c}) {
    if (operand >= 0) checkNamesIn(operand);
  }
}

}  // namespace kz::clike
